#include "sight/plane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "error.h"

using lumora::DataFormatError;
using lumora::sight::pt_line;
using lumora::sight::pt_pt;
using lumora::sight::zypsgn;
using lumora::zxbas::Vec2;

TEST(PlaneGeometry, DistancesToPointsAndLines) {
  EXPECT_EQ(pt_pt({3, 4}, {3, 4}), 0);
  EXPECT_DOUBLE_EQ(pt_pt({0, 0}, {3, 4}), 5);

  // The line is unbounded: a point beyond p2 is measured to its extension.
  EXPECT_NEAR(pt_line({0, 0}, {10, 0}, {5, 3}), 3, 1e-12);
  EXPECT_NEAR(pt_line({0, 0}, {10, 0}, {20, 3}), 3, 1e-12);
  EXPECT_NEAR(pt_line({0, 0}, {10, 0}, {20, -3}), 3, 1e-12);
  EXPECT_EQ(pt_line({0, 0}, {10, 0}, {4, 0}), 0);

  // Collinear points whose Heron product rounds below zero give 0, not NaN.
  const double x = 7.887233511355132;
  EXPECT_EQ(pt_line({0, 0}, {x, 2 * x}, {3 * x, 6 * x}), 0);

  // A line through one point twice is undefined.
  EXPECT_THROW(pt_line({1, 2}, {1, 2}, {5, 5}), DataFormatError);
}

TEST(PlaneGeometry, TurnSide) {
  EXPECT_EQ(zypsgn({0, 0}, {10, 0}, {20, 5}), -1);  // right turn
  EXPECT_EQ(zypsgn({0, 0}, {10, 0}, {20, -5}), 1);  // left turn across azimuth 0
  EXPECT_EQ(zypsgn({0, 0}, {10, 0}, {20, 0}), 1);   // straight on
  // Heading east: bending north is a left turn, south a right one.
  EXPECT_EQ(zypsgn({0, 0}, {0, 10}, {5, 20}), 1);
  EXPECT_EQ(zypsgn({0, 0}, {0, 10}, {-5, 20}), -1);
  EXPECT_EQ(zypsgn({0, 0}, {0, 10}, {-5, 0}), -1);
  // Reversals: +π counts as a right turn, −π as a left one.
  EXPECT_EQ(zypsgn({0, 0}, {10, 0}, {5, 0}), -1);
  EXPECT_EQ(zypsgn({10, 0}, {0, 0}, {5, 0}), 1);
  // Coincident points take the azimuth 3π/2: from 3π/2 to 0 is a turn of +π/2.
  EXPECT_EQ(zypsgn({0, 0}, {0, 0}, {10, 0}), -1);
  EXPECT_EQ(zypsgn({0, 0}, {10, 0}, {10, 0}), 1);
}

TEST(PlaneGeometry, TurnSignFromTheCrossProductAgreesWithTheAzimuths) {
  using lumora::sight::turn_sign_near;
  using lumora::zxbas::line_azimuth;
  // Eye points far from the origin, sight lines ahead and behind, with the
  // middle point moved off the line by amounts from metres down to below
  // the rounding of the coordinates; turns near straight on and near a
  // reversal (the middle point beyond an end).
  std::uint64_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(seed >> 11) / 9007199254740992.0;
  };
  for (int k = 0; k < 200000; ++k) {
    const double az = next() * 2 * lumora::zxbas::kPi;
    const Vec2 a{3400000 + next() * 1e4, 500000 + next() * 1e4};
    const double len = 1 + next() * 300;
    const Vec2 b{a.x + len * std::cos(az), a.y + len * std::sin(az)};
    const double t = next() * 1.4 - 0.2;
    const double off = std::ldexp(next() - 0.5, -static_cast<int>(next() * 60));
    const Vec2 c{a.x + t * (b.x - a.x) - off * std::sin(az),
                 a.y + t * (b.y - a.y) + off * std::cos(az)};
    ASSERT_EQ(turn_sign_near(c, a, b, line_azimuth(a, b)), zypsgn(c, a, b)) << k;
  }
}
