// The obstruction file (障碍物文件): obstructions laid along the design line,
// one a line:
//
//   name  start  end  offset_start  offset_end  height
//   中分带护栏  A1234.567  C12545.347  0.75  0.75  0.8
//   边坡        K3+200     K3+650      -12.5 -12.5 -
//
// start and end are chainage texts (resolved as the chainage list's are, end
// after start); the offsets are metres from the design line, positive to the
// left, and vary linearly with the continuous chainage between start and
// end; height is metres above the road surface (≥ 0), or "-" for an
// obstruction nothing is seen over (a wall, a cut slope, dense planting).
// The name is one field. An empty line ends the list.
//
// Plan line: the points at offset(c) beside the design line, at c = start, at
// every whole metre of continuous chainage strictly between, and at end.
// Each point is the design-line point moved at right angles by the offset:
//   P(c) = (x + cos(a − π/2)·w, y + sin(a − π/2)·w),  (x, y, a) = point_at(c).
//
// Accuracy: the vertices are points of the alignment's own evaluation
// (1e-6 m); between them the obstruction is the chord, which on a curve of
// radius r lies within 1/(8r) m of the true offset line (0.5 mm at r = 250).
//
// Example:
//   auto obs = read_obstruction_file(text::read_text_lines(p), "obs.txt", breaks, line);
//   obs[0].name;         // "中分带护栏"
//   obs[0].plan.size();  // 11312 vertices for 1234.567 … 12545.347
#pragma once

#include <string>
#include <vector>

#include "alignment.h"
#include "chainage/chain_breaks.h"
#include "obstruction/obstruction.h"

namespace lumora::obstruction {

/// Most vertices of all obstructions of one run (10 million: a barrier
/// along a 10 000 km line, vertex every metre). Beyond it a file is refused.
inline constexpr std::size_t kMaxObstructionVertices = 10'000'000;

/// Reads the decoded lines of an obstruction file. Throws DataFormatError
/// whose detail names the file, the line and the field for a line with
/// fewer or more than six fields, a start or end that is not a chainage
/// text, an end not after its start, an offset or height that is not a
/// number (or a negative height), too many vertices, and a file without
/// obstructions; DataCheckError (detail: file and line) for a chainage text
/// the chain breaks refuse or that lies outside its segment.
std::vector<Obstruction> read_obstruction_file(const std::vector<std::string>& lines,
                                               const std::string& file,
                                               const chainage::ChainBreakTable& breaks,
                                               const Alignment& line);

/// The point w metres to the left of the design line at chainage c (w < 0:
/// to the right), x north and y east.
zxbas::Vec2 offset_point(const Alignment& line, double c, double w);

}  // namespace lumora::obstruction
