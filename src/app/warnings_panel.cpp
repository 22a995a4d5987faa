#include "warnings_panel.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "cad/write_atomic.h"
#include "dialog_provider.h"
#include "error.h"
#include "qt_interface.h"

namespace lumora::app {

WarningsPanel::WarningsPanel(DialogProvider& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
  setObjectName("WarningsPanel");
  list_ = new QListWidget(this);
  list_->setObjectName("WarningList");
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setWordWrap(true);
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy_action = new QAction("复制", list_);
  copy_action->setShortcut(QKeySequence::Copy);
  copy_action->setShortcutContext(Qt::WidgetShortcut);
  connect(copy_action, &QAction::triggered, this, &WarningsPanel::copy);
  list_->addAction(copy_action);

  auto* copy_button = new QPushButton("复制", this);
  auto* save_button = new QPushButton("另存为文本…", this);
  save_button->setObjectName("SaveWarnings");
  auto* clear_button = new QPushButton("清除", this);
  connect(copy_button, &QPushButton::clicked, this, &WarningsPanel::copy);
  connect(save_button, &QPushButton::clicked, this, &WarningsPanel::save_as);
  connect(clear_button, &QPushButton::clicked, this, &WarningsPanel::clear);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(copy_button);
  buttons->addWidget(save_button);
  buttons->addStretch(1);
  buttons->addWidget(clear_button);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
}

void WarningsPanel::begin(const QString& command) {
  pending_heading_ =
      QString("—— %1  %2").arg(command, QDateTime::currentDateTime().toString("HH:mm:ss"));
}

void WarningsPanel::add(const QString& warning) {
  if (!pending_heading_.isEmpty()) {
    auto* heading = new QListWidgetItem(pending_heading_, list_);
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);
    pending_heading_.clear();
  }
  new QListWidgetItem(warning, list_);
  ++count_;
  list_->scrollToBottom();
  emit warned();
}

QString WarningsPanel::text() const {
  QStringList lines;
  for (int i = 0; i < list_->count(); ++i) lines << list_->item(i)->text();
  return lines.join('\n');
}

void WarningsPanel::copy() const {
  QStringList lines;
  for (int i = 0; i < list_->count(); ++i) {
    if (list_->item(i)->isSelected()) lines << list_->item(i)->text();
  }
  QGuiApplication::clipboard()->setText(lines.isEmpty() ? text() : lines.join('\n'));
}

bool WarningsPanel::save_as() {
  const QString name =
      dialogs_.save_file(this, "保存警告列表", {}, "文本文件 (*.txt);;所有文件 (*)");
  if (name.isEmpty()) return false;
  const QByteArray bytes = (text() + '\n').toUtf8();
  try {
    cad::write_file_atomically(to_path(name), [&](const std::string& temp) {
      QFile f(QFile::decodeName(temp.c_str()));
      if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        throw CancelledError(CancelledError::Kind::save, temp + ": 无法写入");
      }
    });
  } catch (const LumoraError& e) {
    dialogs_.message(this, MessageKind::critical, QString::fromStdString(e.title()),
                     QString::fromStdString(e.message()), QString::fromStdString(e.detail()));
    return false;
  }
  return true;
}

void WarningsPanel::clear() {
  list_->clear();
  count_ = 0;
  pending_heading_.clear();
}

}  // namespace lumora::app
