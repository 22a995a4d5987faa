// The sight-distance envelope drawing: the edge of the zone that must stay
// clear for the driver's sight, drawn chainage by chainage at the maximum
// lateral clearance from the driver's eye path, with the sight lines and the
// eye path itself on request.
//
// A row of a clearance result file gives, at a chainage, the clearance h,
// the eye offset w there and at both ends of the last sight line, and the
// chainages of those ends. The drawing point at offset w of chainage c is
// the design-line point moved w to the left (w < 0: to the right) at right
// angles to the line: (Y + sin(a − π/2)·w, X + cos(a − π/2)·w) in drawing
// coordinates (east, north), with (X, Y, a) the line's point and azimuth.
// The eye path joins the points at w, the envelope those at w + h
// (positive clearances lie to the left of the eye path).
//
// Accuracy: that of the alignment's point_at (1e-6 m).
//
// Example:
//   std::vector<EnvelopeRow> rows = ...;   // from the result file
//   draw_envelope(cad_connect(doc), line, rows, true, true);
#pragma once

#include <vector>

#include "alignment.h"
#include "cad/host.h"

namespace lumora::cad {

/// One row of a clearance result file, chainages continuous.
struct EnvelopeRow {
  double chainage = 0;
  double clearance = 0;
  double offset = 0;        // eye offset at the chainage
  double offset_start = 0;  // eye offset at the start of the sight line
  double offset_end = 0;    // eye offset at the end of the sight line
  double start_chainage = 0;
  double end_chainage = 0;
};

/// The sight-distance envelope: optionally the sight lines (layer "视距线",
/// colour 250, one per row whose clearance is not 0) and the eye path
/// (layer "轨迹线", colour 3), then always the envelope (layer "视距包络图",
/// colour 2), the line of the points at the eye offset plus the clearance.
/// Throws DataFormatError for an empty row list.
void draw_envelope(CadHost& host, const Alignment& line, const std::vector<EnvelopeRow>& rows,
                   bool draw_sight_lines, bool draw_trajectory);

}  // namespace lumora::cad
