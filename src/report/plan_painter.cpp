#include "plan_painter.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace lumora::report {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct LayerPen {
  QColor colour;
  double width_mm;
  QVector<qreal> dashes;  // empty: solid
};

LayerPen pen_of_layer(const std::string& layer) {
  if (layer == "中心线") return {Qt::black, 0.25, {14, 3, 2, 3}};
  if (layer == "交点线") return {QColor(130, 130, 130), 0.12, {6, 4}};
  if (layer == "视距线") return {QColor(175, 175, 175), 0.05, {}};
  if (layer == "轨迹线") return {QColor(40, 40, 40), 0.2, {8, 4}};
  if (layer == "视距包络图") return {Qt::black, 0.45, {}};
  return {Qt::black, 0.13, {}};
}

QFont plan_font() {
  QFont f;
  f.setFamilies({"Noto Sans CJK SC", "Noto Sans SC", "sans-serif"});
  f.setPixelSize(100);
  return f;
}

}  // namespace

double round_scale(double n) {
  if (!(n > 0) || !std::isfinite(n)) return 1;
  const double p = std::pow(10, std::floor(std::log10(n)));
  for (double m : {1.0, 2.0, 2.5, 3.0, 5.0, 10.0}) {
    if (m * p >= n * (1 - 1e-12)) return m * p;
  }
  return 10 * p;
}

