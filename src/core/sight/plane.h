// Plane geometry of the sight-distance computation: the distance between two
// points, the distance from a point to the (unbounded) line through two
// points, and the side to which a path of three points turns.
//
// Points are zxbas::Vec2 {x, y}, x north and y east, in metres; azimuths are
// those of zxbas::line_azimuth (from +x towards +y, in [0, 2π)).
//
// Accuracy: pt_pt is exact to rounding (relative 1e-16). pt_line uses
// Heron's formula on the three side lengths, which loses precision for very
// flat triangles: for points within a few hundred metres the height is good
// to about 1e-6 m, ample for clearances given to the millimetre; a flat
// triangle whose Heron product rounds below zero gives 0.
//
// Algorithm: Heron's formula for the area of a triangle, h = 2·area / base;
// the turn of p1 → p2 → p3 from the difference of the two azimuths reduced
// to [−π, π].
//
// Example:
//   pt_line({0, 0}, {10, 0}, {20, 3});   // 3: the line is not cut at p2
//   zypsgn({0, 0}, {10, 0}, {20, 5});    // -1: the path turns right
//
// The functions keep no state.
#pragma once

#include "mainline/primitives.h"

namespace lumora::sight {

/// Distance between p1 and p2.
double pt_pt(zxbas::Vec2 p1, zxbas::Vec2 p2);

/// Distance from p3 to the line through p1 and p2, never negative. Throws
/// DataFormatError when p1 and p2 coincide (the line is undefined).
double pt_line(zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3);

/// −1 when the path p1 → p2 → p3 turns to the right (clockwise with north
/// up, towards increasing azimuth), +1 when it turns left or goes straight
/// on. An exact reversal gives −1 when the raw azimuth difference is +π and
/// +1 when it is −π.
int zypsgn(zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3);

/// pt_line(p1, p2, p3) with its base a = pt_pt(p1, p2) already known: the
/// same arithmetic, for a line measured against many points.
double pt_line_on(double a, zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3);

/// zypsgn from the two azimuths a1 = line_azimuth(p1, p2) and
/// a2 = line_azimuth(p2, p3).
int turn_sign(double a1, double a2);

/// Relative size of the cross product below which turn_sign_near asks the
/// azimuths.
constexpr double kTurnMargin = 1e-12;

/// zypsgn(p1, p2, p3), given a23 = line_azimuth(p2, p3). The azimuths of
/// zypsgn are good to a few 1e-15 rad (rounding of the quotient, the arc
/// tangent, the additions of π and the reduction), so wherever the path
/// turns by more than about kTurnMargin rad away from straight on and from
/// a reversal, the sign of the cross product decides as they would; only
/// nearer to those are the azimuths evaluated. The result is zypsgn's in
/// every case.
int turn_sign_near(zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3, double a23);

}  // namespace lumora::sight
