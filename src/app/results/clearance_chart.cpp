#include "clearance_chart.h"

#include <QCategoryAxis>
#include <QKeyEvent>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace lumora::app {
namespace {

// A range with some room around the values, 0 always inside.
std::pair<double, double> padded(double lo, double hi) {
  lo = std::min(lo, 0.0);
  hi = std::max(hi, 0.0);
  const double pad = std::max(0.5, 0.08 * (hi - lo));
  return {lo < 0 ? lo - pad : lo, hi > 0 ? hi + pad : hi + (lo < 0 ? pad / 4 : pad)};
}

const QColor kBand[] = {QColor(70, 130, 220, 38), QColor(230, 140, 40, 38)};
const QColor kPrintBand[] = {QColor(0, 0, 0, 26), QColor(0, 0, 0, 48)};

}  // namespace

ClearanceChart::ClearanceChart(QWidget* parent) : QChartView(new QChart, parent) {
  QChart* c = chart();
  c->setMargins(QMargins(6, 6, 6, 6));
  c->legend()->setAlignment(Qt::AlignTop);
  c->setAnimationOptions(QChart::NoAnimation);

  clearance_ = new QLineSeries;
  clearance_->setName("最大横净距 (m)");
  clearance_->setPen(QPen(QColor(200, 40, 40), 1.6));
  sight_ = new QLineSeries;
  sight_->setName("视距 (m)");
  QPen dashed(QColor(40, 120, 60), 1.2, Qt::DashLine);
  sight_->setPen(dashed);
  c->addSeries(clearance_);
  c->addSeries(sight_);

  x_axis_ = new QValueAxis;
  x_axis_->setTitleText("连续桩号 (m)");
  x_axis_->setLabelFormat("%.0f");
  x_axis_->setTickCount(9);
  y_axis_ = new QValueAxis;
  y_axis_->setTitleText("横净距 (m)");
  y_axis_->setLabelFormat("%.1f");
  y_axis_->setTickCount(6);
  sight_axis_ = new QValueAxis;
  sight_axis_->setTitleText("视距 (m)");
  sight_axis_->setLabelFormat("%.0f");
  sight_axis_->setTickCount(6);
  sight_axis_->setGridLineVisible(false);
  sight_axis_->setLinePenColor(QColor(40, 120, 60));
  c->addAxis(x_axis_, Qt::AlignBottom);
  c->addAxis(y_axis_, Qt::AlignLeft);
  c->addAxis(sight_axis_, Qt::AlignRight);
  clearance_->attachAxis(x_axis_);
  clearance_->attachAxis(y_axis_);
  sight_->attachAxis(x_axis_);
  sight_->attachAxis(sight_axis_);

  setRenderHint(QPainter::Antialiasing);
  setRubberBand(QChartView::HorizontalRubberBand);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumHeight(320);
  // Ticks at round chainages (1, 2 or 5 times a power of ten), about eight
  // across the range shown, whatever the zoom.
  x_axis_->setTickType(QValueAxis::TicksDynamic);
  x_axis_->setTickAnchor(0);
  auto retick = [this] { set_ticks(x_axis_->min(), x_axis_->max()); };
  connect(x_axis_, &QValueAxis::rangeChanged, this, retick);
  // The plot's new width is known during the chart's layout, which a new
  // tick interval may not change under it: after it.
  connect(c, &QChart::plotAreaChanged, this, retick, Qt::QueuedConnection);
}

void ClearanceChart::set_data(const std::vector<session::ResultRow>& rows,
                              const std::vector<session::Curve>& curves,
                              std::vector<ChainSegment> segments) {
  std::vector<const session::ResultRow*> sorted;
  sorted.reserve(rows.size());
  for (const auto& r : rows) sorted.push_back(&r);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](auto* a, auto* b) { return a->chainage < b->chainage; });
  QList<QPointF> clearance, sight;
  double lo = 0, hi = 0, smax = 0;
  for (const auto* r : sorted) {
    clearance.append({r->chainage, r->clearance});
    sight.append({r->chainage, r->sight_distance});
    lo = std::min(lo, r->clearance);
    hi = std::max(hi, r->clearance);
    smax = std::max(smax, r->sight_distance);
  }
  clearance_->replace(clearance);
  sight_->replace(sight);
  clearance_->setPointsVisible(clearance.size() <= 150);

  curves_ = curves;
  segments_ = std::move(segments);
  double x0 = sorted.empty() ? 0 : sorted.front()->chainage;
  double x1 = sorted.empty() ? 1 : sorted.back()->chainage;
  if (!segments_.empty()) {
    x0 = std::min(x0, segments_.front().start);
    x1 = std::max(x1, segments_.back().end);
  }
  if (!(x1 > x0)) x1 = x0 + 1;
  full_x_ = {x0, x1};

  const auto [ylo, yhi] = padded(lo, hi);
  y_axis_->setRange(ylo, yhi);
  y_axis_->applyNiceNumbers();
  sight_axis_->setRange(0, smax > 0 ? smax * 1.25 : 1);
  sight_axis_->applyNiceNumbers();

  if (segment_axis_) {
    clearance_->detachAxis(segment_axis_);
    chart()->removeAxis(segment_axis_);
    delete segment_axis_;
    segment_axis_ = nullptr;
  }
  if (segments_.size() > 1) {
    segment_axis_ = new QCategoryAxis;
    segment_axis_->setTitleText("桩号段");
    segment_axis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    segment_axis_->setGridLineVisible(false);
    segment_axis_->setStartValue(segments_.front().start);
    for (const auto& s : segments_) segment_axis_->append(s.letter, s.end);
    chart()->addAxis(segment_axis_, Qt::AlignBottom);
    clearance_->attachAxis(segment_axis_);
  }
  mark_.reset();
  reset_zoom();
}

