// A LandXML file: parse, lay out every alignment it offers (a few at most),
// evaluate each, and write chainages through its station equations.
#include "fuzz_common.h"
#include "landxml/landxml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  fuzz::guarded([&] {
    const auto doc = landxml::Document::parse(fuzz::bytes(data, size), "fuzz.xml");
    const std::size_t n = std::min<std::size_t>(doc.names().size(), 4);
    for (std::size_t i = 0; i < n; ++i) {
      fuzz::guarded([&] {
        const landxml::Road road = doc.build(i);
        const double a = road.line.start_chainage();
        const double b = road.line.end_chainage();
        fuzz::check_finite(a, "start chainage");
        fuzz::check_finite(b, "end chainage");
        for (int k = -1; k <= 9; ++k) {
          const double c = a + (b - a) * k / 8.0;
          fuzz::check_pose(road.line.point_at(c));
          const std::string text = road.breaks.sj_dlstr_num(c);
          (void)road.breaks.sj_dlstr_k(c);
          fuzz::guarded(
              [&] { fuzz::check_finite(road.breaks.resolve(text), "chainage read back"); });
        }
      });
    }
  });
  return 0;
}
