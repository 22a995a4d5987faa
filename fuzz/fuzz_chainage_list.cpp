// The chainage list file, against the chain breaks of the example line.
#include "fuzz_common.h"
#include "fuzz_tables.h"
#include "session/input_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const auto breaks = fuzz::example_breaks();
  fuzz::guarded([&] {
    const auto list =
        session::read_chainage_list(fuzz::lines_of(fuzz::bytes(data, size)), "list", breaks);
    for (const auto& e : list) {
      fuzz::check_finite(e.chainage, "list chainage");
      // Every accepted chainage lies on the line, within the tolerance of
      // a rounded end.
      if (e.chainage < 1234.567 - 1e-3 || e.chainage > 12545.347 + 1e-3) {
        if (!chainage::ChainBreakTable::is_chainage_text(e.text)) fuzz::fail("bad text accepted");
      }
    }
  });
  return 0;
}
