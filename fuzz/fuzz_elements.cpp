// The interchange element file: read, build the ramp, evaluate it.
#include "fuzz_common.h"
#include "interchange/interchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  fuzz::guarded([&] {
    const auto ramp = htbas::Interchange::build(
        htbas::read_ht_file(fuzz::lines_of(fuzz::bytes(data, size)), "ht"));
    const double a = ramp.start_chainage();
    const double b = ramp.end_chainage();
    fuzz::check_finite(a, "start chainage");
    fuzz::check_finite(b, "end chainage");
    for (int k = -1; k <= 9; ++k) fuzz::check_pose(ramp.point_at(a + (b - a) * k / 8.0));
    for (int k = 1; k <= ramp.ht_count(); ++k) {
      fuzz::check_finite(ramp.ht_x(k) + ramp.ht_y(k) + ramp.ht_azimuth(k), "element start");
    }
  });
  return 0;
}
