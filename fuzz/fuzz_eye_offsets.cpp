// The driver-eye offset file, against the chain breaks of the example line.
#include "fuzz_common.h"
#include "fuzz_tables.h"
#include "sight/eye_offsets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const auto breaks = fuzz::example_breaks();
  fuzz::guarded([&] {
    const auto t = sight::EyeOffsetTable::read(
        fuzz::lines_of(fuzz::bytes(data, size)), "eye", [](std::string_view s) {
          return breaks.resolve_checked(s, chainage::ChainBreakTable::Check::letter);
        });
    for (const auto& r : t.rows()) {
      fuzz::check_finite(t.sdjljs(r.chainage), "offset at a row");
      fuzz::check_finite(t.sdjljs(r.chainage + 0.5), "offset between rows");
    }
    for (double c : {-1e9, 0.0, 5000.0, 1e9}) fuzz::check_finite(t.sdjljs(c), "offset");
  });
  return 0;
}
