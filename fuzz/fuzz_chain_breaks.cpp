// The chain-break file, then the conversions over the table it gives.
#include "chainage/chain_breaks.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  fuzz::guarded([&] {
    const auto t = chainage::ChainBreakTable::read(fuzz::lines_of(fuzz::bytes(data, size)),
                                                   1234.567, 12545.347, "dl");
    for (double c : {0.0, 1234.567, 3190.0, 3200.0, 6500.0, 9000.0, 12545.347}) {
      fuzz::check_finite(t.sj_dlzh(c), "sj_dlzh");
      const std::string texts[] = {t.sj_dlstr_num(c), t.sj_dlstr_1(c), t.sj_dlstr_5(c)};
      for (const auto& s : texts) {
        if (s.empty()) fuzz::fail("empty chainage text");
      }
      (void)t.sj_dlstr_k(c);
      fuzz::guarded([&] { fuzz::check_finite(t.resolve(t.sj_dlstr_1(c)), "resolve"); });
    }
    for (int s = 1; s <= t.chain_break_count() + 1; ++s) {
      fuzz::check_finite(t.segment_start(s) + t.segment_end(s), "segment bounds");
      fuzz::check_finite(t.dlzh_sj(s, t.segment_start(s)), "dlzh_sj");
    }
  });
  return 0;
}
