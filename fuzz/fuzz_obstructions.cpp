// The obstruction file, against the chain breaks of the example line laid on
// a straight of the same length.
#include "fuzz_common.h"
#include "fuzz_tables.h"
#include "obstruction/obstruction_file.h"

namespace {

class Straight : public lumora::Alignment {
 public:
  lumora::Pose point_at(double c) const override { return {c, 0.5 * c, 0.4636476}; }
  double start_chainage() const override { return 1234.567; }
  double end_chainage() const override { return 12545.347; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumora;
  static const auto breaks = fuzz::example_breaks();
  static const Straight line;
  fuzz::guarded([&] {
    const auto obs = obstruction::read_obstruction_file(fuzz::lines_of(fuzz::bytes(data, size)),
                                                        "obstructions", breaks, line);
    for (const auto& o : obs) {
      if (o.plan.size() < 2) fuzz::fail("obstruction with fewer than two vertices");
      for (const auto& p : o.plan) fuzz::check_finite(p.x + p.y, "vertex");
      if (o.top != obstruction::TopKind::unlimited && o.top_values.size() != o.plan.size()) {
        fuzz::fail("tops do not match the vertices");
      }
    }
  });
  return 0;
}
