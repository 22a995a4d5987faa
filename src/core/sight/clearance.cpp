#include "sight/clearance.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>

#include "error.h"
#include "sight/plane.h"
#include "text/format.h"

namespace lumora::sight {
namespace {

// The fit is settled when the eye-path length is within this of S.
constexpr double kTolerance = 0.001;
// Fixed-point steps before the fit turns to bisection.
constexpr int kMaxSteps = 50;
// Bounds of the bisection.
constexpr int kMaxBisections = 200;
constexpr double kMinWidth = 1e-9;
// Halvings/doublings when a bracket has to be searched for.
constexpr int kMaxWidenings = 60;

std::string at_chainage(double c) {
  return "桩号 " + text::format_fixed3(c);
}

[[noreturn]] void throw_outside(double jszh) {
  throw DataFormatError(at_chainage(jszh) + ": 视线超出视点轨迹表范围");
}

// The fixed-point steps, the searches for a bracket and the halvings are
// all bounded, so a fit always ends; a start that no bracket holds is
// refused rather than taken from a sight line shorter than S.
[[noreturn]] void throw_unfitted(double z) {
  throw DataFormatError(at_chainage(z) + ": 视线起点在" + std::to_string(kMaxSteps) + "次迭代和" +
                        std::to_string(kMaxWidenings) + "次搜索内无法确定（视线终点）");
}

struct Sample {
  double q;
  double length;
};

// Bisection on the eye-path length L(q), which shrinks as q grows: a bracket
// lo < hi with L(lo) ≥ S > L(hi) is taken from the fixed-point iterates, or
// widened from them, and halved until L is within the tolerance or the
// bracket closes on a jump; then the side with L ≥ S is kept.
template <class Length>
double bisect(std::span<const Sample> samples, double z, double s, Length length) {
  std::optional<double> hi;
  for (const auto& p : samples) {
    if (p.length < s && (!hi || p.q < *hi)) hi = p.q;
  }
  std::optional<double> lo;
  for (const auto& p : samples) {
    if (p.length >= s && (!hi || p.q < *hi) && (!lo || p.q > *lo)) lo = p.q;
  }
  if (!hi) {
    // Every iterate was long enough: move towards z until one is not.
    const double base = *lo;
    for (int k = 1; k <= kMaxWidenings && !hi; ++k) {
      const double c = base + (z - base) * (1 - std::ldexp(1.0, -k));
      if (length(c) < s) {
        hi = c;
      } else {
        lo = c;
      }
    }
    if (!hi) return *lo;
  }
  if (!lo) {
    // Every iterate was too short: move back until one is long enough. The
    // length check throws once the start leaves the table.
    const double base = *hi;
    for (int k = 0; k < kMaxWidenings && !lo; ++k) {
      const double c = base - s * std::ldexp(1.0, k);
      if (length(c) >= s) {
        lo = c;
      } else {
        hi = c;
      }
    }
    if (!lo) throw_unfitted(z);
  }
  double a = *lo;
  double b = *hi;
  for (int k = 0; k < kMaxBisections && b - a > kMinWidth; ++k) {
    const double m = a + (b - a) / 2;
    if (!(a < m && m < b)) break;
    const double lm = length(m);
    if (std::fabs(lm - s) <= kTolerance) return m;
    if (lm >= s) {
      a = m;
    } else {
      b = m;
    }
  }
  return a;
}

// The fit of one sight line on an eye-path length function L(q) (for a fixed
// end z): the fixed-point step q := q + L(q) − S while |L − S| exceeds the
// tolerance, then bisection.
template <class Length>
SightStart fit_start(Length&& length, double q0, double z, double s) {
  // The iterates, kept to bracket the bisection should the step not settle.
  std::array<Sample, kMaxSteps + 1> samples;
  double q = q0;
  double l = length(q);
  samples[0] = {q, l};
  for (int step = 0; std::fabs(l - s) > kTolerance; ++step) {
    if (step == kMaxSteps) return {bisect(samples, z, s, length), true};
    q = q + l - s;
    l = length(q);
    samples[static_cast<std::size_t>(step) + 1] = {q, l};
  }
  return {q, false};
}

// The checks of maxhjs before any sight line is laid; returns ⌊S⌋.
double check_inputs(const EyePath& path, double jszh, double s) {
  if (!std::isfinite(jszh)) throw DataFormatError(at_chainage(jszh) + ": 桩号不是有限数");
  if (!std::isfinite(s) || !(s > 0)) {
    throw DataFormatError(at_chainage(jszh) + ": 视距「" + text::format_shortest(s) +
                          "」必须是大于0的数");
  }
  const double n = std::floor(s);
  // The first sight line starts at jszh − S and the last ends at
  // jszh + ⌊S⌋; both must lie on the eye path.
  if (!path.covers(jszh - s, jszh + n)) throw_outside(jszh);
  return n;
}

[[noreturn]] void throw_zero_length(double jszh, double z) {
  throw DataFormatError(at_chainage(jszh) + ": 视线长度为零（视线终点" + text::format_fixed3(z) +
                        "）");
}

[[noreturn]] void throw_not_finite(double jszh, double z) {
  throw DataFormatError(at_chainage(jszh) + ": 横净距不是有限数（视线终点" +
                        text::format_fixed3(z) + "）");
}

// "中央带" looks from the eye towards the design line, "弯道内侧" away from
// it; the eye offset at jszh says on which side of the line the eye is.
double choose(const std::vector<double>& profile, double eye_offset, Side side) {
  const bool take_max = eye_offset >= 0 ? side == Side::inside : side == Side::median;
  double v = 0;
  if (take_max) {
    v = -100000;
    for (double p : profile) {
      if (p > v) v = p;
    }
    if (v < 0) v = 0;
  } else {
    v = 100000;
    for (double p : profile) {
      if (p < v) v = p;
    }
    if (v > 0) v = 0;
  }
  return v == 0 ? 0.0 : v;  // no negative zero
}

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace

SightStart fit_sight_start(const EyePath& path, double q0, double z, double sight_distance,
                           double jszh) {
  auto length = [&](double q) {
    if (!path.covers(q, z)) throw_outside(jszh);
    return path.ypjplus_js(q, z);
  };
  return fit_start(length, q0, z, sight_distance);
}

Clearance maxhjs(const EyePath& path, double jszh, double sight_distance, Side side) {
  const double s = sight_distance;
  const double n = check_inputs(path, jszh, s);

  Clearance r;
  r.profile.assign(static_cast<std::size_t>(n) + 1, 0.0);
  double q = 0;
  double z = 0;
  for (std::size_t i = 0; i < r.profile.size(); ++i) {
    const double di = static_cast<double>(i);
    z = jszh + di;
    q = jszh - s + di;
    const SightStart fit = fit_sight_start(path, q, z, s, jszh);
    q = fit.q;
    if (fit.bisected) r.fallback_chainages.push_back(q);
    if (q >= jszh) {
      // The sight line starts at or beyond the eye: it does not pass it.
      r.profile[i] = 0;
      continue;
    }
    const zxbas::Vec2 a = path.eye_point(q);
    const zxbas::Vec2 b = path.eye_point(z);
    const zxbas::Vec2 c = path.eye_point(jszh);
    if (a.x == b.x && a.y == b.y) throw_zero_length(jszh, z);
    const double v = -zypsgn(c, a, b) * pt_line(a, b, c);
    if (!std::isfinite(v)) throw_not_finite(jszh, z);
    r.profile[i] = v;
  }

  r.eye_offset = path.offset().at(jszh);
  r.maxhjj = choose(r.profile, r.eye_offset, side);
  r.maxhqdzh = q;
  r.maxhzdzh = z;
  return r;
}

// --- Shared sight lines -----------------------------------------------------

zxbas::Vec2 SharedSightLines::point(double c) const {
  // Whole metres of the table hold their eye point already: the same value
  // as eye_point(c), since c = o + j exactly.
  const double j = c - path_->eye_path_origin();
  if (std::floor(c) == c && j >= -500 && j <= path_->eye_path_last() + 500) {
    return path_->whole_point(static_cast<long>(j));
  }
  return path_->eye_point(c);
}

SharedSightLines::Line SharedSightLines::fit_line(double z, double q0, double s,
                                                  double jszh) const {
  const EyePath& path = *path_;
  const double o = path.eye_path_origin();
  // ypjplus_js(q, z) for this z: the end piece E(⌊z⌋)E(z) is the same in
  // every step, and the eye point at each fractional start is kept for the
  // sight line itself.
  const zxbas::Vec2 ez = point(z);
  const double fz = std::floor(z);
  const double tail = path.piece(fz, point(fz), z, ez);
  double memo_q = std::nan("");
  zxbas::Vec2 memo_e;
  auto length = [&](double q) {
    if (!path.covers(q, z)) throw_outside(jszh);
    double sum = 0;
    double j1 = 0;
    if (std::floor(q) == q) {
      j1 = q - o + 1;
    } else {
      const double next = std::floor(q + 1);
      if (!same_bits(q, memo_q)) {
        memo_q = q;
        memo_e = path.eye_point(q);
      }
      sum = path.piece(q, memo_e, next, point(next));
      j1 = next - o + 1;
    }
    // The chords in the order of ypjplus_js: a running sum that starts from
    // the end piece at q rounds differently from any other order, so each
    // step adds its span afresh.
    sum = path.add_chords(sum, static_cast<long>(j1), static_cast<long>(fz - o));
    sum += tail;
    if (!std::isfinite(sum)) {
      throw DataFormatError(at_chainage(z) + ": 视点轨迹长度不是有限数");
    }
    return sum;
  };
  const SightStart fit = fit_start(length, q0, z, s);

  Line line;
  line.z = z;
  line.q0 = q0;
  line.s = s;
  line.q = fit.q;
  line.bisected = fit.bisected;
  line.a = same_bits(fit.q, memo_q) ? memo_e : point(fit.q);
  line.b = ez;
  line.ab = pt_pt(line.a, line.b);
  line.inv_ab = line.ab > 0 ? 1 / line.ab : 0;
  line.az_ab = zxbas::line_azimuth(line.a, line.b);
  return line;
}

Clearance SharedSightLines::at(double jszh, double sight_distance) {
  const double s = sight_distance;
  const double n = check_inputs(*path_, jszh, s);
  const std::size_t count = static_cast<std::size_t>(n) + 1;
  auto z_of = [&](std::size_t i) { return jszh + static_cast<double>(i); };
  auto q0_of = [&](std::size_t i) { return jszh - s + static_cast<double>(i); };
  auto same = [&](const Line& l, std::size_t i) {
    return same_bits(l.z, z_of(i)) && same_bits(l.q0, q0_of(i)) && same_bits(l.s, s);
  };

  // The kept sight lines are in increasing z, and so are these. In a run of
  // chainages in order the common ones are a tail of the previous set and a
  // head of this one: they stay where they are, and the new ones are added
  // behind them. Otherwise (an interval that is not a whole metre, a
  // change of S, a step back) this set is gathered apart and then merged
  // with the sight lines of the last few calls, which a later chainage may
  // need again (at 0.5 m, the one after next).
  ++generation_;
  std::size_t p = first_;
  while (p < lines_.size() && lines_[p].z < z_of(0)) ++p;
  std::size_t kept = 0;
  while (kept < count && p + kept < lines_.size() && same(lines_[p + kept], kept)) ++kept;
  const bool in_place = p + kept == lines_.size();
  if (in_place && p > 4096) {
    lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(p));
    p = 0;
    first_ = 0;
  }
  std::size_t old = p;  // search position among the kept lines
  if (!in_place) scratch_.clear();

