// Speed of the central computations on a generated 10 km main line with 12
// curves: initialization (reading, building, the per-metre eye path) and the
// fixed-interval clearance command at 1 m and 20 m with S = 110.
//
// The clearance command uses the straightforward eye-path sum over the
// per-metre table; these figures are the baseline for faster versions.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "session/scripted_interface.h"
#include "session/session.h"

namespace {

namespace fs = std::filesystem;
using lumora::session::ClearanceOptions;
using lumora::session::InitOptions;
using lumora::session::ScriptedInterface;
using lumora::session::Session;

// A 10 km line: 12 PIs alternating right and left turns of 25° to 35°, radii
// 600 to 1600 m, spirals 100 to 180 m, about 770 m between PIs.
fs::path write_line() {
  const fs::path dir = fs::temp_directory_path() / "lumora-bench";
  fs::create_directories(dir);
  const fs::path file = dir / "line.jdx";
  std::ofstream out(file);
  out << "bench line\n0\n";
  double x = 0, y = 0, az = 0.3;
  const double step = 770;
  out << "QD\n" << fmt::format("{:.4f} {:.4f} 0 0 0\n", x, y);
  for (int i = 1; i <= 12; ++i) {
    x += step * std::cos(az);
    y += step * std::sin(az);
    const double r = 600 + 100 * ((i * 7) % 11);
    const double ls = 100 + 10 * ((i * 3) % 9);
    out << "JD" << i << "\n" << fmt::format("{:.4f} {:.4f} {} {} {}\n", x, y, r, ls, ls);
    const double deflection = (25 + (i % 3) * 5) * M_PI / 180;
    az += (i % 2 ? 1 : -1) * deflection;
  }
  x += step * std::cos(az);
  y += step * std::sin(az);
  out << "ZD\n" << fmt::format("{:.4f} {:.4f} 0 0 0\n", x, y);
  return file;
}

InitOptions init_options() {
  InitOptions o;
  o.read_chain_breaks = false;
  return o;
}

void BM_Initialize(benchmark::State& state) {
  const fs::path line = write_line();
  for (auto _ : state) {
    ScriptedInterface ui;
    Session s(ui);
    ui.answer(line);
    if (!s.initialize(init_options())) state.SkipWithError("initialization failed");
  }
}
BENCHMARK(BM_Initialize)->Unit(benchmark::kMillisecond);

void BM_ClearanceInterval(benchmark::State& state) {
  const fs::path line = write_line();
  const fs::path result = line.parent_path() / "result.txt";
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(line);
  if (!s.initialize(init_options())) {
    state.SkipWithError("initialization failed");
    return;
  }
  ClearanceOptions c;
  c.mode = lumora::session::ChainageMode::interval;
  c.interval_text = std::to_string(state.range(0));
  for (auto _ : state) {
    ui.answer(result);
    if (!s.clearance(c)) state.SkipWithError("clearance failed");
  }
  state.counters["chainages"] = ui.last_progress.second;
}
BENCHMARK(BM_ClearanceInterval)->Arg(20)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
