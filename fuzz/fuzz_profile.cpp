// The profile file, against the chain breaks of the example line: whatever
// it accepts has finite elevations and grades everywhere, and its curves meet
// their grade lines at BVC and EVC.
#include <cmath>

#include "fuzz_common.h"
#include "fuzz_tables.h"
#include "profile/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const auto breaks = fuzz::example_breaks();
  fuzz::guarded([&] {
    const auto p =
        profile::read_profile_file(fuzz::lines_of(fuzz::bytes(data, size)), "profile", breaks);
    const auto& v = p.pvis();
    for (double c : {v.front().chainage - 500, v.front().chainage, v.back().chainage,
                     v.back().chainage + 500, 0.5 * (v.front().chainage + v.back().chainage)}) {
      fuzz::check_finite(p.elevation_at(c), "elevation");
      fuzz::check_finite(p.grade_at(c), "grade");
    }
    for (std::size_t k = 0; k < p.curves().size(); ++k) {
      const auto& c = p.curves()[k];
      const std::size_t i = p.curve_pvi(k);
      const double line_in = v[i].elevation + c.grade_in() * (c.bvc() - v[i].chainage);
      const double scale =
          1e-9 * (1 + std::fabs(v[i].elevation) + std::fabs(c.length()) + std::fabs(v[i].chainage));
      if (std::fabs(c.elevation_at(c.bvc()) - line_in) > scale * 1e3) {
        fuzz::fail("curve leaves its grade line at BVC");
      }
    }
  });
  return 0;
}
