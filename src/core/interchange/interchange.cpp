// Building the interchange element chain and evaluating points on it.
#include "interchange/interchange.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "error.h"
#include "mainline/primitives.h"

namespace lumora::htbas {
namespace {

using zxbas::kPi;
using zxbas::spiral_x;
using zxbas::spiral_y;

bool infinite(double r) {
  return r == kInfiniteRadius;
}
double curvature(double r) {
  return infinite(r) ? 0.0 : 1.0 / r;
}

HtKind kind_of(double r1, double r2) {
  if (infinite(r1) && infinite(r2)) return HtKind::straight;
  if (infinite(r1)) return HtKind::entry_spiral;
  if (infinite(r2)) return HtKind::exit_spiral;
  return r1 == r2 ? HtKind::arc : HtKind::partial_spiral;
}

std::string where(const std::string& file, int line) {
  std::string w = file;
  if (line > 0) w += (w.empty() ? "第" : " 第") + std::to_string(line) + "行";
  return w;
}

std::vector<HtRow> split_rows(const std::vector<HtRow>& rows, const std::string& file) {
  std::vector<HtRow> out;
  out.reserve(rows.size());
  auto push = [&](const HtRow& r) {
    if (out.size() >= static_cast<std::size_t>(kMaxElements)) {
      throw DataFormatError(where(file, r.line) + ": 拆分S形缓和曲线后单元多于" +
                            std::to_string(kMaxElements) + "个");
    }
    out.push_back(r);
  };
  for (const HtRow& r : rows) {
    const bool s_shaped = !infinite(r.r1) && !infinite(r.r2) && r.r1 != r.r2 && r.r1 * r.r2 < 0;
    if (!s_shaped) {
      push(r);
      continue;
    }
    // The curvature runs linearly from 1/R1 to 1/R2 and passes zero at the
    // fraction |R2|/(|R1|+|R2|) of the length.
    const double sum = std::fabs(r.r1) + std::fabs(r.r2);
    push({r.r1, kInfiniteRadius, r.len * std::fabs(r.r2) / sum, r.line});
    push({kInfiniteRadius, r.r2, r.len * std::fabs(r.r1) / sum, r.line});
  }
  return out;
}

// Above this clothoid angle (rad) the series lose more than about 1e-10 m to
// cancellation, and the element is integrated numerically instead.
constexpr double kSeriesAngleLimit = 4.0;

// A spiral element may turn by at most this much (rad, about 16 full turns):
// far beyond any road, and it bounds the work of the quadrature to 400
// panels per point.
constexpr double kMaxSpiralTurn = 100.0;

// Nodes and weights of 10-point Gauss–Legendre quadrature on [−1, 1], found
// by Newton's method on the Legendre polynomial.
struct GaussLegendre {
  static constexpr int n = 10;
  std::array<double, n> x{};
  std::array<double, n> w{};
};

const GaussLegendre& gauss_legendre() {
  static const GaussLegendre g = [] {
    GaussLegendre r;
    const int n = GaussLegendre::n;
    for (int i = 0; i < n; ++i) {
      double z = std::cos(kPi * (i + 0.75) / (n + 0.5));
      double dp = 1;
      for (int it = 0; it < 100; ++it) {
        double p0 = 1;
        double p1 = z;
        for (int k = 2; k <= n; ++k) {
          const double p2 = ((2.0 * k - 1) * z * p1 - (k - 1.0) * p0) / k;
          p0 = p1;
          p1 = p2;
        }
        dp = n * (z * p1 - p0) / (z * z - 1);
        const double step = p1 / dp;
        z -= step;
        if (std::fabs(step) < 1e-16) break;
      }
      r.x[i] = z;
      r.w[i] = 2 / ((1 - z * z) * dp * dp);
    }
    return r;
  }();
  return g;
}

// ∫₀^d (cos θ, sin θ) ds with θ(s) = a + k1·s + q·s², in panels that turn at
// most 0.25 rad each (for elements within kMaxSpiralTurn).
thread_local long panels_integrated = 0;

void integrate_heading(double a, double k1, double q, double d, double& dx, double& dy) {
  dx = dy = 0;
  if (d == 0) return;
  // The curvature k1 + 2q·s is linear, so its largest magnitude is at an end.
  const double turn = std::max(std::fabs(k1), std::fabs(k1 + 2 * q * d)) * std::fabs(d);
  double panels = std::ceil(turn / 0.25);
  if (!(panels >= 1)) panels = 1;  // also for NaN
  if (panels > 4 * kMaxSpiralTurn) panels = 4 * kMaxSpiralTurn;
  const int m = static_cast<int>(panels);
  panels_integrated += m;
  const double h = d / m;
  const auto& g = gauss_legendre();
  for (int p = 0; p < m; ++p) {
    const double mid = (p + 0.5) * h;
    for (int i = 0; i < GaussLegendre::n; ++i) {
      const double s = mid + 0.5 * h * g.x[i];
      const double th = a + (k1 + q * s) * s;
      dx += g.w[i] * std::cos(th);
      dy += g.w[i] * std::sin(th);
    }
  }
  dx *= 0.5 * h;
  dy *= 0.5 * h;
}

// The largest clothoid angle l²/(2|A²|) on the element: the tangent angle of
// its sharper end measured from the clothoid's point of zero curvature.
double clothoid_angle(HtKind kind, double r1, double r2, double len) {
  switch (kind) {
    case HtKind::entry_spiral:
      return std::fabs(len / (2 * r2));
    case HtKind::exit_spiral:
      return std::fabs(len / (2 * r1));
    case HtKind::partial_spiral: {
      const double a2 = std::fabs(len * r1 * r2 / (r1 - r2));
      const double rmin = std::min(std::fabs(r1), std::fabs(r2));
      return a2 / (2 * rmin * rmin);
    }
    default:
      return 0;
  }
}

}  // namespace

std::vector<HtRow> ht_split(const std::vector<HtRow>& rows) {
  return split_rows(rows, "");
}

Interchange::Interchange() : chain_(1) {}

const Interchange::Element& Interchange::element(int k) const {
  if (k < 1 || k > ht_count()) {
    throw DataFormatError("互通单元序号" + std::to_string(k) + "超出范围");
  }
  return elements_[static_cast<std::size_t>(k - 1)];
}

const Interchange::ChainPoint& Interchange::chain(int k) const {
  if (k < 1 || k > ht_count() + 1) {
    throw DataFormatError("互通单元序号" + std::to_string(k) + "超出范围");
  }
  return chain_[static_cast<std::size_t>(k - 1)];
}

Interchange Interchange::build(const HtFile& file) {
  for (const HtRow& r : file.ht_elements_read) {
    const std::string at = where(file.file, r.line);
    if (std::isnan(r.r1) || std::isnan(r.r2)) throw DataFormatError(at + ": 半径不是数");
    if (r.r1 == 0 || r.r2 == 0) throw DataFormatError(at + ": 半径为0");
    if (!(r.len >= 0)) throw DataFormatError(at + ": 长度为负或不是数");
  }
  Interchange ic;
  const std::vector<HtRow> rows = split_rows(file.ht_elements_read, file.file);
  HtFile converted = file;
  converted.ht_start_azimuth = ht_dms_to_degrees(file.ht_start_azimuth);
  ic.ht_build(converted, rows);
  return ic;
}

void Interchange::set_element(Element& e, const HtRow& row) const {
  e.r1 = row.r1;
  e.r2 = row.r2;
  e.len = row.len;
  e.line = row.line;
  e.kind = kind_of(e.r1, e.r2);
  const double L = e.len;
  switch (e.kind) {
    case HtKind::straight:
      e.deflection = 0;
      break;
    case HtKind::arc:
      e.deflection = L / e.r1;
      break;
    case HtKind::entry_spiral:
      e.deflection = L / (2 * e.r2);
      break;
    case HtKind::exit_spiral:
      e.deflection = L / (2 * e.r1);
      break;
    case HtKind::partial_spiral:
      e.deflection = (e.r1 + e.r2) * L / (2 * e.r1 * e.r2);
      break;
  }
  e.by_quadrature = L > 0 && clothoid_angle(e.kind, e.r1, e.r2, L) > kSeriesAngleLimit;
  if (e.by_quadrature &&
      !(std::max(std::fabs(curvature(e.r1)), std::fabs(curvature(e.r2))) * L <= kMaxSpiralTurn)) {
    throw DataFormatError(where(file_, e.line) + ": 缓和曲线转角过大");
  }
}

// Coordinate increments of element e that starts at azimuth a and ends at
// azimuth ae.
long quadrature_panels() {
  return panels_integrated;
}

void Interchange::set_anchors(Element& e, double a) const {
  if (!e.by_quadrature) return;
  // Panels of the whole element that turn at most 0.25 rad each, as the
  // element's own quadrature lays them; the point at each panel start.
  const double L = e.len;
  const double k1 = curvature(e.r1);
  const double q = (curvature(e.r2) - k1) / (2 * L);
  const double turn = std::max(std::fabs(k1), std::fabs(k1 + 2 * q * L)) * L;
  double panels = std::ceil(turn / 0.25);
  if (!(panels >= 1)) panels = 1;
  if (panels > 4 * kMaxSpiralTurn) panels = 4 * kMaxSpiralTurn;
  const int m = static_cast<int>(panels);
  e.panel = L / m;
  e.anchors.assign(static_cast<std::size_t>(m) + 1, zxbas::Vec2{});
  for (int p = 0; p < m; ++p) {
    const double s0 = p * e.panel;
    double dx = 0;
    double dy = 0;
    integrate_heading(a + (k1 + q * s0) * s0, k1 + 2 * q * s0, q, e.panel, dx, dy);
    e.anchors[static_cast<std::size_t>(p) + 1] = {e.anchors[static_cast<std::size_t>(p)].x + dx,
                                                  e.anchors[static_cast<std::size_t>(p)].y + dy};
  }
}

void Interchange::increments(const Element& e, double a, double ae, double& dx, double& dy) {
  const double L = e.len;
  dx = 0;
  dy = 0;
  if (L == 0) return;
  if (e.by_quadrature) {
    const double k1 = curvature(e.r1);
    integrate_heading(a, k1, (curvature(e.r2) - k1) / (2 * L), L, dx, dy);
    return;
  }
  switch (e.kind) {
    case HtKind::straight:
      dx = L * std::cos(a);
      dy = L * std::sin(a);
      break;
    case HtKind::arc: {
      const double R = e.r1;
      dx = R * (std::sin(a + L / R) - std::sin(a));
      dy = -R * (std::cos(a + L / R) - std::cos(a));
      break;
    }
    case HtKind::entry_spiral: {
      const double C = L * e.r2;
      const double x = spiral_x(L, C);
      const double y = spiral_y(L, C);
      dx = x * std::cos(a) - y * std::sin(a);
      dy = x * std::sin(a) + y * std::cos(a);
      break;
    }
    case HtKind::exit_spiral: {
      // Laid back from the end tangent: the clothoid's origin is the end.
      const double C = L * e.r1;
      const double x = spiral_x(L, C);
      const double y = spiral_y(L, C);
      dx = x * std::cos(ae) + y * std::sin(ae);
      dy = x * std::sin(ae) - y * std::cos(ae);
      break;
    }
    case HtKind::partial_spiral: {
      const double A2 = L * e.r1 * e.r2 / (e.r1 - e.r2);
      const double l1 = A2 / e.r1;
      const double l2 = A2 / e.r2;
      const double th0 = a - l1 * l1 / (2 * A2);  // azimuth at zero curvature
      const double u = ht_spiral_dx(l1, l2, A2);
      const double w = ht_spiral_dy(l1, l2, A2);
      dx = u * std::cos(th0) - w * std::sin(th0);
      dy = u * std::sin(th0) + w * std::cos(th0);
      break;
    }
  }
}

void Interchange::ht_build(const HtFile& file, const std::vector<HtRow>& rows) {
  file_ = file.file;
  const std::size_t n = rows.size();
  elements_.assign(n, Element{});
  chain_.assign(n + 1, ChainPoint{});
  start_azimuth_ = file.ht_start_azimuth * kPi / 180;

  // Chainages, deflections and the azimuths, summed before reduction.
  std::vector<double> az(n + 1);
  chain_[0].chainage = file.ht_start_chainage;
  az[0] = start_azimuth_;
  for (std::size_t k = 0; k < n; ++k) {
    set_element(elements_[k], rows[k]);
    chain_[k + 1].chainage = chain_[k].chainage + elements_[k].len;
    az[k + 1] = az[k] + elements_[k].deflection;
  }
  for (std::size_t k = 0; k <= n; ++k) chain_[k].azimuth = zxbas::reduce_azimuth(az[k]);

  // Increments and points.
  chain_[0].x = file.ht_start_x;
  chain_[0].y = file.ht_start_y;
  for (std::size_t k = 0; k < n; ++k) {
    Element& e = elements_[k];
    increments(e, chain_[k].azimuth, chain_[k + 1].azimuth, e.dx, e.dy);
    set_anchors(e, chain_[k].azimuth);
    chain_[k + 1].x = chain_[k].x + e.dx;
    chain_[k + 1].y = chain_[k].y + e.dy;
    e.x_end = chain_[k + 1].x;
    e.y_end = chain_[k + 1].y;
    e.az_end = chain_[k + 1].azimuth;
  }
  check_finite();
}

Interchange Interchange::build_anchored(const std::vector<AnchoredElement>& elements,
                                        const std::string& file) {
  Interchange ic;
  ic.file_ = file;
  if (elements.empty()) throw DataFormatError(file + ": 路线没有单元");
  if (elements.size() > static_cast<std::size_t>(kMaxElements)) {
    throw DataFormatError(file + ": 单元多于" + std::to_string(kMaxElements) + "个");
  }
  const std::size_t n = elements.size();
  ic.elements_.assign(n, Element{});
  ic.chain_.assign(n + 1, ChainPoint{});
  for (std::size_t k = 0; k < n; ++k) {
    const AnchoredElement& a = elements[k];
    const std::string at = where(file, a.line);
    if (std::isnan(a.r1) || std::isnan(a.r2)) throw DataFormatError(at + ": 半径不是数");
    if (a.r1 == 0 || a.r2 == 0) throw DataFormatError(at + ": 半径为0");
    if (!(a.len >= 0)) throw DataFormatError(at + ": 长度为负或不是数");
    if (!infinite(a.r1) && !infinite(a.r2) && a.r1 * a.r2 < 0) {
      throw DataFormatError(at + ": S形缓和曲线须分为两个单元");
    }
    if (k > 0 && !(a.chainage >= elements[k - 1].chainage)) {
      throw DataFormatError(at + ": 桩号小于前一单元");
    }
    Element& e = ic.elements_[k];
    ic.set_element(e, {a.r1, a.r2, a.len, a.line});
    ChainPoint& s = ic.chain_[k];
    s.chainage = a.chainage;
    s.x = a.x;
    s.y = a.y;
    s.azimuth = zxbas::reduce_azimuth(a.azimuth);
    e.az_end = zxbas::reduce_azimuth(s.azimuth + e.deflection);
    increments(e, s.azimuth, e.az_end, e.dx, e.dy);
    ic.set_anchors(e, s.azimuth);
    e.x_end = s.x + e.dx;
    e.y_end = s.y + e.dy;
  }
  const Element& last = ic.elements_.back();
  ic.chain_[n] = {ic.chain_[n - 1].chainage + last.len, last.x_end, last.y_end, last.az_end};
  ic.start_azimuth_ = ic.chain_[0].azimuth;
  ic.check_finite();
  for (std::size_t k = 0; k + 1 < n; ++k) {
    const Element& e = ic.elements_[k];
    const ChainPoint& next = ic.chain_[k + 1];
    double turn = std::remainder(next.azimuth - e.az_end, 2 * zxbas::kPi);
    if (turn <= -zxbas::kPi) turn += 2 * zxbas::kPi;
    if (elements[k + 1].corner_before) {
      ic.corners_.push_back({static_cast<int>(k) + 1, next.chainage, turn,
                             Pose{e.x_end, e.y_end, e.az_end}, Pose{next.x, next.y, next.azimuth}});
    }
  }
  return ic;
}

void Interchange::check_finite() const {
  // Nothing that is not a finite number may leave the build: an overflow in
  // a series or an absurd radius or length shows up here.
  auto finite = [](std::initializer_list<double> v) {
    return std::all_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); });
  };
  const ChainPoint& first = chain_.front();
  if (!finite({first.chainage, first.x, first.y, first.azimuth})) {
    throw DataFormatError(file_ + ": 起点数据不是有限数");
  }
  for (std::size_t k = 0; k < elements_.size(); ++k) {
    const Element& e = elements_[k];
    const ChainPoint& s = chain_[k];
    const ChainPoint& p = chain_[k + 1];
    if (!finite({e.deflection, e.dx, e.dy, e.x_end, e.y_end, e.az_end, s.chainage, s.x, s.y,
                 s.azimuth, p.chainage, p.x, p.y, p.azimuth})) {
      throw DataFormatError(where(file_, e.line) + ": 单元几何无法计算(半径或长度超出范围)");
    }
  }
}

