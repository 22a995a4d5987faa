// The search for the first hidden target (see available_sight.h).
//
// One predicate decides whether the target at chainage z is hidden; both
// methods use it, the fast one skipping only what provably cannot change it.
//
// Road. The surface has no cross fall, so the surface under every point of
// the normal to the design line at chainage u is g(u): the road is the union
// of horizontal lines. The chord from the eye E to the object O meets the
// normal at the whole metre u_i at the chord parameter s_i = a_i / b_i,
// a_i = (P_i − E)·T_i, b_i = (O − E)·T_i (P_i the design point, T_i the unit
// tangent towards the targets), where the sight line is
//   G_i = g(u_i) − z_e − s_i·(z_o − z_e)
// below the surface (G_i > 0 blocks). Between the whole metres G is smooth
// (a vertical curve is a parabola, and s is close to linear in u): where a
// sample is a local maximum above −0.02 m, G is evaluated exactly at the
// vertex of the parabola through it and its neighbours (the eye's and the
// object's ends count as samples, with G = −h_e and −h_o). The excess of the
// true maximum over that vertex value is of the order of G'''·(1 m)³,
// below 1e-6 m for vertical radii from 1000 m; a grade break without a
// vertical curve may be missed by up to a quarter of its grade change times
// a metre where it lies between whole metres.
//
// Obstructions: the exact crossing test of obstacles.h on every segment the
// chord may meet.
//
// Reference: the targets t_j = j·h, h = d_max / ⌈d_max / 0.05⌉, j = 1, 2, …
// in turn; the first hidden one t_j is refined by bisection between t_{j−1}
// and t_j until the bracket is 0.5 mm wide; ASD is its hidden end.
//
// Fast: the targets at the whole metres of chainage are tested in turn with
// two kinds of bounds that skip work without changing the predicate:
//   - road: the normals in blocks of 16. With σ_i = (g_i − z_e) / a_i and
//     c_i = u·T_i (u the unit direction of the chord), G_i = a_i·(σ_i −
//     β / c_i), β the slope of the sight line. The largest σ of the block
//     and the spread of its tangents about their mean bound G_i from above;
//     a block whose bound is below −0.02 m is not scanned.
//   - obstructions: the segments near the eye path ahead are gathered once
//     per chainage and sorted into 64 bins of their angle seen from the eye
//     (the tangent of the angle from the direction of travel, monotone along
//     a segment ahead of the eye). A chord can only cross a segment whose
//     angular interval holds the chord's own angle, and only when its plan
//     length reaches the segment: each target tests the segments of its bin.
// When a whole-metre target is hidden, the reference's targets t_j between
// the last visible whole metre and it are tested, and the first hidden one
// is refined as by the reference, so the fast search gives the reference's
// number to the bit wherever no hidden stretch shorter than a metre of
// chainage lies before the first hidden whole metre.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "error.h"
#include "text/format.h"
#include "visibility/available_sight.h"
#include "visibility/obstacles.h"
#include "visibility/road_table.h"

