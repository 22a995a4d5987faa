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
// Fast: the targets at the whole metres of chainage are tested in turn; the
// same predicate, with work skipped only where it provably cannot change:
//   - road, the horizon carried from target to target: with
//     h_i = (g_i − z_e + 0.02) / a_i, a normal has G_i ≤ −0.02 m whenever
//     β/c_i ≥ h_i (β the slope of the sight line, c_i = u·T_i the cosine
//     between the chord and the tangent). Each normal joins the horizon
//     once per chainage (its h_i, the largest h per block of 16 and in all,
//     and the arc of the tangents seen so far); β/c_i is bounded below by β
//     or β/c_lo, c_lo from the arc's ends. A target whose bound is at least
//     the largest h is clear (tested without a root or a quotient); else
//     only the normals whose h exceeds the bound are sampled, and refined
//     between their neighbours as below.
//   - road, blocks (for locating the blocking point, and where the horizon
//     cannot be used: a normal behind the eye, or tangents spreading over a
//     right angle): the normals in blocks of 16. With σ_i = (g_i − z_e) / a_i,
//     G_i = a_i·(σ_i − β / c_i). The largest σ of the block and the spread
//     of its tangents about their mean bound G_i from above; a block whose
//     bound is below −0.02 m is not scanned. There a certificate is carried
//     from target to target: once every normal before a target is shown to
//     have G ≤ −0.02 m with the margin β/c_i − σ_i − 0.02/a_i ≥ μ, the same
//     holds for a later target as long as the change of β/c_i, bounded by
//     |Δβ| / c′ + |β|·|Δu| / (c·c′), stays below μ.
//   - obstructions: the segments near the eye path ahead (kept per thread
//     for the chainages that follow, in chunks of 8 with their boxes) are
//     gathered once per chainage: those wholly beyond a side of the wedge
//     that holds every chord of the sweep (the targets' angles from the eye)
//     are dropped, the others sorted into 64 bins of their angle seen from
//     the eye (the tangent of the angle from the direction of travel,
//     monotone along a segment ahead of the eye). A chord can only cross a
//     segment whose angular interval holds the chord's own angle, and only
//     when it reaches the segment's distance ahead: each target tests the
//     segments of its bin nearest first, and the blocking crossing nearest
//     the eye of the first hidden target is taken from its bin too.
// When a whole-metre target is hidden, the first hidden target of the
// reference's grid in the metre before it is found by halving (one change
// from seen to hidden within the metre) and refined as by the reference. So
// the fast search gives the reference's number to the bit wherever no hidden
// stretch shorter than a metre of chainage lies before the first hidden
// whole metre, and the seen-to-hidden change within that metre is single.
//
// Cost: the reference tests about 20·d_max targets, each O(d_max); the fast
// search about d_max targets, each O(1) on the road (one new normal, and the
// normals near the horizon where the line passes close) and the segments of
// one bin.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "error.h"
#include "sight/plane.h"
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
// How far the box of the obstruction segments kept for the next chainages
// reaches beyond the box a chainage needs, metres.
constexpr double kNearbyMargin = 40;
// Segments per chunk tested together against the targets' angles.
constexpr std::uint32_t kChunk = 8;
// Normals just before the target kept out of the certificate (tested anew at
// every target). None: a normal next to the target has a small margin, but
// testing it again costs more than the rarer renewals a larger one saves.
constexpr long kRecent = 0;

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
  double a = 0;          // (P − E)·T
  double c = 0;          // u·T
};

// The normals between the eye and one target, all with G ≤ −kRefine with
// margin: for each, β/c_i − σ_i − kRefine/a_i ≥ mu (β the slope and u the
// direction of that sight line, c_i = u·T_i ≥ c_min).
struct Cert {
  bool valid = false;
  double mu = std::numeric_limits<double>::infinity();
  double c_min = 1;
  double beta = 0;
  Vec2 u;
  long last = 0;  // the last of these normals
};

