#include "mainline/primitives.h"

#include <gtest/gtest.h>

#include <cmath>

#include "mainline_test_util.h"

namespace lumora::zxbas {
namespace {

using test::gauss_legendre;

TEST(Primitives, LineAzimuthQuadrantsAndCoincidentPoints) {
  const Vec2 o{0, 0};
  EXPECT_DOUBLE_EQ(line_azimuth(o, {1, 0}), 0);
  EXPECT_FALSE(std::signbit(line_azimuth(o, {1, -0.0})));
  EXPECT_DOUBLE_EQ(line_azimuth(o, {0, 1}), kPi / 2);
  EXPECT_DOUBLE_EQ(line_azimuth(o, {-1, 0}), kPi);
  EXPECT_DOUBLE_EQ(line_azimuth(o, {0, -1}), 3 * kPi / 2);
  EXPECT_DOUBLE_EQ(line_azimuth(o, {1, -1}), 7 * kPi / 4);
  EXPECT_DOUBLE_EQ(line_azimuth(o, {1, 1}), kPi / 4);
  EXPECT_DOUBLE_EQ(line_azimuth(o, {-1, 1}), 3 * kPi / 4);
  EXPECT_DOUBLE_EQ(line_azimuth(o, {-1, -1}), 5 * kPi / 4);
  EXPECT_DOUBLE_EQ(line_azimuth({5, 5}, {5, 5}), 3 * kPi / 2);
  // Real survey coordinates: the azimuth does not depend on the offset.
  EXPECT_NEAR(line_azimuth({3400000, 500000}, {3400100, 500100}), kPi / 4, 1e-12);
}

TEST(Primitives, SpiralConstantsWorkedExampleAndZeroLength) {
  EXPECT_NEAR(spiral_q(100, 500), 49.983338, 5e-7);
  EXPECT_NEAR(spiral_p(100, 500), 0.833036, 5e-7);
  EXPECT_EQ(spiral_q(0, 500), 0);
  EXPECT_EQ(spiral_p(0, 500), 0);
  EXPECT_EQ(spiral_x(0, 50000), 0);
  EXPECT_EQ(spiral_y(0, 50000), 0);
  EXPECT_EQ(factorial(0), 1);
  EXPECT_EQ(factorial(10), 3628800);
  EXPECT_NEAR(factorial(170) / 7.257415615307994e306, 1, 1e-12);
  // q and p are the offsets of the arc's centre from the spiral origin:
  // centre = spiral end + R·normal, q = x − R·sin τ, p = y + R·cos τ − R.
  for (double r : {60.0, 500.0, 3000.0}) {
    for (double ls : {20.0, 100.0, 300.0}) {
      if (ls / (2 * r) > 1.2) continue;
      const double c = r * ls, tau = ls / (2 * r);
      EXPECT_NEAR(spiral_q(ls, r), spiral_x(ls, c) - r * std::sin(tau), 1e-10) << r << " " << ls;
      EXPECT_NEAR(spiral_p(ls, r), spiral_y(ls, c) + r * std::cos(tau) - r, 1e-10)
          << r << " " << ls;
    }
  }
}

// The series against an independent numerical integration of the clothoid
// x = ∫cos(s²/2c), y = ∫sin(s²/2c), for road spirals up to 500 m.
TEST(Primitives, SpiralSeriesAgreeWithNumericalIntegration) {
  const double combos[][2] = {{100, 40},   {250, 70},   {500, 100},  {400, 250}, {1000, 300},
                              {3000, 500}, {600, 500},  {250, 300},  {60, 35},   {30, 40},
                              {500, 500},  {1500, 450}, {2000, 150}, {350, 500}};
  for (const auto& rl : combos) {
    const double r = rl[0], len = rl[1];
    for (double sign : {1.0, -1.0}) {
      const double c = sign * r * len;
      for (double l : {len * 0.1, len * 0.37, len * 0.5, len * 0.81, len}) {
        const int panels = static_cast<int>(l / 5) + 1;
        const double xi =
            gauss_legendre([&](double s) { return std::cos(s * s / (2 * c)); }, 0, l, panels);
        const double yi =
            gauss_legendre([&](double s) { return std::sin(s * s / (2 * c)); }, 0, l, panels);
        EXPECT_NEAR(spiral_x(l, c), xi, 1e-9) << "R " << r << " L " << len << " l " << l;
        EXPECT_NEAR(spiral_y(l, c), yi, 1e-9) << "R " << r << " L " << len << " l " << l;
      }
    }
  }
  // Odd in the arc length: the branch behind the origin is the point mirror.
  EXPECT_DOUBLE_EQ(spiral_x(-80, 40000), -spiral_x(80, 40000));
  EXPECT_DOUBLE_EQ(spiral_y(-80, 40000), -spiral_y(80, 40000));
}

TEST(Primitives, TangentLengths) {
  const double r = 500, a = 30 * kPi / 180;
  const double p = spiral_p(100, r), q = spiral_q(100, r);
  // Equal spirals: both reduce to (R + p)·tan(α/2) + q, whatever the sign of α.
  EXPECT_NEAR(tangent_in(r, p, p, q, a), (r + p) * std::tan(a / 2) + q, 1e-9);
  EXPECT_NEAR(tangent_out(r, p, p, q, -a), (r + p) * std::tan(a / 2) + q, 1e-9);
  EXPECT_DOUBLE_EQ(tangent_in(r, p, p, q, a), tangent_out(r, p, p, q, a));
  // Unequal spirals: the tangent on the side of the longer spiral is longer.
  const double p2 = spiral_p(200, r), q2 = spiral_q(200, r);
  EXPECT_GT(tangent_out(r, p, p2, q2, a), tangent_in(r, p, p2, q, a));
  // A turn through more than π gives negative tangents with a positive radius.
  EXPECT_LT(tangent_in(40, 0, 0, 0, 200 * kPi / 180), 0);
}

TEST(Primitives, LineIntersectionForms) {
  Vec2 out{-1, -1};
  ASSERT_TRUE(line_intersect(0, 0, 2, 2, 0, 2, 2, 0, out));
  EXPECT_DOUBLE_EQ(out.x, 1);
  EXPECT_DOUBLE_EQ(out.y, 1);
  ASSERT_TRUE(line_intersect(3, 0, 3, 5, 0, 1, 1, 2, out));  // line 1 at constant x
  EXPECT_DOUBLE_EQ(out.x, 3);
  EXPECT_DOUBLE_EQ(out.y, 4);
  ASSERT_TRUE(line_intersect(0, 1, 1, 2, 3, 0, 3, 5, out));  // line 2 at constant x
  EXPECT_DOUBLE_EQ(out.x, 3);
  EXPECT_DOUBLE_EQ(out.y, 4);
  out = {7, 7};
  EXPECT_FALSE(line_intersect(1, 0, 1, 5, 2, 0, 2, 5, out));  // both at constant x
  EXPECT_EQ(out.x, 7);

  // The vector form agrees, also where the slope form loses its digits
  // (a line running almost east, i.e. almost at constant x).
  ASSERT_TRUE(tangent_intersect({0, 0}, kPi / 4, {0, 2}, 3 * kPi / 4, out));
  EXPECT_NEAR(out.x, 1, 1e-12);
  EXPECT_NEAR(out.y, 1, 1e-12);
  ASSERT_TRUE(tangent_intersect({-50, -100}, kPi / 2, {0, 0}, kPi / 4, out));
  EXPECT_NEAR(out.x, -50, 1e-9);
  EXPECT_NEAR(out.y, -50, 1e-9);
  EXPECT_FALSE(tangent_intersect({0, 0}, 0.3, {5, 5}, 0.3 + kPi, out));  // parallel
}

TEST(Primitives, ArcAndRotation) {
  // A quarter circle of radius 100 to the right from a tangent pointing north
  // ends 100 north and 100 east; to the left, 100 west.
  EXPECT_NEAR(arc_x(50 * kPi, 100), 100, 1e-12);
  EXPECT_NEAR(arc_y(50 * kPi, 100), 100, 1e-12);
  EXPECT_NEAR(arc_y(50 * kPi, -100), -100, 1e-12);
  EXPECT_EQ(arc_x(0, 100), 0);
  const Vec2 v = rotate(kPi / 2, 1, 0);  // a local x step along azimuth π/2 goes east
  EXPECT_NEAR(v.x, 0, 1e-15);
  EXPECT_NEAR(v.y, 1, 1e-15);
  const Vec2 w = rotate(kPi / 2, 0, 1);  // local y (to the right) of an eastward tangent is south
  EXPECT_NEAR(w.x, -1, 1e-15);
  EXPECT_NEAR(w.y, 0, 1e-15);
  EXPECT_DOUBLE_EQ(reduce_azimuth(-0.5), 2 * kPi - 0.5);
  EXPECT_NEAR(reduce_azimuth(7 * kPi), kPi, 1e-14);
  EXPECT_EQ(reduce_azimuth(-1e-18), 0);
}

}  // namespace
}  // namespace lumora::zxbas