namespace lumora::visibility {

using detail::kBlock;
using detail::Obstacles;
using detail::RoadTable;
using detail::Vec2;

struct SightSearch::Data {
  Data(const Road& road, Direction direction, std::vector<obstruction::Obstruction> obs, Heights h,
       double reach)
      : direction(direction),
        obstructions(std::move(obs)),
        heights(h),
        table(*road.line, *road.elevation, *road.path, direction, reach),
        obstacles(obstructions, table) {}
  Direction direction;
  std::vector<obstruction::Obstruction> obstructions;
  Heights heights;
  RoadTable table;
  Obstacles obstacles;
};

namespace {

// A local maximum of G above this is refined; a block whose bound is below
// it is skipped.
constexpr double kRefine = 0.02;
// The reference's largest step of t, and the width of the final bracket.
constexpr double kStep = 0.05;
constexpr double kBracket = 0.0005;
constexpr int kBins = 64;

double dot(Vec2 a, Vec2 b) {
  return a.x * b.x + a.y * b.y;
}
double cross2(Vec2 a, Vec2 b) {
  return a.x * b.y - a.y * b.x;
}
Vec2 sub(Vec2 a, Vec2 b) {
  return {a.x - b.x, a.y - b.y};
}

std::string at(double c) {
  return "桩号 " + text::format_fixed3(c);
}

// Marks of segments already tested in one query, one set per thread.
struct Stamps {
  std::vector<std::uint32_t> mark;
  std::uint32_t now = 0;
  void begin(std::size_t n) {
    if (mark.size() < n) mark.assign(n, 0);
    if (++now == 0) {
      std::fill(mark.begin(), mark.end(), 0);
      now = 1;
    }
  }
  bool first(std::uint32_t k) {
    if (mark[k] == now) return false;
    mark[k] = now;
    return true;
  }
};
thread_local Stamps stamps;

struct Target {
  double t = 0;
  double z = 0;
  Vec2 o;
  double z_o = 0;
};

// What blocks one sight line, nearest the eye.
struct Block {
  bool road = false;
  int obstruction = -1;
  double s = 2;  // chord parameter of the blocking point
  Vec2 point;
  bool blocked() const { return road || obstruction >= 0; }
};

// One sample of G along the chord: at a whole metre i (or an end).
struct Sample {
  double u = 0;
  double g = 0;
  long i = 0;
  bool known = true;     // false: in a skipped block, G ≤ −kRefine
  bool interior = true;  // false: the eye's or the object's end
  bool valid = true;     // the chord meets this normal between its ends
};

class Searcher {
 public:
  Searcher(const SightSearch::Data& d, double c, double d_max, Method method)
      : d_(d), road_(d.table), c_(c), d_max_(d_max), method_(method) {
    if (!std::isfinite(c)) throw DataFormatError(at(c) + ": 桩号不是有限数");
    if (!std::isfinite(d_max) || !(d_max > 0)) {
      throw DataFormatError(at(c) + ": 最大视距「" + text::format_shortest(d_max) +
                            "」必须是大于0的数");
    }
    if (!road_.holds(std::floor(c)) || !road_.holds(std::ceil(c))) {
      throw DataFormatError(at(c) + ": 桩号超出可用视距的计算范围");
    }
    sign_ = road_.sign();
    e_ = road_.eye(c);
    z_e_ = road_.elevation(c) + d.heights.eye;
    h_o_ = d.heights.object;
    if (!std::isfinite(z_e_) || !std::isfinite(e_.x) || !std::isfinite(e_.y)) {
      throw DataFormatError(at(c) + ": 视点不是有限数");
    }
    if (method_ == Method::fast) prepare_fast();
  }

  Sight run() {
    const double n = std::ceil(d_max_ / kStep);
    h_ = d_max_ / n;
    Sight r;
    r.c = c_;
    r.d_max = d_max_;
    r.eye = e_;
    double t_star = d_max_;
    bool found = false;
    if (method_ == Method::reference) {
      for (double j = 1; j <= n && !found; ++j) {
        const double t = j == n ? d_max_ : j * h_;
        if (hidden(make(t))) {
          t_star = bisect(j == 1 ? 0.0 : (j - 1) * h_, t);
          found = true;
        }
      }
    } else {
      found = sweep(t_star);
    }
    const Target tg = make(t_star);
    r.asd = t_star;
    r.target = tg.o;
    r.target_chainage = tg.z;
    if (found) {
      const Block b = full(tg);
      if (b.road) {
        r.cause = CauseKind::road;
      } else if (b.obstruction >= 0) {
        r.cause = CauseKind::obstruction;
        r.obstruction = b.obstruction;
      }
      r.block = b.point;
    }
    return r;
  }

 private:
  Target make(double t) const {
    Target tg;
    tg.t = t;
    tg.z = road_.target(c_, t);
    tg.o = road_.eye(tg.z);
    tg.z_o = road_.elevation(tg.z) + h_o_;
    if (!std::isfinite(tg.z_o)) throw DataFormatError(at(tg.z) + ": 高程不是有限数");
    return tg;
  }

