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
// Accuracy: t* is the hidden end of a bracket 0.5 mm wide around the first
// change from seen to hidden (so within 1 mm of an exact search on the same
// eye path). Eye-path lengths are those of EyePath::ypjplus_js (one-metre
// chords, relative error below 1e-6 for radii from 250 m) and, within a
// metre of the eye, the chord. The road is tested at every whole metre of
// chainage between eye and object and at the vertex of each local maximum
// that comes within 0.02 m of the sight line (good to about 1e-6 m on
// vertical curves of 1000 m and more). Perpendicular feet are found to
// 1e-9 m. The reference misses a hidden stretch shorter than its step
// (0.05 m); the fast search one shorter than a metre.
//
// Algorithms: a scan over the targets with bisection (reference); a sweep
// over the whole metres with the road's horizon carried from target to
// target and obstruction segments binned by angle (fast). Details in
// sight_search.cpp, the road and the eye path at whole metres in
// road_table.h, the obstruction segments in obstacles.h.
//
// This header is the contract between the search and its callers (the
// session command, the result file, the drawing).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
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

/// How the targets are searched. Both find the same first hidden target.
enum class Method {
  reference,  // every target at steps of at most 0.05 m, then bisection
  fast,       // a sweep over the whole metres with bounds, then as the reference
};

/// The available sight distance of one direction of one road, against its
/// surface and a set of obstructions (input order kept: it breaks ties).
///
/// Built once per computation, read-only afterwards: any number of threads
/// may search one SightSearch at once. It keeps a pointer to the road's
/// alignment, elevation and eye path, which must outlive it, and its own
/// copy of the obstructions.
///
/// Example:
///   Road road{&line, &profile, &forward_path};
///   SightSearch s(road, Direction::forward, obstructions, Heights{});
///   Sight a = s.fast(1500.0, 320.0);      // a.asd, a.cause, a.block
///   Sight b = s.reference(1500.0, 320.0); // the same target within 1 mm
class SightSearch {
 public:
  /// `reach` is how far beyond the ends of the line (metres of chainage)
  /// targets may lie: the eye path continues along the end tangents that
  /// far. Throws DataFormatError for missing parts of the road, heights
  /// that are negative or not finite, and obstructions with fewer than two
  /// vertices, coordinates or tops that are not finite, or a number of top
  /// values other than one per vertex (naming the obstruction).
  SightSearch(const Road& road, Direction direction,
              std::vector<obstruction::Obstruction> obstructions, Heights heights,
              double reach = 1000);

  /// The search at continuous chainage c over 0 < t ≤ d_max by `method`.
  /// Throws DataFormatError, naming the chainage, for a chainage or d_max
  /// that is not a finite number (d_max must be positive), and for targets
  /// that would lie farther than `reach` beyond the ends of the line.
  Sight search(double c, double d_max, Method method) const;

  /// The straightforward search: targets at t = k·h (h = d_max / ⌈d_max /
  /// 0.05⌉, at most 0.05 m), the first hidden one refined by bisection.
  Sight reference(double c, double d_max) const { return search(c, d_max, Method::reference); }

  /// The sweep: the targets at whole metres of chainage are tested with
  /// bounds that skip what cannot block; in the metre before the first
  /// hidden one the reference's first hidden target is found by halving and
  /// refined as by the reference (the same number wherever no hidden
  /// stretch shorter than a metre comes first).
  Sight fast(double c, double d_max) const { return search(c, d_max, Method::fast); }

  Direction direction() const;
  const Heights& heights() const;
  const std::vector<obstruction::Obstruction>& obstructions() const;

  struct Data;

 private:
  std::shared_ptr<const Data> data_;
};

struct ListOptions {
  Method method = Method::fast;
  /// Worker threads; 0: one per core.
  unsigned threads = 0;
};

/// Called with the row index and its result, in order, on the calling
/// thread; false stops the run (cancel).
using DeliverSight = std::function<bool(std::size_t, const Sight&)>;

/// The search at chainages[k] over 0 < t ≤ d_max[k], k = 0 … n − 1 (both
/// spans of the same length), on worker threads; the results are handed to
/// `deliver` in list order on the calling thread. An error at row k
/// (DataFormatError) is thrown on the calling thread after rows 0 … k − 1
/// have been delivered. When deliver returns false the workers finish the
/// chainage in hand and the call returns.
///
/// Example:
///   sight_list(search, chainages, d_max, {}, [&](std::size_t k, const Sight& s) {
///     rows.push_back(s.asd);
///     return !cancelled;
///   });
void sight_list(const SightSearch& search, std::span<const double> chainages,
                std::span<const double> d_max, const ListOptions& options,
                const DeliverSight& deliver);

}  // namespace lumora::visibility