// An obstruction segment in an angular bin, with its distance from the eye.
struct Entry {
  int bin;
  std::uint32_t k;
  double dm;
};
// Consecutive segments of one obstruction and their box.
struct Chunk {
  std::uint32_t first = 0, count = 0;
  Vec2 lo, hi;
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
    const long i1 = road_.index(sign_ > 0 ? std::ceil(c) : std::floor(c));
    base_ = sight::pt_pt(e_, road_.eye_whole(i1));
    sum1_ = road_.chord_sum(i1);
    if (method_ == Method::fast) prepare_fast();
    horizon_first_ = road_.index(sign_ > 0 ? std::floor(c) : std::ceil(c));
    horizon_h_.clear();
    horizon_block_.clear();
    horizon_last_ = horizon_first_;
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
    // The eye-path length as RoadTable::length gives it, with the piece
    // from the eye to the next whole metre kept.
    const long i = road_.index(z);
    tg.t = sign_ * (z - c_) <= 1 ? sight::pt_pt(e_, road_.eye_whole(i))
                                 : base_ + std::fabs(road_.chord_sum(i) - sum1_);
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
    Cert& cert = cert_;
    for (;;) {
      if (!road_.holds(z)) throw DataFormatError(at(c_) + ": 视线目标超出路线两端以外的计算范围");
      const Target tg = make_whole(z);
      if (tg.t >= d_max_) break;
      bool road = false;
      double delta = 0;
      double du = 0;
      const Horizon hz = horizon_test(tg);
      if (hz != Horizon::unusable) {
        road = hz == Horizon::blocked;
      } else if (cert.valid && certified(cert, tg, delta, du)) {
        // The normals of the certificate are clear for this sight line too;
        // the ones after it are tested. Where each has G ≤ −kRefine,
        // nothing can block or be refined, and the road is clear; the
        // certificate then takes in those more than kRecent normals before
        // the target (their margins grow as the target moves on), measured
        // from this sight line, the old ones keeping theirs less the change.
        const long i_end = road_.index(tg.z - sign_);
        const long fold = i_end - sign_ * kRecent;
        Cert older;
        if (recent_clear(cert.last, i_end, fold, tg, older)) {
          if ((fold - cert.last) * sign_ >= kRecent) {
            cert.mu = std::min(cert.mu - delta, older.mu);
            cert.c_min = std::min(cert.c_min - du, older.c_min);
            cert.beta = older.beta;
            cert.u = older.u;
            cert.last = fold;
            cert.valid = cert.mu > 0;
          }
        } else {
          Cert more;
          road = road_blocks(tg, nullptr, &more, cert.last);
          cert.mu = std::min(cert.mu - delta, more.mu);
          cert.c_min = std::min(cert.c_min - du, more.c_min);
          cert.beta = more.beta;
          cert.u = more.u;
          cert.last = more.last;
          cert.valid = !road && cert.mu > 0;
        }
      } else {
        road = road_blocks(tg, nullptr, &cert);
        cert.valid = !road && cert.mu > 0;
      }
      if ((road || obstacles_fast(tg)) && fine(t_prev, tg.t, t_star)) return true;
      t_prev = tg.t;
      z += sign_;
    }
    // The last target, at d_max; the metre before it is scanned only when
    // it is hidden.
    return hidden(make(d_max_)) && fine(t_prev, d_max_, t_star);
  }

  // The horizon: for each normal from the eye on, h_i = σ_i + kRefine/a_i
  // (the slope (g_i − z_e + kRefine)/a_i), their largest value per block of
  // kBlock normals and in all, and the arc of their tangents. For a sight
  // line of slope β and direction u, c_i = u·T_i lies between c_lo =
  // min(u·T_first, u·T_last) of the arc's ends (an arc under a right angle)
  // and 1, so β/c_i ≥ β when β ≥ 0 and β/c_i ≥ β/c_lo when β < 0; a normal
  // whose h_i is at most that bound has G_i ≤ −kRefine. Only the others are
  // sampled: the road is clear when each has G ≤ −kRefine, blocked when one
  // has G > 0. Each normal joins the horizon once per chainage.
  enum class Horizon { clear, blocked, unusable };

  Horizon horizon_test(const Target& tg) {
    if (!horizon_ok_) return Horizon::unusable;
    const long i_end = road_.index(sign_ > 0 ? std::ceil(tg.z) - 1 : std::floor(tg.z) + 1);
    while ((i_end - horizon_last_) * sign_ > 0) {
      const long i = horizon_last_ + sign_;
      const Vec2 t = road_.tangent(i);
      const double a = dot(sub(road_.point(i), e_), t);
      if (!(a > 0)) {
        horizon_ok_ = false;
        return Horizon::unusable;
      }
      if (horizon_last_ == horizon_first_) {
        arc_lo_ = t;
        arc_hi_ = t;
      } else if (cross2(arc_lo_, t) < 0) {
        arc_lo_ = t;
      } else if (cross2(t, arc_hi_) < 0) {
        arc_hi_ = t;
      }
      if (!(dot(arc_lo_, arc_hi_) > 0)) {
        horizon_ok_ = false;
        return Horizon::unusable;
      }
      const double h = (road_.surface(i) - z_e_ + kRefine) / a;
      const std::size_t k = horizon_h_.size();
      if (k % kBlock == 0) horizon_block_.push_back(h);
      horizon_block_.back() = std::max(horizon_block_.back(), h);
      horizon_h_.push_back(h);
      horizon_ = std::max(horizon_, h);
      horizon_last_ = i;
    }
    const std::size_t n = static_cast<std::size_t>((i_end - horizon_first_) * sign_);
    if (n == 0) return Horizon::clear;  // no normal between eye and target
    const Vec2 w = sub(tg.o, e_);
    const double ww = dot(w, w);
    const double dz = tg.z_o - z_e_;
    // m = len·c_lo: the projection of the chord on the arc's farther end.
    const double m = std::min(dot(w, arc_lo_), dot(w, arc_hi_));
    if (!(ww > 0) || !(m > 0) || !(m * m > 1e-12 * ww)) return Horizon::unusable;
    // The common case without a root or a quotient: β ≥ H is dz ≥ H·len,
    // and β/c_lo ≥ H is dz ≥ H·m.
    const double hz = horizon_;
    if (dz >= 0 ? hz < 0 || dz * dz - hz * hz * ww > 1e-9 * (dz * dz + hz * hz * ww)
                : dz - hz * m >= 1e-9 * (std::fabs(dz) + std::fabs(hz * m))) {
      return Horizon::clear;
    }
    const double len = std::sqrt(ww);
    const double beta = dz / len;
    double bound = beta < 0 ? dz / m : beta;
    // A relative margin covers the rounding of h_i and of the bound.
    bound -= 1e-9 * (std::fabs(bound) + std::fabs(horizon_)) + 1e-12;
    if (horizon_ <= bound) return Horizon::clear;
    for (std::size_t b = 0; b * kBlock < n; ++b) {
      if (horizon_block_[b] <= bound) continue;
      const std::size_t end = std::min(n, (b + 1) * static_cast<std::size_t>(kBlock));
      for (std::size_t k = b * kBlock; k < end; ++k) {
        if (horizon_h_[k] <= bound) continue;
        const long i = horizon_first_ + sign_ * static_cast<long>(k + 1);
        const Sample sm = sample(i, tg);
        if (!sm.valid || !(sm.g > -kRefine)) continue;
        if (sm.g > 0) return Horizon::blocked;
        // Refined as road_blocks refines it: between its neighbours (the
        // eye and the object at the ends).
        double v = 0;
        if (vertex_blocks(neighbour(i - sign_, i_end, tg), sm, neighbour(i + sign_, i_end, tg), tg,
                          v)) {
          return Horizon::blocked;
        }
      }
    }
    return Horizon::clear;
  }

  // The sample next to a normal of the horizon: the eye's or the object's
  // end beyond the first and the last normal.
  Sample neighbour(long i, long i_end, const Target& tg) const {
    Sample sm;
    if (i == horizon_first_ || (i - i_end) * sign_ > 0) {
      const bool eye = i == horizon_first_;
      sm.u = eye ? c_ : tg.z;
      sm.g = eye ? -d_.heights.eye : -h_o_;
      sm.interior = false;
      return sm;
    }
    return sample(i, tg);
  }

  // Whether the normals of the certificate's target still have G ≤ −kRefine
  // for the sight line to tg. With u, β the chord's direction and slope, a
  // margin changes by β'/c'_i − β/c_i = (β' − β)/c'_i + β·(1/c'_i − 1/c_i),
  // with c'_i ≥ c' = c − |u' − u| and c'_i ≤ 1, so it loses at most
  //   loss = −(β' − β)·(1 or 1/c') + |β|·|u' − u| / (c·c')
  // (negative where the sight line rises: the margins grow).
  bool certified(const Cert& k, const Target& tg, double& loss, double& du) const {
    const Vec2 w = sub(tg.o, e_);
    const double len = std::sqrt(dot(w, w));
    if (!(len > 0)) return false;
    const Vec2 u{w.x / len, w.y / len};
    const Vec2 d = sub(u, k.u);
    du = std::sqrt(dot(d, d));
    const double cm = k.c_min - du;
    if (!(cm > 1e-6)) return false;
    const double beta = (tg.z_o - z_e_) / len;
    const double rise = beta - k.beta;
    loss = -(rise >= 0 ? rise : rise / cm) + std::fabs(k.beta) * du / (k.c_min * cm);
    loss += 1e-9 * (std::fabs(loss) + std::fabs(k.beta) + std::fabs(beta)) + 1e-12;
    return loss < k.mu;
  }

  // Whether the normals after `last` up to i_end all have G ≤ −kRefine for
  // the sight line to tg; `older` gets the certificate of those up to
  // `fold`, measured from this sight line.
  bool recent_clear(long last, long i_end, long fold, const Target& tg, Cert& older) const {
    const Vec2 w = sub(tg.o, e_);
    const double len = std::sqrt(dot(w, w));
    if (!(len > 0)) return false;
    older.mu = std::numeric_limits<double>::infinity();
    older.c_min = 1;
    older.beta = (tg.z_o - z_e_) / len;
    older.u = {w.x / len, w.y / len};
    for (long i = last + sign_; (i - i_end) * sign_ <= 0; i += sign_) {
      const Sample sm = sample(i, tg);
      if (!sm.valid || !(sm.c > 0) || !(sm.g <= -kRefine)) return false;
      if ((i - fold) * sign_ <= 0) {
        older.mu = std::min(older.mu, (-sm.g - kRefine) / sm.a);
        older.c_min = std::min(older.c_min, sm.c / len);
      }
    }
    return true;
  }

  // The reference's targets in (ta, tb], tb hidden: the first hidden one
  // found by halving over the reference's grid (one change from seen to
  // hidden within the metre), then refined as by the reference.
  bool fine(double ta, double tb, double& t_star) {
    const double n = std::round(d_max_ / h_);
    auto grid = [&](double j) { return j == n ? d_max_ : j * h_; };
    double lo = std::floor(ta / h_);
    while (lo + 1 <= n && grid(lo + 1) <= ta) ++lo;
    double hi = std::min(n, std::ceil(tb / h_));
    while (hi > lo + 1 && grid(hi - 1) >= tb) --hi;
    if (hi <= lo) return false;
    if (hidden(make(grid(hi)))) {
      while (hi - lo > 1) {
        const double mid = std::floor((lo + hi) / 2);
        if (hidden(make(grid(mid)))) {
          hi = mid;
        } else {
          lo = mid;
        }
      }
    } else {
      // Seen again at the grid point after tb: the grid points before it in
      // turn.
      const double end = hi;
      for (hi = lo + 1; hi < end; ++hi) {
        if (hidden(make(grid(hi)))) break;
      }
      if (hi >= end) return false;
    }
    t_star = bisect(hi == 1 ? 0.0 : (hi - 1) * h_, grid(hi));
    return true;
  }

  bool hidden(const Target& tg) {
    if (method_ == Method::fast) {
      const Horizon hz = horizon_test(tg);
      if (hz == Horizon::blocked) return true;
      if (hz == Horizon::clear) return obstacles_fast(tg);
      // The certificate of the sweep's last clear target covers the metre
      // after it: only the normals after it are tested.
      double delta = 0;
      double du = 0;
      const long i_end = road_.index(sign_ > 0 ? std::ceil(tg.z) - 1 : std::floor(tg.z) + 1);
      Cert older;
      if (!(cert_.valid && certified(cert_, tg, delta, du) &&
            recent_clear(cert_.last, i_end, cert_.last, tg, older)) &&
          road_blocks(tg, nullptr, nullptr)) {
        return true;
      }
      return obstacles_fast(tg);
    }
    if (road_blocks(tg, nullptr, nullptr)) return true;
    return method_ == Method::fast ? obstacles_fast(tg) : obstacles_grid(tg, nullptr);
  }

  Block full(const Target& tg) {
    Block road;
    road_blocks(tg, &road, nullptr);
    Block obs;
    if (method_ == Method::fast) {
      obstacles_fast(tg, &obs);
    } else {
      obstacles_grid(tg, &obs);
    }
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
    sm.a = a;
    sm.c = b;  // divided by the chord's length by the caller that needs it
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

  // Whether the line to tg runs below the surface at the vertex v of the
  // parabola through the samples s0, s1, s2 of G (s1 a local maximum
  // between its neighbours).
  bool vertex_blocks(const Sample& s0, const Sample& s1, const Sample& s2, const Target& tg,
                     double& v) const {
    if (!(s1.g >= s0.g && s1.g >= s2.g && s0.valid && s2.valid)) return false;
    const double d0 = s0.u - s1.u;
    const double d2 = s2.u - s1.u;
    const double q0 = (s0.g - s1.g) / d0;
    const double q2 = (s2.g - s1.g) / d2;
    const double curv = (q2 - q0) / (d2 - d0);  // second divided difference
    if (!(curv < 0)) return false;
    const double slope = q0 - curv * d0;  // G'(u1)
    v = s1.u - slope / (2 * curv);
    if (!((v - s0.u) * (v - s2.u) < 0 && v != s1.u)) return false;
    double g = 0;
    double s = 0;
    return gap_at(v, tg, g, s) && g > 0;
  }

  // Whether the road blocks the line to tg; with `out`, where. With `cert`
  // (fast), the certificate of this target's normals; with `skip_to`, the
  // normals up to it are known to have G ≤ −kRefine (a certificate).
  bool road_blocks(const Target& tg, Block* out, Cert* cert, long skip_to = -1) {
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
    const bool fast = method_ == Method::fast;
    const double len = std::sqrt(dot(sub(tg.o, e_), sub(tg.o, e_)));
    if (cert) {
      cert->mu = std::numeric_limits<double>::infinity();
      cert->c_min = 1;
      cert->beta = len > 0 ? (tg.z_o - z_e_) / len : 0;
      cert->u = len > 0 ? Vec2{(tg.o.x - e_.x) / len, (tg.o.y - e_.y) / len} : Vec2{1, 0};
      cert->last = i_end;
      if (!(len > 0)) cert->mu = -1;
    }
    // Feeds the normals first … last as one stretch with G ≤ −kRefine.
    auto feed_skipped = [&](long first, long last, auto& feed) {
      Sample a;
      a.i = first;
      a.u = road_.chainage(first);
      a.known = false;
      if (feed(a)) return true;
      if (last == first) return false;
      Sample z;
      z.i = last;
      z.u = road_.chainage(last);
      z.known = false;
      return feed(z);
    };
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
        double v = 0;
        if (vertex_blocks(s0, s1, s2, tg, v)) {
          if (out) {
            const double lo = (v - s1.u) * sign_ < 0 ? s0.u : s1.u;
            locate(lo, v, tg, out);
          }
          return true;
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
    if (skip_to >= 0 && (skip_to - i) * sign_ >= 0 && (i_end - skip_to) * sign_ >= 0) {
      blocked = feed_skipped(i, skip_to, feed);
      i = skip_to + sign_;
    }
    while (!blocked && (i - i_end) * sign_ <= 0) {
      double bound = 0;
      double c_lo = 0;
      if (fast && skippable(i, i_end, tg, bound, c_lo)) {
        // The block of i, all of whose samples have G ≤ −kRefine: its first
        // and last samples stand for it (their values computed only when a
        // neighbour needs them).
        const long b = i / kBlock;
        const long last = sign_ > 0 ? b * kBlock + kBlock - 1 : b * kBlock;
        if (cert) {
          cert->mu = std::min(cert->mu, bound);
          cert->c_min = std::min(cert->c_min, c_lo);
        }
        blocked = feed_skipped(i, last, feed);
        i = last + sign_;
        continue;
      }
      const Sample sm = sample(i, tg);
      if (cert) {
        if (!sm.valid || !(sm.c > 0)) {
          cert->mu = -1;
        } else {
          cert->mu = std::min(cert->mu, (-sm.g - kRefine) / sm.a);
          cert->c_min = std::min(cert->c_min, sm.c / len);
        }
      }
      blocked = feed(sm);
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
    // The sweep's normals reach from the eye to the first whole metre at or
    // beyond the target at d_max.
    i0_ = road_.index(sign_ > 0 ? std::floor(c_) + 1 : std::ceil(c_) - 1);
    i1_ = end_index();
    const long lo = std::min(i0_, i1_);
    const long hi = std::max(i0_, i1_);
    b_lo_ = lo / kBlock;
    const long b_hi = hi / kBlock;
    const auto nb = static_cast<std::size_t>(b_hi - b_lo_ + 1);
    w_.sigma.assign(nb, -std::numeric_limits<double>::infinity());
    w_.a_min.assign(nb, std::numeric_limits<double>::infinity());
    // 2: not yet bounded (done when first asked: the blocks beyond the
    // first hidden target are never needed).
    w_.full.assign(nb, 2);
    lo_ = lo;
    hi_ = hi;
    if (!d_.obstacles.empty()) prepare_bins();
  }

  // The first whole metre whose eye-path length from c (as make_whole
  // measures it) is at least d_max, by a binary search over the chord sums;
  // DataFormatError when it lies beyond the table.
  long end_index() const {
    const long i1 = road_.index(sign_ > 0 ? std::ceil(c_) : std::floor(c_));
    const long last = road_.index(sign_ > 0 ? road_.last() : road_.first());
    auto reaches = [&](long i) { return base_ + std::fabs(road_.chord_sum(i) - sum1_) >= d_max_; };
    if (!reaches(last)) throw DataFormatError(at(c_) + ": 视线目标超出路线两端以外的计算范围");
    long lo = i1;    // may not reach
    long hi = last;  // reaches
    while ((hi - lo) * sign_ > 1) {
      const long mid = lo + (hi - lo) / 2;
      if (reaches(mid)) {
        hi = mid;
      } else {
        lo = mid;
      }
    }
    // One metre more where the table has it: the first metre from the eye
    // is measured by its chord, not by the sums.
    return (last - hi) * sign_ > 0 ? hi + sign_ : hi;
  }

  // Whether the block of normal i lies wholly between the eye and the
  // target, with G ≤ −kRefine at each of its normals.
  // The largest σ and the smallest a of block b (index k), and whether it
  // can be bounded at all: wholly inside the sweep, ahead of the eye, its
  // tangents within a right angle of their mean.
  void bound_block(long b, std::size_t k) {
    const long j0 = b * kBlock;
    const long j1 = j0 + kBlock - 1;
    w_.full[k] = 0;
    if (j0 < lo_ || j1 > hi_) return;  // partly outside: always scanned
    for (long j = j0; j <= j1; ++j) {
      const double a = dot(sub(road_.point(j), e_), road_.tangent(j));
      if (!(a > 0)) return;
      w_.sigma[k] = std::max(w_.sigma[k], (road_.surface(j) - z_e_) / a);
      w_.a_min[k] = std::min(w_.a_min[k], a);
    }
    w_.full[k] = road_.block_cos(b) > 0 ? 1 : 0;
  }

  bool skippable(long i, long i_end, const Target& tg, double& bound, double& c_lo_out) {
    const long b = i / kBlock;
    const long first = sign_ > 0 ? b * kBlock : b * kBlock + kBlock - 1;
    const long last = sign_ > 0 ? b * kBlock + kBlock - 1 : b * kBlock;
    if (i != first || (last - i_end) * sign_ > 0) return false;
    const long k = b - b_lo_;
    if (k < 0 || k >= static_cast<long>(w_.full.size())) return false;
    if (w_.full[static_cast<std::size_t>(k)] == 2) bound_block(b, static_cast<std::size_t>(k));
    if (!w_.full[static_cast<std::size_t>(k)]) return false;
    const Vec2 w = sub(tg.o, e_);
    const double len = std::sqrt(dot(w, w));
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
    const double m = w_.a_min[kk] * (lower - w_.sigma[kk]);
    // For the certificate: β/c_i − σ_i − kRefine/a_i ≥ this.
    bound = (lower - w_.sigma[kk]) - kRefine / w_.a_min[kk];
    bound -= 1e-9 * std::fabs(bound) + 1e-15;
    c_lo_out = c_lo;
    return m >= kRefine * (1 + 1e-9) + 1e-9;
  }

  void prepare_bins() {
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
    // The angles of the whole-metre targets set the range of the bins.
    phi_lo_ = std::numeric_limits<double>::infinity();
    phi_hi_ = -phi_lo_;
    double x_lo = 0, y_lo = 0, x_hi = 0, y_hi = 0;
    for (long i = i0_; (i - i1_) * sign_ <= 0; i += sign_) {
      const Vec2 q = road_.eye_whole(i);
      grow(q);
      const Vec2 d = sub(q, e_);
      const double x = dot(d, ax_);
      const double y = dot(d, ay_);
      if (!(x > 1e-3 * std::max(1.0, std::fabs(y)))) continue;  // not ahead: no angle
      // y/x below the lowest or above the highest so far (x > 0), compared
      // without a quotient; the two quotients are taken at the end.
      if (!(x_lo > 0) || y * x_lo < y_lo * x) {
        x_lo = x;
        y_lo = y;
      }
      if (!(x_hi > 0) || y * x_hi > y_hi * x) {
        x_hi = x;
        y_hi = y;
      }
    }
    if (x_lo > 0) {
      phi_lo_ = y_lo / x_lo;
      phi_hi_ = y_hi / x_hi;
    }
    // The eye path strays from its one-metre chords by about 1/(8R): a metre
    // each way holds it.
    lo = {lo.x - 1, lo.y - 1};
    hi = {hi.x + 1, hi.y + 1};
    if (!(phi_lo_ <= phi_hi_)) {
      phi_lo_ = 0;
      phi_hi_ = 0;
    }
    const double pad = 1e-3 * (phi_hi_ - phi_lo_) + 1e-9;
    phi_lo_ -= pad;
    phi_hi_ += pad;
    bin_scale_ = kBins / (phi_hi_ - phi_lo_);
    // Kept per thread: one gathering per chainage, without allocations.
    thread_local std::vector<Entry> entries;
    entries.clear();
    w_.wide.clear();
    const double reach = d_max_ + 2;
    // Where a point lies for the sweep: behind the eye, or beyond one side
    // of the wedge phi_lo·x ≤ y ≤ phi_hi·x that holds the chords of the
    // sweep (0 inside).
    auto side = [&](Vec2 q) {
      const Vec2 d = sub(q, e_);
      const double x = dot(d, ax_);
      if (x < 0) return 1;
      const double y = dot(d, ay_);
      return y < phi_lo_ * x ? 2 : y > phi_hi_ * x ? 3 : 0;
    };
    for (const Chunk& ch : nearby(lo, hi)) {
      // A chunk whose box lies wholly in one of those regions (each convex)
      // has every segment there.
      const int s0 = side(ch.lo);
      if (s0 != 0 && side(ch.hi) == s0 && side({ch.lo.x, ch.hi.y}) == s0 &&
          side({ch.hi.x, ch.lo.y}) == s0) {
        continue;
      }
      for (std::uint32_t k = ch.first; k < ch.first + ch.count; ++k) gather(k, reach, entries);
    }

    auto& start = w_.start;
    start.assign(kBins + 1, 0);
    for (const auto& e : entries) ++start[static_cast<std::size_t>(e.bin) + 1];
    for (int b = 0; b < kBins; ++b) {
      start[static_cast<std::size_t>(b) + 1] += start[static_cast<std::size_t>(b)];
    }
    w_.sorted.assign(kBins, 0);
    w_.seg.resize(entries.size());
    w_.fill.assign(start.begin(), start.end() - 1);
    for (const auto& e : entries) {
      w_.seg[static_cast<std::size_t>(w_.fill[static_cast<std::size_t>(e.bin)]++)] = {e.k, e.dm};
    }
  }

  // Segment k into the bins of its angles from the eye, or into the wide
  // list where an end is not ahead of the eye; nothing when no chord of the
  // sweep can reach it.
  void gather(std::uint32_t k, double reach, std::vector<Entry>& entries) {
    const auto& g = d_.obstacles.segments()[k];
    const Vec2 da = sub(g.a, e_);
    const Vec2 db = sub(g.b, e_);
    const double xa = dot(da, ax_);
    const double xb = dot(db, ax_);
    // A chord ahead of the eye has no point behind it.
    if (xa < 0 && xb < 0) return;
    const double ya = dot(da, ay_);
    const double yb = dot(db, ay_);
    const bool ahead_a = xa > 1e-3 * std::max(1.0, std::fabs(ya));
    const bool ahead_b = xb > 1e-3 * std::max(1.0, std::fabs(yb));
    // The chords of the sweep lie in the wedge phi_lo·x ≤ y ≤ phi_hi·x (the
    // targets' angles): a segment with both ends beyond one of its sides
    // does not meet them.
    if ((ya < phi_lo_ * xa && yb < phi_lo_ * xb) || (ya > phi_hi_ * xa && yb > phi_hi_ * xb))
      return;
    // A lower bound of its distance from the eye: its nearer end's distance
    // ahead (no chord shorter than that reaches it).
    const double dm = std::max(0.0, std::min(xa, xb));
    if (dm > reach) return;
    if (!ahead_a || !ahead_b) {
      w_.wide.push_back({k, dm});
      return;
    }
    const double pa = ya / xa;
    const double pb = yb / xb;
    const double a0 = std::min(pa, pb);
    const double a1 = std::max(pa, pb);
    if (a1 < phi_lo_ || a0 > phi_hi_) return;
    const int b1 = bin(a1);
    for (int b = bin(a0); b <= b1; ++b) entries.push_back({b, k, dm});
  }

  // The segments listed in the cells that meet a box holding [lo, hi], in
  // chunks of up to kChunk consecutive segments of one obstruction: kept per
  // thread and reused while the box of the next chainages stays inside
  // (grown by kNearbyMargin each way when made anew).
  const std::vector<Chunk>& nearby(Vec2 lo, Vec2 hi) const {
    struct Nearby {
      std::uint64_t table = 0;
      Vec2 lo, hi;
      std::vector<std::uint32_t> segs;
      std::vector<Chunk> chunks;
      std::vector<const std::vector<std::uint32_t>*> lists;
    };
    thread_local Nearby cache;
    if (cache.table == road_.id() && cache.lo.x <= lo.x && cache.lo.y <= lo.y &&
        cache.hi.x >= hi.x && cache.hi.y >= hi.y) {
      return cache.chunks;
    }
    cache.table = road_.id();
    cache.lo = {lo.x - kNearbyMargin, lo.y - kNearbyMargin};
    cache.hi = {hi.x + kNearbyMargin, hi.y + kNearbyMargin};
    cache.lists.clear();
    cache.segs.clear();
    d_.obstacles.box_lists(cache.lo, cache.hi, cache.lists);
    stamps.begin(d_.obstacles.segments().size());
    for (const auto* list : cache.lists) {
      for (const std::uint32_t k : *list) {
        if (stamps.first(k)) cache.segs.push_back(k);
      }
    }
    std::sort(cache.segs.begin(), cache.segs.end());
    const auto& segments = d_.obstacles.segments();
    cache.chunks.clear();
    for (const std::uint32_t k : cache.segs) {
      const auto& g = segments[k];
      const Vec2 lo_k{std::min(g.a.x, g.b.x), std::min(g.a.y, g.b.y)};
      const Vec2 hi_k{std::max(g.a.x, g.b.x), std::max(g.a.y, g.b.y)};
      if (!cache.chunks.empty()) {
        Chunk& c = cache.chunks.back();
        if (c.first + c.count == k && c.count < kChunk &&
            segments[c.first].obstruction == g.obstruction) {
          ++c.count;
          c.lo = {std::min(c.lo.x, lo_k.x), std::min(c.lo.y, lo_k.y)};
          c.hi = {std::max(c.hi.x, hi_k.x), std::max(c.hi.y, hi_k.y)};
          continue;
        }
      }
      cache.chunks.push_back({k, 1, lo_k, hi_k});
    }
    return cache.chunks;
  }

  // Whether the chord to tg lies in the wedge phi_lo·x ≤ y ≤ phi_hi·x. The
  // wedge was made from the sweep's whole-metre targets: those ahead of the
  // eye lie in it without a quotient.
  bool in_wedge(const Target& tg) const {
    const long i = road_.index(std::floor(tg.z));
    if (std::floor(tg.z) == tg.z && (i - i0_) * sign_ >= 0 && (i1_ - i) * sign_ >= 0) {
      const Vec2 d = sub(tg.o, e_);
      const double x = dot(d, ax_);
      return x > 1e-3 * std::max(1.0, std::fabs(dot(d, ay_)));
    }
    double phi = 0;
    return angle(tg.o, phi) && phi >= phi_lo_ && phi <= phi_hi_;
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
    const double f = (phi - phi_lo_) * bin_scale_;
    if (!(f > 0)) return 0;
    if (f >= kBins) return kBins - 1;
    return static_cast<int>(f);
  }

  // The segments of the target's bin (every segment the chord may cross);
  // with `out`, the blocking crossing nearest the eye (input order at a
  // tie), as obstacles_grid finds it.
  bool obstacles_fast(const Target& tg, Block* out = nullptr) {
    if (d_.obstacles.empty()) return false;
    // No segment within the wedge of the targets: none of their chords
    // meets one.
    if (w_.wide.empty() && w_.seg.empty() && in_wedge(tg)) return false;
    double phi = 0;
    if (!angle(tg.o, phi) || phi < phi_lo_ || phi > phi_hi_) return obstacles_grid(tg, out);
    const Vec2 w = sub(tg.o, e_);
    const double len = std::sqrt(dot(w, w));
    bool blocked = false;
    auto test = [&](std::uint32_t k, double dm) {
      if (dm > len + 1e-9) return false;
      const auto x = d_.obstacles.cross(k, e_, tg.o, z_e_, tg.z_o);
      if (!x.blocks) return false;
      blocked = true;
      if (!out) return true;
      const int ob = d_.obstacles.segments()[k].obstruction;
      if (out->obstruction < 0 || x.s < out->s || (x.s == out->s && ob < out->obstruction)) {
        out->obstruction = ob;
        out->s = x.s;
        out->point = x.point;
      }
      return false;
    };
    for (const auto& [k, dm] : w_.wide) {
      if (test(k, dm)) return true;
    }
    // The bin's segments nearest first (sorted when first asked for): the
    // chord reaches none beyond the first it cannot reach.
    const auto b = static_cast<std::size_t>(bin(phi));
    const auto first = w_.seg.begin() + w_.start[b];
    const auto last = w_.seg.begin() + w_.start[b + 1];
    if (!w_.sorted[b]) {
      std::sort(first, last, [](const auto& p, const auto& q) {
        return p.second < q.second || (p.second == q.second && p.first < q.first);
      });
      w_.sorted[b] = 1;
    }
    for (auto it = first; it != last && !(it->second > len + 1e-9); ++it) {
      if (test(it->first, it->second)) return true;
    }
    return blocked;
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
  Cert cert_;  // the fast sweep's certificate
  // The horizon of the normals from the eye to horizon_last_ (none when
  // horizon_last_ == horizon_first_).
  bool horizon_ok_ = true;
  long horizon_first_ = 0, horizon_last_ = 0;
  double horizon_ = -std::numeric_limits<double>::infinity();
  Vec2 arc_lo_, arc_hi_;
  // h_i of the normals of the horizon, in order from the eye, and their
  // largest per block (kept per thread: no allocation per chainage).
  inline static thread_local std::vector<double> horizon_h_, horizon_block_;
  double base_ = 0;  // from the eye to the next whole metre
  double sum1_ = 0;  // chord sum at that whole metre
  // Fast: per block of normals, the largest σ and the smallest a.
  long i0_ = 0, i1_ = 0, b_lo_ = 0, lo_ = 0, hi_ = 0;
  // Kept per thread, reused by each search: no allocation per chainage.
  struct Scratch {
    std::vector<double> sigma, a_min;  // per block of normals, the largest σ and the smallest a
    std::vector<char> full;
    std::vector<std::pair<std::uint32_t, double>> wide, seg;  // obstruction segments
    std::vector<int> start, fill;
    std::vector<char> sorted;  // per bin
  };
  inline static thread_local Scratch scratch_;
  Scratch& w_ = scratch_;
  // Fast: the obstruction segments by angle.
  Vec2 ax_, ay_;
  double phi_lo_ = 0, phi_hi_ = 0, bin_scale_ = 0;
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
