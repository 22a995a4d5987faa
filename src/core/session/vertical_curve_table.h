// The table of a profile's PVIs and vertical curves, as `lumora-cli profile`
// prints it and the calculation report shows it: per PVI its chainage text,
// elevation, grades in and out (per cent, 4 decimals), and where it carries
// a vertical curve its R, T (T1/T2 when unequal), E, L, BVC, EVC and kind;
// with a design speed the standard's minimums and the flags of what the
// curve lacks ("R<极限值", "R<一般值", "L<最小值", "L<一般值"; AASHTO "K<最小值";
// "-" when nothing).
//
// Example:
//   const TextTable t = vertical_curve_table(*s.profile(), *s.chain_breaks(), req);
//   std::cout << tab_separated(t);
#pragma once

#include <optional>

#include "chainage/chain_breaks.h"
#include "profile/profile.h"
#include "session/curves.h"
#include "standards/standards.h"

namespace lumora::session {

TextTable vertical_curve_table(const profile::Profile& p, const chainage::ChainBreakTable& breaks,
                               const std::optional<standards::SightRequirement>& req);

}  // namespace lumora::session
