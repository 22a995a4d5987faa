// The chainages of a run at a fixed interval: stakes at whole multiples of
// the interval in every chainage segment's own numbering, between the line's
// ends, kept where they lie within the window from … to, which open and
// close the list.
//
// Example:
//   auto e = interval_entries(breaks, 1234.567, 12545.347, 100, a, "1234.567", b, "C12545.347");
//   e[1].text;   // "1300"
#pragma once

#include <string>
#include <vector>

#include "chainage/chain_breaks.h"
#include "session/input_files.h"

namespace lumora::session {

/// The list of a fixed-interval run of interval d > 0 over the line from
/// line_start to line_end (continuous), windowed to a … b (continuous, with
/// the texts shown for them). Throws DataFormatError naming the interval
/// when the list would hold more than kMaxChainagesPerRun chainages.
std::vector<ListEntry> interval_entries(const chainage::ChainBreakTable& breaks, double line_start,
                                        double line_end, double d, double a,
                                        const std::string& a_text, double b,
                                        const std::string& b_text);

}  // namespace lumora::session
