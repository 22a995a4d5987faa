#include "sight/eye_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "error.h"
#include "sight/plane.h"
#include "test_alignments.h"

using lumora::Alignment;
using lumora::DataFormatError;
using lumora::Pose;
using lumora::sight::EyeOffset;
using lumora::sight::EyeOffsetRow;
using lumora::sight::EyeOffsetTable;
using lumora::sight::EyePath;
using lumora::sight::pt_pt;
using lumora::sight::testing::ArcLine;
using lumora::sight::testing::StraightLine;

namespace {

std::string format_error(const EyePath& p, double q, double z) {
  try {
    p.ypjplus_js(q, z);
  } catch (const DataFormatError& e) {
    return e.detail();
  }
  return "no error";
}

}  // namespace

TEST(EyePath, TableOnAStraight) {
  const StraightLine line(1234.6, 3456.7);
  for (double d : {-7.25, 0.0, 3.5}) {
    const auto p = EyePath::build(line, EyeOffset::constant(d));
    EXPECT_EQ(p.eye_path_origin(), 1234);
    EXPECT_EQ(p.eye_path_last(), 2222);  // ⌊3456.7 − 1234⌋
    double worst = 0;
    for (long j = -499; j <= 2222 + 500; ++j) worst = std::max(worst, std::fabs(p.chord(j) - 1));
    EXPECT_LT(worst, 1e-9) << "offset " << d;
    EXPECT_THROW(p.chord(-500), std::out_of_range);
    EXPECT_THROW(p.chord(2723), std::out_of_range);
  }
  // Heading north, a negative offset puts the eye east of the line.
  const auto p = EyePath::build(line, EyeOffset::constant(-7.25));
  EXPECT_NEAR(p.eye_point(2000).x, 2000, 1e-9);
  EXPECT_NEAR(p.eye_point(2000).y, 7.25, 1e-9);

  // With no offset the eye path is the line: its length is the chainage span.
  const auto flat = EyePath::build(line, EyeOffset::constant(0));
  for (auto [q, z] : {std::pair{1300.0, 1410.0},
                      {1299.6, 1409.6},
                      {1299.6, 1410.0},
                      {1300.0, 1409.6},
                      {734.0, 844.25},
                      {3846.1, 3956.7}}) {
    EXPECT_NEAR(flat.ypjplus_js(q, z), z - q, 1e-9) << q << " " << z;
  }
}

TEST(EyePath, ChordsAndEndPiecesOnACurve) {
  // A right-hand arc over the whole table, so that every chord differs.
  const ArcLine line(1234.6, 1800, 0, 5000, 300, 1);
  const auto p = EyePath::build(line, EyeOffset::constant(-7.25));
  ASSERT_EQ(p.eye_path_origin(), 1234);
  EXPECT_EQ(p.chord(-499), pt_pt(p.eye_point(734), p.eye_point(735)));
  EXPECT_EQ(p.chord(1), pt_pt(p.eye_point(1234), p.eye_point(1235)));
  EXPECT_EQ(p.chord(566 + 500), pt_pt(p.eye_point(2299), p.eye_point(2300)));

  // From whole metre to whole metre: the chords only.
  double whole = 0;
  for (long j = 1300 - 1234 + 1; j <= 1410 - 1234; ++j) whole += p.chord(j);
  EXPECT_EQ(p.ypjplus_js(1300, 1410), whole);
  // Fractional ends add the exact pieces to the next and from the last whole metre.
  double frac = pt_pt(p.eye_point(1299.6), p.eye_point(1300));
  for (long j = 1300 - 1234 + 1; j <= 1409 - 1234; ++j) frac += p.chord(j);
  frac += pt_pt(p.eye_point(1409), p.eye_point(1409.6));
  EXPECT_EQ(p.ypjplus_js(1299.6, 1409.6), frac);
}

TEST(EyePath, LengthOnCurvesFollowsTheEyeRadius) {
  for (double r : {250.0, 1000.0}) {
    const ArcLine right(0, 2000, 0, 2000, r, 1);
    const ArcLine left(0, 2000, 0, 2000, r, -1);
    const auto pr = EyePath::build(right, EyeOffset::constant(-7.25));  // inside
    const auto pl = EyePath::build(left, EyeOffset::constant(-7.25));   // outside
    for (auto [q, z] : {std::pair{500.0, 610.0}, {900.0, 1060.0}}) {
      // Close to the arc; exactly the chords, each 2r′·sin(1 / 2r) long.
      EXPECT_NEAR(pr.ypjplus_js(q, z), (z - q) * (r - 7.25) / r, 2e-4);
      EXPECT_NEAR(pl.ypjplus_js(q, z), (z - q) * (r + 7.25) / r, 2e-4);
      EXPECT_NEAR(pr.ypjplus_js(q, z), (z - q) * 2 * (r - 7.25) * std::sin(0.5 / r), 1e-9);
      EXPECT_NEAR(pl.ypjplus_js(q, z), (z - q) * 2 * (r + 7.25) * std::sin(0.5 / r), 1e-9);
    }
    // Fractional ends keep the ratio.
    EXPECT_NEAR(pr.ypjplus_js(500.3, 610.8), 110.5 * (r - 7.25) / r, 1e-4);
  }
}

