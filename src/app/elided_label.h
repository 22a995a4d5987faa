// A label whose text is cut with "…" to the width it is given instead of
// widening the window; the whole text is its tooltip.
#pragma once

#include <QLabel>

namespace lumora::app {

class ElidedLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedLabel(QWidget* parent = nullptr);
  void set_full_text(const QString& text);
  const QString& full_text() const { return full_; }
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent*) override;

 private:
  void elide();
  QString full_;
};

}  // namespace lumora::app
