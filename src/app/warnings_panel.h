// The 警告 list of the main window: the warnings the commands deliver
// (UserInterface::warn), in order, each command's under a line that names
// the command and the time. The list copies (Ctrl+C: the selected lines, or
// all) and saves as a UTF-8 text file.
#pragma once

#include <QWidget>

class QListWidget;

namespace lumora::app {

class DialogProvider;

class WarningsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit WarningsPanel(DialogProvider& dialogs, QWidget* parent = nullptr);

  /// Starts the warnings of a command (shown only once it has one).
  void begin(const QString& command);
  void add(const QString& warning);
  /// The warnings shown, headings included, one a line.
  QString text() const;
  int warning_count() const { return count_; }
  QListWidget* list() const { return list_; }

  /// Copies the selected lines, or all when none is selected.
  void copy() const;
  /// Saves the list as text (UTF-8). False when cancelled or failed.
  bool save_as();
  void clear();

 signals:
  /// A warning was added.
  void warned();

 private:
  DialogProvider& dialogs_;
  QListWidget* list_;
  QString pending_heading_;
  int count_ = 0;
};

}  // namespace lumora::app
