#include "drawing_view.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

#include "cad/document.h"
#include "cad/legible.h"
#include "cad/writers.h"

namespace lumora::app {

namespace {

constexpr double kPi = 3.14159265358979323846;
const QColor kBackground(0x21, 0x28, 0x30);
// The text font is laid out at this pixel size and scaled to the text's
// height, so that glyph metrics stay exact at every zoom.
constexpr double kFontPixels = 100;

// The colour index's RGB, moved where it would not show on the background;
// worked out once for the 256 indexes.
QColor colour_of(int index, const cad::Layer& layer) {
  static const std::vector<QColor> table = [] {
    std::vector<QColor> t;
    const cad::Rgb back{static_cast<std::uint8_t>(kBackground.red()),
                        static_cast<std::uint8_t>(kBackground.green()),
                        static_cast<std::uint8_t>(kBackground.blue())};
    for (int i = 0; i < 256; ++i) {
      const auto rgb = cad::visible_colour(cad::aci_rgb(i), back);
      t.emplace_back(rgb[0], rgb[1], rgb[2]);
    }
    return t;
  }();
  if (index == cad::kColorByLayer) index = layer.color;
  return table[static_cast<std::size_t>(std::clamp(index, 0, 255))];
}

// Screen width of a CAD line weight (hundredths of a millimetre) at 96 dpi;
// the default and thin weights are one pixel, as CAD shows them.
double pen_width(int weight, const cad::Layer& layer) {
  if (weight == cad::kLineWeightByLayer) weight = layer.line_weight;
  if (weight <= 0) return 1.0;
  return std::max(1.0, weight * 96.0 / 2540.0);
}

bool lines_with_zoom_extents(const std::vector<std::string>& commands, std::size_t from) {
  for (std::size_t i = from; i < commands.size(); ++i) {
    QString c = QString::fromStdString(commands[i]).trimmed().toLower();
    c.replace(QRegularExpression("\\s+"), " ");
    if (c == "zoom e" || c == "zoom extents" || c == "z e") return true;
  }
  return false;
}

}  // namespace

DrawingView::DrawingView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::CrossCursor);
  setMinimumSize(200, 150);
}

void DrawingView::set_document(const cad::DrawingDocument* doc) {
  if (doc != doc_) {
    doc_ = doc;
    forget_commands();
  }
  refresh();
}

void DrawingView::refresh() {
  if (doc_) {
    const auto& commands = doc_->commands();
    // Entities are only ever added: fewer of them, or fewer commands, mean
    // the document was emptied for a new drawing.
    if (commands.size() < commands_seen_ || doc_->entities().size() < entities_seen_) {
      commands_seen_ = 0;
    }
    if (lines_with_zoom_extents(commands, commands_seen_)) zoom_extents();
    commands_seen_ = commands.size();
    entities_seen_ = doc_->entities().size();
  }
  if (!fitted_once_) zoom_extents();
  update();
}

void DrawingView::zoom_extents() {
  cad::Extents box;
  if (doc_) box = doc_->extents();
  fit(box);
}

void DrawingView::zoom_entities(std::size_t first) {
  if (!doc_) return;
  const cad::Extents box = doc_->extents(first, doc_->entities().size());
  if (!box.empty()) fit(box);
}

void DrawingView::set_readable_text(bool on) {
  readable_text_ = on;
  update();
}

void DrawingView::fit(cad::Extents box) {
  if (box.empty()) {
    box.add(0, 0);
    box.add(420, 297);
  }
  double w = box.max_x - box.min_x;
  double h = box.max_y - box.min_y;
  if (w <= 0 && h <= 0) w = h = 10;  // a single point: a 10 unit window about it
  const double vw = std::max(1, width());
  const double vh = std::max(1, height());
  const double sx = w > 0 ? vw / w : 1e300;
  const double sy = h > 0 ? vh / h : 1e300;
  scale_ = 0.95 * std::min(sx, sy);
  centre_ = QPointF((box.min_x + box.max_x) / 2, (box.min_y + box.max_y) / 2);
  fitted_once_ = true;
  update();
}

QPointF DrawingView::to_screen(double x, double y) const {
  return {width() / 2.0 + (x - centre_.x()) * scale_, height() / 2.0 - (y - centre_.y()) * scale_};
}

