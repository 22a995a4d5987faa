// Chainage texts against a chain-break table: the input is a chain-break
// file, a line "%%", then one chainage text per line.
#include <cmath>

#include "chainage/chain_breaks.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  using chainage::ChainBreakTable;
  fuzz::guarded([&] {
    const auto parts = fuzz::parts_of(fuzz::bytes(data, size), 2);
    const auto t = ChainBreakTable::read(fuzz::lines_of(parts[0]), 0, 10000, "dl");
    for (const auto& line : fuzz::lines_of(parts[1])) {
      fuzz::guarded([&] { t.dlstr_check(line); });
      fuzz::guarded([&] { (void)t.zh_dlstr(line); });
      (void)t.zh_dlstr_2(line);
      (void)t.dlstr_sj(line);
      for (auto check : {ChainBreakTable::Check::letter, ChainBreakTable::Check::segment}) {
        fuzz::guarded([&] {
          const double c = t.resolve_checked(line, check);
          fuzz::check_finite(c, "resolved chainage");
          // What a checked text resolves to is written back to a text that
          // resolves to the same place, to the millimetre.
          const std::string back = t.sj_dlstr_num(c);
          (void)t.sj_dlstr_k(c);
          (void)t.sj_dlstr_1(c);
          (void)t.sj_dlstr_5(c);
          fuzz::check_finite(t.dlstr_sj(back), "text written back");
          // The stake text the drawing writes reads back to the same place.
          const double stake = t.dlstr_sj(t.sj_dlstr_k(c));
          if (std::fabs(c) < 1e9 && !(std::fabs(stake - c) <= 1e-3)) {
            fuzz::fail("stake text read back elsewhere: " + t.sj_dlstr_k(c));
          }
        });
      }
    }
  });
  return 0;
}
