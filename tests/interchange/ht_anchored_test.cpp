// Lines of elements that each start at their own point and azimuth.
#include <gtest/gtest.h>

#include <cmath>

#include "interchange/interchange.h"

using namespace lumora::htbas;

namespace {

Interchange chained() {
  HtFile f;
  f.ht_start_chainage = 100;
  f.ht_start_x = 4000;
  f.ht_start_y = 3000;
  f.ht_start_azimuth = 45.3020;
  f.ht_elements_read = {{9999, 9999, 80, 2}, {9999, 60, 40, 3}, {60, 60, 100, 4},
                        {60, 9999, 40, 5},   {300, 150, 50, 6}, {-200, -200, 30, 7}};
  f.file = "t.txt";
  return Interchange::build(f);
}

// The elements of a line, each anchored where that line puts it, moved by
// (ex, ey).
std::vector<AnchoredElement> anchors(const Interchange& ic, double ex = 0, double ey = 0) {
  std::vector<AnchoredElement> out;
  for (int k = 1; k <= ic.ht_count(); ++k) {
    out.push_back({ic.ht_r1(k), ic.ht_r2(k), ic.ht_len(k), ic.ht_chainage(k), ic.ht_x(k) + ex * k,
                   ic.ht_y(k) + ey * k, ic.ht_azimuth(k), k});
  }
  return out;
}

}  // namespace

TEST(HtAnchored, AnchoredAtTheChainsOwnPointsIsTheSameLine) {
  const Interchange a = chained();
  const Interchange b = Interchange::build_anchored(anchors(a), "t.xml");
  ASSERT_EQ(b.ht_count(), a.ht_count());
  for (double c = 90; c <= 360; c += 2.5) {
    const auto p = a.point_at(c);
    const auto q = b.point_at(c);
    EXPECT_NEAR(p.x, q.x, 1e-9) << c;
    EXPECT_NEAR(p.y, q.y, 1e-9) << c;
    EXPECT_NEAR(p.azimuth, q.azimuth, 1e-12) << c;
  }
  for (int k = 1; k <= a.ht_count(); ++k) {
    EXPECT_NEAR(b.end_azimuth(k), a.ht_azimuth(k + 1), 1e-12);
    EXPECT_EQ(a.end_azimuth(k), a.ht_azimuth(k + 1));
  }
  EXPECT_EQ(b.end_chainage(), a.end_chainage());
  EXPECT_NEAR(b.ht_x(b.ht_count() + 1), a.ht_x(a.ht_count() + 1), 1e-9);
}

TEST(HtAnchored, EachElementEndsWhereItsOwnStartPutsIt) {
  // Every start moved by 0.4 mm more than the one before: each element,
  // exit spirals too, keeps its own start and ends 0.4 mm short of the next.
  const Interchange a = chained();
  const Interchange b = Interchange::build_anchored(anchors(a, 0.0004, 0), "t.xml");
  for (int k = 1; k <= b.ht_count(); ++k) {
    double x = 0, y = 0, az = 0;
    b.element_point(k, 0, x, y, az);
    EXPECT_NEAR(x, a.ht_x(k) + 0.0004 * k, 1e-9) << k;
    b.element_point(k, b.ht_len(k), x, y, az);
    EXPECT_NEAR(x, b.ht_x(k) + b.ht_dx(k), 1e-9) << k;
    EXPECT_NEAR(y, b.ht_y(k) + b.ht_dy(k), 1e-9) << k;
    EXPECT_NEAR(x, a.ht_x(k + 1) + 0.0004 * k, 1e-9) << k;
  }
  // The end of the line is the last element's own end.
  const int n = b.ht_count();
  EXPECT_NEAR(b.ht_x(n + 1), a.ht_x(n + 1) + 0.0004 * n, 1e-9);
}
