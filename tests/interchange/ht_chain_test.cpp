#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "error.h"
#include "interchange/interchange.h"
#include "mainline/primitives.h"

using namespace lumora::htbas;

namespace {

constexpr double kPi = 3.14159265358979323846;

Interchange line_of(double chainage, double x, double y, double dms, std::vector<HtRow> rows) {
  HtFile f;
  f.ht_start_chainage = chainage;
  f.ht_start_x = x;
  f.ht_start_y = y;
  f.ht_start_azimuth = dms;
  f.ht_elements_read = std::move(rows);
  f.file = "t.txt";
  return Interchange::build(f);
}

}  // namespace

TEST(HtDms, DegreesMinutesSeconds) {
  EXPECT_NEAR(ht_dms_to_degrees(45.3020), 45 + 30 / 60.0 + 20 / 3600.0, 1e-12);
  EXPECT_NEAR(ht_dms_to_degrees(45.302055), 45 + 30 / 60.0 + 20.55 / 3600.0, 1e-12);
  EXPECT_EQ(ht_dms_to_degrees(-10.3000), -10.5);
  EXPECT_EQ(ht_dms_to_degrees(0), 0);
  // Whole minutes whose decimal fraction is stored just below the written
  // value: read as written, not as 1°14′100″ or 0°28′100″.
  EXPECT_NEAR(ht_dms_to_degrees(1.1500), 1.25, 1e-12);
  EXPECT_NEAR(ht_dms_to_degrees(0.2900), 29 / 60.0, 1e-12);
  EXPECT_NEAR(ht_dms_to_degrees(-2.0100), -(2 + 1 / 60.0), 1e-12);
}

TEST(HtBuild, StraightsArcsAndAzimuthReduction) {
  const auto s = line_of(1000, 0, 0, 0.0000, {{9999, 9999, 100}});
  EXPECT_EQ(s.kind(1), HtKind::straight);
  EXPECT_NEAR(s.ht_x(2), 100, 1e-12);
  EXPECT_NEAR(s.ht_y(2), 0, 1e-12);
  EXPECT_EQ(s.ht_azimuth(2), 0);
  EXPECT_EQ(s.end_chainage(), 1100);

  const double q = 100 * kPi / 2;
  const auto right = line_of(0, 0, 0, 0, {{100, 100, q}});
  EXPECT_EQ(right.kind(1), HtKind::arc);
  EXPECT_NEAR(right.ht_azimuth(2), kPi / 2, 1e-12);
  EXPECT_NEAR(right.ht_dx(1), 100, 1e-9);
  EXPECT_NEAR(right.ht_dy(1), 100, 1e-9);
  const auto left = line_of(0, 0, 0, 0, {{-100, -100, q}});
  EXPECT_NEAR(left.ht_deflection(1), -kPi / 2, 1e-12);
  EXPECT_NEAR(left.ht_azimuth(2), 3 * kPi / 2, 1e-12);  // reduced from −π/2
  EXPECT_NEAR(left.ht_dx(1), 100, 1e-9);
  EXPECT_NEAR(left.ht_dy(1), -100, 1e-9);

  const auto neg = line_of(0, 0, 0, -10.3000, {});
  EXPECT_NEAR(neg.ht_start_azimuth(), -10.5 * kPi / 180, 1e-15);
  EXPECT_NEAR(neg.ht_azimuth(1), 349.5 * kPi / 180, 1e-12);
  EXPECT_EQ(line_of(0, 0, 0, 360.0000, {}).ht_azimuth(1), 0);
  EXPECT_EQ(line_of(0, 0, 0, -360.0000, {}).ht_azimuth(1), 0);
  // A huge azimuth is reduced without looping for ever.
  const double big = line_of(0, 0, 0, 1e18, {}).ht_azimuth(1);
  EXPECT_TRUE(big >= 0 && big < 2 * kPi);
}

