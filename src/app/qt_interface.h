// The commands' user interface in the desktop window: file dialogs and
// message boxes through a DialogProvider, the status label, a progress bar
// and a cancel button for long runs, the stage texts of the drawing-status
// strip.
//
// A long run stays on the window's thread; every progress report updates the
// label and the bar and, at most about 30 times a second, lets the window
// handle its events, so it repaints, can be moved, and the cancel button can
// be pressed.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QStringList>
#include <functional>

#include "session/user_interface.h"

class QWidget;

namespace lumora::app {

class DialogProvider;

class QtInterface : public UserInterface {
 public:
  QtInterface(DialogProvider& dialogs, QWidget* parent);

  void set_status_label(QLabel* label) { status_ = label; }
  void set_progress_bar(QProgressBar* bar) { bar_ = bar; }
  /// Receives the stage texts of a design-line drawing.
  void set_stage_sink(std::function<void(const QString&)> sink) { stage_sink_ = std::move(sink); }

  std::optional<std::filesystem::path> choose_file(const FileDialog& dialog) override;
  std::optional<std::size_t> choose_item(const std::string& title,
                                         const std::vector<std::string>& items) override;
  /// Offers the alignments with their length, stations and element count.
  std::optional<std::size_t> choose_alignment(const std::vector<std::string>& names,
                                              const std::vector<std::string>& details) override;
  void show_message(const std::string& title, const std::string& message,
                    const std::string& detail) override;
  void set_status(const std::string& text) override;
  void progress(int k, int n) override;
  void warn(const std::string& text) override;
  void drawing_stage(const std::string& text) override;
  bool cancel_requested() override { return cancel_; }

  /// The cancel button of the window.
  void request_cancel() { cancel_ = true; }
  /// Called before every command: no cancel pending, no warnings, no
  /// message, the progress clock restarted.
  void begin_command();
  /// The warnings of the command since begin_command().
  const QStringList& warnings() const { return warnings_; }
  /// Receives every warning as it comes (the window's 警告 list).
  void set_warning_sink(std::function<void(const QString&)> sink) {
    warning_sink_ = std::move(sink);
  }
  /// The message of the last message box since begin_command() (empty when
  /// there was none), and whether it was a deliberate cancel.
  const QString& last_message() const { return last_message_; }
  bool last_was_cancel() const { return last_cancel_; }

  /// The folder a file dialog opens in when its role has no file of its
  /// own yet: the folder of the last file chosen (empty before the first).
  /// A dialog whose role was used before opens on that file (also in a
  /// later session: window_settings.h).
  const QString& last_folder() const { return last_folder_; }
  void set_last_folder(const QString& folder) { last_folder_ = folder; }

  /// How often progress() let the window handle its events in this command.
  int event_rounds() const { return event_rounds_; }

 private:
  DialogProvider& dialogs_;
  QPointer<QWidget> parent_;
  QPointer<QLabel> status_;
  QPointer<QProgressBar> bar_;
  std::function<void(const QString&)> stage_sink_;
  std::function<void(const QString&)> warning_sink_;
  QString last_message_;
  bool last_cancel_ = false;
  QString last_folder_;
  QStringList warnings_;
  QElapsedTimer since_events_;
  bool cancel_ = false;
  int event_rounds_ = 0;
};

/// A path as the file system spells it, from a file name of a dialog.
std::filesystem::path to_path(const QString& name);

}  // namespace lumora::app
