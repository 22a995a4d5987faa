// A clearance result file read back for the envelope, and the envelope drawn
// along the example ramp and written by both writers.
#include "cad/document.h"
#include "cad/envelope.h"
#include "cad/writers.h"
#include "fuzz_common.h"
#include "fuzz_tables.h"
#include "session/input_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const auto breaks = fuzz::example_breaks();
  static const auto ramp = fuzz::example_ramp();
  fuzz::guarded([&] {
    const auto rows =
        session::read_envelope_rows(fuzz::lines_of(fuzz::bytes(data, size)), "result", breaks);
    for (const auto& r : rows) {
      fuzz::check_finite(r.chainage + r.start_chainage + r.end_chainage, "row chainages");
      fuzz::check_finite(r.clearance + r.offset + r.offset_start + r.offset_end, "row numbers");
    }
    std::unique_ptr<cad::DrawingDocument> doc;
    cad::draw_envelope(cad::cad_connect(doc), ramp, rows, true, true);
    (void)cad::svg_text(*doc);
    (void)cad::dxf_text(*doc);
  });
  return 0;
}
