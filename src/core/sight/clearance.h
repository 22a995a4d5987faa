// The maximum lateral clearance (最大横净距) at a chainage: how far beside
// the driver's eye at that chainage the sight lines of one sight distance
// run, on the chosen side.
//
// A sight line joins two eye points whose distance along the eye path is the
// sight distance S. maxhjs lays the sight lines that end at jszh + i for
// i = 0 … ⌊S⌋ and start about S before (the start q is fitted so that the
// eye-path length from q to jszh + i is S within 1 mm), measures the distance
// from the eye point at jszh to each of them, signed positive when the line
// passes to the left of that eye point (looking towards increasing chainage)
// and negative to the right, and returns the extreme value on the chosen
// side: the median side ("中央带") looks from the eye towards the design
// line, the inside ("弯道内侧") away from it. A sight line whose start has
// reached jszh does not pass beside the eye there and counts 0.
//
// Accuracy: the start of each sight line is fitted to 0.001 m of eye-path
// length; the eye path is the one-metre chord polygon of EyePath (relative
// length error below 1e-6 for radii from 250 m). On a circular curve the
// result agrees with the middle ordinate R′·(1 − cos(S / 2R′)) of the eye
// circle (radius R′) to about 1 mm: the sight lines end at whole metres of
// chainage, so the one centred on jszh is off centre by up to half a metre.
//
// Algorithm: for each sight line the fixed-point step q := q + L(q, z) − S
// with L the eye-path length; it settles in a few steps wherever L changes
// smoothly with q. Where it does not (a step in the eye-offset table makes
// L jump past S, or the eye path folds back), after 50 steps the start is
// found by bisection on L, which shrinks as q moves forward; at a jump the
// start is taken on the side where L ≥ S, so no sight line is shorter than
// S. Distances by Heron's formula (pt_line), sides by zypsgn.
//
// Example:
//   auto path = EyePath::build(line, EyeOffset::constant(-7.25));
//   Clearance c = maxhjs(path, 1500.0, 110.0, Side::inside);
//   c.maxhjj;      // -2.550 mid-curve on a right-hand curve of radius 600 m
//   c.maxhqdzh;    // start of the last sight line, which ends at 1610
#pragma once

#include <cstdint>
#include <vector>

#include "sight/eye_path.h"

