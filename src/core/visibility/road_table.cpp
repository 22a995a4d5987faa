#include "visibility/road_table.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>

#include "error.h"
#include "sight/plane.h"
#include "text/format.h"

namespace lumora::visibility::detail {
namespace {

// Tables are numbered, so that a point kept by a thread is never taken for
// another table's.
std::atomic<std::uint64_t> next_id{0};

// Whole metres of table at most: 20 000 km of line and reach.
constexpr double kMaxEntries = 2e7;

[[noreturn]] void throw_at(double c, const std::string& what) {
  throw DataFormatError("桩号 " + text::format_fixed3(c) + ": " + what);
}

double dot(Vec2 a, Vec2 b) {
  return a.x * b.x + a.y * b.y;
}
Vec2 sub(Vec2 a, Vec2 b) {
  return {a.x - b.x, a.y - b.y};
}

}  // namespace

RoadTable::RoadTable(const Alignment& line, const Elevation& elevation, const sight::EyePath& path,
                     Direction direction, double reach)
    : line_(&line),
      elevation_(&elevation),
      path_(&path),
      sign_(direction == Direction::forward ? 1 : -1),
      id_(next_id.fetch_add(1) + 1) {
  const double start = line.start_chainage();
  const double end = line.end_chainage();
  if (!std::isfinite(start) || !std::isfinite(end) || !(end >= start)) {
    throw DataFormatError("路线起终点桩号无效");
  }
  if (!std::isfinite(reach) || reach < 0) throw DataFormatError("视距目标的延伸范围无效");
  m0_ = std::floor(start) - std::ceil(reach);
  const double top = std::floor(end) + std::ceil(reach) + 1;
  if (top - m0_ + 1 > kMaxEntries) throw DataFormatError("路线过长，无法计算可用视距");
  n_ = static_cast<long>(top - m0_) + 1;
  const auto n = static_cast<std::size_t>(n_);
  p_.resize(n);
  t_.resize(n);
  e_.resize(n);
  g_.resize(n);
  cum_.resize(n);
  const double s = sign_;
  for (std::size_t i = 0; i < n; ++i) {
    const double m = m0_ + static_cast<double>(i);
    const Pose pose = line.point_at(m);
    p_[i] = {pose.x, pose.y};
    t_[i] = {s * std::cos(pose.azimuth), s * std::sin(pose.azimuth)};
    g_[i] = elevation.elevation_at(m);
    e_[i] = path.eye_point(m);
    if (!std::isfinite(pose.x) || !std::isfinite(pose.y) || !std::isfinite(pose.azimuth) ||
        !std::isfinite(g_[i]) || !std::isfinite(e_[i].x) || !std::isfinite(e_[i].y)) {
      throw_at(m, "路线点、高程或视点不是有限数");
    }
    cum_[i] = i == 0 ? 0.0 : cum_[i - 1] + sight::pt_pt(e_[i - 1], e_[i]);
  }
  const long blocks = (n_ + kBlock - 1) / kBlock;
  bt_.resize(static_cast<std::size_t>(blocks));
  bc_.resize(static_cast<std::size_t>(blocks));
  bs_.resize(static_cast<std::size_t>(blocks));
  for (long b = 0; b < blocks; ++b) {
    const long i0 = b * kBlock;
    const long i1 = std::min(n_, i0 + kBlock);
    Vec2 sum{0, 0};
    for (long i = i0; i < i1; ++i) {
      sum.x += tangent(i).x;
      sum.y += tangent(i).y;
    }
    const double len = std::hypot(sum.x, sum.y);
    const auto k = static_cast<std::size_t>(b);
    if (!(len > 0)) {
      bt_[k] = {1, 0};
      bc_[k] = -1;  // no bound: the block is always scanned
      bs_[k] = 0;
      continue;
    }
    bt_[k] = {sum.x / len, sum.y / len};
    double c = 1;
    for (long i = i0; i < i1; ++i) c = std::min(c, dot(bt_[k], tangent(i)));
    // A little less than the smallest cosine, for the rounding of the sums.
    c = std::max(-1.0, c - 1e-12);
    bc_[k] = c;
    bs_[k] = std::sqrt(std::max(0.0, 1 - c * c));
  }
}

Vec2 RoadTable::eye(double c) const {
  if (std::floor(c) == c && holds(c)) return eye_whole(index(c));
  // A search asks again and again for the eye point of its chainage and of
  // the chainage a metre on (every target search starts from them), and
  // for the point at the target just found: the last eight points asked
  // for are kept per thread, the least recently used one replaced.
  struct Slot {
    std::uint64_t table = 0;
    double c = 0;
    Vec2 p;
    std::uint64_t used = 0;
  };
  struct Cache {
    Slot slots[8];
    std::uint64_t clock = 0;
  };
  thread_local Cache cache;
  ++cache.clock;
  Slot* victim = &cache.slots[0];
  for (Slot& s : cache.slots) {
    if (s.table == id_ && s.c == c) {
      s.used = cache.clock;
      return s.p;
    }
    if (s.used < victim->used) victim = &s;
  }
  const Vec2 p = path_->eye_point(c);
  *victim = {id_, c, p, cache.clock};
  return p;
}

void RoadTable::pose(double c, Vec2& p, Vec2& t) const {
  if (std::floor(c) == c && holds(c)) {
    p = point(index(c));
    t = tangent(index(c));
    return;
  }
  const Pose pose = line_->point_at(c);
  p = {pose.x, pose.y};
  t = {sign_ * std::cos(pose.azimuth), sign_ * std::sin(pose.azimuth)};
}

double RoadTable::length(double c, double z) const {
  const double d = sign_ * (z - c);
  if (d <= 1) return sight::pt_pt(eye(c), eye(z));
  // The whole metre next after c and the last one before z.
  const double a1 = sign_ > 0 ? std::ceil(c) : std::floor(c);
  const double a2 = sign_ > 0 ? std::floor(z) : std::ceil(z);
  if (!holds(a1) || !holds(a2)) throw_at(c, "视线目标超出路线两端以外的计算范围");
  const long i1 = index(a1);
  const long i2 = index(a2);
  return sight::pt_pt(eye(c), eye_whole(i1)) + std::fabs(cum(i2) - cum(i1)) +
         sight::pt_pt(eye_whole(i2), eye(z));
}

double RoadTable::solve_piece(Vec2 a, double m, double r) const {
  // f(z) = |A E(z)| − r on z from m to m + sign, bracketed by f(m) ≤ 0 and
  // f(m + sign) ≥ 0; regula falsi with the Illinois step.
  double lo = m;
  double hi = m + sign_;
  double flo = sight::pt_pt(a, eye(lo)) - r;
  double fhi = sight::pt_pt(a, eye(hi)) - r;
  if (flo >= 0) return lo;
  if (fhi <= 0) return hi;
  int side = 0;
  for (int k = 0; k < 60; ++k) {
    const double z = lo - flo * (hi - lo) / (fhi - flo);
    if (!(sign_ * (z - lo) > 0 && sign_ * (hi - z) > 0)) break;
    const double f = sight::pt_pt(a, eye(z)) - r;
    if (std::fabs(f) < 1e-9) return z;
    if (f < 0) {
      lo = z;
      flo = f;
      if (side == -1) fhi /= 2;
      side = -1;
    } else {
      hi = z;
      fhi = f;
      if (side == 1) flo /= 2;
      side = 1;
    }
    if (std::fabs(hi - lo) < 1e-12) break;
  }
  return std::fabs(flo) < std::fabs(fhi) ? lo : hi;
}

double RoadTable::target(double c, double t) const {
  const Vec2 ec = eye(c);
  const double one = c + sign_;
  if (!holds(std::floor(one)) || !holds(std::ceil(one))) {
    throw_at(c, "视线目标超出路线两端以外的计算范围");
  }
  const double t1 = sight::pt_pt(ec, eye(one));
  if (t <= t1) {
    // Within a metre of the eye: the chord from E(c).
    double lo = c;
    double hi = one;
    double flo = -t;
    double fhi = t1 - t;
    for (int k = 0; k < 80 && std::fabs(hi - lo) > 1e-12; ++k) {
      const double z = lo - flo * (hi - lo) / (fhi - flo);
      if (!(sign_ * (z - lo) > 0 && sign_ * (hi - z) > 0)) break;
      const double f = sight::pt_pt(ec, eye(z)) - t;
      if (std::fabs(f) < 1e-9) return z;
      if (f < 0) {
        lo = z;
        flo = f;
        fhi /= 2;
      } else {
        hi = z;
        fhi = f;
        flo /= 2;
      }
    }
    return std::fabs(flo) < std::fabs(fhi) ? lo : hi;
  }
  const double a1 = sign_ > 0 ? std::ceil(c) : std::floor(c);
  const long i1 = index(a1);
  const double base = sight::pt_pt(ec, eye_whole(i1));
  const double want = t - base;  // chord sum from a1
  // The farthest whole metre m in the direction of travel whose length from
  // c is at most t.
  long i = i1;
  if (sign_ > 0) {
    const double key = cum(i1) + want;
    auto it = std::upper_bound(cum_.begin() + i1, cum_.end(), key);
    i = static_cast<long>(it - cum_.begin()) - 1;
    if (i + 1 >= n_) throw_at(c, "视线目标超出路线两端以外的计算范围");
  } else {
    const double key = cum(i1) - want;
    auto it = std::lower_bound(cum_.begin(), cum_.begin() + i1 + 1, key);
    i = static_cast<long>(it - cum_.begin());
    if (i - 1 < 0) throw_at(c, "视线目标超出路线两端以外的计算范围");
  }
  const double m = chainage(i);
  const double r = want - std::fabs(cum(i) - cum(i1));
  double z = solve_piece(eye_whole(i), m, r);
  // The polygon measure starts a metre from the eye.
  if (sign_ * (z - one) < 0) z = one;
  return z;
}

double RoadTable::foot(Vec2 x, double guess) const {
  double u = guess;
  double u_prev = 0;
  double f_prev = 0;
  bool have_prev = false;
  for (int k = 0; k < 50; ++k) {
    const Pose pose = line_->point_at(u);
    const Vec2 t{std::cos(pose.azimuth), std::sin(pose.azimuth)};
    const double f = dot(sub(x, {pose.x, pose.y}), t);
    if (std::fabs(f) < 1e-9) return u;
    double du = f;  // f'(u) ≈ −1 on a road (1 − κ·w)
    if (have_prev && f != f_prev) du = -f * (u - u_prev) / (f - f_prev);
    u_prev = u;
    f_prev = f;
    have_prev = true;
    if (!std::isfinite(du)) break;
    u += du;
  }
  return u;
}

}  // namespace lumora::visibility::detail
