#include "sight/clearance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "error.h"
#include "sight/plane.h"
#include "test_alignments.h"
#include "text/format.h"

using lumora::Alignment;
using lumora::DataFormatError;
using lumora::Pose;
using lumora::sight::Clearance;
using lumora::sight::EyeOffset;
using lumora::sight::EyeOffsetTable;
using lumora::sight::EyePath;
using lumora::sight::fit_sight_start;
using lumora::sight::maxhjs;
using lumora::sight::pt_line;
using lumora::sight::Side;
using lumora::sight::testing::ArcLine;
using lumora::sight::testing::StraightLine;

namespace {

// Middle ordinate of a chord whose arc on a circle of radius r is s long.
double middle_ordinate(double r, double s) {
  return r * (1 - std::cos(s / (2 * r)));
}

std::string format_error(const EyePath& p, double c, double s) {
  try {
    maxhjs(p, c, s, Side::inside);
  } catch (const DataFormatError& e) {
    return e.detail();
  }
  return "no error";
}

}  // namespace

TEST(Clearance, LongCircularCurveGivesTheMiddleOrdinate) {
  for (double r : {250.0, 400.0, 650.0, 1000.0, 2000.0}) {
    const ArcLine right(0, 1200, 0, 1200, r, 1);
    const ArcLine left(0, 1200, 0, 1200, r, -1);
    const auto eye_right = EyePath::build(right, EyeOffset::constant(-7.25));
    const auto eye_left = EyePath::build(left, EyeOffset::constant(7.25));
    const double inner = r - 7.25;
    for (double s : {75.0, 110.0, 160.0, 210.0}) {
      const double m = middle_ordinate(inner, s);
      // Eye inside a right-hand curve: every sight line passes to its right.
      const Clearance in = maxhjs(eye_right, 600, s, Side::inside);
      EXPECT_NEAR(in.maxhjj, -m, 0.005) << "R " << r << " S " << s;
      EXPECT_DOUBLE_EQ(in.eye_offset, -7.25);
      EXPECT_EQ(maxhjs(eye_right, 600, s, Side::median).maxhjj, 0);
      // The mirror image: eye inside a left-hand curve, on the left.
      EXPECT_NEAR(maxhjs(eye_left, 600, s, Side::inside).maxhjj, m, 0.005);
      EXPECT_EQ(maxhjs(eye_left, 600, s, Side::median).maxhjj, 0);
    }
  }
  // Eye on the right of a left-hand curve, i.e. outside it: "中央带" looks
  // across the design line towards the centre.
  const ArcLine left(0, 1200, 0, 1200, 400, -1);
  const auto outside = EyePath::build(left, EyeOffset::constant(-7.25));
  EXPECT_NEAR(maxhjs(outside, 600, 110, Side::median).maxhjj, middle_ordinate(407.25, 110), 0.005);
  EXPECT_EQ(maxhjs(outside, 600, 110, Side::inside).maxhjj, 0);
}

TEST(Clearance, StraightGivesZeroOnBothSides) {
  const StraightLine line(0, 2000, 0.7);
  for (double d : {-7.25, 0.0, 4.0}) {
    const auto p = EyePath::build(line, EyeOffset::constant(d));
    for (Side side : {Side::median, Side::inside}) {
      const Clearance c = maxhjs(p, 1000.4, 110, side);
      EXPECT_EQ(lumora::text::format_fixed3(c.maxhjj), "0.000");
      for (double v : c.profile) EXPECT_LT(std::fabs(v), 1e-4);
      EXPECT_TRUE(c.fallback_chainages.empty());
    }
  }
}

TEST(Clearance, SightLinesOfAFractionalSightDistance) {
  const ArcLine line(0, 1200, 0, 1200, 400, 1);
  const auto p = EyePath::build(line, EyeOffset::constant(-7.25));
  const Clearance c = maxhjs(p, 600, 110.5, Side::inside);
  EXPECT_EQ(c.profile.size(), 111u);
  EXPECT_EQ(c.maxhzdzh, 710);
  EXPECT_NEAR(p.ypjplus_js(c.maxhqdzh, c.maxhzdzh), 110.5, 0.001);
  // The eye path inside the curve is shorter than the chainage span.
  EXPECT_LT(c.maxhqdzh, 710 - 110.5);
}