TEST(HtBuild, SpiralDeflectionsAndTheSplitOfSShapes) {
  // Entry 9999→200 and exit 200→9999, 60 m each: 0.15 rad each and a pair
  // symmetric about its middle, so the chord runs along the mean azimuth.
  const auto p = line_of(0, 0, 0, 0, {{9999, 200, 60}, {200, 9999, 60}});
  EXPECT_EQ(p.kind(1), HtKind::entry_spiral);
  EXPECT_EQ(p.kind(2), HtKind::exit_spiral);
  EXPECT_NEAR(p.ht_deflection(1), 0.15, 1e-15);
  EXPECT_NEAR(p.ht_deflection(2), 0.15, 1e-15);
  EXPECT_NEAR(std::atan2(p.ht_y(3), p.ht_x(3)), 0.15, 1e-12);
  EXPECT_NEAR(std::hypot(p.ht_dx(1), p.ht_dy(1)), std::hypot(p.ht_dx(2), p.ht_dy(2)), 1e-12);
  EXPECT_NEAR(line_of(0, 0, 0, 0, {{300, 600, 40}}).ht_deflection(1),
              40 * (1 / 300.0 + 1 / 600.0) / 2, 1e-15);

  const std::vector<HtRow> rows{{9999, 9999, 10, 2},
                                {300, -600, 90, 3},
                                {50, 50, 20, 4},
                                {-80, 40, 30, 5},
                                {9999, 9999, 5, 6}};
  const auto split = ht_split(rows);
  ASSERT_EQ(split.size(), 7u);
  EXPECT_EQ(split[1].r1, 300);
  EXPECT_EQ(split[1].r2, 9999);
  EXPECT_NEAR(split[1].len, 60, 1e-12);
  EXPECT_EQ(split[2].r1, 9999);
  EXPECT_EQ(split[2].r2, -600);
  EXPECT_NEAR(split[2].len, 30, 1e-12);
  EXPECT_EQ(split[3].r1, 50);            // later rows move up by one, then by two
  EXPECT_NEAR(split[4].len, 10, 1e-12);  // −80 → 40: zero curvature at 2/3
  EXPECT_NEAR(split[5].len, 20, 1e-12);
  EXPECT_EQ(split[6].len, 5);
  EXPECT_EQ(split[6].line, 6);
  const auto b = line_of(0, 0, 0, 0, rows);
  EXPECT_EQ(b.ht_count(), 7);
  EXPECT_EQ(b.kind(3), HtKind::entry_spiral);
  EXPECT_NEAR(b.end_chainage(), 155, 1e-12);
}

