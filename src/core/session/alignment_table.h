// The table of an alignment's curves as `lumora-cli alignment` prints it and
// the calculation report shows it.
//
// Main line: one row per PI (start and end point included): number, name,
// PI chainage, tangent lengths T1 and T2, curve length L, the main-point
// chainages ZH, HY, QZ, YH, HZ (empty for the start and end point) and the
// main points' coordinates. Interchange ramp: one row per element after the
// split of S-shaped spirals (number, radii at both ends, length, start
// chainage, start point, start azimuth in radians) and a last row for the
// end of the line ("-" for the radii and the length).
//
// Numbers carry 6 decimals, azimuths 9 (text::format_fixed), so the texts
// are exact to the model's own accuracy (1e-6 m).
//
// Example:
//   const TextTable t = alignment_table(*session.main_line());
//   t.header[6];     // "k_zh"
//   t.cells[1][6];   // "1345.678901"
#pragma once

#include "interchange/interchange.h"
#include "mainline/mainline.h"
#include "session/curves.h"

namespace lumora::session {

TextTable alignment_table(const zxbas::MainLine& line);
TextTable alignment_table(const htbas::Interchange& ramp);

/// The table as tab-separated lines, header first, each line ending LF.
std::string tab_separated(const TextTable& table);

}  // namespace lumora::session
