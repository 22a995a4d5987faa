// The chainages of a fixed-interval run: stakes at whole multiples of the
// interval in every chainage segment's own numbering, between the line's
// ends, kept where they lie within the window from..to, with the window's
// ends first and last.
//
// Example:
//   auto entries = interval_entries(breaks, 0, 1250.5, "0", "1250.5", 100, 0, 1250.5);
//   // 0, 100, …, 1200, 1250.500
#pragma once

#include <string>
#include <vector>

#include "chainage/chain_breaks.h"
#include "session/input_files.h"

namespace lumora::session {

/// `a`, `b`: the window's ends (continuous chainage, a <= b) as typed in
/// `from`, `to`; `line_start`, `line_end`: the line's ends; `d` > 0.
/// DataFormatError when the run would hold more than kMaxChainagesPerRun
/// chainages.
std::vector<ListEntry> interval_entries(const chainage::ChainBreakTable& breaks, double a, double b,
                                        const std::string& from, const std::string& to, double d,
                                        double line_start, double line_end);

}  // namespace lumora::session
