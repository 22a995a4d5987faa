// The one interface through which sight-distance code reads the road's
// height: the elevation of the design line and its grade at a continuous
// chainage. A vertical alignment (a profile of PVIs and vertical curves)
// implements it; so may a later source (a surface, superelevation), and a
// level road stands in where no profile was read.
#pragma once

namespace lumora {

class Elevation {
 public:
  virtual ~Elevation() = default;

  /// Elevation of the design line in metres at continuous chainage c. Any c
  /// is accepted: before the first and beyond the last PVI the end grades
  /// continue.
  virtual double elevation_at(double c) const = 0;

  /// Grade dz/dc (a ratio, not per cent) at continuous chainage c.
  virtual double grade_at(double c) const = 0;
};

/// The road without a profile: level, elevation 0 everywhere.
class LevelRoad final : public Elevation {
 public:
  double elevation_at(double) const override { return 0; }
  double grade_at(double) const override { return 0; }
};

}  // namespace lumora
