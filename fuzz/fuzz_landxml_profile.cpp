// The profiles of a LandXML file: every ProfAlign the first alignments
// carry, evaluated over their length and beyond.
#include "fuzz_common.h"
#include "landxml/landxml.h"
#include "landxml/landxml_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  fuzz::guarded([&] {
    const std::string_view bytes = fuzz::bytes(data, size);
    const auto doc = landxml::Document::parse(bytes, "fuzz.xml");
    const std::size_t n = std::min<std::size_t>(doc.names().size(), 4);
    for (std::size_t i = 0; i < n; ++i) {
      fuzz::guarded([&] {
        const auto p = landxml::read_profile(bytes, "fuzz.xml", doc.unit(), i, "");
        if (!p) return;
        const double a = p->pvis().front().chainage, b = p->pvis().back().chainage;
        for (int k = -1; k <= 9; ++k) {
          const double c = a + (b - a) * k / 8.0;
          fuzz::check_finite(p->elevation_at(c), "elevation");
          fuzz::check_finite(p->grade_at(c), "grade");
        }
        for (const auto& g : p->ground()) fuzz::check_finite(g.elevation, "ground");
      });
    }
  });
  return 0;
}
