// The road at whole metres of chainage, as the sight search reads it: the
// design-line point and unit tangent, the elevation, and the eye point and
// eye-path length of one direction's eye path.
//
// Entry i holds chainage m0 + i (whole metres), from ⌊start⌋ − reach to
// ⌊end⌋ + reach + 1. The eye path beyond the ends continues along the end
// tangents (the alignment's own continuation); the eye points there come
// from EyePath::eye_point like the others, so the path is one polygon of
// one-metre chords from end to end of the table.
//
// Eye-path length. length(c, z) is the length from the eye at c to the
// target at z, in the direction of travel, measured as the clearance
// measures S (EyePath::ypjplus_js): the chords between whole metres plus the
// exact straight end pieces; where z is within one metre of c, the chord
// between the two eye points. The cumulative chord sums make each length
// O(1); they differ from ypjplus_js only by rounding (below 1e-9 m for
// 1000 km of line).
//
// target(c, t) inverts it: the chainage z whose eye-path length from c is t
// (within 1e-9 m), by a binary search over the cumulative sums and a secant
// search for the end piece inside one metre.
//
// Foot of a plan point. foot(X, guess) is the continuous chainage u whose
// design-line tangent is at right angles to X − P(u), found by the secant
// method on f(u) = (X − P(u))·T(u) from the guess, with Alignment::point_at.
// It stops when |f| < 1e-9 m: the foot is then good to 1e-9 m (divided by
// 1 − κ·w, w the point's offset, κ the curvature; close to 1 on roads), so
// the surface under the point is good to 1e-10 m for grades below 10 %.
//
// Example:
//   RoadTable road(line, elevation, path, Direction::forward, 1000);
//   double z = road.target(1500.25, 160.0);  // target chainage
//   double t = road.length(1500.25, z);      // 160.0
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "alignment.h"
#include "mainline/primitives.h"
#include "profile/elevation.h"
#include "sight/eye_path.h"
#include "visibility/available_sight.h"

namespace lumora::visibility::detail {

using zxbas::Vec2;

/// Normals per block of bounds (the fast search's unit of skipping).
inline constexpr long kBlock = 16;

class RoadTable {
 public:
  RoadTable(const Alignment& line, const Elevation& elevation, const sight::EyePath& path,
            Direction direction, double reach);

  /// +1 forward (targets at increasing chainage), −1 backward.
  int sign() const { return sign_; }

  /// First and last whole metre of the table.
  double first() const { return m0_; }
  double last() const { return m0_ + static_cast<double>(n_ - 1); }
  bool holds(double c) const { return c >= first() && c <= last(); }

  /// Index of the whole metre m (m must be a whole metre of the table).
  long index(double m) const { return static_cast<long>(m - m0_); }
  double chainage(long i) const { return m0_ + static_cast<double>(i); }

  Vec2 point(long i) const { return p_[static_cast<std::size_t>(i)]; }
  /// Unit tangent in the direction of travel (towards the targets).
  Vec2 tangent(long i) const { return t_[static_cast<std::size_t>(i)]; }
  double surface(long i) const { return g_[static_cast<std::size_t>(i)]; }
  Vec2 eye_whole(long i) const { return e_[static_cast<std::size_t>(i)]; }

  /// Block b of normals i = b·kBlock … : the mean tangent (unit, direction of
  /// travel) and the cosine and sine of the largest angle between it and a
  /// tangent of the block.
  Vec2 block_tangent(long b) const { return bt_[static_cast<std::size_t>(b)]; }
  double block_cos(long b) const { return bc_[static_cast<std::size_t>(b)]; }
  double block_sin(long b) const { return bs_[static_cast<std::size_t>(b)]; }

  /// The eye point at any chainage (whole metres from the table).
  Vec2 eye(double c) const;
  /// Design-line point and unit tangent (direction of travel) at any c.
  void pose(double c, Vec2& p, Vec2& t) const;
  double elevation(double c) const {
    return std::floor(c) == c && holds(c) ? surface(index(c)) : elevation_->elevation_at(c);
  }

  /// The sum of the eye path's chords from the first whole metre of the
  /// table to whole metre i.
  double chord_sum(long i) const { return cum_[static_cast<std::size_t>(i)]; }

  /// Eye-path length from the eye at c to the target at z (z beyond c in
  /// the direction of travel); both inside the table.
  double length(double c, double z) const;
  /// The target chainage at eye-path length t > 0 from c; DataFormatError
  /// (naming c) when it lies beyond the table.
  double target(double c, double t) const;

  /// Perpendicular foot of X on the design line, from a guess.
  double foot(Vec2 x, double guess) const;

  const Alignment& line() const { return *line_; }
  /// A number of its own, different for every table made in this process.
  std::uint64_t id() const { return id_; }

 private:
  // Cumulative chord length up to whole metre i: cum_[i] − cum_[j] is the
  // eye-path length between the whole metres j < i.
  double cum(long i) const { return cum_[static_cast<std::size_t>(i)]; }
  // Solves |A E(z)| = r for z between the whole metres m and m + sign.
  double solve_piece(Vec2 a, double m, double r) const;

  const Alignment* line_;
  const Elevation* elevation_;
  const sight::EyePath* path_;
  int sign_;
  std::uint64_t id_;
  double m0_ = 0;
  long n_ = 0;
  std::vector<Vec2> p_, t_, e_;
  std::vector<double> g_, cum_;
  std::vector<Vec2> bt_;
  std::vector<double> bc_, bs_;
};

}  // namespace lumora::visibility::detail
