// Speed of the available sight distance on the benchmark road of
// tests/visibility/generated_scene.h (a 100 km generated main line, a crest
// or a sag every 800 m, a 0.8 m median barrier all along, cut slopes inside
// every other curve), S = 160, d_max = 2·S:
//   - the whole computation at 1 m in both directions by the fast search:
//     building the eye paths and the searches, and every chainage;
//   - a 10 km cut of the same road at 10 m, both directions, by the fast
//     search and by the reference in the same run, with the largest
//     difference of the two (it must stay within 1 mm).
//
//   lumora_sight_bench                 both
//   lumora_sight_bench --benchmark_filter=Cut
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sight/eye_path.h"
#include "visibility/available_sight.h"
#include "visibility/generated_scene.h"

namespace {

using lumora::sight::EyeOffset;
using lumora::sight::EyePath;
namespace vis = lumora::visibility;

constexpr double kSight = 160;

double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

const vis::testing::Scene& scene() {
  static const vis::testing::Scene s = vis::testing::generated_scene(100);
  return s;
}

struct Times {
  double wall = 0;
  double cpu = 0;
};
std::map<std::string, Times> seconds;
std::map<std::string, std::vector<vis::Sight>> results;

// Builds both directions and runs the chainages from `from` for `length`
// metres at `step`, both directions; the rows are kept under `name`.
void run(benchmark::State& state, const std::string& name, double from, double length, double step,
         vis::Method method, bool with_setup) {
  const auto& s = scene();
  std::vector<double> chainages;
  for (double c = from; c <= from + length + 1e-9; c += step) chainages.push_back(c);
  const std::vector<double> d_max(chainages.size(), 2 * kSight);
  std::optional<EyePath> fwd_path, bwd_path;
  std::optional<vis::SightSearch> fwd, bwd;
  auto setup = [&] {
    fwd_path.emplace(EyePath::build(*s.line, EyeOffset::constant(-7.25)));
    bwd_path.emplace(EyePath::build(*s.line, EyeOffset::constant(7.25)));
    fwd.emplace(vis::Road{s.line.get(), s.profile.get(), &*fwd_path}, vis::Direction::forward,
                s.obstructions, vis::Heights{});
    bwd.emplace(vis::Road{s.line.get(), s.profile.get(), &*bwd_path}, vis::Direction::backward,
                s.obstructions, vis::Heights{});
  };
  if (!with_setup) setup();
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = cpu_seconds();
    if (with_setup) setup();
    std::vector<vis::Sight> rows;
    rows.reserve(2 * chainages.size());
    vis::ListOptions o;
    o.method = method;
    for (const vis::SightSearch* search : {&*fwd, &*bwd}) {
      vis::sight_list(*search, chainages, d_max, o, [&](std::size_t, const vis::Sight& r) {
        rows.push_back(r);
        return true;
      });
    }
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    seconds[name] = {dt.count(), cpu_seconds() - c0};
    state.counters["cpu_s"] = seconds[name].cpu;
    state.counters["searches"] = static_cast<double>(rows.size());
    std::size_t short_rows = 0;
    for (const auto& r : rows) short_rows += r.asd < kSight ? 1 : 0;
    state.counters["deficient"] = static_cast<double>(short_rows);
    results[name] = std::move(rows);
  }
}

void register_all() {
  const double a = scene().line->start_chainage();
  const double b = scene().line->end_chainage();
  benchmark::RegisterBenchmark(
      "Setup/100km/both",
      [=](benchmark::State& st) { run(st, "setup", a, 0, 1, vis::Method::fast, true); })
      ->Unit(benchmark::kSecond)
      ->Iterations(1);
  benchmark::RegisterBenchmark(
      "Whole/100km/1m/both/fast",
      [=](benchmark::State& st) { run(st, "whole", a, b - a, 1, vis::Method::fast, true); })
      ->Unit(benchmark::kSecond)
      ->Iterations(1);
  for (auto [m, name] :
       {std::pair{vis::Method::fast, "fast"}, {vis::Method::reference, "reference"}}) {
    benchmark::RegisterBenchmark(
        fmt::format("Cut/10km/10m/both/{}", name).c_str(),
        [=](benchmark::State& st) { run(st, name, a + 20000, 10000, 10, m, false); })
        ->Unit(benchmark::kSecond)
        ->Iterations(1);
  }
}

void print_summary() {
  if (seconds.count("whole")) {
    const auto& t = seconds["whole"];
    std::cout << fmt::format(
        "\n100 km at 1 m, both directions (fast, with setup): {:.3f} s wall, "
        "{:.3f} s cpu, {} searches\n",
        t.wall, t.cpu, results["whole"].size());
  }
  if (seconds.count("setup")) {
    std::cout << fmt::format(
        "building the eye paths and both searches of 100 km: {:.3f} s wall, "
        "{:.3f} s cpu\n",
        seconds["setup"].wall, seconds["setup"].cpu);
  }
  if (seconds.count("fast") && seconds.count("reference")) {
    const auto& f = seconds["fast"];
    const auto& r = seconds["reference"];
    const auto& rf = results["fast"];
    const auto& rr = results["reference"];
    double worst = 0;
    std::size_t causes = 0;
    for (std::size_t k = 0; k < rf.size() && k < rr.size(); ++k) {
      worst = std::max(worst, std::fabs(rf[k].asd - rr[k].asd));
      causes += rf[k].cause != rr[k].cause || rf[k].obstruction != rr[k].obstruction ? 1 : 0;
    }
    std::cout << fmt::format(
        "10 km cut at 10 m, both directions: reference {:.3f} s, fast {:.3f} s, {:.1f}x "
        "(cpu {:.1f}x); largest difference {:.6f} m, other causes {}\n",
        r.wall, f.wall, r.wall / f.wall, r.cpu / f.cpu, worst, causes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_all();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  print_summary();
  return 0;
}