QPointF DrawingView::to_drawing(const QPointF& s) const {
  return {centre_.x() + (s.x() - width() / 2.0) / scale_,
          centre_.y() - (s.y() - height() / 2.0) / scale_};
}

void DrawingView::zoom_at(const QPointF& at, double factor) {
  if (!(factor > 0) || !std::isfinite(factor)) return;
  const QPointF p = to_drawing(at);
  scale_ = std::clamp(scale_ * factor, 1e-9, 1e9);
  centre_ = QPointF(p.x() - (at.x() - width() / 2.0) / scale_,
                    p.y() + (at.y() - height() / 2.0) / scale_);
  update();
}

void DrawingView::set_view(const QPointF& centre, double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) return;
  centre_ = centre;
  scale_ = std::clamp(scale, 1e-9, 1e9);
  fitted_once_ = true;
  update();
}

void DrawingView::pan(const QPointF& d) {
  centre_ = QPointF(centre_.x() - d.x() / scale_, centre_.y() + d.y() / scale_);
  update();
}

void DrawingView::wheelEvent(QWheelEvent* e) {
  const double steps = e->angleDelta().y() / 120.0;
  if (steps != 0) zoom_at(e->position(), std::pow(1.25, steps));
  e->accept();
}

void DrawingView::mousePressEvent(QMouseEvent* e) {
  dragging_ = true;
  drag_from_ = e->position();
  setCursor(Qt::ClosedHandCursor);
  e->accept();
}

void DrawingView::mouseMoveEvent(QMouseEvent* e) {
  emit cursor_moved(to_drawing(e->position()));
  if (!dragging_) return;
  pan(e->position() - drag_from_);
  drag_from_ = e->position();
  e->accept();
}

void DrawingView::mouseReleaseEvent(QMouseEvent* e) {
  if (dragging_) pan(e->position() - drag_from_);
  dragging_ = false;
  setCursor(Qt::CrossCursor);
  e->accept();
}

void DrawingView::resizeEvent(QResizeEvent*) {
  if (!fitted_once_) zoom_extents();
}

