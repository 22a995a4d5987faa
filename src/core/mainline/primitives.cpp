#include "mainline/primitives.h"

#include <cmath>

namespace lumora::zxbas {
namespace {

// The shared loop of the four series: the start value 100 only lets the loop
// begin; the term that first falls below 1e-20 is still added. A cap on the
// number of terms stops a series that diverges numerically (arguments far
// outside any road geometry); the factorial leaves the double range at 171.
template <class Term>
double series(Term term) {
  double sum = 0;
  double t = 100;
  for (int n = 0; std::fabs(t) >= 1e-20 && n < 85; ++n) {
    t = term(n);
    sum += t;
  }
  return sum;
}

}  // namespace

double line_azimuth(Vec2 p, Vec2 q) {
  const double dx = q.x - p.x;
  const double dy = q.y - p.y;
  if (dx != 0) {
    const double a = std::atan(dy / dx);
    if (a >= 0 && dx >= 0) return a + 0.0;  // never -0.0
    if (a >= 0 && dx < 0) return a + kPi;
    if (a < 0 && dx >= 0) return a + 2 * kPi;
    return a + kPi;
  }
  return dy > 0 ? kPi / 2 : 3 * kPi / 2;
}

double factorial(int n) {
  return n <= 0 ? 1.0 : n * factorial(n - 1);
}

double spiral_q(double ls, double r) {
  return series([&](int n) {
    const double s = (n % 2 == 0) ? 1.0 : -1.0;
    return s * std::pow(ls, 2 * n + 1) /
           (std::pow(r, 2 * n) * factorial(2 * n) * (4 * n + 1) * (4 * n + 2) *
            std::pow(2.0, 2 * n));
  });
}

double spiral_p(double ls, double r) {
  return series([&](int n) {
    const double s = (n % 2 == 0) ? 1.0 : -1.0;
    return s * std::pow(ls, 2 * n + 2) /
           (std::pow(r, 2 * n + 1) * factorial(2 * n + 1) * (4 * n + 3) * (4 * n + 4) *
            std::pow(2.0, 2 * n + 1));
  });
}

double spiral_x(double l, double c) {
  return series([&](int n) {
    const double s = (n % 2 == 0) ? 1.0 : -1.0;
    return s * std::pow(l, 4 * n + 1) / (std::pow(2 * c, 2 * n) * factorial(2 * n) * (4 * n + 1));
  });
}

double spiral_y(double l, double c) {
  return series([&](int n) {
    const double s = (n % 2 == 0) ? 1.0 : -1.0;
    return s * std::pow(l, 4 * n + 3) /
           (std::pow(2 * c, 2 * n + 1) * factorial(2 * n + 1) * (4 * n + 3));
  });
}

double tangent_in(double r, double p1, double p2, double q1, double angle) {
  const double a = std::fabs(angle);
  return (r + p2 - (r + p1) * std::cos(a)) / std::sin(a) + q1;
}

double tangent_out(double r, double p1, double p2, double q2, double angle) {
  const double a = std::fabs(angle);
  return (r + p1 - (r + p2) * std::cos(a)) / std::sin(a) + q2;
}

bool line_intersect(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                    double y4, Vec2& out) {
  const bool v1 = (x1 == x2);
  const bool v2 = (x3 == x4);
  if (v1 && v2) return false;
  const double k1 = v1 ? 0 : (y2 - y1) / (x2 - x1);
  const double b1 = y1 - k1 * x1;
  const double k2 = v2 ? 0 : (y4 - y3) / (x4 - x3);
  const double b2 = y3 - k2 * x3;
  if (!v1 && !v2) {
    out.x = (b2 - b1) / (k1 - k2);
    out.y = k1 * out.x + b1;
  } else if (v1) {
    out.x = x1;
    out.y = k2 * out.x + b2;
  } else {
    out.x = x3;
    out.y = k1 * out.x + b1;
  }
  return true;
}

double arc_x(double l, double r) {
  return r * std::sin(l / r);
}
double arc_y(double l, double r) {
  return r * (1 - std::cos(l / r));
}

bool tangent_intersect(Vec2 p, double az_p, Vec2 q, double az_q, Vec2& out) {
  const Vec2 d = direction(az_p);
  const Vec2 e = direction(az_q);
  const double cross = d.x * e.y - d.y * e.x;
  if (std::fabs(cross) < 1e-14) return false;
  // p + t·d = q + u·e  =>  t = ((q - p) × e) / (d × e)
  const double t = ((q.x - p.x) * e.y - (q.y - p.y) * e.x) / cross;
  out = {p.x + t * d.x, p.y + t * d.y};
  return true;
}

Vec2 direction(double a) {
  return {std::cos(a), std::sin(a)};
}

double reduce_azimuth(double a) {
  const double two_pi = 2 * kPi;
  double r = std::fmod(a, two_pi);
  if (r < 0) r += two_pi;
  if (r >= two_pi) r = 0;  // a tiny negative value rounds up to 2π
  return r + 0.0;
}

}  // namespace lumora::zxbas
