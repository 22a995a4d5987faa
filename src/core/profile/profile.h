// The vertical alignment (纵断面) of a road: PVIs joined by straight grades,
// each interior PVI rounded by a vertical curve (see vertical_curve.h for
// the closed forms of the parabola, the unsymmetrical parabola and the
// circle).
//
// Grades are taken over continuous chainage, so a chain break between two
// PVIs changes nothing: i_k = (z_k+1 − z_k) / (c_k+1 − c_k). Beyond the first
// and the last PVI the end grades continue, as the plan continues along its
// end tangents, so every chainage has an elevation.
//
// Checks when built: at least two PVIs, continuous chainages strictly
// increasing, finite numbers; the first and the last PVI carry no curve;
// two curves may touch but not overlap, and no curve reaches past its
// neighbouring PVIs (1 mm tolerance each). A PVI whose radius is 0, or
// without a change of grade, has no curve. Every refusal is a
// DataFormatError whose detail names the source, the line and, for an
// overlap, its length in metres.
//
// Accuracy: elevations and grades are the closed forms of the grade lines
// and curves evaluated in doubles, exact to about 1e-12 of the chainage
// (below 1e-8 m on any real road); the pieces meet within that at BVC and
// EVC. A chainage is placed among the curves by binary search, O(log n).
//
// Example:
//   std::vector<Pvi> v = {{0, 100}, {500, 90, 10000}, {1000, 100}};
//   Profile p = Profile::build(v, "line.txt");
//   p.curves()[0].bvc();   // 400: ω = 0.04, L = 400
//   p.elevation_at(500);   // 92
//   p.grade_at(1200);      // 0.02, the end grade continued
#pragma once

#include <string>
#include <vector>

#include "profile/elevation.h"
#include "profile/vertical_curve.h"

namespace lumora::profile {

/// How the vertical curve at a PVI is given.
enum class CurveSpec {
  none,         // no curve
  radius,       // parabola by radius (profile file; radius 0 means none)
  para_length,  // LandXML ParaCurve: parabola by length
  unsym,        // LandXML UnsymParaCurve: lengths in and out
  circle,       // LandXML CircCurve: circle by radius; length only checked
};

/// A PVI as read, before the profile is built.
struct Pvi {
  double chainage = 0;  // continuous chainage
  double elevation = 0;
  double radius = 0;  // radius / circle: the radius
  CurveSpec spec = CurveSpec::radius;
  double length = 0;      // para_length; circle: the file's length (a check)
  double length_in = 0;   // unsym
  double length_out = 0;  // unsym
  std::string text;       // the chainage as the source writes it
  int line = 0;           // line of the source (0: unknown)
};

/// A point of a ground line (chainage, elevation).
struct GroundPoint {
  double chainage = 0;
  double elevation = 0;
};

class Profile final : public Elevation {
 public:
  Profile() = default;

  /// Builds and checks a profile. `source` names the file (or the LandXML
  /// profile) in the errors.
  static Profile build(std::vector<Pvi> pvis, const std::string& source);

  double elevation_at(double c) const override;
  double grade_at(double c) const override;

  const std::vector<Pvi>& pvis() const { return pvis_; }
  /// Grade between PVI k and k + 1 (k = 0 … pvis().size() − 2).
  double grade(std::size_t k) const { return grades_[k]; }
  /// The vertical curves, in chainage order.
  const std::vector<VerticalCurve>& curves() const { return curves_; }
  /// Index into pvis() of the PVI of curves()[k].
  std::size_t curve_pvi(std::size_t k) const { return curve_pvi_[k]; }
  /// The curve at PVI k, or nullptr where it has none.
  const VerticalCurve* curve_at_pvi(std::size_t k) const;

  /// The title (file's first line, or the LandXML profile's name).
  const std::string& title() const { return title_; }
  void set_title(std::string t) { title_ = std::move(t); }
  /// The ground line (LandXML ProfSurf), empty when none was given.
  const std::vector<GroundPoint>& ground() const { return ground_; }
  void set_ground(std::vector<GroundPoint> g) { ground_ = std::move(g); }

 private:
  std::vector<Pvi> pvis_;
  std::vector<double> grades_;
  std::vector<VerticalCurve> curves_;
  std::vector<std::size_t> curve_pvi_;
  std::string title_;
  std::vector<GroundPoint> ground_;
};

}  // namespace lumora::profile
