#include "status_strip.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace lumora::app {

QPoint centred_position(const QRect& screen, const QSize& size) {
  return {screen.left() + (screen.width() - size.width()) / 2,
          screen.top() + (screen.height() - size.height()) / 3};
}

StatusStrip::StatusStrip(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint) {
  setObjectName("Form3");
  setWindowTitle("绘图状态");
  setAutoFillBackground(true);
  setStyleSheet("#Form3 { background: #fff8d0; border: 1px solid #a08a30; }");
  label_ = new QLabel(this);
  label_->setObjectName("Form3Label1");
  label_->setAlignment(Qt::AlignCenter);
  label_->setToolTip("双击返回主窗口");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(16, 8, 16, 8);
  layout->addWidget(label_);
  QFont f = font();
  f.setPointSizeF(f.pointSizeF() * 1.15);
  label_->setFont(f);
  const int w =
      std::max(360, label_->fontMetrics().horizontalAdvance("设计线绘制完毕，双击返回") + 60);
  resize(w, label_->fontMetrics().height() + 20);
}

void StatusStrip::set_text(const QString& text) {
  label_->setText(text);
  emit text_changed(text);
  if (isVisible()) repaint();
}

QString StatusStrip::text() const {
  return label_->text();
}

void StatusStrip::centre_on_screen() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  move(centred_position(screen->availableGeometry(), frameGeometry().size()));
}

void StatusStrip::mouseDoubleClickEvent(QMouseEvent* e) {
  e->accept();
  close();
  emit returned();
}

}  // namespace lumora::app
