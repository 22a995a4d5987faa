// Helpers shared by the main-line tests: PI files from short descriptions,
// an independent numerical integration of clothoid curves, and a sweep that
// checks a built line for jumps.
#pragma once

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "mainline/mainline.h"

namespace lumora::zxbas::test {

constexpr double kTestPi = 3.14159265358979323846;

struct Pi {
  std::string name;
  double x, y, r = 0, ls1 = 0, ls2 = 0, rs1 = 0, rs2 = 0;
};

/// The text lines of a PI data file for the given records (7 fields when a
/// spiral radius is given, 5 otherwise).
inline std::vector<std::string> pi_lines(const std::vector<Pi>& pis, double qdzh = 0) {
  std::vector<std::string> lines{"测试线", fmt::format("{:.17g}", qdzh)};
  for (const auto& p : pis) {
    lines.push_back(p.name);
    if (p.rs1 != 0 || p.rs2 != 0) {
      lines.push_back(fmt::format("{:.17g} {:.17g} {:.17g} {:.17g} {:.17g} {:.17g} {:.17g}", p.x,
                                  p.y, p.r, p.ls1, p.ls2, p.rs1, p.rs2));
    } else {
      lines.push_back(
          fmt::format("{:.17g} {:.17g} {:.17g} {:.17g} {:.17g}", p.x, p.y, p.r, p.ls1, p.ls2));
    }
  }
  return lines;
}

inline MainLine build_line(const std::vector<Pi>& pis, double qdzh = 0) {
  return MainLine::build(read_pi_file(pi_lines(pis, qdzh), "t.jdx"));
}

/// Point at `dist` metres from `from` along azimuth `az` (x north, y east).
inline Pi polar(const std::string& name, const Pi& from, double dist, double az_deg) {
  const double a = az_deg * kTestPi / 180;
  return {name, from.x + dist * std::cos(a), from.y + dist * std::sin(a)};
}

/// Gauss-Legendre integration of f over [a, b] in `panels` panels of 10
/// nodes; the nodes come from Newton's method on the Legendre polynomial.
inline double gauss_legendre(const std::function<double(double)>& f, double a, double b,
                             int panels) {
  static const auto rule = [] {
    constexpr int n = 10;
    std::vector<std::pair<double, double>> r;
    for (int i = 1; i <= n; ++i) {
      double x = std::cos(kTestPi * (i - 0.25) / (n + 0.5));
      double dp = 0;
      for (int it = 0; it < 100; ++it) {
        double p0 = 1, p1 = x;
        for (int k = 2; k <= n; ++k) {
          const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
          p0 = p1;
          p1 = p2;
        }
        dp = n * (x * p1 - p0) / (x * x - 1);
        const double dx = p1 / dp;
        x -= dx;
        if (std::fabs(dx) < 1e-16) break;
      }
      r.emplace_back(x, 2 / ((1 - x * x) * dp * dp));
    }
    return r;
  }();
  double sum = 0;
  const double h = (b - a) / panels;
  for (int k = 0; k < panels; ++k) {
    const double m = a + (k + 0.5) * h;
    for (const auto& [x, w] : rule) sum += w * f(m + x * h / 2) * h / 2;
  }
  return sum;
}

/// A curve described by its curvature profile: entry spiral from curvature
/// k0 to 1/r over ls1, arc of length ly, exit spiral from 1/r to k3 over
/// ls2, turning to the side s (+1 right). heading(l) is the azimuth after
/// arc length l from the start; position(l) integrates it numerically.
struct CurvatureProfile {
  double a_in, s, r, ls1, ly, ls2, k0 = 0, k3 = 0;

  double heading(double l) const {
    const double kr = 1 / r;
    if (l <= ls1 && ls1 > 0) return a_in + s * (k0 * l + (kr - k0) * l * l / (2 * ls1));
    const double h1 = a_in + s * (k0 + kr) * ls1 / 2;
    if (l <= ls1 + ly) return h1 + s * (l - ls1) * kr;
    const double h2 = h1 + s * ly * kr;
    const double t = l - ls1 - ly;
    if (ls2 == 0) return h2;
    return h2 + s * (kr * t + (k3 - kr) * t * t / (2 * ls2));
  }
  double length() const { return ls1 + ly + ls2; }

