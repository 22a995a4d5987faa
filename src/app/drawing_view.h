// A viewer of the open drawing as a CAD program shows it: lines, polylines,
// arcs, points and texts in their CAD colours and line weights, texts with
// their height, width factor, rotation and alignment, on a dark background.
// Colours too dark for the background are shown in a lighter shade of their
// hue, texts that would read upside down are turned (set_readable_text),
// and texts are drawn after the lines on a halo of the background, so that
// the envelope never runs through a label.
// Drag with a mouse button to pan, turn the wheel to zoom about the cursor.
// Every "zoom e" the drawing sends to its host fits the view to the
// drawing's extents, as CAD does.
//
// The view maps drawing coordinates (x east, y north) to the screen by a
// scale (pixels per drawing unit) and the drawing point shown at the centre;
// both are doubles, so survey coordinates of millions of metres keep their
// precision when zoomed in closely.
#pragma once

#include <QLineF>
#include <QPointF>
#include <QWidget>
#include <cstddef>
#include <optional>

namespace lumora::cad {
class DrawingDocument;
struct Extents;
}  // namespace lumora::cad

namespace lumora::app {

class DrawingView : public QWidget {
  Q_OBJECT
 public:
  explicit DrawingView(QWidget* parent = nullptr);

  /// The document shown (may be null). A document's contents may grow while
  /// it is shown; call refresh() after it changed.
  void set_document(const cad::DrawingDocument* doc);
  const cad::DrawingDocument* document() const { return doc_; }

  /// Repaints, and fits the extents if the document has sent "zoom e" since
  /// the last refresh.
  void refresh();
  /// Forgets the commands seen so far (the document was emptied).
  void forget_commands() {
    commands_seen_ = 0;
    entities_seen_ = 0;
  }
  /// Fits the view to the drawing's extents (with a small margin).
  void zoom_extents();
  /// Fits the view to the entities from `first` on (what the last command
  /// drew).
  void zoom_entities(std::size_t first);
  /// Texts rotated between 90° and 270° turned by 180° (default on).
  void set_readable_text(bool on);
  bool readable_text() const { return readable_text_; }
  /// Zooms by `factor` (> 1 enlarges) keeping the drawing point under the
  /// screen point `at` in its place.
  void zoom_at(const QPointF& at, double factor);
  /// Shows the drawing point `centre` in the middle at `scale` pixels per
  /// drawing unit.
  void set_view(const QPointF& centre, double scale);
  /// Moves the drawing by a screen offset.
  void pan(const QPointF& screen_offset);

  double scale() const { return scale_; }
  QPointF centre() const { return centre_; }
  QPointF to_screen(double x, double y) const;
  QPointF to_drawing(const QPointF& screen) const;

  /// A line drawn over the drawing in a signal colour (the sight line of a
  /// selected result row), in drawing coordinates; nullopt removes it.
  void set_highlight(std::optional<QLineF> line);
  std::optional<QLineF> highlight() const { return highlight_; }

  QSize sizeHint() const override { return {900, 640}; }

 signals:
  /// The mouse moved over the drawing point `at` (drawing coordinates).
  void cursor_moved(const QPointF& at);

 protected:
  void paintEvent(QPaintEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  const cad::DrawingDocument* doc_ = nullptr;
  std::size_t commands_seen_ = 0;
  std::size_t entities_seen_ = 0;
  double scale_ = 1;
  QPointF centre_{0, 0};
  QPointF drag_from_;
  bool dragging_ = false;
  bool fitted_once_ = false;
  bool readable_text_ = true;
  void fit(cad::Extents box);
  std::optional<QLineF> highlight_;
};

}  // namespace lumora::app
