#include "qt_interface.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include "dialog_provider.h"
#include "error.h"

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
  event_rounds_ = 0;
  since_events_.restart();
}

std::optional<std::filesystem::path> QtInterface::choose_file(const FileDialog& dialog) {
  const QString filter = qt_filter(q(dialog.filter));
  const QString name = dialog.save
                           ? dialogs_.save_file(parent_, q(dialog.title), last_folder_, filter)
                           : dialogs_.open_file(parent_, q(dialog.title), last_folder_, filter);
  if (name.isEmpty()) return std::nullopt;
  last_folder_ = QFileInfo(name).absolutePath();
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

void QtInterface::show_message(const std::string& title, const std::string& message,
                               const std::string& detail) {
  dialogs_.message(parent_, kind_of(title), q(title), q(message), q(detail));
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
}

void QtInterface::drawing_stage(const std::string& text) {
  if (stage_sink_) stage_sink_(q(text));
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace lumora::app
