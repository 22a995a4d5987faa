#include "sight_check_frame.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "dialog_provider.h"
#include "error.h"
#include "session/dialogs.h"
#include "text/numeric.h"

namespace lumora::app {

SightCheckFrame::SightCheckFrame(DialogProvider& dialogs, QWidget* parent)
    : QGroupBox("视距检查", parent), dialogs_(dialogs) {
  setObjectName("FrameSight");
  file_ = new QLineEdit(this);
  file_->setObjectName("ObstructionFile");
  file_->setPlaceholderText("障碍物文件 (*.txt)");
  auto* pick = new QToolButton(this);
  pick->setObjectName("ObstructionBrowse");
  pick->setText("…");
  eye_ = new QLineEdit("1.2", this);
  eye_->setObjectName("EyeHeight");
  object_ = new QLineEdit("0.1", this);
  object_->setObjectName("ObjectHeight");
  direction_ = new QComboBox(this);
  direction_->setObjectName("SightDirection");
  direction_->addItems({"顺", "逆", "双向"});
  direction_->setCurrentIndex(2);
  command_ = new QPushButton("  视距检查", this);
  command_->setObjectName("CommandSight");
  command_->setEnabled(false);

  auto* g = new QGridLayout(this);
  g->addWidget(new QLabel("障碍物文件", this), 0, 0);
  g->addWidget(file_, 0, 1, 1, 3);
  g->addWidget(pick, 0, 4);
  g->addWidget(new QLabel("视点高 (m)", this), 1, 0);
  g->addWidget(eye_, 1, 1);
  g->addWidget(new QLabel("物高 (m)", this), 1, 2);
  g->addWidget(object_, 1, 3, 1, 2);
  g->addWidget(new QLabel("方向", this), 2, 0);
  g->addWidget(direction_, 2, 1);
  g->addWidget(command_, 2, 2, 1, 3);
  g->setColumnStretch(1, 1);
  g->setColumnStretch(3, 1);

  connect(pick, &QToolButton::clicked, this, &SightCheckFrame::browse);
  connect(command_, &QPushButton::clicked, this, &SightCheckFrame::run_requested);
}

void SightCheckFrame::browse() {
  const QString f =
      dialogs_.open_file(this, QString::fromStdString(session::kObstructionDialog.title),
                         file_->text(), "文本文件 (*.txt);;所有文件 (*)");
  if (!f.isEmpty()) file_->setText(f);
}

bool SightCheckFrame::fill(session::SightCheckOptions& o) {
  auto height = [&](QLineEdit* box, const char* what, double& out) {
    const std::string t = box->text().toStdString();
    const auto v = text::parse_number(t);
    if (!v || *v < 0) {
      dialogs_.message(this, MessageKind::critical, kTitleError, kMsgDataFormat,
                       QString("%1「%2」应为不小于0的数").arg(what, box->text()));
      box->setFocus();
      return false;
    }
    out = *v;
    return true;
  };
  if (!height(eye_, "视点高", o.heights.eye) || !height(object_, "物高", o.heights.object)) {
    return false;
  }
  if (file_->text().isEmpty()) {
    const QString f =
        dialogs_.open_file(this, QString::fromStdString(session::kObstructionDialog.title), {},
                           "文本文件 (*.txt);;所有文件 (*)");
    if (f.isEmpty()) return false;
    file_->setText(f);
  }
  o.obstruction_files = {file_->text().toStdString()};
  o.directions = direction_->currentIndex() == 0   ? session::SightDirections::forward
                 : direction_->currentIndex() == 1 ? session::SightDirections::backward
                                                   : session::SightDirections::both;
  return true;
}

}  // namespace lumora::app