  Target make_whole(double z) const {
    Target tg;
    tg.z = z;
    tg.t = road_.length(c_, z);
    tg.o = road_.eye_whole(road_.index(z));
    tg.z_o = road_.surface(road_.index(z)) + h_o_;
    return tg;
  }

  double bisect(double a, double b) {
    while (b - a > kBracket) {
      const double m = a + (b - a) / 2;
      if (!(a < m && m < b)) break;
      if (hidden(make(m))) {
        b = m;
      } else {
        a = m;
      }
    }
    return b;
  }

  // The fast sweep over the whole metres; true with t_star set when a
  // hidden target is found.
  bool sweep(double& t_star) {
    double t_prev = 0;
    double z = sign_ > 0 ? std::floor(c_) + 1 : std::ceil(c_) - 1;
    for (;;) {
      if (!road_.holds(z)) throw DataFormatError(at(c_) + ": 视线目标超出路线两端以外的计算范围");
      const Target tg = make_whole(z);
      if (tg.t >= d_max_) break;
      if (hidden(tg) && fine(t_prev, tg.t, t_star)) return true;
      t_prev = tg.t;
      z += sign_;
    }
    // The last target, at d_max; the metre before it is scanned only when
    // it is hidden.
    return hidden(make(d_max_)) && fine(t_prev, d_max_, t_star);
  }

  // The reference's targets in (ta, tb]: the first hidden one refined.
  bool fine(double ta, double tb, double& t_star) {
    const double n = std::round(d_max_ / h_);
    for (double j = std::floor(ta / h_) + 1; j <= n; ++j) {
      const double t = j == n ? d_max_ : j * h_;
      if (t <= ta) continue;
      if (t > tb) break;
      if (hidden(make(t))) {
        t_star = bisect(j == 1 ? 0.0 : (j - 1) * h_, t);
        return true;
      }
    }
    return false;
  }

  bool hidden(const Target& tg) {
    if (road_blocks(tg, nullptr)) return true;
    return method_ == Method::fast ? obstacles_fast(tg) : obstacles_grid(tg, nullptr);
  }

  Block full(const Target& tg) {
    Block road;
    road_blocks(tg, &road);
    Block obs;
    obstacles_grid(tg, &obs);
    if (road.road && (obs.obstruction < 0 || road.s <= obs.s)) return road;
    return obs;
  }

  // --- Road ---------------------------------------------------------------

  // G at the normal of continuous chainage u (exact), and its chord
  // parameter.
  bool gap_at(double u, const Target& tg, double& g, double& s) const {
    Vec2 p, t;
    road_.pose(u, p, t);
    const double a = dot(sub(p, e_), t);
    const double b = dot(sub(tg.o, e_), t);
    if (!(a > 0) || !(b > a)) return false;
    s = a / b;
    g = road_.elevation(u) - z_e_ - s * (tg.z_o - z_e_);
    return true;
  }

  Sample sample(long i, const Target& tg) const {
    Sample sm;
    sm.i = i;
    sm.u = road_.chainage(i);
    const Vec2 p = road_.point(i);
    const Vec2 t = road_.tangent(i);
    const double a = dot(sub(p, e_), t);
    const double b = dot(sub(tg.o, e_), t);
    if (!(a > 0) || !(b > a)) {
      sm.valid = false;
      sm.g = -std::numeric_limits<double>::infinity();
      return sm;
    }
    sm.g = road_.surface(i) - z_e_ - (a / b) * (tg.z_o - z_e_);
    return sm;
  }

