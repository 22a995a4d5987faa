// The element chain against an independent integration of the clothoid, and
// the joins between elements.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "interchange/interchange.h"

using namespace lumora::htbas;

namespace {

constexpr double kPi = 3.14159265358979323846;

double simpson(const std::function<double(double)>& f, double a, double b, double fa, double fm,
               double fb, double whole, double eps, int depth) {
  const double m = (a + b) / 2;
  const double lm = (a + m) / 2;
  const double rm = (m + b) / 2;
  const double flm = f(lm);
  const double frm = f(rm);
  const double left = (m - a) / 6 * (fa + 4 * flm + fm);
  const double right = (b - m) / 6 * (fm + 4 * frm + fb);
  if (depth <= 0 || std::fabs(left + right - whole) <= 15 * eps) {
    return left + right + (left + right - whole) / 15;
  }
  return simpson(f, a, m, fa, flm, fm, left, eps / 2, depth - 1) +
         simpson(f, m, b, fm, frm, fb, right, eps / 2, depth - 1);
}

// Adaptive Simpson integral of f over [a, b].
double integrate(const std::function<double(double)>& f, double a, double b) {
  if (a == b) return 0;
  const double fa = f(a);
  const double fb = f(b);
  const double fm = f((a + b) / 2);
  return simpson(f, a, b, fa, fm, fb, (b - a) / 6 * (fa + 4 * fm + fb), 1e-13, 40);
}

// A curve whose curvature runs linearly from k1 to k2 over length len,
// starting at (x0, y0) with azimuth a0: the point and azimuth at distance d.
struct Reference {
  double x0, y0, a0, k1, k2, len;
  double heading(double s) const { return a0 + k1 * s + (k2 - k1) * s * s / (2 * len); }
  void at(double d, double& x, double& y, double& az) const {
    x = x0 + integrate([&](double s) { return std::cos(heading(s)); }, 0, d);
    y = y0 + integrate([&](double s) { return std::sin(heading(s)); }, 0, d);
    az = heading(d);
  }
};

double kappa(double r) {
  return r == kInfiniteRadius ? 0 : 1 / r;
}

double angle_gap(double a, double b) {
  return std::fabs(std::remainder(a - b, 2 * kPi));
}

}  // namespace

TEST(HtGeometry, EverySpiralKindMatchesIntegratedClothoid) {
  // Start (500, −300), azimuth 40°. The last three need the quadrature: a
  // partial spiral between nearly equal radii, an entry spiral turning 5 rad,
  // and one S-shaped row, checked against the unsplit clothoid.
  const std::vector<HtRow> rows{{9999, 200, 60},  {9999, -150, 80}, {250, 9999, 70},
                                {-120, 9999, 50}, {60, 200, 50},    {300, 120, 60},
                                {-80, -250, 45},  {-400, -90, 70},  {300, 301, 100},
                                {9999, 20, 200},  {120, -150, 60}};
  for (const HtRow& r : rows) {
    HtFile f;
    f.ht_start_chainage = 1000;
    f.ht_start_x = 500;
    f.ht_start_y = -300;
    f.ht_start_azimuth = 40.0000;
    f.ht_elements_read = {r};
    const auto h = Interchange::build(f);
    const Reference ref{500, -300, 40 * kPi / 180, kappa(r.r1), kappa(r.r2), r.len};
    for (double d : {0.0, r.len / 7, r.len / 3, r.len / 2, 0.9 * r.len, r.len}) {
      double x, y, az, rx, ry, raz;
      h.ht_point(1000 + d, x, y, az);
      ref.at(d, rx, ry, raz);
      printf("%g %g %g dx=%.3g dy=%.3g daz=%.3g\n", r.r1, r.r2, d, x - rx, y - ry,
             angle_gap(az, raz));
      EXPECT_NEAR(x, rx, 1e-9) << r.r1 << " → " << r.r2 << " at " << d;
      EXPECT_NEAR(y, ry, 1e-9) << r.r1 << " → " << r.r2 << " at " << d;
      EXPECT_LT(angle_gap(az, raz), 1e-11) << r.r1 << " → " << r.r2 << " at " << d;
    }
  }
}

TEST(HtGeometry, ElementsJoinWithoutGaps) {
  // A rich line: every kind, partial spirals growing and shrinking on both
  // sides, S-shaped rows both ways, an element of length 0, and
  // a near-arc spiral that is integrated numerically.
  HtFile f;
  f.ht_start_chainage = 2500;
  f.ht_start_x = 3456789.123;
  f.ht_start_y = 512345.678;
  f.ht_start_azimuth = 273.1527;
  f.ht_elements_read = {{9999, 9999, 80},  {9999, 65, 50},   {65, 65, 250},    {65, 120, 40},
                        {120, -150, 60},   {-150, -150, 50}, {-150, -400, 45}, {-400, -90, 70},
                        {-90, 200, 80},    {200, 201, 90},   {201, 9999, 0},   {201, 9999, 55},
                        {9999, 9999, 100}, {-60, 60, 120},   {60, 9999, 40}};
  const auto h = Interchange::build(f);
  ASSERT_EQ(h.ht_count(), 18);
  for (int k = 1; k <= h.ht_count(); ++k) {
    double x, y, az;
    h.element_point(k, h.ht_len(k), x, y, az);
    EXPECT_NEAR(x, h.ht_x(k + 1), 1e-6) << k;
    EXPECT_NEAR(y, h.ht_y(k + 1), 1e-6) << k;
    EXPECT_LT(angle_gap(az, h.ht_azimuth(k + 1)), 1e-9) << k;
    // Just before the join, ht_point is within a micrometre of it.
    h.ht_point(h.ht_chainage(k + 1) - 1e-6, x, y, az);
    EXPECT_NEAR(std::hypot(x - h.ht_x(k + 1), y - h.ht_y(k + 1)), 0, 2e-6) << k;
    EXPECT_NEAR(h.ht_x(k + 1) - h.ht_x(k), h.ht_dx(k), 1e-6);
  }
  // The split S-shaped rows meet at zero curvature: exit then entry spiral.
  EXPECT_EQ(h.kind(5), HtKind::exit_spiral);
  EXPECT_EQ(h.kind(6), HtKind::entry_spiral);
  EXPECT_EQ(h.kind(11), HtKind::entry_spiral);
  EXPECT_EQ(h.kind(12), HtKind::partial_spiral);
}
