// The work of one clearance is bounded: the eye-path table is filled only
// where it is read, and a sight line whose fit does not settle ends after a
// fixed number of steps, found by bisection or refused.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>

#include "error.h"
#include "sight/clearance.h"
#include "sight/eye_path.h"
#include "sight/plane.h"
#include "test_alignments.h"

using lumora::Alignment;
using lumora::DataFormatError;
using lumora::Pose;
using lumora::sight::EyeOffset;
using lumora::sight::EyeOffsetRow;
using lumora::sight::EyeOffsetTable;
using lumora::sight::EyePath;
using lumora::sight::fit_sight_start;
using lumora::sight::maxhjs;
using lumora::sight::SharedSightLines;
using lumora::sight::Side;
using lumora::sight::testing::ArcLine;

namespace {

// An arc that counts its point evaluations.
class CountingLine : public Alignment {
 public:
  CountingLine(double start, double end) : arc_(start, end, 1000, 2000, 400, 1) {}
  Pose point_at(double c) const override {
    ++calls;
    return arc_.point_at(c);
  }
  double start_chainage() const override { return arc_.start_chainage(); }
  double end_chainage() const override { return arc_.end_chainage(); }
  mutable std::atomic<long> calls{0};

 private:
  ArcLine arc_;
};

}  // namespace

TEST(BoundedWork, EyePathIsFilledWhereItIsRead) {
  // 5 000 km: a clearance at one chainage reads a few blocks of the table.
  const CountingLine line(0, 5e6);
  const auto p = EyePath::build(line, EyeOffset::constant(-7.25));
  EXPECT_LT(line.calls.load(), 10);
  const double v = maxhjs(p, 1500, 110, Side::inside).maxhjj;
  EXPECT_LT(line.calls.load(), 20000);
  EXPECT_LT(v, -3);
  // The same numbers as a table filled from the start: the chords are the
  // distances between neighbouring eye points, block boundaries included.
  for (long j : {-499L, 3595L, 3596L, 3597L, 1500L}) {
    EXPECT_EQ(p.chord(j), lumora::sight::pt_pt(p.eye_point(j - 1.0), p.eye_point(j)));
    EXPECT_EQ(p.whole_point(j).x, p.eye_point(j).x);
  }
  EXPECT_THROW(p.whole_point(-501), std::out_of_range);
}

TEST(BoundedWork, OscillatingFitEndsWithinItsLimits) {
  // The eye zigzags 3 m either side of −7.25 every 2 m between 1400 and
  // 1600: the eye path there is about three times as long as the chainage,
  // so the step q := q + L − S overshoots and swings.
  std::vector<EyeOffsetRow> rows;
  int n = 1;
  for (double c = 1400; c <= 1600; c += 2) {
    rows.push_back({c, std::to_string(c), (n % 2 ? -4.25 : -10.25), n});
    ++n;
  }
  const CountingLine line(0, 3000);
  const auto p = EyePath::build(line, EyeOffset::table(EyeOffsetTable::from_rows(rows)));
  for (double jszh : {1450.0, 1500.0, 1620.0}) {
    for (double s : {110.0, 37.5}) {
      const long before = line.calls.load();
      const auto t0 = std::chrono::steady_clock::now();
      std::string outcome;
      try {
        const auto c = maxhjs(p, jszh, s, Side::inside);
        SharedSightLines shared(p, Side::inside);
        EXPECT_EQ(shared.at(jszh, s).maxhjj, c.maxhjj);
        outcome = "fitted";
      } catch (const DataFormatError& e) {
        outcome = e.detail();
        EXPECT_NE(outcome.find("次迭代"), std::string::npos) << outcome;
      }
      // At most 1 + 50 + 60 + 200 lengths of 4 eye points per sight line,
      // three more eye points, and the table blocks.
      const long per_line = (1 + 50 + 60 + 200) * 4 + 3;
      EXPECT_LT(line.calls.load() - before, 2 * (per_line * (static_cast<long>(s) + 1)) + 20000)
          << outcome;
      EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    }
  }
  // The fits do swing, and every bisected start leaves a sight line at
  // least S long.
  int bisected = 0;
  for (int i = 0; i <= 110; ++i) {
    const auto fit = fit_sight_start(p, 1500 - 110.0 + i, 1500.0 + i, 110, 1500);
    EXPECT_GE(p.ypjplus_js(fit.q, 1500.0 + i), 110 - 0.001) << i;
    bisected += fit.bisected;
  }
  EXPECT_GT(bisected, 10);
}
