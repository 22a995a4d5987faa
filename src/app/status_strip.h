// The drawing-status strip: a small always-on-top window with one line of
// text that names the stage a design-line drawing has reached. A double-click
// on it (or on its text) closes it and brings the main window back.
#pragma once

#include <QWidget>

class QLabel;

namespace lumora::app {

class StatusStrip : public QWidget {
  Q_OBJECT
 public:
  explicit StatusStrip(QWidget* parent = nullptr);

  void set_text(const QString& text);
  QString text() const;
  QLabel* label() const { return label_; }

  /// Places the strip at ((screen − w) / 2, (screen − h) / 3) of the
  /// available screen area.
  void centre_on_screen();

 signals:
  /// The user double-clicked the strip: it has closed itself.
  void returned();
  void text_changed(const QString& text);

 protected:
  void mouseDoubleClickEvent(QMouseEvent*) override;

 private:
  QLabel* label_;
};

/// The top-left corner that places a window of `size` at the horizontal
/// centre and a third of the way down the area `screen`.
QPoint centred_position(const QRect& screen, const QSize& size);

}  // namespace lumora::app
