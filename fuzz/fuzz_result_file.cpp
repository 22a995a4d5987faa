// A clearance result file read back for the envelope, and the envelope drawn
// along the example ramp and written by both writers.
#include "cad/document.h"
#include "cad/envelope.h"
#include "cad/writers.h"
#include "fuzz_common.h"
#include "fuzz_tables.h"
#include "session/result_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const auto breaks = fuzz::example_breaks();
  static const auto ramp = fuzz::example_ramp();
  fuzz::guarded([&] {
    const auto rows =
        session::read_result_file(fuzz::lines_of(fuzz::bytes(data, size)), "result", breaks);
    std::vector<cad::EnvelopeRow> envelope;
    for (const auto& r : rows) {
      fuzz::check_finite(r.chainage + r.start_chainage + r.end_chainage, "row chainages");
      fuzz::check_finite(r.clearance + r.offset + r.offset_start + r.offset_end, "row numbers");
      fuzz::check_finite(r.sight_distance, "sight distance");
      envelope.push_back({r.chainage, r.clearance, r.offset, r.offset_start, r.offset_end,
                          r.start_chainage, r.end_chainage});
    }
    std::unique_ptr<cad::DrawingDocument> doc;
    cad::draw_envelope(cad::cad_connect(doc), ramp, envelope, true, true);
    (void)cad::svg_text(*doc);
    (void)cad::dxf_text(*doc);
  });
  return 0;
}
