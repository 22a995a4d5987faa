// The benchmark's road for the available sight distance: a generated main
// line (12 curves per 10 km), a profile with a crest or a sag every 800 m
// (radii near the limits of 100 km/h, some crests a little short of them),
// a 0.8 m median barrier 0.75 m left of the design line all along, and
// unlimited cut-slope lines 12 m inside every other curve.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mainline/mainline.h"
#include "obstruction/obstruction.h"
#include "parabolic_profile.h"
#include "sight/generated_lines.h"
#include "text/encoding.h"

namespace lumora::visibility::testing {

struct Scene {
  std::unique_ptr<zxbas::MainLine> line;
  std::unique_ptr<ParabolicProfile> profile;
  std::vector<obstruction::Obstruction> obstructions;
};

// The polyline at `offset` from the design line with a vertex every metre
// of chainage from c0 to c1 (and at c1).
inline obstruction::Obstruction offset_line(const Alignment& line, std::string name, double c0,
                                            double c1, double offset, obstruction::TopKind top,
                                            double height) {
  obstruction::Obstruction o;
  o.name = std::move(name);
  o.top = top;
  auto add = [&](double c) {
    const Pose p = line.point_at(c);
    o.plan.push_back({p.x + std::cos(p.azimuth - zxbas::kPi / 2) * offset,
                      p.y + std::sin(p.azimuth - zxbas::kPi / 2) * offset});
    if (top != obstruction::TopKind::unlimited) o.top_values.push_back(height);
  };
  add(c0);
  for (double c = std::floor(c0) + 1; c < c1; ++c) add(c);
  add(c1);
  return o;
}

inline Scene generated_scene(double km) {
  Scene s;
  const auto lines = text::split_lines(lumora::testing::generated_main_line(km));
  s.line =
      std::make_unique<zxbas::MainLine>(zxbas::MainLine::build(zxbas::read_pi_file(lines, "line")));
  const double a = s.line->start_chainage();
  const double b = s.line->end_chainage();
  // Crests of 6000 m (short of the 6500 m limit for S = 160), 6500 m and
  // 10000 m; sags of 3000 m and 4500 m; grades of ±2.5 %.
  s.profile = std::make_unique<ParabolicProfile>(
      rolling_profile(a - 1200, b + 1200, 800, 0.025, {6000, 6500, 10000}, {3000, 4500}));
  s.obstructions.push_back(
      offset_line(*s.line, "中分带护栏", a, b, 0.75, obstruction::TopKind::above_road, 0.8));
  for (int i = 2; i < s.line->jd_count(); i += 2) {
    const auto& jd = s.line->jd(i);
    const double inside = jd.jd_right ? -12 : 12;
    s.obstructions.push_back(offset_line(*s.line, "边坡" + std::to_string(i), jd.k_zh, jd.k_hz,
                                         inside, obstruction::TopKind::unlimited, 0));
  }
  return s;
}

}  // namespace lumora::visibility::testing