TEST(EyePath, OffsetFromTheTableAtEachChainage) {
  const StraightLine line(0, 1000);
  const auto t = EyeOffsetTable::from_rows({{0, "0", -7, 1}, {1000, "1000", -3, 2}});
  const auto p = EyePath::build(line, EyeOffset::table(t));
  EXPECT_NEAR(p.eye_point(500).y, 5, 1e-12);
  EXPECT_NEAR(p.eye_point(-300).y, 7, 1e-12);
  EXPECT_NEAR(p.eye_point(1400).y, 3, 1e-12);
  // The eye path rises 4 m over 1000 m: each chord is √(1 + 0.004²).
  EXPECT_NEAR(p.chord(10), std::hypot(1, 0.004), 1e-12);
  EXPECT_NEAR(p.chord(-10), 1, 1e-12);
}

TEST(EyePath, ChainagesOutsideTheTableAreErrors) {
  const StraightLine line(0, 1000);
  const auto p = EyePath::build(line, EyeOffset::constant(-7.25));
  // The table spans −500 … 1500.
  EXPECT_NEAR(p.ypjplus_js(-500, -390), 110, 1e-9);
  EXPECT_NEAR(p.ypjplus_js(1390.5, 1500.9), 110.4, 1e-9);
  EXPECT_TRUE(p.covers(-500.5, -390));
  EXPECT_FALSE(p.covers(-501, -390));
  EXPECT_FALSE(p.covers(1391, 1501));

  const std::string before = format_error(p, -501, -391);
  EXPECT_NE(before.find("桩号 -501.000"), std::string::npos) << before;
  EXPECT_NE(before.find("视点轨迹表"), std::string::npos) << before;
  EXPECT_NE(format_error(p, 1400, 1510).find("桩号 1510.000"), std::string::npos);
  EXPECT_NE(format_error(p, 1e300, 1e301).find("视点轨迹表"), std::string::npos);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(p.ypjplus_js(nan, 100), DataFormatError);
  EXPECT_THROW(p.ypjplus_js(0, std::numeric_limits<double>::infinity()), DataFormatError);
}

TEST(EyePath, BrokenLinesAreRejected) {
  struct Broken : Alignment {
    double start, end;
    Broken(double s, double e) : start(s), end(e) {}
    Pose point_at(double c) const override {
      return {c, c > 600 ? std::numeric_limits<double>::quiet_NaN() : 0, 0};
    }
    double start_chainage() const override { return start; }
    double end_chainage() const override { return end; }
  };
  EXPECT_THROW(EyePath::build(Broken(0, 500), EyeOffset::constant(0)), DataFormatError);
  EXPECT_THROW(EyePath::build(Broken(50, 10), EyeOffset::constant(0)), DataFormatError);
  EXPECT_THROW(EyePath::build(Broken(0, 1e12), EyeOffset::constant(0)), DataFormatError);
  EXPECT_THROW(
      EyePath::build(Broken(0, std::numeric_limits<double>::infinity()), EyeOffset::constant(0)),
      DataFormatError);
  EXPECT_NO_THROW(EyePath::build(Broken(0, 100), EyeOffset::constant(0)));
}

namespace {

// Two straights meeting at chainage 100 with a corner turning 6° right.
class CornerLine : public Alignment {
 public:
  static constexpr double kTurn = 6 * lumora::zxbas::kPi / 180;
  Pose point_at(double c) const override {
    if (c < 100) return {c, 0, 0};
    return {100 + (c - 100) * std::cos(kTurn), (c - 100) * std::sin(kTurn), kTurn};
  }
  double start_chainage() const override { return 0; }
  double end_chainage() const override { return 300; }
};

}  // namespace

TEST(EyePath, AtACornerTheTwoOffsetPointsAreJoinedByAChord) {
  const CornerLine line;
  const auto path = EyePath::build(line, EyeOffset::constant(-7.25), {{100, Pose{100, 0, 0}}});
  // On the inside of the turn the offset lines overlap: 10 m of each, and
  // the chord 2·7.25·sin 3° between the two offset points.
  const double chord = 2 * 7.25 * std::sin(CornerLine::kTurn / 2);
  EXPECT_NEAR(path.ypjplus_js(90, 110), 20 + chord, 1e-9);
  EXPECT_NEAR(path.ypjplus_js(95.5, 104.25), 8.75 + chord, 1e-9);
  EXPECT_NEAR(path.ypjplus_js(99.5, 100.5), 1 + chord, 1e-9);  // both end pieces
  EXPECT_NEAR(path.chord(100), 1 + chord, 1e-9);               // the metre 99 … 100
  EXPECT_NEAR(path.ypjplus_js(100, 120), 20, 1e-9);            // from the corner on
  // Without the corner the polygon cuts across it.
  const auto plain = EyePath::build(line, EyeOffset::constant(-7.25));
  EXPECT_LT(plain.ypjplus_js(90, 110), 20);
}
