#include "profile_chart.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "results_panel.h"
#include "session/session.h"
#include "text/format.h"

namespace lumora::app {
namespace {

const QColor kDesign(25, 90, 200);
const QColor kGradeLine(120, 120, 120);
const QColor kGround(150, 95, 40);
const QColor kCurve(200, 60, 30);
const QColor kGrid(225, 225, 225);

// A round step (1, 2 or 5 times a power of ten) near span / count.
double nice_step(double span, int count) {
  const double raw = span / count;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * p >= raw) return m * p;
  }
  return 10 * p;
}

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

QString number(double v, int decimals) {
  return qs(text::format_fixed(v, decimals));
}

}  // namespace

ProfileChart::ProfileChart(QWidget* parent) : QWidget(parent) {
  setObjectName("ProfileChart");
  setMinimumSize(400, 260);
  setMouseTracking(false);
}

void ProfileChart::show_session(const session::Session& s) {
  const auto* p = s.profile();
  const auto* breaks = s.chain_breaks();
  set_profile(p ? std::optional<profile::Profile>(*p) : std::nullopt,
              breaks ? *breaks : chainage::ChainBreakTable(), ResultsPanel::segments_of(s));
}

void ProfileChart::set_profile(std::optional<profile::Profile> p, chainage::ChainBreakTable breaks,
                               std::vector<ChainSegment> segments) {
  profile_ = std::move(p);
  breaks_ = std::move(breaks);
  segments_ = std::move(segments);
  if (profile_) {
    const auto& v = profile_->pvis();
    full0_ = v.front().chainage;
    full1_ = v.back().chainage;
    for (const auto& g : profile_->ground()) {
      full0_ = std::min(full0_, g.chainage);
      full1_ = std::max(full1_, g.chainage);
    }
    const double pad = 0.02 * (full1_ - full0_);
    full0_ -= pad;
    full1_ += pad;
  }
  reset_zoom();
}

void ProfileChart::reset_zoom() {
  x0_ = full0_;
  x1_ = full1_;
  update();
}

std::string ProfileChart::stake(double c) const {
  std::string s = breaks_.sj_dlstr_k(c);
  if (s.size() > 4 && s.compare(s.size() - 4, 4, ".000") == 0) s.resize(s.size() - 4);
  return s;
}

QRectF ProfileChart::plot_area(const QRectF& area) const {
  return area.adjusted(70, 46, -16, -44);
}

