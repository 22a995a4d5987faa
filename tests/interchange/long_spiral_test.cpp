// A spiral laid by quadrature costs the same per point however long it is:
// the 5 200 km clothoid that fuzzing found (86.7 rad of turn) is evaluated
// from the panel holding the point, and stays accurate.
#include <gtest/gtest.h>

#include <cmath>

#include "interchange/interchange.h"

using namespace lumora::htbas;

TEST(LongSpiral, APointCostsOnePanelAndAgreesWithAnIndependentIntegration) {
  const Interchange line =
      Interchange::build(read_ht_file({"0 0 0 0.0000", "9999 60000 5200000"}, "long.txt"));
  const double L = 5.2e6;
  for (double c : {10.0, 2.6e6, 5.19e6, L - 1e-6}) {
    const long before = quadrature_panels();
    double x = 0, y = 0, az = 0;
    line.ht_point(c, x, y, az);
    EXPECT_LE(quadrature_panels() - before, 1) << c;  // was up to 400
  }
  // The mid-point against Simpson's rule on θ(s) = s²/(2·L·R), 1 m steps.
  const double mid = L / 2;
  double x = 0, y = 0;
  const double h = 1.0;
  auto th = [&](double s) { return s * s / (2 * L * 60000); };
  for (double s = 0; s < mid; s += h) {
    x += h / 6 * (std::cos(th(s)) + 4 * std::cos(th(s + h / 2)) + std::cos(th(s + h)));
    y += h / 6 * (std::sin(th(s)) + 4 * std::sin(th(s + h / 2)) + std::sin(th(s + h)));
  }
  double px = 0, py = 0, az = 0;
  line.ht_point(mid, px, py, az);
  EXPECT_LT(std::hypot(px - x, py - y), 1e-3);
  // The end by the element's own quadrature and the last point agree.
  line.ht_point(L - 1e-9, px, py, az);
  EXPECT_LT(std::hypot(px - line.ht_x(2), py - line.ht_y(2)), 1e-6);
}