  Clearance r;
  // "中央带" looks from the eye towards the design line, "弯道内侧" away
  // from it; the eye offset at jszh says on which side of the line the eye
  // is.
  r.eye_offset = path_->offset().at(jszh);
  const bool take_max = r.eye_offset >= 0 ? side_ == Side::inside : side_ == Side::median;
  const double sigma = take_max ? 1.0 : -1.0;
  profile_.assign(count, 0.0);
  bounds_.assign(count, Bound{});
  zxbas::Vec2 c;
  bool have_c = false;
  auto line_at = [&](std::size_t i) -> const Line& {
    return in_place ? lines_[p + i] : scratch_[i];
  };
  auto exact = [&](std::size_t i) {
    const Line& line = line_at(i);
    const double h = pt_line_on(line.ab, line.a, line.b, c);
    // A zero distance is 0 on either side (−0 and 0 compare equal, and the
    // result is never −0): its side is only wanted for a full profile.
    const double v =
        h == 0 && !full_profile_ ? 0.0 : -turn_sign_near(c, line.a, line.b, line.az_ab) * h;
    if (!std::isfinite(v)) throw_not_finite(jszh, line.z);
    profile_[i] = v;
    const double w = sigma * v;
    bounds_[i] = {w, w, true};
    return w;
  };

