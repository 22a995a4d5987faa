// The sight-distance limit file, against the chain breaks of the example
// line.
#include "fuzz_common.h"
#include "fuzz_tables.h"
#include "session/input_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const auto breaks = fuzz::example_breaks();
  fuzz::guarded([&] {
    const auto limits =
        session::read_sight_limits(fuzz::lines_of(fuzz::bytes(data, size)), "sight", breaks);
    for (const auto& l : limits) {
      fuzz::check_finite(l.chainage, "limit chainage");
      const double s = session::sight_distance_at(limits, l.chainage, "x");
      if (!(s > 0) || !std::isfinite(s)) fuzz::fail("sight distance not positive");
    }
  });
  return 0;
}