void ClearanceChart::set_print_style() {
  print_ = true;
  clearance_->setPen(QPen(Qt::black, 1.4));
  QPen dashed(QColor(80, 80, 80), 1.2, Qt::DashLine);
  sight_->setPen(dashed);
  sight_axis_->setLinePenColor(QColor(80, 80, 80));
  chart()->setBackgroundVisible(false);
  chart()->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
  viewport()->update();
}

void ClearanceChart::mark(std::optional<double> chainage, const QString& label) {
  mark_ = chainage;
  mark_label_ = label;
  if (mark_) {
    // Bring the mark into view, keeping the zoom.
    const auto [lo, hi] = x_range();
    if (*mark_ < lo || *mark_ > hi) pan_x(*mark_ - (lo + hi) / 2);
  }
  viewport()->update();
}

std::pair<double, double> ClearanceChart::x_range() const {
  return {x_axis_->min(), x_axis_->max()};
}

void ClearanceChart::set_x_range(double lo, double hi) {
  const double width = full_x_.second - full_x_.first;
  // Never narrower than 2 m, never wider than the data with a margin.
  if (hi - lo < 2) {
    const double mid = (lo + hi) / 2;
    lo = mid - 1;
    hi = mid + 1;
  }
  if (hi - lo > width * 1.02) {
    lo = full_x_.first - width * 0.01;
    hi = full_x_.second + width * 0.01;
  }
  // The ticks for the new range first: the axis lays out its labels with
  // the interval it has when the range changes.
  set_ticks(lo, hi);
  x_axis_->setRange(lo, hi);
  if (segment_axis_) segment_axis_->setRange(lo, hi);
}

void ClearanceChart::set_ticks(double lo, double hi) {
  // Round chainages (1, 2 or 5 times a power of ten), as many as the plot's
  // width holds without cutting a label ("10…"): each label gets its width
  // and a half, and there are at most eight.
  const QFontMetricsF fm(x_axis_->labelsFont());
  const double label =
      1.5 * fm.horizontalAdvance(QString::number(std::max(std::abs(lo), std::abs(hi)), 'f', 1));
  const double width = chart()->plotArea().width() > 0 ? chart()->plotArea().width() : 600;
  const double count = std::clamp(width / std::max(label, 1.0), 2.0, 8.0);
  const double raw = std::max(1e-3, (hi - lo) / count);
  const double p = std::pow(10, std::floor(std::log10(raw)));
  const double step = raw / p <= 1 ? p : raw / p <= 2 ? 2 * p : raw / p <= 5 ? 5 * p : 10 * p;
  if (x_axis_->tickInterval() != step) x_axis_->setTickInterval(step);
  x_axis_->setLabelFormat(step >= 1 ? "%.0f" : "%.1f");
  viewport()->update();
}

void ClearanceChart::zoom_x(double factor, double at) {
  if (!(factor > 0)) return;
  const auto [lo, hi] = x_range();
  set_x_range(at - (at - lo) / factor, at + (hi - at) / factor);
}

void ClearanceChart::pan_x(double metres) {
  const auto [lo, hi] = x_range();
  set_x_range(lo + metres, hi + metres);
}

void ClearanceChart::reset_zoom() {
  chart()->zoomReset();
  const double width = full_x_.second - full_x_.first;
  set_x_range(full_x_.first - width * 0.01, full_x_.second + width * 0.01);
}

double ClearanceChart::x_at(double view_x) const {
  const QPointF scene = mapToScene(QPoint(static_cast<int>(view_x), 0));
  const QPointF item = chart()->mapFromScene(scene);
  return chart()->mapToValue(item, clearance_).x();
}

