// Speed of the central computations on generated main lines of 10 km and
// 100 km with 12 curves per 10 km: initialization (reading, building, the
// eye path), and the fixed-interval clearance command at 1 m and 20 m with
// S = 110 and S = 210, each by the reference (every chainage lays all its
// sight lines) and by the shared sight lines on all cores, in the same run.
// The table at the end gives the ratio of the two for each case.
//
//   lumora_bench                          all cases (the 100 km references
//                                         take minutes)
//   lumora_bench --benchmark_filter=10km  the 10 km cases only
//   lumora_bench --write-lines DIR        writes line10.jdx and line100.jdx
//                                         for timing lumora-cli
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <tuple>

#include "session/scripted_interface.h"
#include "session/session.h"
#include "sight/generated_lines.h"

namespace {

namespace fs = std::filesystem;
using lumora::session::ClearanceOptions;
using lumora::session::InitOptions;
using lumora::session::ScriptedInterface;
using lumora::session::Session;
using lumora::sight::Method;

fs::path write_line(const fs::path& dir, int km) {
  fs::create_directories(dir);
  const fs::path file = dir / fmt::format("line{}.jdx", km);
  std::ofstream(file, std::ios::binary) << lumora::testing::generated_main_line(km);
  return file;
}

fs::path bench_dir() {
  return fs::temp_directory_path() / "lumora-bench";
}

InitOptions init_options() {
  InitOptions o;
  o.read_chain_breaks = false;
  return o;
}

// Wall-clock and processor seconds (all threads) of each (km, S, interval,
// method), for the table of ratios. The machine may be shared: the
// processor time tells what the method costs whatever else runs.
struct Times {
  double wall = 0;
  double cpu = 0;
};
std::map<std::tuple<int, int, int, int>, Times> seconds;

double process_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void BM_Initialize(benchmark::State& state) {
  const fs::path line = write_line(bench_dir(), static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ScriptedInterface ui;
    Session s(ui);
    ui.answer(line);
    if (!s.initialize(init_options())) state.SkipWithError("initialization failed");
  }
}

void BM_Clearance(benchmark::State& state) {
  const int km = static_cast<int>(state.range(0));
  const int sight = static_cast<int>(state.range(1));
  const int interval = static_cast<int>(state.range(2));
  const auto method = static_cast<Method>(state.range(3));
  const fs::path line = write_line(bench_dir(), km);
  const fs::path result = bench_dir() / fmt::format("result-{}.txt", state.range(3));
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(line);
  if (!s.initialize(init_options())) {
    state.SkipWithError("initialization failed");
    return;
  }
  ClearanceOptions c;
  c.mode = lumora::session::ChainageMode::interval;
  c.interval_text = std::to_string(interval);
  c.sight_text = std::to_string(sight);
  c.method = method;
  for (auto _ : state) {
    ui.answer(result);
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = process_cpu_seconds();
    if (!s.clearance(c)) state.SkipWithError("clearance failed");
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    const double cpu = process_cpu_seconds() - c0;
    seconds[{km, sight, interval, static_cast<int>(method)}] = {dt.count(), cpu};
    state.counters["cpu_s"] = cpu;
  }
  state.counters["chainages"] = ui.last_progress.second;
}

void register_all() {
  for (int km : {10, 100}) {
    benchmark::RegisterBenchmark(fmt::format("Initialize/{}km", km).c_str(), BM_Initialize)
        ->Arg(km)
        ->Unit(benchmark::kMillisecond);
  }
  for (int km : {10, 100}) {
    for (int sight : {110, 210}) {
      for (int interval : {1, 20}) {
        for (Method m : {Method::shared, Method::reference}) {
          const char* name = m == Method::shared ? "shared" : "reference";
          benchmark::RegisterBenchmark(
              fmt::format("Clearance/{}km/S{}/{}m/{}", km, sight, interval, name).c_str(),
              BM_Clearance)
              ->Args({km, sight, interval, static_cast<int>(m)})
              ->Unit(benchmark::kSecond)
              ->Iterations(1);
        }
      }
    }
  }
}

void print_ratios() {
  std::cout << "\n  line      S   interval |  reference     shared    ratio |"
               "  cpu: reference     shared    ratio\n";
  for (const auto& [key, ref] : seconds) {
    const auto [km, sight, interval, method] = key;
    if (method != static_cast<int>(Method::reference)) continue;
    const auto fast = seconds.find({km, sight, interval, static_cast<int>(Method::shared)});
    if (fast == seconds.end()) continue;
    const Times& f = fast->second;
    std::cout << fmt::format(
        "{:4} km  {:5} {:6} m | {:8.3f} s {:8.3f} s {:7.1f}x |       {:8.3f} s {:8.3f} s "
        "{:7.1f}x\n",
        km, sight, interval, ref.wall, f.wall, ref.wall / f.wall, ref.cpu, f.cpu, ref.cpu / f.cpu);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-lines") == 0) {
    for (int km : {10, 100}) std::cout << write_line(argv[2], km).string() << "\n";
    return 0;
  }
  register_all();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  print_ratios();
  return 0;
}