void DrawingView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kBackground);
  if (!doc_) return;
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);

  const QRectF view = QRectF(rect()).adjusted(-4, -4, 4, 4);
  const auto& layers = doc_->layers();

  QFont font;
  font.setFamilies({"Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei", "sans-serif"});
  font.setPixelSize(static_cast<int>(kFontPixels));
  const QFontMetricsF metrics(font);
  const double cap = metrics.capHeight() > 0 ? metrics.capHeight() : 0.7 * kFontPixels;
  p.setFont(font);

  // Consecutive lines of the same pen are drawn in one call.
  std::vector<QLineF> batch;
  QPen batch_pen;
  auto flush = [&] {
    if (batch.empty()) return;
    p.setPen(batch_pen);
    p.drawLines(batch.data(), static_cast<int>(batch.size()));
    batch.clear();
  };

  std::vector<QPointF> pts;
  std::vector<const cad::Entity*> texts;
  for (const cad::Entity& e : doc_->entities()) {
    const cad::Layer& layer = layers[std::min(e.layer, layers.size() - 1)];
    const QColor colour = colour_of(e.color, layer);
    QPen pen(colour, pen_width(e.line_weight, layer));
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (e.kind == cad::EntityKind::line) {
      if (!batch.empty() && pen != batch_pen) flush();
      batch_pen = pen;
      const QPointF a = to_screen(e.points[0].x, e.points[0].y);
      const QPointF b = to_screen(e.points[1].x, e.points[1].y);
      if (QRectF(a, b).normalized().intersects(view) || view.contains(a)) batch.emplace_back(a, b);
      continue;
    }
    flush();
    switch (e.kind) {
      case cad::EntityKind::point: {
        const QPointF a = to_screen(e.points[0].x, e.points[0].y);
        if (!view.contains(a)) break;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(a, 1.5, 1.5);
        p.setBrush(Qt::NoBrush);
        break;
      }
      case cad::EntityKind::polyline: {
        pts.clear();
        for (const auto& v : e.points) {
          pts.push_back(to_screen(v.x, v.y));
        }
        if (pts.empty()) break;
        double x0 = pts[0].x(), x1 = x0, y0 = pts[0].y(), y1 = y0;
        for (const auto& q : pts) {
          x0 = std::min(x0, q.x());
          x1 = std::max(x1, q.x());
          y0 = std::min(y0, q.y());
          y1 = std::max(y1, q.y());
        }
        if (!QRectF(QPointF(x0, y0), QPointF(x1, y1)).intersects(view) && !view.contains(pts[0]))
          break;
        p.setPen(pen);
        if (pts.size() == 1) {
          p.drawPoint(pts[0]);
        } else {
          p.drawPolyline(pts.data(), static_cast<int>(pts.size()));
        }
        break;
      }
      case cad::EntityKind::arc: {
        const QPointF c = to_screen(e.points[0].x, e.points[0].y);
        const double r = e.radius * scale_;
        if (!QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r).intersects(view)) break;
        double sweep = std::fmod(e.end_angle - e.start_angle, 2 * kPi);
        if (sweep < 0) sweep += 2 * kPi;
        if (sweep < 1e-12) sweep = 2 * kPi;  // equal angles: a whole circle
        // Chords short enough to stay within a third of a pixel of the arc.
        const double step = r > 0.5 ? 2 * std::acos(std::max(-1.0, 1 - 0.3 / r)) : sweep;
        const int n = std::clamp(static_cast<int>(std::ceil(sweep / step)), 2, 4096);
        pts.clear();
        for (int i = 0; i <= n; ++i) {
          const double a = e.start_angle + sweep * i / n;
          pts.push_back(to_screen(e.points[0].x + e.radius * std::cos(a),
                                  e.points[0].y + e.radius * std::sin(a)));
        }
        p.setPen(pen);
        p.drawPolyline(pts.data(), static_cast<int>(pts.size()));
        break;
      }
      case cad::EntityKind::text:
        texts.push_back(&e);  // drawn last, over the lines
        break;
      case cad::EntityKind::line:
        break;
    }
  }
  flush();

  // The labels, on a halo of the background colour a few pixels wide.
  QPainterPath path;
  for (const cad::Entity* original : texts) {
    const cad::Entity e = readable_text_ ? cad::readable_text(*original) : *original;
    const cad::Layer& layer = layers[std::min(e.layer, layers.size() - 1)];
    const double h = e.height * scale_;
    if (h < 1.0 || e.text.empty()) continue;  // too small to read
    const bool aligned = e.horizontal_alignment != cad::align::kLeft ||
                         e.vertical_alignment != cad::align::kBaseline;
    const cad::Point3& at = aligned ? e.alignment_point : e.points[0];
    const QPointF a = to_screen(at.x, at.y);
    const QString text = QString::fromStdString(e.text);
    const double k = h / cap;
    const double advance = metrics.horizontalAdvance(text);
    const double reach = advance * k * std::max(1.0, e.width_factor) + 2 * h;
    if (!view.adjusted(-reach, -reach, reach, reach).contains(a)) continue;
    double dx = 0;
    if (e.horizontal_alignment == cad::align::kCenter) dx = -advance / 2;
    if (e.horizontal_alignment == cad::align::kRight) dx = -advance;
    double dy = 0;  // baseline
    if (e.vertical_alignment == cad::align::kBottom) dy = -metrics.descent();
    if (e.vertical_alignment == cad::align::kMiddle) dy = cap / 2;
    if (e.vertical_alignment == cad::align::kTop) dy = cap;
    p.save();
    p.translate(a);
    p.rotate(-e.rotation * 180 / kPi);  // counter-clockwise in the drawing
    p.scale(k * e.width_factor, k);
    path.clear();
    path.addText(QPointF(dx, dy), font, text);
    // The halo's width in font units: about 3 pixels on the screen.
    QPen halo(kBackground, std::min(3.0 / k, 0.25 * kFontPixels));
    halo.setJoinStyle(Qt::RoundJoin);
    p.strokePath(path, halo);
    p.fillPath(path, colour_of(e.color, layer));
    p.restore();
  }

  if (highlight_) {
    const QPointF a = to_screen(highlight_->x1(), highlight_->y1());
    const QPointF b = to_screen(highlight_->x2(), highlight_->y2());
    p.setPen(QPen(QColor(255, 140, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
    p.setBrush(QColor(255, 140, 0));
    p.drawEllipse(a, 4, 4);
    p.drawEllipse(b, 4, 4);
  }
}

void DrawingView::set_highlight(std::optional<QLineF> line) {
  highlight_ = line;
  update();
}

}  // namespace lumora::app
