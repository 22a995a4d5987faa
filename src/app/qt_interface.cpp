#include "qt_interface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include "dialog_provider.h"
#include "error.h"
#include "window_settings.h"

namespace lumora::app {

namespace {

// About 30 rounds of event handling a second: smooth enough to repaint and to
// drag the window, rare enough not to slow the computation.
constexpr qint64 kEventIntervalMs = 33;

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

MessageKind kind_of(const std::string& title) {
  if (title == kTitleError) return MessageKind::critical;
  if (title == kTitleDataCheck) return MessageKind::warning;
  return MessageKind::information;
}

}  // namespace

std::filesystem::path to_path(const QString& name) {
  return std::filesystem::path(QFile::encodeName(name).toStdString());
}

QtInterface::QtInterface(DialogProvider& dialogs, QWidget* parent)
    : dialogs_(dialogs), parent_(parent) {
  since_events_.start();
}

void QtInterface::begin_command() {
  cancel_ = false;
  warnings_.clear();
  last_message_.clear();
  last_cancel_ = false;
  event_rounds_ = 0;
  since_events_.restart();
}

std::optional<std::filesystem::path> QtInterface::choose_file(const FileDialog& dialog) {
  const QString filter = qt_filter(q(dialog.filter));
  const QString role = q(dialog.title);
  // The file last used for this role, where it still exists; else the last
  // folder.
  QString start = last_file(role);
  if (start.isEmpty() || !QFileInfo(start).absoluteDir().exists()) start = last_folder_;
  const QString name =
      dialog.save ? dialogs_.save_file(parent_, role, start, filter)
      : dialog.skip_choice.empty()
          ? dialogs_.open_file(parent_, role, start, filter)
          : dialogs_.open_file_or_skip(parent_, role, start, filter, q(dialog.skip_choice));
  if (name.isEmpty()) return std::nullopt;
  last_folder_ = QFileInfo(name).absolutePath();
  set_last_file(role, QFileInfo(name).absoluteFilePath());
  return to_path(name);
}

std::optional<std::size_t> QtInterface::choose_item(const std::string& title,
                                                    const std::vector<std::string>& items) {
  QStringList list;
  for (const auto& s : items) list << q(s);
  const auto picked = dialogs_.choose_item(parent_, q(title), "请选择：", list);
  if (!picked || *picked < 0 || *picked >= list.size()) return std::nullopt;
  return static_cast<std::size_t>(*picked);
}

std::optional<std::size_t> QtInterface::choose_alignment(const std::vector<std::string>& names,
                                                         const std::vector<std::string>& details) {
  return choose_item("选择路线", details.size() == names.size() ? details : names);
}

void QtInterface::show_message(const std::string& title, const std::string& message,
                               const std::string& detail) {
  // A dialog the user closed on purpose is information, not an error.
  last_cancel_ = message == kMsgReadCancelled || message == kMsgSaveCancelled;
  last_message_ = q(message);
  const MessageKind kind = last_cancel_ ? MessageKind::information : kind_of(title);
  dialogs_.message(parent_, kind, last_cancel_ ? QString("提示") : q(title), q(message), q(detail));
}

void QtInterface::set_status(const std::string& text) {
  if (status_) status_->setText(q(text));
}

void QtInterface::progress(int k, int n) {
  if (bar_) {
    if (bar_->maximum() != n) bar_->setRange(0, n);
    bar_->setValue(k);
  }
  if (k >= n || since_events_.elapsed() >= kEventIntervalMs) {
    if (status_) status_->repaint();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    ++event_rounds_;
    since_events_.restart();
  }
}

void QtInterface::warn(const std::string& text) {
  warnings_ << q(text);
  if (warning_sink_) warning_sink_(q(text));
}

void QtInterface::drawing_stage(const std::string& text) {
  if (stage_sink_) stage_sink_(q(text));
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace lumora::app
