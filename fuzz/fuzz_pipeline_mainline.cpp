// The whole run on a main line: a PI data file, "%%", a chain-break file,
// "%%", a driver-eye offset file (either may be empty).
#include "fuzz_pipeline.h"
#include "mainline/mainline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  fuzz::guarded([&] {
    const auto parts = fuzz::parts_of(fuzz::bytes(data, size), 3);
    const auto line = zxbas::MainLine::build(zxbas::read_pi_file(fuzz::lines_of(parts[0]), "pi"));
    const auto dl = fuzz::lines_of(parts[1]);
    const auto breaks =
        dl.empty() ? chainage::ChainBreakTable::none(line.qdzh(), line.end_chainage())
                   : chainage::ChainBreakTable::read(dl, line.qdzh(), line.end_chainage(), "dl");
    const auto eye = fuzz::lines_of(parts[2]);
    auto offset = eye.empty() ? sight::EyeOffset::constant(-7.25)
                              : sight::EyeOffset::table(sight::EyeOffsetTable::read(
                                    eye, "eye", [&](std::string_view s) {
                                      return breaks.resolve_checked(
                                          s, chainage::ChainBreakTable::Check::letter);
                                    }));
    fuzz::run_pipeline(line, breaks, std::move(offset), [&](cad::DrawingDocument& d) {
      cad::draw_design_line(d, line, breaks, [](const std::string&) {});
    });
  });
  return 0;
}
