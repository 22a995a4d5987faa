// The obstructions as the sight search reads them: their segments with the
// tops at both ends, a uniform grid over the plan that finds the segments a
// sight line's plan chord may cross, and the exact test of one crossing.
//
// A segment blocks the sight line from the eye (E, z_e) to the object
// (O, z_o) where the plan chord EO crosses or touches it (both parameters in
// [0, 1]; a chord lying along the segment touches it at the overlap nearest
// the eye) and the line's elevation z_e + s·(z_o − z_e) there (s the chord
// parameter) is not above the top. The top varies linearly along the
// segment: an absolute elevation, or a height above the surface, the
// surface being the elevation at the perpendicular foot of the crossing.
// The foot is interpolated between the feet of the vertices (computed once)
// and, for segments longer than 2 m or where the line passes within 0.01 m
// of the top, found exactly (RoadTable::foot, 1e-9 m).
//
// Grid: square cells of 16 m; a segment is listed in every cell its
// bounding box (grown by 1 mm) touches, and a chord asks the cells of each
// column it passes through over the rows its own extent in that column
// (grown by 1 mm) touches, so no crossing is missed.
//
// Example:
//   Obstacles obs(obstructions, road);
//   obs.for_cells(E, O, [&](std::uint32_t seg) { ... });
//   Crossing x = obs.cross(seg, E, O, z_e, z_o);
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "obstruction/obstruction.h"
#include "visibility/road_table.h"

namespace lumora::visibility::detail {

struct Segment {
  Vec2 a, b;
  int obstruction = 0;  // index in input order
  obstruction::TopKind kind = obstruction::TopKind::unlimited;
  double top_a = 0, top_b = 0;    // absolute elevation or height at a and b
  double foot_a = 0, foot_b = 0;  // feet of a and b (above_road)
  bool exact_foot = false;        // longer than 2 m: the foot of each crossing found anew
};

/// A crossing of the plan chord with a segment.
struct Crossing {
  bool crosses = false;  // the chord crosses or touches the segment
  bool blocks = false;   // and the line is not above the top there
  double s = 0;          // chord parameter from the eye
  Vec2 point;
};

class Obstacles {
 public:
  Obstacles(const std::vector<obstruction::Obstruction>& obstructions, const RoadTable& road);

  const std::vector<Segment>& segments() const { return segments_; }
  bool empty() const { return segments_.empty(); }

  /// Calls f once or more for every segment listed in a cell the chord
  /// from p to q passes through (callers remove repeats).
  void for_cells(Vec2 p, Vec2 q, const std::function<void(std::uint32_t)>& f) const;
  /// Every segment listed in a cell that meets the box [lo, hi].
  void for_box(Vec2 lo, Vec2 hi, const std::function<void(std::uint32_t)>& f) const;

  /// The exact test of segment k against the sight line.
  Crossing cross(std::uint32_t k, Vec2 e, Vec2 o, double z_e, double z_o) const;

 private:
  static std::uint64_t key(long ix, long iy);
  const std::vector<std::uint32_t>* cell(long ix, long iy) const;

  const RoadTable* road_;
  std::vector<Segment> segments_;
  std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
};

}  // namespace lumora::visibility::detail
