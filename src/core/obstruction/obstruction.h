// An obstruction beside the road: a plan polyline with a top. A sight line
// is blocked by it where its plan chord crosses or touches the polyline and
// its elevation there is not above the obstruction's top.
//
// The top is one of:
//   - a height above the road surface at each vertex (a barrier 0.8 m high),
//     the surface being the profile elevation at the foot of the point on
//     the design line;
//   - an absolute elevation at each vertex (a DXF 3D polyline);
//   - unlimited (walls, cut slopes, buildings, dense planting).
// Between two vertices the height (or elevation) varies linearly with the
// distance along the segment.
//
// Obstructions are plain values read from an obstruction file, a DXF layer
// or built by code; the available-sight search reads them in input order.
#pragma once

#include <string>
#include <vector>

#include "mainline/primitives.h"

namespace lumora::obstruction {

enum class TopKind {
  above_road,  // top_values: height above the road surface at each vertex
  absolute,    // top_values: absolute elevation at each vertex
  unlimited,   // top_values empty: nothing is seen over it
};

struct Obstruction {
  /// Shown as the governing cause of a blocked sight line ("中分带护栏"; a
  /// DXF layer's name).
  std::string name;
  /// Vertices in plan, x north and y east; at least two.
  std::vector<zxbas::Vec2> plan;
  TopKind top = TopKind::unlimited;
  /// One value per vertex for above_road and absolute; empty for unlimited.
  std::vector<double> top_values;
};

}  // namespace lumora::obstruction
