// The available sight distance against closed forms (a circle with a wall
// inside, a crest parabola, a barrier on the inside of a curve), both
// directions, bad input, and the fast search against the reference.
#include "visibility/available_sight.h"

#include <gtest/gtest.h>

#include <cmath>

#include "error.h"
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

}  // namespace
}  // namespace lumora::visibility
