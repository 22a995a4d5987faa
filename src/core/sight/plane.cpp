#include "sight/plane.h"

#include <cmath>

#include "error.h"

namespace lumora::sight {

double pt_pt(zxbas::Vec2 p1, zxbas::Vec2 p2) {
  return std::sqrt((p2.x - p1.x) * (p2.x - p1.x) + (p2.y - p1.y) * (p2.y - p1.y));
}

double pt_line(zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3) {
  return pt_line_on(pt_pt(p1, p2), p1, p2, p3);
}

double pt_line_on(double a, zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3) {
  if (a == 0) throw DataFormatError("直线的两个端点重合，无法求点到直线的距离");
  const double b = pt_pt(p2, p3);
  const double c = pt_pt(p3, p1);
  const double s = (a + b + c) / 2;
  const double q = s * (s - a) * (s - b) * (s - c);
  // Nearly collinear points can round the product below zero.
  if (q < 0) return 0;
  return 2 * std::sqrt(q) / a;
}

int zypsgn(zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3) {
  return turn_sign(zxbas::line_azimuth(p1, p2), zxbas::line_azimuth(p2, p3));
}

int turn_sign(double a1, double a2) {
  double d = a2 - a1;
  if (d < -zxbas::kPi) {
    d += 2 * zxbas::kPi;
  } else if (d > zxbas::kPi) {
    d -= 2 * zxbas::kPi;
  }
  return d > 0 ? -1 : 1;
}

int turn_sign_near(zxbas::Vec2 p1, zxbas::Vec2 p2, zxbas::Vec2 p3, double a23) {
  // u = p2 − p1, v = p3 − p2: u × v > 0 when v points towards a greater
  // azimuth (a turn to the right), and |u × v| = |u|·|v|·|sin θ|. The sums
  // of the absolute components bound |u| and |v| from above, so beyond the
  // margin |sin θ| > kTurnMargin (less the rounding of the cross product,
  // 2e-16 of the same scale): without square roots, and on the safe side.
  const double ux = p2.x - p1.x;
  const double uy = p2.y - p1.y;
  const double vx = p3.x - p2.x;
  const double vy = p3.y - p2.y;
  const double cross = ux * vy - uy * vx;
  const double margin =
      kTurnMargin * (std::fabs(ux) + std::fabs(uy)) * (std::fabs(vx) + std::fabs(vy));
  if (cross > margin) return -1;
  if (cross < -margin) return 1;
  return turn_sign(zxbas::line_azimuth(p1, p2), a23);
}

}  // namespace lumora::sight