void ClearanceChart::drawForeground(QPainter* painter, const QRectF& rect) {
  QChartView::drawForeground(painter, rect);
  const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
  const auto [lo, hi] = x_range();
  if (!(hi > lo) || plot.width() <= 0) return;
  auto px = [&](double c) { return plot.left() + (c - lo) / (hi - lo) * plot.width(); };

  painter->save();
  painter->setClipRect(plot);
  QFont small = painter->font();
  small.setPointSizeF(std::max(7.0, small.pointSizeF() * 0.85));
  painter->setFont(small);
  const QFontMetricsF fm(small);

  // Curves: shaded bands with their names along the top of the plot. A
  // name wider than its band stands centred over it in the first of three
  // rows where it meets no other name, so that short curves keep theirs.
  double row_end[3] = {-1e300, -1e300, -1e300};
  for (std::size_t i = 0; i < curves_.size(); ++i) {
    const session::Curve& c = curves_[i];
    if (c.end < lo || c.start > hi) continue;
    const QRectF band(QPointF(px(c.start), plot.top()), QPointF(px(c.end), plot.bottom()));
    painter->fillRect(band, print_ ? kPrintBand[i % 2] : kBand[i % 2]);
    const QString name = QString::fromStdString(c.name);
    const double w = fm.horizontalAdvance(name);
    const double left = std::clamp(band.center().x() - w / 2, plot.left(), plot.right() - w);
    for (int row = 0; row < 3; ++row) {
      if (left < row_end[row] + 4) continue;
      painter->setPen(print_ ? QColor(Qt::black) : QColor(60, 60, 90));
      painter->drawText(QPointF(left, plot.top() + (row + 1) * fm.height() - fm.descent() + 1),
                        name);
      row_end[row] = left + w;
      break;
    }
  }

  // Chain breaks: dashed lines where a segment ends.
  painter->setPen(QPen(QColor(110, 110, 110), 1, Qt::DashLine));
  for (std::size_t s = 0; s + 1 < segments_.size(); ++s) {
    const double x = px(segments_[s].end);
    painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
  }

  // The marked chainage.
  if (mark_ && *mark_ >= lo && *mark_ <= hi) {
    const double x = px(*mark_);
    painter->setPen(QPen(QColor(20, 20, 20), 1.5));
    painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    if (!mark_label_.isEmpty()) {
      const double w = fm.horizontalAdvance(mark_label_) + 6;
      const double left = std::min(x + 3, plot.right() - w);
      const QRectF box(left, plot.bottom() - fm.height() - 6, w, fm.height() + 2);
      painter->fillRect(box, QColor(255, 255, 220, 230));
      painter->drawText(box, Qt::AlignCenter, mark_label_);
    }
  }
  painter->restore();
}

void ClearanceChart::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  zoom_x(std::pow(1.25, steps), x_at(event->position().x()));
  event->accept();
}

void ClearanceChart::mousePressEvent(QMouseEvent* event) {
  press_pos_ = event->pos();
  if (event->button() == Qt::MiddleButton ||
      (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier))) {
    panning_ = true;
    pan_last_ = event->pos();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
    return;
  }
  QChartView::mousePressEvent(event);
}

void ClearanceChart::mouseMoveEvent(QMouseEvent* event) {
  if (panning_) {
    const double dx = x_at(pan_last_.x()) - x_at(event->pos().x());
    pan_last_ = event->pos();
    pan_x(dx);
    event->accept();
    return;
  }
  QChartView::mouseMoveEvent(event);
}

void ClearanceChart::mouseReleaseEvent(QMouseEvent* event) {
  if (panning_) {
    panning_ = false;
    unsetCursor();
    event->accept();
    return;
  }
  if (event->button() == Qt::LeftButton && (event->pos() - press_pos_).manhattanLength() < 4) {
    // A click, not a zoom: no rubber band of nothing.
    if (auto* band = findChild<QRubberBand*>()) band->hide();
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    if (plot.contains(mapToScene(event->pos()))) emit chainage_clicked(x_at(event->pos().x()));
    event->accept();
    return;
  }
  QChartView::mouseReleaseEvent(event);
}

void ClearanceChart::mouseDoubleClickEvent(QMouseEvent* event) {
  reset_zoom();
  event->accept();
}

void ClearanceChart::keyPressEvent(QKeyEvent* event) {
  const auto [lo, hi] = x_range();
  switch (event->key()) {
    case Qt::Key_Left:
      pan_x(-(hi - lo) / 10);
      break;
    case Qt::Key_Right:
      pan_x((hi - lo) / 10);
      break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      zoom_x(1.5, (lo + hi) / 2);
      break;
    case Qt::Key_Minus:
      zoom_x(1 / 1.5, (lo + hi) / 2);
      break;
    case Qt::Key_Home:
    case Qt::Key_0:
      reset_zoom();
      break;
    default:
      QChartView::keyPressEvent(event);
      return;
  }
  event->accept();
}

bool ClearanceChart::export_png(const QString& path) {
  const qreal ratio = 2;
  QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    render(&p, QRectF(QPointF(0, 0), QSizeF(size())), viewport()->rect());
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (!image.save(&file, "PNG")) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

bool ClearanceChart::export_svg(const QString& path, const QString& title) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QSvgGenerator gen;
  gen.setOutputDevice(&file);
  gen.setSize(size());
  gen.setViewBox(QRect(QPoint(0, 0), size()));
  gen.setTitle(title);
  gen.setDescription("最大横净距与视距沿桩号的分布");
  {
    QPainter p;
    if (!p.begin(&gen)) {
      file.cancelWriting();
      return false;
    }
    render(&p, QRectF(QPointF(0, 0), QSizeF(size())), viewport()->rect());
    p.end();
  }
  return file.commit();
}

}  // namespace lumora::app
