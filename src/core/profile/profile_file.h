// The profile file (纵断面变坡点文件), read like the designer's other text
// files (GBK or UTF-8, the same normalisation of blanks and tabs, an empty
// line ends the file):
//
//   line 1: a title (any text);
//   then one PVI per line: "chainage elevation radius".
//
// The chainage is a chainage text resolved as the chainage list resolves its
// texts (a plain number, a segment letter and a number where the line has
// chain breaks, and every other form that function accepts); its letter
// must name a segment, but the number may lie beyond the line's ends, since
// a profile often starts before and ends beyond the plan. Elevation and
// radius are metres; the radius is that of the parabola at the PVI, 0 for
// none, and the first and the last PVI carry none. Further fields are
// ignored. Profile::build makes the remaining checks.
//
// Example:
//   auto lines = text::read_text_lines("mainline-profile.txt");
//   Profile p = read_profile_file(lines, "mainline-profile.txt", breaks);
#pragma once

#include <string>
#include <vector>

#include "chainage/chain_breaks.h"
#include "profile/profile.h"

namespace lumora::profile {

/// Reads the decoded lines of a profile file. Throws DataFormatError naming
/// the file and line for a missing title or PVI, a line with fewer than
/// three fields, a number that is not one, a negative radius, a radius at
/// the first or last PVI, and every check of Profile::build; DataCheckError
/// (with the line) for a chainage text the chain breaks refuse.
Profile read_profile_file(const std::vector<std::string>& lines, const std::string& file,
                          const chainage::ChainBreakTable& breaks);

}  // namespace lumora::profile
