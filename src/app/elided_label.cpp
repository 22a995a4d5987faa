#include "elided_label.h"

#include <QFontMetrics>
#include <algorithm>

namespace lumora::app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void ElidedLabel::set_full_text(const QString& text) {
  full_ = text;
  setToolTip(text);
  elide();
}

QSize ElidedLabel::minimumSizeHint() const {
  return {fontMetrics().horizontalAdvance("……") + 8, QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::sizeHint() const {
  return {std::min(fontMetrics().horizontalAdvance(full_) + 8, 480), QLabel::sizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* e) {
  QLabel::resizeEvent(e);
  elide();
}

void ElidedLabel::elide() {
  const int w = std::max(0, contentsRect().width());
  setText(fontMetrics().elidedText(full_, Qt::ElideRight, w));
}

}  // namespace lumora::app