namespace lumora::sight {

/// The side on which the clearance is wanted.
enum class Side {
  median,  // "中央带": towards the design line
  inside,  // "弯道内侧": away from the design line
};

struct Clearance {
  /// Signed maximum lateral clearance in metres (positive: the governing
  /// sight line passes left of the eye; 0: none passes on the chosen side).
  double maxhjj = 0;
  /// Start and end chainage of the last sight line (i = ⌊S⌋), which ends at
  /// jszh + ⌊S⌋.
  double maxhqdzh = 0;
  double maxhzdzh = 0;
  /// The eye offset at jszh, which chose the side.
  double eye_offset = 0;
  /// Start chainages of the sight lines whose start had to be found by
  /// bisection because the fixed-point step did not settle.
  std::vector<double> fallback_chainages;
  /// The signed clearance of each sight line i = 0 … ⌊S⌋.
  std::vector<double> profile;
};

/// The start of one fitted sight line.
struct SightStart {
  double q = 0;
  bool bisected = false;
};

/// Fits the start chainage of the sight line that ends at z and has the
/// eye-path length `sight_distance`, starting from q0. `jszh` names the
/// chainage in errors: DataFormatError when the sight line leaves the eye
/// path table.
SightStart fit_sight_start(const EyePath& path, double q0, double z, double sight_distance,
                           double jszh);

/// The maximum lateral clearance at continuous chainage jszh for the sight
/// distance S on the given side. Throws DataFormatError, naming jszh, for a
/// sight distance that is not a positive number, for sight lines that leave
/// the eye path table, for a sight line of zero length, for a sight line
/// whose start cannot be found within the step limits of the fit, and for a
/// result that is not finite.
Clearance maxhjs(const EyePath& path, double jszh, double sight_distance, Side side);

/// maxhjs for a run of chainages, sharing the sight lines that neighbouring
/// chainages have in common.
///
/// A sight line is fixed by its end z, the first guess q0 of its start and
/// the sight distance: the fit is a function of these three numbers alone.
/// At an interval of d metres the chainage jszh + d needs the sight lines
/// i = d … ⌊S⌋ of jszh again, with the very same z = jszh + i and
/// q0 = jszh − S + i (whole numbers, or halves, are exact in doubles). at()
/// keeps the fitted sight lines of the previous call, with their eye points,
/// and takes one over only when z, q0 and S are bit for bit those of the
/// new chainage; every other sight line is fitted afresh. The eye points at
/// whole metres come from the eye-path table, and an eye point computed
/// while fitting is not computed again. The chord sums, the fit steps, the
/// distances and the sides are the arithmetic of maxhjs in its order.
///
/// Of the distances only the extreme one is the result. Each sight line
/// first gets bounds on its signed distance from the cross product (no
/// square roots); the distance by Heron's formula is then computed for the
/// sight line with the best bound, and for every other one whose bound
/// could still beat the best value found. A skipped distance cannot be the
/// extreme, so the result is the same number. Hence at(jszh, S) gives
/// exactly maxhjs(path, jszh, S, side).
///
/// Memory: about two sets of ⌊S⌋ + 1 sight lines. Not safe for concurrent
/// calls; use one object per thread.
class SharedSightLines {
 public:
  /// With `full_profile` every distance is computed, as maxhjs does, so
  /// that last_profile() is complete.
  SharedSightLines(const EyePath& path, Side side, bool full_profile = false);

  /// maxhjs(path, jszh, sight_distance, side), with an empty profile.
  Clearance at(double jszh, double sight_distance);

  /// The profile of the last successful at(); entries whose distance was
  /// skipped hold 0 unless the object was made with `full_profile`.
  const std::vector<double>& last_profile() const { return profile_; }

  struct Line;

 private:
  // The signed distance of one sight line from the eye: known exactly
  // (done), or bounded, lo ≤ value ≤ hi.
  struct Bound {
    double lo = 0;
    double hi = 0;
    bool done = false;
  };
  Line fit_line(double z, double q0, double s, double jszh) const;
  zxbas::Vec2 point(double c) const;

  const EyePath* path_;
  Side side_;
  bool full_profile_;
  // The sight lines of the last call are lines_[first_ …].
  std::vector<Line> lines_;
  std::size_t first_ = 0;
  std::vector<Line> scratch_;
  std::vector<Line> merged_;
  // Calls so far; a sight line not used by the last kGenerations calls is
  // dropped from the kept lines. At an interval d a sight line comes back
  // ⌈1/d⌉ calls later (the next chainage 1 m on): 24 calls keep them down to
  // d = 1/24 m, and a line whose window has passed leaves anyway.
  std::uint64_t generation_ = 0;
  static constexpr std::uint64_t kGenerations = 24;
  std::vector<Bound> bounds_;
  std::vector<double> profile_;
};

struct SharedSightLines::Line {
  double z = 0;   // end
  double q0 = 0;  // first guess of the start
  double s = 0;   // sight distance
  double q = 0;   // fitted start
  bool bisected = false;
  zxbas::Vec2 a;                 // E(q)
  zxbas::Vec2 b;                 // E(z)
  double ab = 0;                 // |AB|
  double inv_ab = 0;             // 1 / |AB| (0 when |AB| = 0)
  double az_ab = 0;              // azimuth from A to B
  std::uint64_t generation = 0;  // the last call that used it
};

// Defined where Line is complete: the member vectors' destructors need it
// (clang 14 with the C++20 library instantiates them here).
inline SharedSightLines::SharedSightLines(const EyePath& path, Side side, bool full_profile)
    : path_(&path), side_(side), full_profile_(full_profile) {}

}  // namespace lumora::sight