void Interchange::element_point(int k, double d, double& x, double& y, double& az) const {
  const Element& e = element(k);
  const ChainPoint& s = chain(k);
  const double a = s.azimuth;
  const double L = e.len;
  if (L == 0) {
    x = s.x;
    y = s.y;
    az = a;
    return;
  }
  if (e.by_quadrature) {
    // From the anchor at the start of the panel holding d: one panel of
    // quadrature at most, however long the element.
    const double k1 = curvature(e.r1);
    const double q = (curvature(e.r2) - k1) / (2 * L);
    double p = std::floor(d / e.panel);
    if (!(p >= 0)) p = 0;
    p = std::min(p, static_cast<double>(e.anchors.size() - 1));
    const std::size_t i = static_cast<std::size_t>(p);
    const double s0 = p * e.panel;
    double dx = 0;
    double dy = 0;
    integrate_heading(a + (k1 + q * s0) * s0, k1 + 2 * q * s0, q, d - s0, dx, dy);
    x = s.x + e.anchors[i].x + dx;
    y = s.y + e.anchors[i].y + dy;
    az = a + (k1 + q * d) * d;
    return;
  }
  switch (e.kind) {
    case HtKind::straight:
      x = s.x + d * std::cos(a);
      y = s.y + d * std::sin(a);
      az = a;
      return;
    case HtKind::arc: {
      const double R = e.r1;
      x = s.x + R * (std::sin(a + d / R) - std::sin(a));
      y = s.y - R * (std::cos(a + d / R) - std::cos(a));
      az = a + d / R;
      return;
    }
    case HtKind::entry_spiral: {
      const double C = L * e.r2;
      const double lx = spiral_x(d, C);
      const double ly = spiral_y(d, C);
      x = s.x + lx * std::cos(a) - ly * std::sin(a);
      y = s.y + lx * std::sin(a) + ly * std::cos(a);
      az = a + d * d / (2 * C);
      return;
    }
    case HtKind::exit_spiral: {
      // Measured back from the end, so that d = L is the end point exactly.
      const double ae = e.az_end;
      const double C = L * e.r1;
      const double m = L - d;
      const double lx = spiral_x(m, C);
      const double ly = spiral_y(m, C);
      x = e.x_end - lx * std::cos(ae) - ly * std::sin(ae);
      y = e.y_end - lx * std::sin(ae) + ly * std::cos(ae);
      az = ae - m * m / (2 * C);
      return;
    }
    case HtKind::partial_spiral: {
      const double A2 = L * e.r1 * e.r2 / (e.r1 - e.r2);
      const double l1 = A2 / e.r1;
      const double l = l1 + d;
      const double th0 = a - l1 * l1 / (2 * A2);
      const double u = ht_spiral_dx(l1, l, A2);
      const double w = ht_spiral_dy(l1, l, A2);
      x = s.x + u * std::cos(th0) - w * std::sin(th0);
      y = s.y + u * std::sin(th0) + w * std::cos(th0);
      // Mean of the curvatures at the start and at the point (l/A² = 1/Rd).
      az = a + d * (1 / e.r1 + l / A2) / 2;
      return;
    }
  }
}

