// DXF obstructions: any bytes as a DXF file, three layers requested with the
// three kinds of top.
#include "fuzz_common.h"
#include "obstruction/dxf_obstructions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const std::vector<obstruction::LayerRequest> layers = {
      obstruction::parse_layer_request("A"), obstruction::parse_layer_request("护栏=0.8"),
      obstruction::parse_layer_request("Wall=z")};
  fuzz::guarded([&] {
    const auto obs =
        obstruction::read_dxf_obstructions(fuzz::bytes(data, size), "fuzz.dxf", layers);
    for (const auto& o : obs) {
      if (o.plan.size() < 2) fuzz::fail("obstruction with fewer than two vertices");
      for (const auto& p : o.plan) fuzz::check_finite(p.x + p.y, "vertex");
      for (double z : o.top_values) fuzz::check_finite(z, "top");
    }
  });
  return 0;
}