  // The first point from the eye where the line is below the surface, by
  // bisection on G over [lo, hi] (G(lo) ≤ 0 < G(hi)).
  void locate(double lo, double hi, const Target& tg, Block* out) const {
    for (int k = 0; k < 60 && std::fabs(hi - lo) > 1e-7; ++k) {
      const double m = lo + (hi - lo) / 2;
      double g = 0;
      double s = 0;
      if (gap_at(m, tg, g, s) && g > 0) {
        hi = m;
      } else {
        lo = m;
      }
    }
    double g = 0;
    double s = 0;
    if (!gap_at(hi, tg, g, s)) s = 0;
    out->road = true;
    out->s = s;
    out->point = {e_.x + s * (tg.o.x - e_.x), e_.y + s * (tg.o.y - e_.y)};
  }

  // Whether the road blocks the line to tg; with `out`, where.
  bool road_blocks(const Target& tg, Block* out) {
    // Whole metres strictly between the eye and the target.
    long i = road_.index(sign_ > 0 ? std::floor(c_) + 1 : std::ceil(c_) - 1);
    const long i_end = road_.index(sign_ > 0 ? std::ceil(tg.z) - 1 : std::floor(tg.z) + 1);
    Sample s0;
    Sample s1;
    s1.u = c_;
    s1.g = -d_.heights.eye;
    s1.interior = false;
    bool have0 = false;
    bool blocked = false;
    const bool fast = method_ == Method::fast && out == nullptr;
    auto known = [&](Sample& s) {
      if (!s.known) {
        s = sample(s.i, tg);
        s.known = true;
      }
    };
    // Feeds sample s2; true when the line is found blocked.
    auto feed = [&](Sample s2) {
      if (have0 && s1.interior && s1.known && s1.valid && s1.g > -kRefine) {
        known(s0);
        known(s2);
        if (s1.g >= s0.g && s1.g >= s2.g && s0.valid && s2.valid) {
          // The vertex of the parabola through s0, s1, s2.
          const double d0 = s0.u - s1.u;
          const double d2 = s2.u - s1.u;
          const double q0 = (s0.g - s1.g) / d0;
          const double q2 = (s2.g - s1.g) / d2;
          const double curv = (q2 - q0) / (d2 - d0);  // second divided difference
          if (curv < 0) {
            const double slope = q0 - curv * d0;  // G'(u1)
            const double v = s1.u - slope / (2 * curv);
            if ((v - s0.u) * (v - s2.u) < 0 && v != s1.u) {
              double g = 0;
              double s = 0;
              if (gap_at(v, tg, g, s) && g > 0) {
                if (out) {
                  const double lo = (v - s1.u) * sign_ < 0 ? s0.u : s1.u;
                  locate(lo, v, tg, out);
                }
                return true;
              }
            }
          }
        }
      }
      if (s2.known && s2.valid && s2.g > 0) {
        if (out) locate(s1.u, s2.u, tg, out);
        return true;
      }
      s0 = s1;
      s1 = s2;
      have0 = true;
      return false;
    };
    while (!blocked && (i - i_end) * sign_ <= 0) {
      if (fast && skippable(i, i_end, tg)) {
        // The block of i, all of whose samples have G ≤ −kRefine: its first
        // and last samples stand for it (their values computed only when a
        // neighbour needs them).
        const long b = i / kBlock;
        const long first = i;
        const long last = sign_ > 0 ? b * kBlock + kBlock - 1 : b * kBlock;
        Sample a;
        a.i = first;
        a.u = road_.chainage(first);
        a.known = false;
        blocked = feed(a);
        if (!blocked && last != first) {
          Sample z;
          z.i = last;
          z.u = road_.chainage(last);
          z.known = false;
          blocked = feed(z);
        }
        i = last + sign_;
        continue;
      }
      blocked = feed(sample(i, tg));
      i += sign_;
    }
    if (!blocked) {
      Sample end;
      end.u = tg.z;
      end.g = -h_o_;
      end.interior = false;
      blocked = feed(end);
    }
    return blocked;
  }

  // --- Fast bounds ---------------------------------------------------------

