#include "design_speed_box.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "standards/standards.h"

namespace lumora::app {

DesignSpeedBox::DesignSpeedBox(QLineEdit* sight, QWidget* parent) : QWidget(parent), sight_(sight) {
  speed_ = new QComboBox(this);
  speed_->setObjectName("DesignSpeed");
  standard_ = new QComboBox(this);
  standard_->setObjectName("Standard");
  standard_->addItem("JTG D20-2017", static_cast<int>(standards::Standard::jtg));
  standard_->addItem("AASHTO 2018", static_cast<int>(standards::Standard::aashto));
  auto* h = new QHBoxLayout(this);
  h->setContentsMargins(0, 0, 0, 0);
  h->addWidget(new QLabel("设计速度", this));
  h->addWidget(speed_);
  h->addWidget(new QLabel("km/h  规范", this));
  h->addWidget(standard_, 1);
  fill_speeds();
  connect(this, &DesignSpeedBox::sight_chosen, sight_,
          [this](double s) { sight_->setText(QString::number(s)); });
  connect(sight_, &QLineEdit::textEdited, this, &DesignSpeedBox::clear_choice);
  sight_->installEventFilter(this);
  setEnabled(sight_->isEnabled());
  connect(speed_, &QComboBox::currentIndexChanged, this, [this] { choose(); });
  connect(standard_, &QComboBox::currentIndexChanged, this, [this] {
    fill_speeds();
    choose();
  });
}

bool DesignSpeedBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == sight_ && event->type() == QEvent::EnabledChange) setEnabled(sight_->isEnabled());
  return QWidget::eventFilter(watched, event);
}

void DesignSpeedBox::fill_speeds() {
  const QSignalBlocker block(speed_);
  const QString was = speed_->currentText();
  speed_->clear();
  speed_->addItem("—");
  const auto st = static_cast<standards::Standard>(standard_->currentData().toInt());
  for (int v : standards::design_speeds(st)) speed_->addItem(QString::number(v), v);
  const int at = speed_->findText(was);
  speed_->setCurrentIndex(at < 0 ? 0 : at);
}

void DesignSpeedBox::clear_choice() {
  const QSignalBlocker block(speed_);
  speed_->setCurrentIndex(0);
}

void DesignSpeedBox::choose() {
  if (speed_->currentIndex() <= 0) return;
  const auto st = static_cast<standards::Standard>(standard_->currentData().toInt());
  const auto r =
      standards::resolve_sight(speed_->currentData().toInt(), st, standards::Vehicle::car);
  emit sight_chosen(r.sight_distance);
}

}  // namespace lumora::app
