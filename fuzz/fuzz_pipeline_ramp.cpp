// The whole run on an interchange ramp: an element file, "%%", a driver-eye
// offset file (may be empty).
#include "fuzz_pipeline.h"
#include "interchange/interchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  fuzz::guarded([&] {
    const auto parts = fuzz::parts_of(fuzz::bytes(data, size), 2);
    const auto ramp =
        htbas::Interchange::build(htbas::read_ht_file(fuzz::lines_of(parts[0]), "ht"));
    const auto breaks = chainage::ChainBreakTable::none(ramp.start_chainage(), ramp.end_chainage());
    const auto eye = fuzz::lines_of(parts[1]);
    auto offset = eye.empty() ? sight::EyeOffset::constant(-7.25)
                              : sight::EyeOffset::table(sight::EyeOffsetTable::read(
                                    eye, "eye", [&](std::string_view s) {
                                      return breaks.resolve_checked(
                                          s, chainage::ChainBreakTable::Check::letter);
                                    }));
    fuzz::run_pipeline(ramp, breaks, std::move(offset), [&](cad::DrawingDocument& d) {
      cad::draw_design_line(d, ramp, [](const std::string&) {});
    });
  });
  return 0;
}