  void prepare_fast() {
    // The sweep's normals reach from the eye to the target at d_max.
    const double z_end = road_.target(c_, d_max_);
    i0_ = road_.index(sign_ > 0 ? std::floor(c_) + 1 : std::ceil(c_) - 1);
    i1_ = road_.index(sign_ > 0 ? std::ceil(z_end) : std::floor(z_end));
    const long lo = std::min(i0_, i1_);
    const long hi = std::max(i0_, i1_);
    b_lo_ = lo / kBlock;
    const long b_hi = hi / kBlock;
    const auto nb = static_cast<std::size_t>(b_hi - b_lo_ + 1);
    sigma_.assign(nb, -std::numeric_limits<double>::infinity());
    a_min_.assign(nb, std::numeric_limits<double>::infinity());
    full_.assign(nb, 0);
    for (long b = b_lo_; b <= b_hi; ++b) {
      const long j0 = b * kBlock;
      const long j1 = j0 + kBlock - 1;
      const auto k = static_cast<std::size_t>(b - b_lo_);
      if (j0 < lo || j1 > hi) continue;  // partly outside: always scanned
      bool ok = true;
      for (long j = j0; j <= j1; ++j) {
        const double a = dot(sub(road_.point(j), e_), road_.tangent(j));
        if (!(a > 0)) {
          ok = false;
          break;
        }
        sigma_[k] = std::max(sigma_[k], (road_.surface(j) - z_e_) / a);
        a_min_[k] = std::min(a_min_[k], a);
      }
      full_[k] = ok && road_.block_cos(b) > 0 ? 1 : 0;
    }
    if (!d_.obstacles.empty()) prepare_bins(z_end);
  }

  // Whether the block of normal i lies wholly between the eye and the
  // target, with G ≤ −kRefine at each of its normals.
  bool skippable(long i, long i_end, const Target& tg) const {
    const long b = i / kBlock;
    const long first = sign_ > 0 ? b * kBlock : b * kBlock + kBlock - 1;
    const long last = sign_ > 0 ? b * kBlock + kBlock - 1 : b * kBlock;
    if (i != first || (last - i_end) * sign_ > 0) return false;
    const long k = b - b_lo_;
    if (k < 0 || k >= static_cast<long>(full_.size()) || !full_[static_cast<std::size_t>(k)]) {
      return false;
    }
    const Vec2 w = sub(tg.o, e_);
    const double len = std::hypot(w.x, w.y);
    if (!(len > 0)) return false;
    const Vec2 u{w.x / len, w.y / len};
    const Vec2 tb = road_.block_tangent(b);
    const double ct = dot(u, tb);
    const double st = std::fabs(cross2(u, tb));
    const double cd = road_.block_cos(b);
    const double sd = road_.block_sin(b);
    const double c_lo = ct * cd - st * sd;
    if (!(c_lo > 1e-6)) return false;
    const double c_hi = std::min(1.0, ct * cd + st * sd);
    const double beta = (tg.z_o - z_e_) / len;
    const double lower = beta >= 0 ? beta / c_hi : beta / c_lo;  // ≤ β / c_i
    const auto kk = static_cast<std::size_t>(k);
    // G_i = a_i·(σ_i − β/c_i) ≤ a_min·(σ_max − lower) when that is negative;
    // a relative margin covers the rounding of the bounds.
    const double m = a_min_[kk] * (lower - sigma_[kk]);
    return m >= kRefine * (1 + 1e-9) + 1e-9;
  }