  // Both are taken as a maximum of w = σ·v, σ = ±1 (a change of sign is
  // exact): the bounds, the best value so far (from −100000, replaced only
  // by a greater value) and the sight line with the most promising bound.
  double best = -100000;
  std::size_t lead = count;
  double lead_w = -std::numeric_limits<double>::infinity();

  for (std::size_t i = 0; i < count; ++i) {
    if (in_place) {
      if (i >= kept) lines_.push_back(fit_line(z_of(i), q0_of(i), s, jszh));
      lines_[p + i].generation = generation_;
    } else {
      const double z = z_of(i);
      while (old < lines_.size() && lines_[old].z < z) ++old;
      std::size_t hit = old;
      while (hit < lines_.size() && same_bits(lines_[hit].z, z) && !same(lines_[hit], i)) ++hit;
      if (hit < lines_.size() && same(lines_[hit], i)) {
        scratch_.push_back(lines_[hit]);
      } else {
        scratch_.push_back(fit_line(z, q0_of(i), s, jszh));
      }
      scratch_.back().generation = generation_;
    }
    const Line& line = line_at(i);
    if (line.bisected) r.fallback_chainages.push_back(line.q);
    if (line.q >= jszh) {
      bounds_[i] = {0, 0, true};  // starts at or beyond the eye: 0
      best = std::max(best, 0.0);
      continue;
    }
    if (!have_c) {
      c = point(jszh);
      have_c = true;
    }
    if (line.a.x == line.b.x && line.a.y == line.b.y) throw_zero_length(jszh, line.z);
    // u = A − C, v = B − A; the height of C over AB is |u × v| / |AB|.
    const double ux = line.a.x - c.x;
    const double uy = line.a.y - c.y;
    const double vx = line.b.x - line.a.x;
    const double vy = line.b.y - line.a.y;
    const double lu = std::fabs(ux) + std::fabs(uy);
    const double lv = std::fabs(vx) + std::fabs(vy);
    // Coordinates this close together keep Heron's formula finite, so a
    // distance left out cannot hide an error.
    if (full_profile_ || !(line.ab > 0) || !(lu + lv < 1e100)) {
      best = std::max(best, exact(i));
      continue;
    }
    const double cross = ux * vy - uy * vx;
    const double height = std::fabs(cross) * line.inv_ab;
    // Heron's formula rounds the height by less than about 3e-8 of the
    // perimeter (the cancellation in s − a, s − b, s − c); 1e-6 of it, plus
    // 1e-6 m, bounds that safely.
    const double e = 1e-6 * (1 + lu + lv);
    // Beyond this the side is certain (turn_sign_near), and so is the sign
    // of the distance, Heron's height being never negative.
    const double margin = kTurnMargin * lu * lv;
    double lo = -height - e;
    double hi = height + e;
    if (cross > margin) lo = std::max(height - e, 0.0);    // passes on the left: +d
    if (cross < -margin) hi = std::min(-height + e, 0.0);  // on the right: −d
    const double wlo = take_max ? lo : -hi;
    bounds_[i] = {wlo, take_max ? hi : -lo, false};
    const bool leads = wlo > lead_w;
    lead = leads ? i : lead;
    lead_w = leads ? wlo : lead_w;
  }

