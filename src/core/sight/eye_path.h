// The path of the driver's eye and its length between two chainages.
//
// The eye point at continuous chainage c is the design-line point moved at
// right angles by the eye offset at c (positive to the left):
//   E(c) = (x + cos(a − π/2)·d, y + sin(a − π/2)·d),  (x, y, a) = point_at(c),
// d = EyeOffset::at(c). Sight distance is measured along the eye path, not
// along the design line, so on a curve it differs from the chainage span.
//
// build() approximates the eye path by chords between the eye points at the
// whole-metre chainages o − 500 … o + last + 500, with o = ⌊start⌋ and
// last = ⌊end − o⌋: table entry j (j = −499 … last + 500) is the chord from
// E(o + j − 1) to E(o + j). The line continues along its end tangents, so
// the table reaches 500 m beyond both ends. ypjplus_js(q, z) sums the chords
// between ⌈q⌉ and ⌊z⌋ and adds the exact straight end pieces E(q)E(⌈q⌉) and
// E(⌊z⌋)E(z).
//
// Angle points: a design line with a corner (a LandXML angle point, where
// the direction jumps between two elements) has two eye points there, the
// offsets of the end of the one element and of the start of the other. The
// eye path follows each element's offset and joins the two points with a
// straight chord, so its length stays defined: every piece of the polygon
// that spans a corner c (a table chord, an end piece) runs E(a) → E⁻(c) →
// E(c) → E(b). Without corners every piece is the plain chord.
//
// Accuracy: a chord of one metre of chainage on a circle of radius r is
// shorter than its arc by 1/(24 r²) of its length, so the length of the eye
// path is too short by a relative 1/(24 r²): 7e-7 for r = 250 m (0.07 mm
// per 100 m). Where the offset varies, the chords follow its linear pieces
// exactly; a step in the offset adds its height (as a chord) to the length.
//
// Algorithm: polygonal arc length with a table of chords; the length between
// two chainages is a plain sum over the table, O(z − q). The table is filled
// in blocks of 4096 metres on first use, so that a command that needs a few
// hundred metres of a very long line does not wait for the whole of it; a
// block holds the eye points at its whole metres too, which the clearance
// of a chainage list reads instead of evaluating them again. Each entry is
// computed exactly as a table built in one pass would hold it.
//
// Example:
//   auto path = EyePath::build(line, EyeOffset::constant(-7.25));
//   path.eye_point(1500.0);          // 7.25 m right of the design line
//   path.ypjplus_js(1390.0, 1500.0); // eye-path length from 1390 to 1500
//
// The path keeps a pointer to the alignment, which must outlive it. It is
// built once per initialization and read-only afterwards; copies share the
// table. Any number of threads may read one path at once (a block is filled
// under a lock, once).
#pragma once

#include <memory>
#include <vector>

#include "alignment.h"
#include "mainline/primitives.h"
#include "sight/eye_offsets.h"

namespace lumora::sight {

/// A corner of the design line at continuous chainage `chainage`: `before`
/// is the design line's end of the element that ends there (point_at gives
/// the start of the next one).
struct EyeCorner {
  double chainage = 0;
  Pose before;
};

class EyePath {
 public:
  /// Sets up the chord table of `line` with the eye offset `offset`
  /// (eye_path_build). Throws DataFormatError for a line whose ends are not
  /// finite or whose end lies before its start, for a line too long for the
  /// table (more than 10 000 km), and for an eye point at either end of the
  /// table that is not finite. An eye point inside the table that is not
  /// finite is reported (DataFormatError) by the first use of its block.
  static EyePath build(const Alignment& line, EyeOffset offset,
                       std::vector<EyeCorner> corners = {});

  /// The length of the eye path from E(a) (= ea) to E(b) (= eb), a < b less
  /// than a metre apart: the chord, or the chords through the two eye
  /// points of every corner c with a < c ≤ b.
  double piece(double a, zxbas::Vec2 ea, double b, zxbas::Vec2 eb) const;

  /// The eye point at continuous chainage c (any c).
  zxbas::Vec2 eye_point(double c) const;

  /// Length of the eye path from chainage q to chainage z (q < z, more than
  /// a metre apart). Throws DataFormatError, naming the chainage, when the
  /// sum needs chords outside the table (q before o − 500 or z at or beyond
  /// o + last + 501), or when q, z or the result is not finite.
  double ypjplus_js(double q, double z) const;

  /// True when ypjplus_js(q, z) stays inside the table.
  bool covers(double q, double z) const;

  /// o = ⌊start chainage⌋ and last = ⌊end − o⌋, whole metres.
  double eye_path_origin() const { return origin_; }
  double eye_path_last() const { return last_; }

  /// Table entry j (−499 … last + 500): the chord from E(o + j − 1) to
  /// E(o + j). Throws std::out_of_range for another j.
  double chord(long j) const;

  /// The eye point E(o + j) at a whole metre of the table (j = −500 …
  /// last + 500), the same value as eye_point(o + j). Throws
  /// std::out_of_range for another j.
  zxbas::Vec2 whole_point(long j) const;

  /// sum + T(j1) + T(j1 + 1) + … + T(j2), added in this order (sum itself
  /// when j1 > j2). The entries must lie in the table (std::out_of_range).
  double add_chords(double sum, long j1, long j2) const;

  const EyeOffset& offset() const { return offset_; }
  const Alignment& alignment() const { return *line_; }

 private:
  EyePath(const Alignment& line, EyeOffset offset) : line_(&line), offset_(std::move(offset)) {}

  struct Table;
  struct Block;
  const Block& block(std::size_t b) const;

  const Alignment* line_;
  EyeOffset offset_;
  std::vector<EyeCorner> corners_;  // in increasing chainage
  double origin_ = 0;
  double last_ = 0;
  std::shared_ptr<Table> table_;
};

}  // namespace lumora::sight
