#include "sight/plane.h"

#include <gtest/gtest.h>

#include "error.h"

using lumora::DataFormatError;
using lumora::sight::pt_line;
using lumora::sight::pt_pt;
using lumora::sight::zypsgn;

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
