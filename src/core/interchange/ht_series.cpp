// Clothoid series of the partial spiral, spiral stations and the ±DDD.MMSS
// angle form.
#include <cmath>

#include "interchange/interchange.h"

namespace lumora::htbas {
namespace {

// The series stop once a term falls below 1e-20 (the start value 100 only
// lets the loop begin; that last term is still added). The terms are carried
// by their ratio to the previous one, l·t^k/k! with t = l²/(2c), the clothoid
// angle at l: the same sums as the power form, without overflowing l^(4n+1)
// or the factorial for long arcs. The cap only matters far outside any road
// geometry.
constexpr int kMaxTerms = 400;

}  // namespace

double ht_spiral_dx(double l1, double l2, double c) {
  const double t1 = l1 * l1 / (2 * c);
  const double t2 = l2 * l2 / (2 * c);
  double a1 = l1;  // (−1)ⁿ · l·t^(2n) / (2n)!
  double a2 = l2;
  double sum = 0;
  double term = 100;
  for (int n = 0; std::fabs(term) >= 1e-20 && n < kMaxTerms; ++n) {
    if (n > 0) {
      const double k = (2.0 * n - 1) * (2.0 * n);
      a1 *= -t1 * t1 / k;
      a2 *= -t2 * t2 / k;
    }
    term = (a2 - a1) / (4 * n + 1);
    sum += term;
  }
  return sum;
}

double ht_spiral_dy(double l1, double l2, double c) {
  const double t1 = l1 * l1 / (2 * c);
  const double t2 = l2 * l2 / (2 * c);
  double b1 = l1 * t1;  // (−1)ⁿ · l·t^(2n+1) / (2n+1)!
  double b2 = l2 * t2;
  double sum = 0;
  double term = 100;
  for (int n = 0; std::fabs(term) >= 1e-20 && n < kMaxTerms; ++n) {
    if (n > 0) {
      const double k = (2.0 * n) * (2.0 * n + 1);
      b1 *= -t1 * t1 / k;
      b2 *= -t2 * t2 / k;
    }
    term = (b2 - b1) / (4 * n + 3);
    sum += term;
  }
  return sum;
}

double ht_spiral_station(double f, double len, double r1, double r2) {
  const bool inf1 = (r1 == kInfiniteRadius);
  const bool inf2 = (r2 == kInfiniteRadius);
  // A straight or an arc turns evenly along its length.
  if (inf1 == inf2 && (inf1 || r1 == r2)) return len * f / 360;
  // Spiral constant of the clothoid the element belongs to; l is the arc
  // length from its point of zero curvature, τ = l/(2R) the tangent angle.
  const double a2 = (!inf1 && !inf2) ? len * r1 * r2 / (r1 - r2) : inf2 ? len * r1 : len * r2;
  const double l1 = inf1 ? 0 : a2 / r1;
  const double tau1 = inf1 ? 0 : l1 / (2 * r1);
  const double l2 = inf2 ? 0 : a2 / r2;
  const double tau2 = inf2 ? 0 : l2 / (2 * r2);
  const double tau = tau1 + (tau2 - tau1) * f / 360;
  if (std::fabs(tau) < 1e-10) return std::fabs(l1);
  const double s = (inf1 ? r2 : r1) < 0 ? -1.0 : 1.0;
  const double lambda = a2 / std::sqrt(a2 / (2 * tau)) * s;
  return std::fabs(lambda - l1);
}

double ht_dms_to_degrees(double v) {
  const double s = v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
  const double a = std::fabs(v);
  const double d = std::floor(a);
  // MM.SSss; a written 45.3000 may arrive as 29.99999999999 minutes, so the
  // minute digits are taken with a margin far below the last written digit
  // and the seconds rounded to 1e-6″ to drop the rest of the binary noise.
  const double mm = 100 * (a - d);
  const double m = std::floor(mm + 1e-9);
  const double sec = std::fmax(0.0, std::round(100 * (mm - m) * 1e6) / 1e6);
  return s * (d + m / 60 + sec / 3600);
}

}  // namespace lumora::htbas
