// Generated data files for the clearance tests and benchmarks: a main line of
// any length with 12 curves per 10 km, chain breaks, an eye-offset file with
// steps, a sight-limit file and an interchange ramp. All texts are ASCII, one
// record per line (LF).
#pragma once

#include <fmt/format.h>

#include <cmath>
#include <string>

namespace lumora::testing {

// PIs 833 m apart (12 per 10 km), alternating right and left turns of 20° to
// 30°, radii 500 to 1000 m, spirals 60 to 180 m (unequal ones too); the
// tangents of neighbouring curves never overlap.
inline std::string generated_main_line(double km, double start = 1000.25) {
  const int pis = static_cast<int>(std::lround(km * 1.2));
  std::string out = fmt::format("generated line\n{}\n", start);
  const double step = 10000.0 / 12;
  double x = 3400000, y = 500000, az = 0.4;
  out += fmt::format("QD\n{:.4f} {:.4f} 0 0 0\n", x, y);
  for (int i = 1; i <= pis; ++i) {
    x += step * std::cos(az);
    y += step * std::sin(az);
    const double r = 500 + 50 * ((i * 7) % 11);
    const double ls1 = 60 + 20 * ((i * 3) % 7);
    const double ls2 = i % 4 == 0 ? ls1 + 20 : ls1;
    out += fmt::format("JD{}\n{:.4f} {:.4f} {} {} {}\n", i, x, y, r, ls1, ls2);
    az += (i % 2 ? 1 : -1) * (20 + (i % 3) * 5) * M_PI / 180;
  }
  x += step * std::cos(az);
  y += step * std::sin(az);
  out += fmt::format("ZD\n{:.4f} {:.4f} 0 0 0\n", x, y);
  return out;
}

// Chain breaks of a generated line: one gap (the numbering jumps forward by
// 37.5 m) and one overlap (back by 20 m), both on curves.
inline std::string generated_chain_breaks() {
  return "2200 2237.5\n3900 3880\n";
}

// Offsets of the eye along a generated line with chain breaks: a constant
// stretch, two steps (equal chainages) and a linear change.
inline std::string generated_eye_offsets() {
  return "1000.25 -7.25\n"
         "A1800 -7.25\n"
         "A1800 -5.5\n"
         "B2600 -5.5\n"
         "B3000 -9\n"
         "C4100 -9\n"
         "C4100 -7.25\n"
         "C9000 -7.25\n";
}

// Sight distances along a generated line with chain breaks; 110.5 lays 111
// sight lines from fractional starts.
inline std::string generated_sight_limits() {
  return "1000.25 110\nA2000 110.5\nB3000 160\nC4500 110\n";
}

// An interchange ramp: straights, spirals, arcs and an S-shaped spiral, its
// pattern repeated `repeats` times.
inline std::string generated_ramp(int repeats) {
  std::string out = "100.000 3456789.123 512345.678 45.3020\n9999 9999 80.000\n";
  for (int k = 0; k < repeats; ++k) {
    out +=
        "9999 60 50.000\n60 60 253.700\n60 120 40.000\n120 -150 60.000\n-150 -150 50.000\n"
        "-150 9999 45.000\n9999 9999 100.000\n";
  }
  return out;
}

}  // namespace lumora::testing