  void prepare_bins(double z_end) {
    Vec2 p, t;
    road_.pose(c_, p, t);
    ax_ = t;
    ay_ = {-t.y, t.x};
    // The box of the eye path from the eye to the last target holds every
    // chord of the sweep.
    Vec2 lo = e_;
    Vec2 hi = e_;
    auto grow = [&](Vec2 q) {
      lo = {std::min(lo.x, q.x), std::min(lo.y, q.y)};
      hi = {std::max(hi.x, q.x), std::max(hi.y, q.y)};
    };
    for (long i = i0_; (i - i1_) * sign_ <= 0; i += sign_) grow(road_.eye_whole(i));
    grow(road_.eye(z_end));
    // The angles of the whole-metre targets set the range of the bins.
    phi_lo_ = std::numeric_limits<double>::infinity();
    phi_hi_ = -phi_lo_;
    for (long i = i0_; (i - i1_) * sign_ <= 0; i += sign_) {
      double phi = 0;
      if (angle(road_.eye_whole(i), phi)) {
        phi_lo_ = std::min(phi_lo_, phi);
        phi_hi_ = std::max(phi_hi_, phi);
      }
    }
    if (!(phi_lo_ <= phi_hi_)) {
      phi_lo_ = 0;
      phi_hi_ = 0;
    }
    const double pad = 1e-3 * (phi_hi_ - phi_lo_) + 1e-9;
    phi_lo_ -= pad;
    phi_hi_ += pad;
    stamps.begin(d_.obstacles.segments().size());
    struct Entry {
      int bin;
      std::uint32_t k;
      double dm;
    };
    std::vector<Entry> entries;
    wide_.clear();
    const double reach = d_max_ + 2;
    d_.obstacles.for_box(lo, hi, [&](std::uint32_t k) {
      if (!stamps.first(k)) return;
      const auto& g = d_.obstacles.segments()[k];
      const double dm = distance_to(g.a, g.b);
      if (dm > reach) return;
      double pa = 0;
      double pb = 0;
      if (!angle(g.a, pa) || !angle(g.b, pb)) {
        wide_.push_back({k, dm});
        return;
      }
      const double a0 = std::min(pa, pb);
      const double a1 = std::max(pa, pb);
      if (a1 < phi_lo_ || a0 > phi_hi_) return;
      for (int b = bin(a0); b <= bin(a1); ++b) entries.push_back({b, k, dm});
    });
    start_.assign(kBins + 1, 0);
    for (const auto& e : entries) ++start_[static_cast<std::size_t>(e.bin) + 1];
    for (int b = 0; b < kBins; ++b) {
      start_[static_cast<std::size_t>(b) + 1] += start_[static_cast<std::size_t>(b)];
    }
    seg_.assign(entries.size(), {0, 0});
    std::vector<int> fill(start_.begin(), start_.end() - 1);
    for (const auto& e : entries) {
      seg_[static_cast<std::size_t>(fill[static_cast<std::size_t>(e.bin)]++)] = {e.k, e.dm};
    }
  }

  // The tangent of the angle of q seen from the eye, from the direction of
  // travel; false where q is not ahead of the eye.
  bool angle(Vec2 q, double& phi) const {
    const Vec2 d = sub(q, e_);
    const double x = dot(d, ax_);
    const double y = dot(d, ay_);
    if (!(x > 1e-3 * std::max(1.0, std::fabs(y)))) return false;
    phi = y / x;
    return true;
  }

  int bin(double phi) const {
    const double f = (phi - phi_lo_) / (phi_hi_ - phi_lo_) * kBins;
    if (!(f > 0)) return 0;
    if (f >= kBins) return kBins - 1;
    return static_cast<int>(f);
  }

  double distance_to(Vec2 a, Vec2 b) const {
    const Vec2 v = sub(b, a);
    const double vv = dot(v, v);
    double l = vv > 0 ? dot(sub(e_, a), v) / vv : 0;
    l = std::clamp(l, 0.0, 1.0);
    const Vec2 q{a.x + l * v.x, a.y + l * v.y};
    return std::hypot(q.x - e_.x, q.y - e_.y);
  }

  bool obstacles_fast(const Target& tg) {
    if (d_.obstacles.empty()) return false;
    double phi = 0;
    if (!angle(tg.o, phi) || phi < phi_lo_ || phi > phi_hi_) return obstacles_grid(tg, nullptr);
    const double len = std::hypot(tg.o.x - e_.x, tg.o.y - e_.y);
    auto test = [&](std::uint32_t k, double dm) {
      return dm <= len + 1e-9 && d_.obstacles.cross(k, e_, tg.o, z_e_, tg.z_o).blocks;
    };
    for (const auto& [k, dm] : wide_) {
      if (test(k, dm)) return true;
    }
    const int b = bin(phi);
    for (int j = start_[static_cast<std::size_t>(b)]; j < start_[static_cast<std::size_t>(b) + 1];
         ++j) {
      const auto& [k, dm] = seg_[static_cast<std::size_t>(j)];
      if (test(k, dm)) return true;
    }
    return false;
  }

