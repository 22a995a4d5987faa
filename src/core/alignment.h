// The one interface through which sight-distance and drawing code reads an
// alignment, whatever its kind (main line by PIs, interchange ramp by
// elements): the centre-line point and the forward azimuth at a continuous
// chainage.
#pragma once

namespace lumora {

/// A point of the design line. x is the first coordinate (north), y the
/// second (east); azimuth in radians from +x towards +y (clockwise with north
/// up), in [0, 2π).
struct Pose {
  double x = 0;
  double y = 0;
  double azimuth = 0;
};

class Alignment {
 public:
  virtual ~Alignment() = default;

  /// The centre-line point and forward azimuth at continuous chainage c. Any
  /// c is accepted: before the start and beyond the end the line continues
  /// along its end tangents.
  virtual Pose point_at(double c) const = 0;

  /// Continuous chainage of the start and of the end of the line.
  virtual double start_chainage() const = 0;
  virtual double end_chainage() const = 0;
};

}  // namespace lumora
