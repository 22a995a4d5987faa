// Small exact alignments for the sight-distance tests: a straight and a
// tangent–circular arc–tangent line, both evaluated in closed form.
#pragma once

#include <cmath>

#include "alignment.h"
#include "mainline/primitives.h"

namespace lumora::sight::testing {

inline double reduce_azimuth(double a) {
  const double two_pi = 2 * zxbas::kPi;
  a = std::fmod(a, two_pi);
  return a < 0 ? a + two_pi : a;
}

// A straight through (0, 0) at chainage 0 with the given azimuth.
class StraightLine : public Alignment {
 public:
  StraightLine(double start, double end, double azimuth = 0)
      : start_(start), end_(end), azimuth_(azimuth) {}
  Pose point_at(double c) const override {
    return {c * std::cos(azimuth_), c * std::sin(azimuth_), azimuth_};
  }
  double start_chainage() const override { return start_; }
  double end_chainage() const override { return end_; }

 private:
  double start_, end_, azimuth_;
};

// Tangent, circular arc of radius r from chainage cs to ce, tangent. The arc
// starts at (0, 0) with azimuth 0 (north); turn = +1 bends right, −1 left.
// The arc may reach before the reported start or beyond the end.
class ArcLine : public Alignment {
 public:
  ArcLine(double start, double end, double cs, double ce, double r, int turn)
      : start_(start), end_(end), cs_(cs), ce_(ce), r_(r), turn_(turn) {}

  Pose point_at(double c) const override {
    if (c <= cs_) return {c - cs_, 0, 0};
    if (c <= ce_) return on_arc(c);
    const Pose e = on_arc(ce_);
    return {e.x + (c - ce_) * std::cos(e.azimuth), e.y + (c - ce_) * std::sin(e.azimuth),
            e.azimuth};
  }
  double start_chainage() const override { return start_; }
  double end_chainage() const override { return end_; }

 private:
  Pose on_arc(double c) const {
    const double half = turn_ * zxbas::kPi / 2;
    const double az = turn_ * (c - cs_) / r_;
    // Centre r to the side of the turn from the arc's start.
    const double cx = r_ * std::cos(half);
    const double cy = r_ * std::sin(half);
    return {cx - r_ * std::cos(az + half), cy - r_ * std::sin(az + half), reduce_azimuth(az)};
  }

  double start_, end_, cs_, ce_, r_;
  int turn_;
};

}  // namespace lumora::sight::testing