  // Every segment in the cells along the chord; with `out`, the blocking
  // crossing nearest the eye (input order at a tie).
  bool obstacles_grid(const Target& tg, Block* out) const {
    if (d_.obstacles.empty()) return false;
    stamps.begin(d_.obstacles.segments().size());
    bool blocked = false;
    d_.obstacles.for_cells(e_, tg.o, [&](std::uint32_t k) {
      if ((blocked && !out) || !stamps.first(k)) return;
      const auto x = d_.obstacles.cross(k, e_, tg.o, z_e_, tg.z_o);
      if (!x.blocks) return;
      blocked = true;
      if (!out) return;
      const int ob = d_.obstacles.segments()[k].obstruction;
      if (out->obstruction < 0 || x.s < out->s || (x.s == out->s && ob < out->obstruction)) {
        out->obstruction = ob;
        out->s = x.s;
        out->point = x.point;
      }
    });
    return blocked;
  }

  const SightSearch::Data& d_;
  const RoadTable& road_;
  double c_;
  double d_max_;
  Method method_;
  int sign_ = 1;
  Vec2 e_;
  double z_e_ = 0;
  double h_o_ = 0;
  double h_ = kStep;
  // Fast: per block of normals, the largest σ and the smallest a.
  long i0_ = 0, i1_ = 0, b_lo_ = 0;
  std::vector<double> sigma_, a_min_;
  std::vector<char> full_;
  // Fast: the obstruction segments by angle.
  Vec2 ax_, ay_;
  double phi_lo_ = 0, phi_hi_ = 0;
  std::vector<std::pair<std::uint32_t, double>> wide_, seg_;
  std::vector<int> start_;
};

void check_obstruction(const obstruction::Obstruction& o) {
  const std::string name = "障碍物「" + o.name + "」";
  if (o.plan.size() < 2) throw DataFormatError(name + ": 至少需要两个点");
  for (const auto& p : o.plan) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
      throw DataFormatError(name + ": 坐标不是有限数");
  }
  if (o.top == obstruction::TopKind::unlimited) {
    if (!o.top_values.empty()) throw DataFormatError(name + ": 无限高的障碍物不应有顶高");
    return;
  }
  if (o.top_values.size() != o.plan.size()) throw DataFormatError(name + ": 顶高个数与点数不符");
  for (double v : o.top_values) {
    if (!std::isfinite(v)) throw DataFormatError(name + ": 顶高不是有限数");
    if (o.top == obstruction::TopKind::above_road && v < 0) {
      throw DataFormatError(name + ": 高度不能为负");
    }
  }
}

}  // namespace

SightSearch::SightSearch(const Road& road, Direction direction,
                         std::vector<obstruction::Obstruction> obstructions, Heights heights,
                         double reach) {
  if (!road.line || !road.elevation || !road.path) throw DataFormatError("可用视距: 道路数据不全");
  if (!std::isfinite(heights.eye) || !std::isfinite(heights.object) || heights.eye < 0 ||
      heights.object < 0) {
    throw DataFormatError("视点高度和物高必须是不小于0的数");
  }
  for (const auto& o : obstructions) check_obstruction(o);
  data_ = std::make_shared<const Data>(road, direction, std::move(obstructions), heights, reach);
}

Sight SightSearch::search(double c, double d_max, Method method) const {
  Searcher s(*data_, c, d_max, method);
  return s.run();
}

Direction SightSearch::direction() const {
  return data_->direction;
}
const Heights& SightSearch::heights() const {
  return data_->heights;
}
const std::vector<obstruction::Obstruction>& SightSearch::obstructions() const {
  return data_->obstructions;
}

}  // namespace lumora::visibility
