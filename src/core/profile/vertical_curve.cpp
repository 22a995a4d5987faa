#include "profile/vertical_curve.h"

#include <cmath>

namespace lumora::profile {

VerticalCurve VerticalCurve::parabola(double s0, double z0, double i1, double i2, double radius) {
  VerticalCurve c = parabola_by_length(s0, z0, i1, i2, radius * std::fabs(i2 - i1));
  c.radius_ = radius;
  return c;
}

VerticalCurve VerticalCurve::parabola_by_length(double s0, double z0, double i1, double i2,
                                                double length) {
  VerticalCurve c;
  c.kind_ = CurveKind::parabola;
  c.s0_ = s0;
  c.z0_ = z0;
  c.i1_ = i1;
  c.i2_ = i2;
  c.t1_ = c.t2_ = length / 2;
  c.radius_ = length / std::fabs(i2 - i1);
  c.e_ = (i2 - i1) * length / 8;
  return c;
}

VerticalCurve VerticalCurve::unsymmetric(double s0, double z0, double i1, double i2, double l1,
                                         double l2) {
  VerticalCurve c;
  c.kind_ = CurveKind::unsymmetric;
  c.s0_ = s0;
  c.z0_ = z0;
  c.i1_ = i1;
  c.i2_ = i2;
  c.t1_ = l1;
  c.t2_ = l2;
  c.radius_ = (l1 + l2) / std::fabs(i2 - i1);
  // The common tangent under the PVI: both parabolas have the same slope
  // there when i1 + 2e/l1 = i2 − 2e/l2.
  c.e_ = (i2 - i1) * l1 * l2 / (2 * (l1 + l2));
  return c;
}

VerticalCurve VerticalCurve::circular(double s0, double z0, double i1, double i2, double radius) {
  VerticalCurve c;
  c.kind_ = CurveKind::circular;
  c.s0_ = s0;
  c.z0_ = z0;
  c.i1_ = i1;
  c.i2_ = i2;
  c.radius_ = radius;
  const double a1 = std::atan(i1);
  const double a2 = std::atan(i2);
  const double t = radius * std::tan(std::fabs(a2 - a1) / 2);  // along the grade lines
  c.t1_ = t * std::cos(a1);
  c.t2_ = t * std::cos(a2);
  // The centre lies on the normal at the first tangent point, above the
  // curve in a sag and below it on a crest.
  const double bs = s0 - t * std::cos(a1);
  const double bz = z0 - t * std::sin(a1);
  const double up = i2 > i1 ? 1.0 : -1.0;
  c.cs_ = bs - up * radius * std::sin(a1);
  c.cz_ = bz + up * radius * std::cos(a1);
  return c;
}

double VerticalCurve::external() const {
  if (kind_ == CurveKind::circular) return std::fabs(z0_ - elevation_at(s0_));
  return std::fabs(e_);
}

double VerticalCurve::elevation_at(double s) const {
  switch (kind_) {
    case CurveKind::parabola: {
      const double l = t1_ + t2_;
      const double x = s - s0_ + t1_;
      return z0_ + i1_ * (s - s0_) + (i2_ - i1_) * x * x / (2 * l);
    }
    case CurveKind::unsymmetric: {
      if (s <= s0_) {
        const double u = (s - s0_ + t1_) / t1_;
        return z0_ + i1_ * (s - s0_) + e_ * u * u;
      }
      const double u = (s0_ + t2_ - s) / t2_;
      return z0_ + i2_ * (s - s0_) + e_ * u * u;
    }
    case CurveKind::circular: {
      // R − √(R² − d²) written as d²/(R + √(R² − d²)): no cancellation
      // between the centre's height and the radius.
      const double d = s - cs_;
      const double r = radius_;
      const double w = std::sqrt(std::fmax(0.0, (r - d) * (r + d)));
      const double sag = d * d / (r + w);
      return i2_ > i1_ ? cz_ - r + sag : cz_ + r - sag;
    }
  }
  return z0_;
}

double VerticalCurve::grade_at(double s) const {
  switch (kind_) {
    case CurveKind::parabola:
      return i1_ + (i2_ - i1_) * (s - s0_ + t1_) / (t1_ + t2_);
    case CurveKind::unsymmetric:
      if (s <= s0_) return i1_ + 2 * e_ * (s - s0_ + t1_) / (t1_ * t1_);
      return i2_ - 2 * e_ * (s0_ + t2_ - s) / (t2_ * t2_);
    case CurveKind::circular: {
      const double d = s - cs_;
      const double w = std::sqrt(std::fmax(0.0, (radius_ - d) * (radius_ + d)));
      return i2_ > i1_ ? d / w : -d / w;
    }
  }
  return i1_;
}

}  // namespace lumora::profile
