// The available sight distance against closed forms (a circle with a wall
// inside, a crest parabola, a barrier on the inside of a curve), both
// directions, bad input, and the fast search against the reference.
#include "visibility/available_sight.h"

#include <gtest/gtest.h>

#include <cmath>

#include "error.h"
#include "generated_scene.h"
#include "parabolic_profile.h"
#include "sight/test_alignments.h"

namespace lumora::visibility {
namespace {

using obstruction::Obstruction;
using obstruction::TopKind;
using sight::EyeOffset;
using sight::EyePath;
using sight::testing::ArcLine;
using sight::testing::StraightLine;
using testing::Crest;

// The polyline at a constant offset from the design line, a vertex every
// metre from c0 to c1.
Obstruction beside(const Alignment& line, double c0, double c1, double offset, TopKind top,
                   double height, std::string name = "wall") {
  Obstruction o;
  o.name = std::move(name);
  o.top = top;
  for (double c = c0; c <= c1; ++c) {
    const Pose p = line.point_at(c);
    o.plan.push_back({p.x + std::cos(p.azimuth - zxbas::kPi / 2) * offset,
                      p.y + std::sin(p.azimuth - zxbas::kPi / 2) * offset});
    if (top != TopKind::unlimited) o.top_values.push_back(height);
  }
  return o;
}

// A straight segment across the road at chainage c, from offset −20 to 20.
Obstruction across(const Alignment& line, double c, TopKind top, double height, std::string name) {
  Obstruction o;
  o.name = std::move(name);
  o.top = top;
  const Pose p = line.point_at(c);
  for (double w : {-20.0, 20.0}) {
    o.plan.push_back({p.x + std::cos(p.azimuth - zxbas::kPi / 2) * w,
                      p.y + std::sin(p.azimuth - zxbas::kPi / 2) * w});
    if (top != TopKind::unlimited) o.top_values.push_back(height);
  }
  return o;
}

struct Case {
  Case(const Alignment& line, double offset, const Elevation& z)
      : path(EyePath::build(line, EyeOffset::constant(offset))), road{&line, &z, &path} {}
  EyePath path;
  Road road;
};

TEST(AvailableSight, HorizontalClosedForm) {
  // Right-hand circle of radius 500; eye 7.25 m right, on the inside; an
  // unlimited wall m metres further inside the eye path.
  const ArcLine line(0, 3000, 0, 3000, 500, 1);
  const LevelRoad level;
  const Case k(line, -7.25, level);
  const double rp = 500 - 7.25;
  for (double m : {3.0, 5.0, 9.0}) {
    const SightSearch fwd(k.road, Direction::forward,
                          {beside(line, 0, 3000, -7.25 - m, TopKind::unlimited, 0)}, {});
    const SightSearch bwd(k.road, Direction::backward,
                          {beside(line, 0, 3000, -7.25 - m, TopKind::unlimited, 0)}, {});
    const double want = 2 * rp * std::acos(1 - m / rp);
    for (double c : {1000.0, 1500.25, 2000.6}) {
      for (const SightSearch* s : {&fwd, &bwd}) {
        for (Method method : {Method::reference, Method::fast}) {
          const Sight r = s->search(c, 400, method);
          EXPECT_NEAR(r.asd, want, 0.05) << "m " << m << " c " << c;
          EXPECT_EQ(r.cause, CauseKind::obstruction);
          EXPECT_EQ(r.obstruction, 0);
        }
      }
    }
  }
}

TEST(AvailableSight, VerticalClosedForm) {
  // A crest on a straight, no obstruction: both ends on the parabola.
  const StraightLine line(0, 4000);
  for (auto [r, want] : {std::pair{11000.0, 209.385}, {3000.0, 109.348}, {1400.0, 74.699}}) {
    const Crest crest(2000, r);
    const Case k(line, -7.25, crest);
    EXPECT_NEAR(std::sqrt(2 * r) * (std::sqrt(1.2) + std::sqrt(0.1)), want, 0.0005);
    for (Direction dir : {Direction::forward, Direction::backward}) {
      const SightSearch s(k.road, dir, {}, {});
      for (double c : {1900.0, 2000.5, 2100.0}) {
        for (Method method : {Method::reference, Method::fast}) {
          const Sight a = s.search(c, 400, method);
          EXPECT_NEAR(a.asd, want, 0.05) << r << " at " << c;
          EXPECT_EQ(a.cause, CauseKind::road);
        }
      }
    }
  }
}

TEST(AvailableSight, BothDirectionsAsymmetric) {
  // Level straight; a wall across the road 100 m ahead and a low kerb
  // 50 m behind: forward the wall at 100 m, backward the kerb at 50 m.
  const StraightLine line(0, 2000);
  const LevelRoad level;
  const Case fwd_path(line, -7.25, level);
  const Case bwd_path(line, 7.25, level);
  std::vector<Obstruction> obs{across(line, 1100, TopKind::unlimited, 0, "墙"),
                               across(line, 950, TopKind::above_road, 0.3, "路缘")};
  const SightSearch fwd(fwd_path.road, Direction::forward, obs, {});
  const SightSearch bwd(bwd_path.road, Direction::backward, obs, {});
  for (Method method : {Method::reference, Method::fast}) {
    const Sight f = fwd.search(1000, 300, method);
    EXPECT_NEAR(f.asd, 100, 0.001);
    EXPECT_EQ(f.obstruction, 0);
    EXPECT_NEAR(f.target_chainage, 1100, 0.001);
    EXPECT_NEAR(f.block.x, 1100, 0.001);
    EXPECT_NEAR(f.block.y, 7.25, 0.001);
    const Sight b = bwd.search(1000, 300, method);
    EXPECT_NEAR(b.asd, 50, 0.001);
    EXPECT_EQ(b.cause, CauseKind::obstruction);
    EXPECT_EQ(b.obstruction, 1);
    EXPECT_NEAR(b.target_chainage, 950, 0.001);
    EXPECT_NEAR(b.block.y, -7.25, 0.001);
    // Without obstructions nothing blocks: d_max, cause none.
    const SightSearch open(fwd_path.road, Direction::forward, {}, {});
    const Sight o = open.search(1000, 300, method);
    EXPECT_EQ(o.asd, 300);
    EXPECT_EQ(o.cause, CauseKind::none);
    EXPECT_NEAR(o.target_chainage, 1300, 1e-6);
  }
}

TEST(AvailableSight, BarrierSeenOverOrBlocking) {
  // Left-hand circle of radius 500 on a level road; eye 7.25 m right (the
  // outside), a barrier 0.75 m left of the design line: 8 m inside the eye
  // path. Chords first touch it at their middle, where the line from 1.2 m
  // to 0.1 m is 0.65 m high: a 0.8 m barrier blocks there, at the plan
  // distance 2R′·arccos(1 − 8/R′). A 0.5 m barrier is seen over until the
  // chord's second crossing lies 7/11 of the way, 1.2 − 1.1·s = 0.5.
  const ArcLine line(0, 3000, 0, 3000, 500, -1);
  const LevelRoad level;
  const Case k(line, -7.25, level);
  const double rp = 500 + 7.25;
  const double rho = rp - 8;
  const double plan = 2 * rp * std::acos(1 - 8 / rp);
  // Half-angle α of the chord whose second crossing lies at s = 7/11.
  double lo = plan / (2 * rp);
  double hi = 0.6;
  for (int n = 0; n < 100; ++n) {
    const double a = (lo + hi) / 2;
    const double w = std::sqrt(rho * rho - rp * rp * std::cos(a) * std::cos(a));
    (0.5 + w / (2 * rp * std::sin(a)) >= 7.0 / 11 ? hi : lo) = a;
  }
  const double over = 2 * rp * lo;
  struct Variant {
    TopKind top;
    double height;
    double want;
  };
  for (const Variant v : {Variant{TopKind::above_road, 0.8, plan},
                          {TopKind::above_road, 0.5, over},
                          {TopKind::absolute, 0.5, over}}) {
    const SightSearch s(k.road, Direction::forward,
                        {beside(line, 0, 3000, 0.75, v.top, v.height, "中分带护栏")}, {});
    for (Method method : {Method::reference, Method::fast}) {
      const Sight r = s.search(1200.5, 400, method);
      EXPECT_NEAR(r.asd, v.want, 0.05) << v.height;
      EXPECT_EQ(r.cause, CauseKind::obstruction);
      // The blocking point lies on the barrier.
      const double cx = 0, cy = -500;  // centre of the left-hand circle
      EXPECT_NEAR(std::hypot(r.block.x - cx, r.block.y - cy), rho, 0.01);
    }
  }
  // Lower than the object everywhere: never blocks.
  const SightSearch low(k.road, Direction::forward,
                        {beside(line, 0, 3000, 0.75, TopKind::above_road, 0.05, "路缘")}, {});
  EXPECT_EQ(low.fast(1200.5, 400).cause, CauseKind::none);
}

TEST(AvailableSight, BadInput) {
  const StraightLine line(0, 2000);
  const LevelRoad level;
  const Case k(line, -7.25, level);
  Obstruction one;
  one.name = "单点";
  one.plan = {{10, 0}};
  EXPECT_THROW(SightSearch(k.road, Direction::forward, {one}, {}), DataFormatError);
  Obstruction tops = across(line, 100, TopKind::above_road, 1, "高度");
  tops.top_values.pop_back();
  EXPECT_THROW(SightSearch(k.road, Direction::forward, {tops}, {}), DataFormatError);
  Obstruction negative = across(line, 100, TopKind::above_road, -1, "负高");
  EXPECT_THROW(SightSearch(k.road, Direction::forward, {negative}, {}), DataFormatError);
  EXPECT_THROW(SightSearch(k.road, Direction::forward, {}, {-1, 0.1}), DataFormatError);
  const SightSearch s(k.road, Direction::forward, {}, {}, 500);
  EXPECT_THROW(s.fast(std::nan(""), 100), DataFormatError);
  EXPECT_THROW(s.fast(1000, 0), DataFormatError);
  // Targets beyond the reach past the end are refused, naming the chainage.
  try {
    s.reference(1900, 700);
    ADD_FAILURE();
  } catch (const DataFormatError& e) {
    EXPECT_NE(e.detail().find("1900.000"), std::string::npos) << e.detail();
  }
  EXPECT_THROW(s.fast(1900, 700), DataFormatError);
  // Within the reach the straight goes on.
  EXPECT_EQ(s.fast(1900, 550).asd, 550);
}

TEST(AvailableSight, ListInOrderStopsAndReportsErrors) {
  const StraightLine line(0, 5000);
  const Crest crest(2500, 3000);
  const Case k(line, -7.25, crest);
  const SightSearch s(k.road, Direction::forward, {}, {});
  std::vector<double> c;
  for (int i = 0; i < 200; ++i) c.push_back(2000 + 5 * i);
  std::vector<double> d(c.size(), 300);
  ListOptions o;
  o.threads = 2;
  std::vector<double> got;
  sight_list(s, c, d, o, [&](std::size_t i, const Sight& r) {
    EXPECT_EQ(i, got.size());
    EXPECT_EQ(r.c, c[i]);
    got.push_back(r.asd);
    return true;
  });
  ASSERT_EQ(got.size(), c.size());
  EXPECT_EQ(got[100], s.fast(c[100], 300).asd);
  std::size_t seen = 0;
  sight_list(s, c, d, o, [&](std::size_t, const Sight&) { return ++seen < 3; });
  EXPECT_EQ(seen, 3u);
  c[50] = std::nan("");
  seen = 0;
  EXPECT_THROW(sight_list(s, c, d, o,
                          [&](std::size_t, const Sight&) {
                            ++seen;
                            return true;
                          }),
               DataFormatError);
  EXPECT_EQ(seen, 50u);
}

TEST(AvailableSight, FastAgreesWithReferenceOnGeneratedRoad) {
  // The benchmark's road, 3 km of it: spirals, curves both ways, crests and
  // sags, the median barrier and cut slopes, both directions.
  const auto scene = testing::generated_scene(3);
  const EyePath fwd_path = EyePath::build(*scene.line, EyeOffset::constant(-7.25));
  const EyePath bwd_path = EyePath::build(*scene.line, EyeOffset::constant(7.25));
  const SightSearch fwd({scene.line.get(), scene.profile.get(), &fwd_path}, Direction::forward,
                        scene.obstructions, {});
  const SightSearch bwd({scene.line.get(), scene.profile.get(), &bwd_path}, Direction::backward,
                        scene.obstructions, {});
  int blocked = 0;
  for (double c = scene.line->start_chainage(); c <= scene.line->end_chainage(); c += 97.3) {
    for (const SightSearch* s : {&fwd, &bwd}) {
      const Sight r = s->reference(c, 320);
      const Sight f = s->fast(c, 320);
      EXPECT_NEAR(f.asd, r.asd, 0.001) << c;
      EXPECT_EQ(f.cause, r.cause) << c;
      EXPECT_EQ(f.obstruction, r.obstruction) << c;
      if (r.cause != CauseKind::none && std::fabs(f.asd - r.asd) < 1e-9) {
        // The same target: the same blocking point.
        EXPECT_NEAR(f.block.x, r.block.x, 1e-6) << c;
        EXPECT_NEAR(f.block.y, r.block.y, 1e-6) << c;
      }
      blocked += r.cause != CauseKind::none;
    }
  }
  // The road has all three causes.
  EXPECT_GT(blocked, 10);
}

TEST(AvailableSight, FastAgreesWithReferenceOnATightLoop) {
  // A loop ramp of radius 60 m over a crest with a barrier on the inside:
  // the sight lines turn through more than a right angle and normals fall
  // behind the eye, so the fast search leaves its horizon for the block
  // bounds; both eye sides, both directions.
  const ArcLine line(0, 1200, 300, 900, 60, 1);
  const Crest crest(600, 2500);
  for (double offset : {-3.5, 3.5}) {
    const Case k(line, offset, crest);
    const Obstruction barrier = beside(line, 250, 950, 5.0, TopKind::above_road, 0.8, "护栏");
    for (const auto& obs : {std::vector<Obstruction>{}, std::vector<Obstruction>{barrier}}) {
      for (Direction dir : {Direction::forward, Direction::backward}) {
        const SightSearch s(k.road, dir, obs, {});
        for (double c = 320; c <= 880; c += 37.9) {
          const Sight r = s.reference(c, 250);
          const Sight f = s.fast(c, 250);
          EXPECT_NEAR(f.asd, r.asd, 0.001) << offset << " at " << c;
          EXPECT_EQ(f.cause, r.cause) << offset << " at " << c;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lumora::visibility
