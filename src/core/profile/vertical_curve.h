// One vertical curve of a profile: the rounding of the grade change at a
// PVI (变坡点).
//
// The grades meet at the PVI (chainage s0, elevation z0): i1 into it, i2
// out of it, ω = i2 − i1 (ω > 0 a sag, ω < 0 a crest). Three forms:
//
// - Parabola (Chinese practice, given by its radius R, and LandXML
//   ParaCurve, given by its length L): L = R·|ω|, T = L/2, E = T²/(2R), the
//   curve from BVC s0 − T to EVC s0 + T with
//     z(s) = z0 + i1·(s − s0) + ω·(s − s0 + T)² / (2L).
// - Unsymmetrical parabola (LandXML UnsymParaCurve, lengths l1 in and l2
//   out): two parabolas with a common tangent under the PVI. With
//   e = ω·l1·l2 / (2(l1 + l2)) the offset from the PVI,
//     s ≤ s0: z = z0 + i1·(s − s0) + e·((s − s0 + l1)/l1)²,
//     s ≥ s0: z = z0 + i2·(s − s0) + e·((s0 + l2 − s)/l2)².
// - Circle (LandXML CircCurve, radius R): tangent to both grade lines, the
//   tangent points T = R·tan(|θ2 − θ1|/2) along the grade lines from the PVI
//   (θ = atan i), evaluated as the circle itself.
//
// The radius R of a parabola is the radius of curvature at its vertex
// (1/|z''|); the external E is the vertical distance between the PVI and the
// curve at s0, for every form.
//
// Accuracy: each form is evaluated from its closed form in doubles; the
// elevation is exact to about 1e-12 of the chainage (below 1e-8 m for
// chainages under 1e4 km) and the curve meets its grade lines at BVC and EVC
// within that. The circle is exact as a circle (not the parabola that
// approximates it).
//
// Example:
//   VerticalCurve c = VerticalCurve::parabola(1000, 100, -0.02, 0.03, 4000);
//   c.bvc();               // 900: L = 4000·0.05 = 200, T = 100
//   c.external();          // 1.25
//   c.elevation_at(1000);  // 101.25
#pragma once

#include <cstddef>

namespace lumora::profile {

enum class CurveKind {
  parabola,     // symmetric, by radius or length
  unsymmetric,  // two parabolas, lengths in and out
  circular,     // a circle of radius R
};

class VerticalCurve {
 public:
  VerticalCurve() = default;
  /// Symmetric parabola of vertex radius R > 0.
  static VerticalCurve parabola(double s0, double z0, double i1, double i2, double radius);
  /// Symmetric parabola of horizontal length L > 0.
  static VerticalCurve parabola_by_length(double s0, double z0, double i1, double i2,
                                          double length);
  /// Unsymmetrical parabola, horizontal lengths l1 before and l2 after the
  /// PVI (both > 0).
  static VerticalCurve unsymmetric(double s0, double z0, double i1, double i2, double l1,
                                   double l2);
  /// Circular curve of radius R > 0 tangent to both grades.
  static VerticalCurve circular(double s0, double z0, double i1, double i2, double radius);

  CurveKind kind() const { return kind_; }
  double pvi_chainage() const { return s0_; }
  double pvi_elevation() const { return z0_; }
  double grade_in() const { return i1_; }
  double grade_out() const { return i2_; }
  /// Radius: the circle's, or a parabola's at its vertex (for an
  /// unsymmetrical parabola L/|ω|, the symmetric one of the same length).
  double radius() const { return radius_; }
  /// Horizontal lengths from BVC to the PVI and from the PVI to EVC.
  double tangent_in() const { return t1_; }
  double tangent_out() const { return t2_; }
  double length() const { return t1_ + t2_; }
  double bvc() const { return s0_ - t1_; }
  double evc() const { return s0_ + t2_; }
  /// Vertical distance between the PVI and the curve, positive.
  double external() const;
  bool crest() const { return i2_ < i1_; }

  /// Elevation and grade on the curve; s is meant to lie in [bvc, evc].
  double elevation_at(double s) const;
  double grade_at(double s) const;

 private:
  CurveKind kind_ = CurveKind::parabola;
  double s0_ = 0, z0_ = 0, i1_ = 0, i2_ = 0;
  double radius_ = 0;
  double t1_ = 0, t2_ = 0;
  double e_ = 0;            // unsymmetrical parabola: signed offset at the PVI
  double cs_ = 0, cz_ = 0;  // circle: centre
};

}  // namespace lumora::profile