void ProfileChart::paint(QPainter& p, const QRectF& area) const {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(area, Qt::white);
  QFont font = p.font();
  font.setPointSizeF(8.5);
  p.setFont(font);
  const QFontMetricsF fm(font);
  if (!profile_) {
    p.setPen(Qt::darkGray);
    p.drawText(area, Qt::AlignCenter,
               "未读取纵断面\n初始化时勾选「读取纵断面文件」，或使用带纵断面的 LandXML 路线");
    p.restore();
    return;
  }
  const profile::Profile& prof = *profile_;
  const QRectF r = plot_area(area);
  const double x0 = x0_, x1 = x1_;

  // The elevations shown: the design line, the PVIs and the ground in view.
  double zmin = 1e300, zmax = -1e300;
  auto take = [&](double z) {
    zmin = std::min(zmin, z);
    zmax = std::max(zmax, z);
  };
  const int samples = std::max(200, static_cast<int>(r.width()));
  for (int k = 0; k <= samples; ++k) take(prof.elevation_at(x0 + (x1 - x0) * k / samples));
  for (const auto& v : prof.pvis()) {
    if (v.chainage >= x0 && v.chainage <= x1) take(v.elevation);
  }
  for (const auto& g : prof.ground()) {
    if (g.chainage >= x0 && g.chainage <= x1) take(g.elevation);
  }
  double span = std::max(zmax - zmin, 1.0);
  // Room below for the PVI texts and above for the curve labels.
  const double lo = zmin - 0.45 * span;
  const double hi = zmax + 0.35 * span;
  auto X = [&](double c) { return r.left() + (c - x0) / (x1 - x0) * r.width(); };
  auto Y = [&](double z) { return r.bottom() - (z - lo) / (hi - lo) * r.height(); };

  // Grid and axes.
  p.setPen(QPen(kGrid, 0));
  const double zstep = nice_step(hi - lo, 6);
  const int zdec = zstep >= 1 ? 0 : (zstep >= 0.1 ? 1 : 2);
  for (double z = std::ceil(lo / zstep) * zstep; z <= hi; z += zstep) {
    p.setPen(QPen(kGrid, 0));
    p.drawLine(QPointF(r.left(), Y(z)), QPointF(r.right(), Y(z)));
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), Y(z) - 8, r.left() - area.left() - 6, 16),
               Qt::AlignRight | Qt::AlignVCenter, number(z, zdec));
  }
  // Chainage ticks, round in each segment's own numbering.
  const double cstep = nice_step(x1 - x0, 8);
  std::vector<ChainSegment> segs = segments_;
  if (segs.empty()) segs.push_back({x0, x1, {}});
  segs.front().start = std::min(segs.front().start, x0);
  segs.back().end = std::max(segs.back().end, x1);
  for (std::size_t s = 0; s < segs.size(); ++s) {
    const double shift = breaks_.dlzh_sj(static_cast<int>(s) + 1, 0.0);  // continuous − own
    const double a = std::max(segs[s].start, x0), b = std::min(segs[s].end, x1);
    for (double v = std::ceil((a - shift) / cstep) * cstep; v + shift <= b; v += cstep) {
      const double c = v + shift;
      p.setPen(QPen(kGrid, 0));
      p.drawLine(QPointF(X(c), r.top()), QPointF(X(c), r.bottom()));
      p.setPen(Qt::black);
      p.drawText(QRectF(X(c) - 60, r.bottom() + 4, 120, 16), Qt::AlignHCenter | Qt::AlignTop,
                 qs(stake(c)));
    }
  }
  p.setPen(QPen(Qt::black, 0));
  p.drawRect(r);
  p.drawText(QRectF(r.left(), r.bottom() + 22, r.width(), 16), Qt::AlignHCenter, "桩号");
  p.save();
  p.translate(area.left() + 12, r.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-60, -8, 120, 16), Qt::AlignCenter, "高程 (m)");
  p.restore();

  p.setClipRect(r);
  // Segment letters and chain breaks.
  if (segments_.size() > 1) {
    for (std::size_t s = 0; s < segments_.size(); ++s) {
      const auto& seg = segments_[s];
      if (s > 0 && seg.start > x0 && seg.start < x1) {
        p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        p.drawLine(QPointF(X(seg.start), r.top()), QPointF(X(seg.start), r.bottom()));
      }
      const double a = std::max(s == 0 ? x0 : seg.start, x0);
      const double b = std::min(s + 1 == segments_.size() ? x1 : seg.end, x1);
      if (b - a <= 0) continue;
      QFont big = font;
      big.setPointSizeF(13);
      big.setBold(true);
      p.setFont(big);
      p.setPen(QColor(90, 90, 90));
      p.drawText(QRectF(X(a), r.top() + 2, X(b) - X(a), 24), Qt::AlignCenter, seg.letter);
      p.setFont(font);
    }
  }

  // Ground line.
  if (!prof.ground().empty()) {
    QPainterPath g;
    bool first = true;
    for (const auto& pt : prof.ground()) {
      const QPointF q(X(pt.chainage), Y(pt.elevation));
      first ? g.moveTo(q) : g.lineTo(q);
      first = false;
    }
    p.setPen(QPen(kGround, 1.4));
    p.drawPath(g);
  }

  // Grade lines through the PVIs, with the grade and the length of each.
  const auto& pv = prof.pvis();
  p.setPen(QPen(kGradeLine, 1, Qt::DashLine));
  for (std::size_t k = 0; k + 1 < pv.size(); ++k) {
    p.drawLine(QPointF(X(pv[k].chainage), Y(pv[k].elevation)),
               QPointF(X(pv[k + 1].chainage), Y(pv[k + 1].elevation)));
  }
  for (std::size_t k = 0; k + 1 < pv.size(); ++k) {
    const auto* ca = prof.curve_at_pvi(k);
    const auto* cb = prof.curve_at_pvi(k + 1);
    const double a = ca ? ca->evc() : pv[k].chainage;
    const double b = cb ? cb->bvc() : pv[k + 1].chainage;
    if (X(b) - X(a) < 110) continue;
    const double m = (a + b) / 2;
    const double zm = pv[k].elevation + prof.grade(k) * (m - pv[k].chainage);
    const QPointF q(X(m), Y(zm));
    const double angle =
        std::atan2(Y(zm + prof.grade(k) * 10) - Y(zm), X(m + 10) - X(m)) * 180 / M_PI;
    p.save();
    p.translate(q);
    p.rotate(angle);
    p.setPen(Qt::black);
    const QString t =
        QString("%1%  %2 m")
            .arg(number(prof.grade(k) * 100, 3), number(pv[k + 1].chainage - pv[k].chainage, 2));
    p.drawText(QRectF(-100, -18, 200, 14), Qt::AlignHCenter | Qt::AlignBottom, t);
    p.restore();
  }

  // The design line.
  QPainterPath d;
  for (int k = 0; k <= samples; ++k) {
    const double c = x0 + (x1 - x0) * k / samples;
    const QPointF q(X(c), Y(prof.elevation_at(c)));
    k == 0 ? d.moveTo(q) : d.lineTo(q);
  }
  p.setPen(QPen(kDesign, 2));
  p.drawPath(d);

  // PVIs: a circle on the grade lines, a dotted drop line and the chainage
  // and elevation written upwards from the bottom.
  for (std::size_t k = 0; k < pv.size(); ++k) {
    const double c = pv[k].chainage;
    if (c < x0 || c > x1) continue;
    const QPointF q(X(c), Y(pv[k].elevation));
    p.setPen(QPen(kGradeLine, 0, Qt::DotLine));
    p.drawLine(q, QPointF(q.x(), r.bottom()));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(q, 3.5, 3.5);
    p.setBrush(Qt::NoBrush);
    p.save();
    p.translate(q.x() - 3, r.bottom() - 4);
    p.rotate(-90);
    p.drawText(QPointF(0, 0),
               QString("变坡点 %1  %2").arg(qs(stake(c)), number(pv[k].elevation, 3)));
    p.restore();
  }

  // Vertical curves: BVC and EVC ticks, the external under the PVI, and the
  // label R, T, E above.
  for (const auto& c : prof.curves()) {
    if (c.evc() < x0 || c.bvc() > x1) continue;
    p.setPen(QPen(kCurve, 1.5));
    for (double s : {c.bvc(), c.evc()}) {
      const QPointF q(X(s), Y(c.elevation_at(s)));
      p.drawLine(q + QPointF(0, -9), q + QPointF(0, 9));
    }
    const double wide = X(c.evc()) - X(c.bvc());
    if (wide > 70) {
      p.setPen(kCurve);
      for (auto [s, t] : {std::pair{c.bvc(), "BVC"}, std::pair{c.evc(), "EVC"}}) {
        const QPointF q(X(s), Y(c.elevation_at(s)));
        p.drawText(QRectF(q.x() - 20, q.y() + 9, 40, 14), Qt::AlignCenter, t);
      }
    }
    const double s0 = c.pvi_chainage();
    const double zc = c.elevation_at(s0);
    p.setPen(QPen(kCurve, 0, Qt::DashLine));
    p.drawLine(QPointF(X(s0), Y(c.pvi_elevation())), QPointF(X(s0), Y(zc)));
    const QString t = c.tangent_in() == c.tangent_out()
                          ? number(c.tangent_in(), 3)
                          : number(c.tangent_in(), 3) + " / " + number(c.tangent_out(), 3);
    const QStringList lines = {
        QString("%1 R=%2").arg(c.crest() ? "凸" : "凹", number(c.radius(), 0)), "T=" + t,
        "E=" + number(c.external(), 3)};
    double w = 0;
    for (const auto& l : lines) w = std::max(w, fm.horizontalAdvance(l));
    const double h = lines.size() * fm.height();
    const double top = std::min(Y(c.pvi_elevation()), Y(zc)) - 12 - h;
    const QRectF box(X(s0) - w / 2 - 4, top, w + 8, h + 4);
    p.setPen(QPen(kCurve, 0.8));
    p.setBrush(QColor(255, 255, 255, 225));
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(X(s0), box.bottom()), QPointF(X(s0), std::min(Y(c.pvi_elevation()), Y(zc))));
    p.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i) {
      p.drawText(QRectF(box.left() + 4, box.top() + 2 + i * fm.height(), w, fm.height()),
                 Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
    }
  }
  p.setClipping(false);

  // Title and legend.
  QFont bold = font;
  bold.setBold(true);
  bold.setPointSizeF(10);
  p.setFont(bold);
  p.setPen(Qt::black);
  p.drawText(QRectF(r.left(), area.top() + 6, r.width() / 2, 20), Qt::AlignLeft | Qt::AlignVCenter,
             "纵断面  " + qs(prof.title()));
  p.setFont(font);
  double lx = r.right() - 10;
  auto legend = [&](const QString& name, const QPen& pen) {
    const double w = fm.horizontalAdvance(name);
    lx -= w;
    p.setPen(Qt::black);
    p.drawText(QRectF(lx, area.top() + 8, w, 16), Qt::AlignVCenter, name);
    lx -= 30;
    p.setPen(pen);
    p.drawLine(QPointF(lx, area.top() + 16), QPointF(lx + 24, area.top() + 16));
    lx -= 16;
  };
  if (!prof.ground().empty()) legend("地面线", QPen(kGround, 1.4));
  legend("坡度线", QPen(kGradeLine, 1, Qt::DashLine));
  legend("设计线", QPen(kDesign, 2));
  legend("竖曲线起终点", QPen(kCurve, 1.5));
  p.restore();
}

void ProfileChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paint(p, QRectF(rect()));
}

void ProfileChart::wheelEvent(QWheelEvent* event) {
  if (!profile_) return;
  const QRectF r = plot_area(QRectF(rect()));
  const double at = x0_ + (event->position().x() - r.left()) / r.width() * (x1_ - x0_);
  const double f = std::pow(1.2, -event->angleDelta().y() / 120.0);
  const double span = std::clamp((x1_ - x0_) * f, 10.0, (full1_ - full0_) * 1.5);
  const double t = (at - x0_) / (x1_ - x0_);
  x0_ = at - t * span;
  x1_ = x0_ + span;
  update();
  event->accept();
}

void ProfileChart::mousePressEvent(QMouseEvent* event) {
  drag_x_ = event->position().x();
  drag_lo_ = x0_;
  event->accept();
}

void ProfileChart::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || !profile_) return;
  const QRectF r = plot_area(QRectF(rect()));
  const double span = x1_ - x0_;
  x0_ = drag_lo_ - (event->position().x() - drag_x_) / r.width() * span;
  x1_ = x0_ + span;
  update();
}

void ProfileChart::mouseDoubleClickEvent(QMouseEvent* event) {
  reset_zoom();
  event->accept();
}

bool ProfileChart::export_png(const QString& path) const {
  const qreal ratio = 2;
  QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  {
    QPainter p(&image);
    paint(p, QRectF(QPointF(0, 0), QSizeF(size())));
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (!image.save(&file, "PNG")) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

bool ProfileChart::export_svg(const QString& path, const QString& title) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QSvgGenerator gen;
  gen.setOutputDevice(&file);
  gen.setSize(size());
  gen.setViewBox(QRect(QPoint(0, 0), size()));
  gen.setTitle(title);
  gen.setDescription("纵断面: 设计线、坡度线、竖曲线");
  {
    QPainter p;
    if (!p.begin(&gen)) {
      file.cancelWriting();
      return false;
    }
    paint(p, QRectF(QPointF(0, 0), QSizeF(size())));
    p.end();
  }
  return file.commit();
}

}  // namespace lumora::app