TEST(HtPoint, StartsEndsTangentsAndEmptyLine) {
  const auto h = line_of(100, 10, 20, 30.0000,
                         {{9999, 9999, 50}, {9999, 200, 60}, {200, 200, 40}, {200, 9999, 60}});
  double x, y, az;
  // Exactly on an element's start: that element at d = 0.
  h.ht_point(h.ht_chainage(3), x, y, az);
  EXPECT_EQ(x, h.ht_x(3));
  EXPECT_EQ(y, h.ht_y(3));
  EXPECT_EQ(az, h.ht_azimuth(3));
  // Entry spiral end: a + 60²/(2·12000) = a + 0.15.
  h.ht_point(h.ht_chainage(3) - 1e-9, x, y, az);
  EXPECT_NEAR(az, h.ht_azimuth(2) + 0.15, 1e-9);
  // End of the line: end point and end azimuth.
  h.ht_point(h.end_chainage(), x, y, az);
  EXPECT_EQ(x, h.ht_x(5));
  EXPECT_EQ(az, h.ht_azimuth(5));
  // 500 m before the start and beyond the end, on the tangents.
  h.ht_point(100 - 500, x, y, az);
  EXPECT_NEAR(x, 10 - 500 * std::cos(kPi / 6), 1e-9);
  EXPECT_NEAR(y, 20 - 500 * std::sin(kPi / 6), 1e-9);
  EXPECT_EQ(az, h.ht_azimuth(1));
  h.ht_point(h.end_chainage() + 500, x, y, az);
  EXPECT_NEAR(x, h.ht_x(5) + 500 * std::cos(h.ht_azimuth(5)), 1e-9);
  EXPECT_NEAR(y, h.ht_y(5) + 500 * std::sin(h.ht_azimuth(5)), 1e-9);
  EXPECT_THROW(h.ht_point(std::nan(""), x, y, az), lumora::DataFormatError);
  EXPECT_THROW(h.ht_x(6), lumora::DataFormatError);
  EXPECT_THROW(h.ht_r1(0), lumora::DataFormatError);

  // Without elements every chainage lies on the line through the start.
  const auto e = line_of(100, 10, 20, -90.0000, {});
  for (double c : {-300.0, 100.0, 700.0}) {
    const auto p = e.point_at(c);
    EXPECT_NEAR(p.x, 10, 1e-9);
    EXPECT_NEAR(p.y, 20 - (c - 100), 1e-9);
    EXPECT_NEAR(p.azimuth, 1.5 * kPi, 1e-12);
  }
  // point_at reduces what ht_point leaves unreduced.
  const auto r = line_of(0, 0, 0, 359.3000, {{9999, 50, 40}});
  r.ht_point(30, x, y, az);
  EXPECT_GT(az, 2 * kPi);
  EXPECT_NEAR(r.point_at(30).azimuth, az - 2 * kPi, 1e-12);
}

TEST(HtSeries, SpiralDifferencesAndStations) {
  using lumora::zxbas::spiral_x;
  using lumora::zxbas::spiral_y;
  EXPECT_NEAR(ht_spiral_dx(20, 70, 9000), spiral_x(70, 9000) - spiral_x(20, 9000), 1e-12);
  EXPECT_NEAR(ht_spiral_dy(20, 70, -9000), spiral_y(70, -9000) - spiral_y(20, -9000), 1e-12);
  EXPECT_NEAR(ht_spiral_dx(-70, -20, 9000), ht_spiral_dx(20, 70, 9000), 1e-12);  // odd in l
  EXPECT_NEAR(ht_spiral_dy(-70, -20, 9000), ht_spiral_dy(20, 70, 9000), 1e-12);
  EXPECT_EQ(ht_spiral_dx(0, 0, 5000), 0);

  EXPECT_EQ(ht_spiral_station(0, 60, 9999, 200), 0);
  EXPECT_NEAR(ht_spiral_station(360, 60, 9999, 200), 60, 1e-12);
  EXPECT_NEAR(ht_spiral_station(90, 80, 9999, 200), 40, 1e-12);  // angle ∝ s²
  EXPECT_EQ(ht_spiral_station(180, 30, 9999, 9999), 15);
  EXPECT_EQ(ht_spiral_station(180, 30, -80, -80), 15);
  // For every kind of spiral the stations split the turn in equal steps.
  const std::vector<HtRow> kinds{{9999, -150, 80}, {250, 9999, 70}, {-120, 9999, 50}, {60, 200, 50},
                                 {300, 120, 60},   {-80, -250, 45}, {-400, -90, 70}};
  for (const HtRow& r : kinds) {
    const auto h = line_of(0, 0, 0, 0, {r});
    EXPECT_NEAR(ht_spiral_station(0, r.len, r.r1, r.r2), 0, 1e-9);
    EXPECT_NEAR(ht_spiral_station(360, r.len, r.r1, r.r2), r.len, 1e-9);
    for (double f : {60.0, 180.0, 300.0}) {
      double x, y, az;
      h.element_point(1, ht_spiral_station(f, r.len, r.r1, r.r2), x, y, az);
      EXPECT_NEAR(std::remainder(az - h.ht_deflection(1) * f / 360, 2 * kPi), 0, 1e-12)
          << r.r1 << " " << r.r2 << " " << f;
    }
  }
}
