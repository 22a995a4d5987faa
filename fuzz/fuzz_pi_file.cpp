// The PI data file: read, build the main line, evaluate it.
#include "fuzz_common.h"
#include "mainline/mainline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  fuzz::guarded([&] {
    const auto line =
        zxbas::MainLine::build(zxbas::read_pi_file(fuzz::lines_of(fuzz::bytes(data, size)), "pi"));
    const double a = line.start_chainage();
    const double b = line.end_chainage();
    fuzz::check_finite(a, "start chainage");
    fuzz::check_finite(b, "end chainage");
    for (int k = -1; k <= 9; ++k) fuzz::check_pose(line.point_at(a + (b - a) * k / 8.0));
    for (int i = 1; i <= line.jd_count(); ++i) {
      const auto& j = line.jd(i);
      fuzz::check_finite(j.jd_k, "jd_k");
      fuzz::check_finite(j.k_zh + j.k_hy + j.k_qz + j.k_yh + j.k_hz, "main-point chainage");
      fuzz::check_finite(j.x_qz + j.y_qz, "QZ");
    }
  });
  return 0;
}
