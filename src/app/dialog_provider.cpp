#include "dialog_provider.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace lumora::app {

QString qt_filter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    // "文本文件(*.txt;*.jdx)" or "所有文件（*.*)": drop the pattern list the
    // description carries, whichever parenthesis opens it.
    const int open = std::max(desc.lastIndexOf('('), desc.lastIndexOf(QChar(0xFF08)));
    if (open > 0 && desc.endsWith(')') && desc.indexOf('*', open) > open) {
      desc = desc.left(open).trimmed();
    }
    QStringList patterns;
    for (QString p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      p = p.trimmed();
      if (p == "*.*") p = "*";
      if (!p.isEmpty()) patterns << p;
    }
    if (patterns.isEmpty()) patterns << "*";
    out << desc + " (" + patterns.join(' ') + ")";
  }
  return out.join(";;");
}

QString QtDialogProvider::open_file(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString QtDialogProvider::open_file_or_skip(QWidget* parent, const QString& title,
                                            const QString& folder, const QString& filter,
                                            const QString& skip) {
  // Qt's own dialog, since a button can be added to it.
  QFileDialog dialog(parent, title, folder, filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (auto* box = dialog.findChild<QDialogButtonBox*>()) {
    QPushButton* b = box->addButton(skip, QDialogButtonBox::RejectRole);
    b->setObjectName("SkipButton");
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

QString QtDialogProvider::save_file(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
  return QFileDialog::getSaveFileName(parent, title, folder, filter);
}

void QtDialogProvider::message(QWidget* parent, MessageKind kind, const QString& title,
                               const QString& text, const QString& detail) {
  QMessageBox box(parent);
  box.setWindowTitle(title);
  box.setText(text);
  if (!detail.isEmpty()) box.setInformativeText(detail);
  box.setIcon(kind == MessageKind::critical  ? QMessageBox::Critical
              : kind == MessageKind::warning ? QMessageBox::Warning
                                             : QMessageBox::Information);
  box.setStandardButtons(QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText("确定");
  box.exec();
}

std::optional<int> QtDialogProvider::choose_item(QWidget* parent, const QString& title,
                                                 const QString& label, const QStringList& items) {
  bool ok = false;
  const QString picked = QInputDialog::getItem(parent, title, label, items, 0, false, &ok);
  if (!ok) return std::nullopt;
  const int index = items.indexOf(picked);
  if (index < 0) return std::nullopt;
  return index;
}

UnsavedAnswer QtDialogProvider::ask_unsaved(QWidget* parent, const QString& title,
                                            const QString& text) {
  QMessageBox box(parent);
  box.setWindowTitle(title);
  box.setText(text);
  box.setIcon(QMessageBox::Question);
  auto* save = box.addButton("保存为DXF…", QMessageBox::AcceptRole);
  auto* discard = box.addButton("不保存", QMessageBox::DestructiveRole);
  auto* cancel = box.addButton("取消", QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return UnsavedAnswer::save;
  if (box.clickedButton() == discard) return UnsavedAnswer::discard;
  return UnsavedAnswer::cancel;
}

void QtDialogProvider::about(QWidget* parent, const QString& title, const QString& html) {
  QMessageBox box(parent);
  box.setWindowTitle(title);
  box.setTextFormat(Qt::RichText);
  box.setText(html);
  box.setTextInteractionFlags(Qt::TextBrowserInteraction);
  box.setIconPixmap(parent ? parent->windowIcon().pixmap(64, 64) : QPixmap());
  box.setStandardButtons(QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText("确定");
  box.exec();
}

bool QtDialogProvider::open_url(const QUrl& url) {
  return QDesktopServices::openUrl(url);
}

}  // namespace lumora::app