double paint_plan(QPainter& p, const cad::DrawingDocument& doc, const PlanFrame& f,
                  double units_per_mm) {
  const double ww = std::max(1.0, f.max_x - f.min_x);
  const double wh = std::max(1.0, f.max_y - f.min_y);
  const double fw = f.frame.width() / units_per_mm;  // mm
  const double fh = f.frame.height() / units_per_mm;
  const double n = round_scale(std::max(ww * 1000 / fw, wh * 1000 / fh));
  const double k = 1000 / n * units_per_mm;  // device units per drawing metre
  const double cx = (f.min_x + f.max_x) / 2, cy = (f.min_y + f.max_y) / 2;
  const QPointF fc = f.frame.center();
  const double cr = std::cos(f.rotation), sr = std::sin(f.rotation);
  auto at = [&](double x, double y) {
    const double u = x * cr - y * sr, v = x * sr + y * cr;
    return QPointF(fc.x() + (u - cx) * k, fc.y() - (v - cy) * k);
  };

  p.save();
  p.setClipRect(f.frame);
  p.setRenderHint(QPainter::Antialiasing);
  const auto& layers = doc.layers();
  const QFont font = plan_font();
  const QFontMetricsF metrics(font);
  const double cap = metrics.capHeight() > 0 ? metrics.capHeight() : 70;
  const QRectF view = f.frame.adjusted(-f.frame.width() * 0.05, -f.frame.height() * 0.05,
                                       f.frame.width() * 0.05, f.frame.height() * 0.05);
  // Whether a box of the paper reaches the frame; a horizontal or vertical
  // line has a box of no height or width, which QRectF never finds
  // intersecting.
  auto reaches = [&](const QRectF& box) {
    return box.normalized().adjusted(-1, -1, 1, 1).intersects(view);
  };
  // Hairline sight lines first, under everything else.
  for (int pass = 0; pass < 2; ++pass) {
    for (const cad::Entity& e : doc.entities()) {
      const std::string& layer = layers[std::min(e.layer, layers.size() - 1)].name;
      if ((layer == "视距线") != (pass == 0)) continue;
      const LayerPen lp = pen_of_layer(layer);
      QPen pen(lp.colour, std::max(units_per_mm * 0.05, lp.width_mm * units_per_mm));
      if (!lp.dashes.isEmpty()) pen.setDashPattern(lp.dashes);
      pen.setCapStyle(Qt::FlatCap);
      pen.setJoinStyle(Qt::RoundJoin);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      switch (e.kind) {
        case cad::EntityKind::line: {
          const QPointF a = at(e.points[0].x, e.points[0].y), b = at(e.points[1].x, e.points[1].y);
          if (reaches(QRectF(a, b))) p.drawLine(a, b);
          break;
        }
        case cad::EntityKind::polyline: {
          QPolygonF poly;
          for (const auto& v : e.points) poly << at(v.x, v.y);
          if (poly.size() > 1 && reaches(poly.boundingRect())) p.drawPolyline(poly);
          break;
        }
        case cad::EntityKind::arc: {
          const double r = e.radius * k;
          double sweep = std::fmod(e.end_angle - e.start_angle, 2 * kPi);
          if (sweep < 0) sweep += 2 * kPi;
          if (sweep < 1e-12) sweep = 2 * kPi;
          const double tol = 0.01 * units_per_mm;
          const double step = r > tol ? 2 * std::acos(std::max(-1.0, 1 - tol / r)) : sweep;
          const int m = std::clamp(static_cast<int>(std::ceil(sweep / step)), 2, 20000);
          QPolygonF poly;
          for (int i = 0; i <= m; ++i) {
            const double a = e.start_angle + sweep * i / m;
            poly << at(e.points[0].x + e.radius * std::cos(a),
                       e.points[0].y + e.radius * std::sin(a));
          }
          if (reaches(poly.boundingRect())) p.drawPolyline(poly);
          break;
        }
        case cad::EntityKind::text: {
          if (!f.stake_texts || e.text.empty()) break;
          const double h = e.height * k;
          if (h < 1.2 * units_per_mm) break;  // too small to read on paper
          const bool aligned = e.horizontal_alignment != cad::align::kLeft ||
                               e.vertical_alignment != cad::align::kBaseline;
          const cad::Point3& ip = aligned ? e.alignment_point : e.points[0];
          const QPointF a = at(ip.x, ip.y);
          if (!view.contains(a)) break;
          const QString text = QString::fromStdString(e.text);
          const double s = h / cap;
          const double advance = metrics.horizontalAdvance(text);
          double dx = 0;
          if (e.horizontal_alignment == cad::align::kCenter) dx = -advance / 2;
          if (e.horizontal_alignment == cad::align::kRight) dx = -advance;
          double dy = 0;
          if (e.vertical_alignment == cad::align::kBottom) dy = -metrics.descent();
          if (e.vertical_alignment == cad::align::kMiddle) dy = cap / 2;
          if (e.vertical_alignment == cad::align::kTop) dy = cap;
          p.save();
          p.translate(a);
          p.rotate(-(e.rotation + f.rotation) * 180 / kPi);
          p.scale(s * e.width_factor, s);
          p.setFont(font);
          p.setPen(Qt::black);
          p.drawText(QPointF(dx, dy), text);
          p.restore();
          break;
        }
        case cad::EntityKind::point:
          break;
      }
    }
  }

  if (f.highlight) {
    const QPointF a = at(f.highlight->x1(), f.highlight->y1());
    const QPointF b = at(f.highlight->x2(), f.highlight->y2());
    QPen heavy(Qt::black, units_per_mm * 0.35);
    heavy.setDashPattern({3, 1.5});
    p.setPen(heavy);
    p.drawLine(a, b);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(a, units_per_mm * 0.7, units_per_mm * 0.7);
    p.drawEllipse(b, units_per_mm * 0.7, units_per_mm * 0.7);
    p.setBrush(Qt::NoBrush);
  }

  // Curve names (the overview), on a white ground so that lines do not cross them.
  QFont label;
  label.setFamilies({"Noto Sans CJK SC", "sans-serif"});
  label.setPointSizeF(6.5);
  p.setFont(label);
  const QFontMetricsF lm(label, p.device());
  // The corners of the north arrow and the scale bar are taken.
  const double u0 = units_per_mm;
  std::vector<QRectF> placed = {
      QRectF(f.frame.topRight() + QPointF(-26 * u0, 0), QSizeF(26 * u0, 26 * u0)),
      QRectF(f.frame.bottomLeft() + QPointF(0, -16 * u0), QSizeF(70 * u0, 16 * u0))};
  for (const auto& [name, pt] : f.marks) {
    const QPointF a = at(pt.x(), pt.y());
    QRectF box = lm.boundingRect(name).adjusted(-2, -1, 2, 1);
    box.moveCenter(a + QPointF(0, -units_per_mm * 3));
    bool overlaps = false;
    for (const auto& b : placed) overlaps = overlaps || b.intersects(box);
    if (overlaps || !f.frame.contains(box)) continue;
    placed.push_back(box);
    p.setPen(QPen(Qt::black, units_per_mm * 0.1));
    p.drawLine(a, QPointF(a.x(), box.bottom()));
    p.fillRect(box, Qt::white);
    p.drawText(box, Qt::AlignCenter, name);
  }
  p.setClipping(false);

  // Frame, north arrow (drawing y is north), scale bar.
  p.setPen(QPen(Qt::black, units_per_mm * 0.3));
  p.setBrush(Qt::NoBrush);
  p.drawRect(f.frame);
  const double u = units_per_mm;
  {
    // The arrow points to north, turned with the drawing.
    const QPointF centre = f.frame.topRight() + QPointF(-13 * u, 13 * u);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, 11.5 * u, 11.5 * u);
    p.save();
    p.translate(centre);
    p.rotate(-f.rotation * 180 / kPi);
    const QPointF tip(0, -6 * u), base(0, 5 * u);
    const QPointF left(-3.5 * u, 7.5 * u), right(3.5 * u, 7.5 * u);
    QPainterPath half_l, half_r;
    half_l.moveTo(tip);
    half_l.lineTo(left);
    half_l.lineTo(base);
    half_l.closeSubpath();
    half_r.moveTo(tip);
    half_r.lineTo(right);
    half_r.lineTo(base);
    half_r.closeSubpath();
    p.setPen(QPen(Qt::black, 0.2 * u));
    p.setBrush(Qt::black);
    p.drawPath(half_l);
    p.setBrush(Qt::white);
    p.drawPath(half_r);
    QFont nf = label;
    nf.setPointSizeF(8);
    nf.setBold(true);
    p.setFont(nf);
    p.drawText(QRectF(-5 * u, -10.5 * u, 10 * u, 4 * u), Qt::AlignCenter, "北");
    p.restore();
  }
  {
    // A bar of about 40 mm in four equal parts, its length a round number of metres.
    const double metres = round_scale(n * 40 / 1000.0 * 0.75);
    const double len = metres * k;
    const QPointF o = f.frame.bottomLeft() + QPointF(6 * u, -7 * u);
    p.fillRect(QRectF(o + QPointF(-3 * u, -7.5 * u), QSizeF(len + 22 * u, 11 * u)), Qt::white);
    p.setPen(QPen(Qt::black, 0.15 * u));
    for (int i = 0; i < 4; ++i) {
      const QRectF seg(o.x() + len * i / 4, o.y() - 1.2 * u, len / 4, 1.2 * u);
      p.setBrush(i % 2 == 0 ? Qt::black : Qt::white);
      p.drawRect(seg);
    }
    QFont sf = label;
    sf.setPointSizeF(6.5);
    p.setFont(sf);
    auto tick = [&](double x, const QString& t) {
      p.drawText(QRectF(x - 10 * u, o.y() + 0.3 * u, 20 * u, 3 * u), Qt::AlignCenter, t);
    };
    tick(o.x(), "0");
    tick(o.x() + len / 2, QString::number(metres / 2, 'g', 6));
    tick(o.x() + len, QString::number(metres, 'g', 6) + " m");
    p.drawText(QRectF(o.x(), o.y() - 6 * u, 50 * u, 4 * u), Qt::AlignLeft | Qt::AlignVCenter,
               QString("比例 1:%1").arg(QString::number(n, 'f', 0)));
  }
  p.restore();
  return n;
}

}  // namespace lumora::report