  /// Offset (dx, dy) from the start after arc length l.
  std::pair<double, double> position(double l) const {
    double dx = 0, dy = 0;
    const double breaks[] = {0, ls1, ls1 + ly, ls1 + ly + ls2};
    for (int k = 0; k < 3; ++k) {
      const double a = breaks[k], b = std::min(breaks[k + 1], l);
      if (b <= a) continue;
      const int panels = std::max(1, static_cast<int>((b - a) / 5));
      dx += gauss_legendre([&](double t) { return std::cos(heading(t)); }, a, b, panels);
      dy += gauss_legendre([&](double t) { return std::sin(heading(t)); }, a, b, panels);
    }
    return {dx, dy};
  }
};

/// Smallest difference of two azimuths, in (−π, π].
inline double az_diff(double a, double b) {
  double d = std::fmod(a - b, 2 * kTestPi);
  if (d > kTestPi) d -= 2 * kTestPi;
  if (d <= -kTestPi) d += 2 * kTestPi;
  return d;
}

/// Walks the line from c0 to c1 in steps of h and checks that it has no jump:
/// consecutive points are h apart (as a chord of a curve of radius at least
/// r_min), the chord runs between the azimuths at its ends, and the azimuth
/// turns by no more than h / r_min per step. Returns the number of failed
/// steps.
inline int sweep_failures(const MainLine& line, double c0, double c1, double h, double r_min) {
  int failures = 0;
  double x0, y0, a0;
  line.zx_point(c0, x0, y0, a0);
  for (double c = c0 + h; c <= c1 + 1e-9; c += h) {
    double x, y, a;
    line.zx_point(c, x, y, a);
    const double chord = std::hypot(x - x0, y - y0);
    // On a curve whose azimuth turns one way the chord runs between the
    // azimuths at its ends.
    const double turn = az_diff(a, a0);
    const double chord_turn = az_diff(std::atan2(y - y0, x - x0), a0);
    const bool ok = a >= 0 && a < 2 * kTestPi && std::fabs(chord - h) < h * h / r_min + 1e-9 &&
                    chord_turn >= std::min(0.0, turn) - 1e-7 &&
                    chord_turn <= std::max(0.0, turn) + 1e-7 && std::fabs(turn) <= h / r_min + 1e-9;
    if (!ok && ++failures <= 5) {
      ADD_FAILURE() << "jump between chainage " << c - h << " and " << c << ": chord " << chord
                    << ", chord turn " << chord_turn << ", azimuths " << a0 << " -> " << a;
    }
    x0 = x;
    y0 = y;
    a0 = a;
  }
  return failures;
}

/// The main points of every curve equal zx_point at their chainages, to 1 mm
/// and 1e-6 rad (HY, QZ, YH carry their own azimuths; ZH, HZ the tangents').
inline void expect_main_points_on_line(const MainLine& line, double tol = 1e-3) {
  for (int i = 2; i < line.jd_count(); ++i) {
    const Jd& j = line.jd(i);
    struct P {
      const char* what;
      double k, x, y, az;
    };
    const P pts[] = {{"ZH", j.k_zh, j.x_zh, j.y_zh, line.jd(i - 1).jd_az},
                     {"HY", j.k_hy, j.x_hy, j.y_hy, j.az_hy},
                     {"QZ", j.k_qz, j.x_qz, j.y_qz, j.az_qz},
                     {"YH", j.k_yh, j.x_yh, j.y_yh, j.az_yh},
                     {"HZ", j.k_hz, j.x_hz, j.y_hz, j.jd_az}};
    for (const auto& p : pts) {
      double x, y, az;
      line.zx_point(p.k, x, y, az);
      EXPECT_NEAR(x, p.x, tol) << j.jd_name << " " << p.what;
      EXPECT_NEAR(y, p.y, tol) << j.jd_name << " " << p.what;
      EXPECT_NEAR(az_diff(az, p.az), 0, 1e-6) << j.jd_name << " " << p.what;
    }
  }
}

}  // namespace lumora::zxbas::test