  // The distance of the most promising sight line, then of every one whose
  // bound could still beat the best value: the others cannot be the
  // extreme.
  if (lead < count) best = std::max(best, exact(lead));
  for (std::size_t i = 0; i < count; ++i) {
    if (!bounds_[i].done && bounds_[i].hi > best) best = std::max(best, exact(i));
  }
  if (best < 0) best = 0;
  const double v = sigma * best;
  r.maxhjj = v == 0 ? 0.0 : v;  // no negative zero
  r.maxhqdzh = line_at(count - 1).q;
  r.maxhzdzh = line_at(count - 1).z;
  if (!in_place) {
    // This set, and the lines of the last calls from its first end on.
    merged_.clear();
    std::size_t a = 0;
    for (std::size_t k = p; k < lines_.size(); ++k) {
      const Line& l = lines_[k];
      if (l.generation + kGenerations < generation_) continue;
      while (a < scratch_.size() && scratch_[a].z <= l.z) merged_.push_back(scratch_[a++]);
      if (!(merged_.size() > 0 && merged_.back().generation == generation_ &&
            same_bits(merged_.back().z, l.z) && same_bits(merged_.back().q0, l.q0) &&
            same_bits(merged_.back().s, l.s))) {
        merged_.push_back(l);
      }
    }
    while (a < scratch_.size()) merged_.push_back(scratch_[a++]);
    lines_.swap(merged_);
    p = 0;
    // The sets of the last calls are interleaved: the next call searches
    // from the start.
  }
  first_ = p;
  return r;
}

}  // namespace lumora::sight