TEST(Clearance, SightLinesStartingAtTheEyeCountZero) {
  // Eye outside a left-hand curve: the eye path is longer than the chainage
  // span, so the last sight lines (i ≥ 107 for S = 110) start beyond jszh.
  const ArcLine line(0, 1200, 0, 1200, 250, -1);
  const auto p = EyePath::build(line, EyeOffset::constant(-7.25));
  const double jszh = 600;
  const Clearance c = maxhjs(p, jszh, 110, Side::inside);
  ASSERT_EQ(c.profile.size(), 111u);
  for (std::size_t i = 1; i <= 106; ++i) EXPECT_GT(c.profile[i], 0) << i;
  for (std::size_t i = 107; i <= 110; ++i) EXPECT_EQ(c.profile[i], 0) << i;
  EXPECT_GT(c.maxhqdzh, jszh);
  // Measured, the last sight line would lie to the right of the eye and give
  // the inside a negative clearance; it does not pass the eye, so 0.
  const auto a = p.eye_point(c.maxhqdzh);
  const auto b = p.eye_point(c.maxhzdzh);
  EXPECT_GT(pt_line(a, b, p.eye_point(jszh)), 0.05);
  EXPECT_EQ(c.maxhjj, 0);
  EXPECT_GT(maxhjs(p, jszh, 110, Side::median).maxhjj, 5);
}

TEST(Clearance, SteppedEyeOffsetTerminatesWithoutShortSightLines) {
  // The eye moves 4.25 m towards the line at chainage 500: the eye path has a
  // jump there, and sight lines that start at it do not settle.
  const StraightLine line(0, 2000);
  const auto table = EyeOffsetTable::from_rows(
      {{0, "0", -7.25, 1}, {500, "500", -7.25, 2}, {500, "500", -3, 3}, {2000, "2000", -3, 4}});
  const auto p = EyePath::build(line, EyeOffset::table(table));
  const double jszh = 560;
  const double s = 110;
  const Clearance c = maxhjs(p, jszh, s, Side::inside);
  ASSERT_FALSE(c.fallback_chainages.empty());
  for (double q : c.fallback_chainages) {
    EXPECT_NEAR(q, 500, 1);
    EXPECT_LT(q, 500);  // on the side of the jump where the eye path is long enough
  }
  std::size_t bisected = 0;
  for (int i = 0; i <= 110; ++i) {
    const auto fit = fit_sight_start(p, jszh - s + i, jszh + i, s, jszh);
    EXPECT_GE(p.ypjplus_js(fit.q, jszh + i), s - 0.001) << i;
    if (fit.bisected) {
      ASSERT_LT(bisected, c.fallback_chainages.size());
      EXPECT_EQ(fit.q, c.fallback_chainages[bisected]);
      ++bisected;
    }
  }
  EXPECT_EQ(bisected, c.fallback_chainages.size());
  EXPECT_DOUBLE_EQ(c.eye_offset, -3);
}

TEST(Clearance, ImpossibleSightLinesAreErrors) {
  const StraightLine line(0, 1000);
  const auto p = EyePath::build(line, EyeOffset::constant(-7.25));
  // The eye path reaches 500 m beyond each end.
  EXPECT_NO_THROW(maxhjs(p, 1390, 110, Side::inside));
  EXPECT_NO_THROW(maxhjs(p, -390, 110, Side::inside));
  EXPECT_NE(format_error(p, 1391, 110).find("桩号 1391.000: 视线超出视点轨迹表范围"),
            std::string::npos);
  EXPECT_NE(format_error(p, -392, 110).find("桩号 -392.000"), std::string::npos);
  EXPECT_NE(format_error(p, 500, 1e12).find("视点轨迹表"), std::string::npos);
  EXPECT_NE(format_error(p, 500, 0).find("视距"), std::string::npos);
  EXPECT_THROW(maxhjs(p, 500, -110, Side::inside), DataFormatError);
  EXPECT_THROW(maxhjs(p, 500, std::numeric_limits<double>::quiet_NaN(), Side::inside),
               DataFormatError);
  EXPECT_THROW(maxhjs(p, std::numeric_limits<double>::infinity(), 110, Side::inside),
               DataFormatError);

  // Inside a tight curve the fitted start moves back further than S: near
  // the start of the table it leaves the table although jszh − S does not.
  const ArcLine tight(0, 1000, -2000, 3000, 50, 1);
  const auto pt = EyePath::build(tight, EyeOffset::constant(-7.25));
  EXPECT_NE(format_error(pt, -390, 110).find("桩号 -390.000"), std::string::npos);

  // A line that doubles back on itself: the eye points 120 m apart along the
  // path coincide, so the sight line between them has no direction.
  struct Folded : Alignment {
    Pose point_at(double c) const override {
      return c <= 60 ? Pose{c, 0, 0} : Pose{120 - c, 0, lumora::zxbas::kPi};
    }
    double start_chainage() const override { return 0; }
    double end_chainage() const override { return 120; }
  };
  const Folded folded;
  const auto pf = EyePath::build(folded, EyeOffset::constant(0));
  EXPECT_NE(format_error(pf, 60, 120).find("视线长度为零"), std::string::npos);
}
