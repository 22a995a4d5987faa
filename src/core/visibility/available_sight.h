// The available sight distance (可用视距): how far along its own eye path a
// driver at chainage c sees an object, in 3D, against the road's own crests
// and the obstructions beside it.
//
// Geometry. The eye is h_e above the road surface at the eye point of c; the
// object is h_o above the road surface at the target on the same eye path
// whose eye-path length from c is t (forward: towards increasing chainage;
// backward: towards decreasing chainage on the backward eye path). The road
// surface under a plan point is the elevation at the continuous chainage of
// the point's perpendicular foot on the design line (no cross fall). The
// sight line to target t is blocked
//   - by the road where, between eye and object, it runs below the surface;
//   - by an obstruction where its plan chord crosses or touches the
//     obstruction's polyline and its elevation there is not above the top.
// ASD(c) is the eye-path length t* of the nearest target that cannot be seen,
// searched over 0 < t ≤ d_max (found to 1 mm); d_max where all are seen. The
// governing cause is what blocks the line to t*: the road, or the obstruction
// blocking nearest the eye (at a tie the road first, then input order).
//
// This header is the contract between the search and its callers (the
// session command, the result file, the drawing). See the implementation
// files for the algorithms and their accuracy.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "alignment.h"
#include "mainline/primitives.h"
#include "obstruction/obstruction.h"
#include "profile/elevation.h"
#include "sight/eye_path.h"

namespace lumora::visibility {

enum class Direction {
  forward,   // 顺: towards increasing chainage
  backward,  // 逆: towards decreasing chainage
};

/// Eye and object heights above the road surface, metres.
struct Heights {
  double eye = 1.2;
  double object = 0.1;
};

/// What blocks the sight line to the first hidden target.
enum class CauseKind {
  none,         // "无": every target up to d_max is seen
  road,         // "路面"
  obstruction,  // the obstruction's name
};

/// The result of one search: one chainage, one direction.
struct Sight {
  double c = 0;      // continuous chainage of the eye
  double asd = 0;    // available sight distance t* (d_max when nothing blocks)
  double d_max = 0;  // the distance searched
  CauseKind cause = CauseKind::none;
  int obstruction = -1;        // index into the obstructions when cause == obstruction
  double target_chainage = 0;  // continuous chainage of the target at t* (cause != none)
  zxbas::Vec2 eye;             // plan eye point
  zxbas::Vec2 target;          // plan target point at t* (at d_max when nothing blocks)
  zxbas::Vec2 block;           // blocking point (cause != none): nearest the eye
};

/// The road as the search reads it: the design line (for the feet of plan
/// points), its elevation, and the eye path of the direction searched.
struct Road {
  const Alignment* line = nullptr;
  const Elevation* elevation = nullptr;
  const sight::EyePath* path = nullptr;
};

}  // namespace lumora::visibility
