// Fixed data the reader harnesses read against: the chain breaks of the
// example main line and the example ramp.
#pragma once

#include "chainage/chain_breaks.h"
#include "interchange/interchange.h"

namespace lumora::fuzz {

inline chainage::ChainBreakTable example_breaks() {
  return chainage::ChainBreakTable::read({"3200 3180", "6500 6550"}, 1234.567, 12545.347, "dl");
}

inline htbas::Interchange example_ramp() {
  return htbas::Interchange::build(
      htbas::read_ht_file({"100.000 3456789.123 512345.678 45.3020", "9999 9999 80.000",
                           "9999 60 50.000", "60 60 253.700", "60 120 40.000", "120 -150 60.000",
                           "-150 -150 50.000", "-150 9999 45.000", "9999 9999 100.000"},
                          "ramp"));
}

}  // namespace lumora::fuzz
