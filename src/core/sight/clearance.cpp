#include "sight/clearance.h"

#include <array>
#include <cmath>
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
    if (!lo) return *hi;
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

}  // namespace

SightStart fit_sight_start(const EyePath& path, double q0, double z, double sight_distance,
                           double jszh) {
  const double s = sight_distance;
  auto length = [&](double q) {
    if (!path.covers(q, z)) throw_outside(jszh);
    return path.ypjplus_js(q, z);
  };
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

Clearance maxhjs(const EyePath& path, double jszh, double sight_distance, Side side) {
  const double s = sight_distance;
  if (!std::isfinite(jszh)) throw DataFormatError(at_chainage(jszh) + ": 桩号不是有限数");
  if (!std::isfinite(s) || !(s > 0)) {
    throw DataFormatError(at_chainage(jszh) + ": 视距「" + text::format_shortest(s) +
                          "」必须是大于0的数");
  }
  const double n = std::floor(s);
  // The first sight line starts at jszh − S and the last ends at
  // jszh + ⌊S⌋; both must lie on the eye path.
  if (!path.covers(jszh - s, jszh + n)) throw_outside(jszh);

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
    if (a.x == b.x && a.y == b.y) {
      throw DataFormatError(at_chainage(jszh) + ": 视线长度为零（视线终点" +
                            text::format_fixed3(z) + "）");
    }
    const double v = -zypsgn(c, a, b) * pt_line(a, b, c);
    if (!std::isfinite(v)) {
      throw DataFormatError(at_chainage(jszh) + ": 横净距不是有限数（视线终点" +
                            text::format_fixed3(z) + "）");
    }
    r.profile[i] = v;
  }

  // "中央带" looks from the eye towards the design line, "弯道内侧" away
  // from it; the eye offset at jszh says on which side of the line the eye
  // is.
  r.eye_offset = path.offset().at(jszh);
  const bool take_max = r.eye_offset >= 0 ? side == Side::inside : side == Side::median;
  double v = 0;
  if (take_max) {
    v = -100000;
    for (double p : r.profile) {
      if (p > v) v = p;
    }
    if (v < 0) v = 0;
  } else {
    v = 100000;
    for (double p : r.profile) {
      if (p < v) v = p;
    }
    if (v > 0) v = 0;
  }
  r.maxhjj = v == 0 ? 0.0 : v;  // no negative zero
  r.maxhqdzh = q;
  r.maxhzdzh = z;
  return r;
}

}  // namespace lumora::sight