void Interchange::ht_point(double c, double& x, double& y, double& az) const {
  if (std::isnan(c)) throw DataFormatError("互通桩号不是数");
  const ChainPoint& first = chain_.front();
  const ChainPoint& last = chain_.back();
  // Along the end tangent from the end on, along the start tangent before
  // the start (the end rule wins where both apply: an empty line).
  const ChainPoint* tangent = c >= last.chainage ? &last : (c <= first.chainage ? &first : nullptr);
  if (tangent) {
    const double t = c - tangent->chainage;
    x = tangent->x + t * std::cos(tangent->azimuth);
    y = tangent->y + t * std::sin(tangent->azimuth);
    az = tangent->azimuth;
    return;
  }
  // first < c < last: the element k with chainage(k) ≤ c < chainage(k + 1);
  // elements of length 0 are never found.
  const auto it = std::upper_bound(chain_.begin(), chain_.end(), c,
                                   [](double v, const ChainPoint& p) { return v < p.chainage; });
  const int k = static_cast<int>(it - chain_.begin());
  element_point(k, c - chain(k).chainage, x, y, az);
}

Pose Interchange::point_at(double c) const {
  Pose p;
  ht_point(c, p.x, p.y, p.azimuth);
  p.azimuth = zxbas::reduce_azimuth(p.azimuth);
  return p;
}

}  // namespace lumora::htbas
