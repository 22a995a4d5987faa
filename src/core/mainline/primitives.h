// Geometry primitives of the main line: azimuth of a segment, the clothoid
// (spiral) coordinates and constants as power series, the tangent lengths of
// a curve with unequal spirals, a line-line intersection and the local
// coordinates on a circular arc.
//
// Plane convention: a point is (x, y), x north and y east; an azimuth is
// measured from +x towards +y and lies in [0, 2π); the direction of azimuth a
// is (cos a, sin a). A deflection is positive for a turn to the right.
//
// The spiral series are the Fresnel-type expansions of the clothoid
//   x(l) = ∫ cos(s²/2c) ds,  y(l) = ∫ sin(s²/2c) ds   (c = A² = R·L),
// summed until a term falls below 1e-20. For l ≤ 1.5·|A| (every spiral of a
// road, whose turn l²/2c stays below about 1.1 rad) the sums agree with a
// numerical integration of the clothoid to better than 1e-9 m.
//
// Example:
//   double x = spiral_x(100.0, 500.0 * 100.0);   // 99.900046..., the abscissa
//   double y = spiral_y(100.0, 500.0 * 100.0);   // 3.330953...,  the ordinate
//
// The procedures keep no state. They do not trap floating-point faults; their
// callers check that no infinity or NaN leaves a build.
#pragma once

#include <cmath>

namespace lumora::zxbas {

inline constexpr double kPi = 3.14159265358979323846;

struct Vec2 {
  double x = 0;
  double y = 0;
};

/// Azimuth of the direction p -> q in [0, 2π); coincident points give 3π/2.
double line_azimuth(Vec2 p, Vec2 q);

/// n! in double precision (n >= 0).
double factorial(int n);

/// Tangent offset q of a spiral of length ls ending at radius r.
double spiral_q(double ls, double r);
/// Shift p of a spiral of length ls ending at radius r.
double spiral_p(double ls, double r);
/// Abscissa along the origin tangent at arc length l from the spiral origin;
/// c = R·L, the spiral constant A².
double spiral_x(double l, double c);
/// Ordinate at arc length l; it has the sign of c (c > 0: to the right).
double spiral_y(double l, double c);

/// Entry tangent length T1 of a curve with unequal spirals; only |angle| enters.
double tangent_in(double r, double p1, double p2, double q1, double angle);
/// Exit tangent length T2.
double tangent_out(double r, double p1, double p2, double q2, double angle);

/// Intersection of the line through (x1,y1),(x2,y2) with the line through
/// (x3,y3),(x4,y4). Returns false, leaving out untouched, when both lines run
/// at constant x; parallel lines otherwise give infinite or NaN coordinates.
bool line_intersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                    double y4, Vec2& out);

/// Position on a circular arc after arc length l, in the frame of the arc's
/// start tangent; r > 0 bends to the right, r < 0 to the left.
double arc_x(double l, double r);
double arc_y(double l, double r);

/// Intersection of the line through p with azimuth az_p and the line through
/// q with azimuth az_q, solved in vector form (well conditioned whatever the
/// directions, unlike the slope form of line_intersect). Returns false for
/// parallel lines, leaving out untouched.
bool tangent_intersect(Vec2 p, double az_p, Vec2 q, double az_q, Vec2& out);

/// rot(u)(a, b): the local vector (a, b) turned by the azimuth u.
inline Vec2 rotate(double u, double a, double b) {
  return {a * std::cos(u) - b * std::sin(u), a * std::sin(u) + b * std::cos(u)};
}

/// Unit direction of azimuth a.
Vec2 direction(double a);

/// a reduced into [0, 2π).
double reduce_azimuth(double a);

}  // namespace lumora::zxbas
