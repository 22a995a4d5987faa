// Writes the benchmark road of tests/visibility/generated_scene.h as the
// designer's files, so that the whole sight-check command can be timed on
// it: the PI data file of the line, its profile file and its obstruction
// file (the median barrier and the cut slopes), UTF-8.
//
//   lumora_sight_scene DIR [KM]        (KM default 100)
//   lumora-cli sight-check --pi DIR/line.jdx --profile DIR/profile.txt
//     --obstructions DIR/obstructions.txt --sight 160 --direction both
//     --interval 1 -o DIR/result.txt
#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "sight/generated_lines.h"
#include "text/format.h"
#include "visibility/generated_scene.h"

namespace {

namespace vt = lumora::visibility::testing;
using lumora::text::format_fixed3;

void write(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: lumora_sight_scene DIR [KM]\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const double km = argc > 2 ? std::atof(argv[2]) : 100;
  try {
    std::filesystem::create_directories(dir);
    const vt::Scene s = vt::generated_scene(km);
    write(dir / "line.jdx", lumora::testing::generated_main_line(km));
    std::string profile = "generated profile\n";
    const auto& pvis = s.profile->pvis();
    for (std::size_t k = 0; k < pvis.size(); ++k) {
      // The last PVI's curve lies beyond the line: a file's ends have none.
      const double r = k + 1 == pvis.size() ? 0 : pvis[k].r;
      profile += fmt::format("{} {} {}\n", format_fixed3(pvis[k].c), format_fixed3(pvis[k].z),
                             lumora::text::format_shortest(r));
    }
    write(dir / "profile.txt", profile);
    // The barrier and the cut slopes as generated_scene lays them.
    const double a = s.line->start_chainage();
    const double b = s.line->end_chainage();
    std::string obs =
        fmt::format("中分带护栏 {} {} 0.75 0.75 0.8\n", format_fixed3(a), format_fixed3(b));
    for (int i = 2; i < s.line->jd_count(); i += 2) {
      const auto& jd = s.line->jd(i);
      const char* inside = jd.jd_right ? "-12" : "12";
      obs += fmt::format("边坡{} {} {} {} {} -\n", i, format_fixed3(jd.k_zh),
                         format_fixed3(jd.k_hz), inside, inside);
    }
    write(dir / "obstructions.txt", obs);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
