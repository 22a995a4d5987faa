// Interchange ramp by the element method (积木法—互通), module htbas.
//
// A ramp is given like a set of building blocks: a start point with its
// chainage and azimuth, then a chain of elements, each described by the
// radius at its start, the radius at its end and its length:
//
//   start radius  end radius   element
//   9999          9999         straight
//   R             R            circular arc of radius R
//   9999          R            entry spiral, from the tangent to radius R
//   R             9999         exit spiral, from radius R to the tangent
//   R1            R2           partial spiral between two radii, same sign
//   R1            −R2          S-shaped spiral through a point of zero
//                              curvature; split in two before building
//
// 9999 stands for an infinite radius (curvature 0). A positive radius turns
// right (the azimuth grows), a negative one left. Every spiral is a clothoid:
// its curvature varies linearly with the length along it.
//
// Plane convention: x is the first coordinate (north), y the second (east);
// an azimuth is measured from +x towards +y, so the direction of azimuth a is
// (cos a, sin a).
//
// What Interchange computes: the chainage, start point and start azimuth of
// every element, its deflection and coordinate increments (the element
// chain), and the point and tangent azimuth of the line at any chainage. The
// line is continued along its end tangents before its start and beyond its
// end.
//
// Algorithms: straights and arcs by their closed forms. Entry and exit spirals
// by the Fresnel-type series of the clothoid measured from its point of zero
// curvature (zxbas::spiral_x/spiral_y); an exit spiral is laid back from the
// end of its element along the end tangent. A partial spiral is the piece of
// the clothoid with A² = L·R1·R2/(R1 − R2) between the arc lengths
// l1 = A²/R1 and l2 = A²/R2 from that clothoid's point of zero curvature; its
// chord is the difference of two series (ht_spiral_dx/ht_spiral_dy), summed
// term by term until a term falls below 1e-20. Where these series lose
// precision — a spiral whose clothoid angle l²/(2|A²|) exceeds 4 rad, as in a
// partial spiral between nearly equal radii (300 → 301 over 100 m reaches
// 50 rad, where the series cancel to kilometres of error) — the element is
// integrated instead in its own frame, x = ∫cos θ, y = ∫sin θ with
// θ(s) = a + κ1·s + (κ2 − κ1)·s²/(2L), by composite 10-point Gauss–Legendre
// quadrature in panels turning at most 0.25 rad. The points at the panel
// starts are kept when the line is built, and a point integrates only from
// the start of its panel: one panel a point, however long the element.
//
// Accuracy: every spiral agrees with an independent numerical integration of
// the clothoid to better than 1e-9 m for elements up to a few hundred metres;
// straights and arcs are exact up to rounding (about 1e-12 of the
// coordinates). Consecutive elements meet to better than 1e-9 m and 1e-12 rad,
// since each element's end is computed by the same formulas as its points.
//
// Example:
//   auto file = read_ht_file({"100 0 0 0.0000", "9999 9999 50", "9999 60 40", "60 60 80"},
//                            "ramp.txt");
//   Interchange ramp = Interchange::build(file);
//   ramp.ht_count();            // 3
//   ramp.end_chainage();        // 270
//   Pose p = ramp.point_at(160);   // on the entry spiral, 10 m in
//
// An Interchange is a plain value, built once per initialization and read
// concurrently without locks.
#pragma once

#include <string>
#include <vector>

#include "alignment.h"
#include "mainline/primitives.h"

namespace lumora::htbas {

/// The radius that stands for an infinite one (curvature 0).
constexpr double kInfiniteRadius = 9999;
/// The most element lines a file may hold, and the most elements after the
/// S-shaped spirals have been split.
constexpr int kMaxElements = 1000;

/// One element line as read: start radius, end radius, length; line is the
/// 1-based line of the file it came from (0 when made by a program).
struct HtRow {
  double r1 = 0;
  double r2 = 0;
  double len = 0;
  int line = 0;
};

/// The interchange element file as read.
struct HtFile {
  double ht_start_chainage = 0;
  double ht_start_x = 0;
  double ht_start_y = 0;
  double ht_start_azimuth = 0;  // as read, ±DDD.MMSS
  std::vector<HtRow> ht_elements_read;
  std::string file;  // name used in error details
};

/// Reads the decoded lines of an interchange element file (text::read_text_lines).
/// Header: four numbers (start chainage, X, Y, azimuth ±DDD.MMSS), each ending
/// at a comma, a blank or a line end, on one line or several; the rest of the
/// line holding the fourth is ignored. Then one element per line, "R1 R2 L
/// [ignored ...]", blanks or tabs between the fields, up to the first blank
/// line or the end of the file. Throws DataFormatError naming the file and
/// line for a missing header value, a field that is not a number, a line with
/// fewer than three fields, a radius of 0, a negative length, or more than
/// kMaxElements element lines.
HtFile read_ht_file(const std::vector<std::string>& lines, const std::string& file);

/// The working elements: every S-shaped row (both radii finite, of opposite
/// signs) becomes an exit spiral R1 → ∞ of length L·|R2|/(|R1|+|R2|) and an
/// entry spiral ∞ → R2 of length L·|R1|/(|R1|+|R2|), which meet at the
/// clothoid's point of zero curvature. Throws DataFormatError, naming the
/// line of the row, when the result would hold more than kMaxElements.
std::vector<HtRow> ht_split(const std::vector<HtRow>& rows);

/// An angle written ±DDD.MMSS (45.3020 = 45°30′20″; further decimals are
/// fractions of a second) in decimal degrees. Minutes and seconds are taken
/// from the digits as written, free of the binary rounding of the decimal
/// fraction (1.1500 gives 1.25, not 1°14′100″).
double ht_dms_to_degrees(double v);

/// spiral_x(l2, c) − spiral_x(l1, c), summed as one series: the chord of a
/// clothoid (c = A², signed) between arc lengths l1 and l2 from its point of
/// zero curvature, along the tangent at that point. l1, l2 may be negative.
double ht_spiral_dx(double l1, double l2, double c);
/// spiral_y(l2, c) − spiral_y(l1, c), likewise; it has the sign of c for
/// 0 ≤ l1 < l2.
double ht_spiral_dy(double l1, double l2, double c);

/// The distance from the start of a spiral element (length len, radii r1, r2)
/// at which the fraction f/360 of the element's total turn is reached; f runs
/// 0 … 360, so equal steps of f give vertices at equal steps of tangent angle.
/// For an arc or a straight, whose turn grows evenly, it is len·f/360.
double ht_spiral_station(double f, double len, double r1, double r2);

/// How many quadrature panels (10 Gauss–Legendre nodes each) the spirals
/// laid by quadrature have integrated on this thread so far: the work of a
/// point on such a spiral, which stays within one panel however long the
/// element (a test's measure of it).
long quadrature_panels();

enum class HtKind { straight, arc, entry_spiral, exit_spiral, partial_spiral };

/// An element placed at its own start point with its own start azimuth, as
/// exchange formats give them: each element of the line is laid out from
/// where the file puts it rather than from the end of the element before, so
/// that rounding in the file's lengths and radii does not accumulate along
/// the line. Radii as in HtRow (kInfiniteRadius = infinite, positive turns
/// right); azimuth in radians; chainage at the element's start.
struct AnchoredElement {
  double r1 = kInfiniteRadius;
  double r2 = kInfiniteRadius;
  double len = 0;
  double chainage = 0;
  double x = 0;
  double y = 0;
  double azimuth = 0;
  int line = 0;
  /// The joint with the element before is an angle point of the design:
  /// the direction may jump there (see Corner).
  bool corner_before = false;
};

/// The smallest change of direction at the joint of two anchored elements
/// that is an angle point of the design (a corner of the design line), in
/// radians: 5e-4 rad (0.03°, 5 cm across at 100 m). Below it a joint that
/// turns is taken as the exporter's rounding of a smooth joint.
constexpr double kCornerAngle = 5e-4;

/// An angle point of an anchored line, a joint marked corner_before: where element k ends and
/// element k + 1 starts, the direction jumps by `deflection` (radians, positive to the right, in
/// (−π, π]). `before` is the end of element k by its own formulas, `after` the start of element k +
/// 1; the line's point_at(c) gives `after` at the corner's chainage.
struct Corner {
  int k = 0;
  double chainage = 0;
  double deflection = 0;
  Pose before;
  Pose after;
};

/// The built interchange line. Element data are indexed k = 1 … n (radii,
/// length, kind, deflection, increments) and k = 1 … n + 1 for the chain
/// (chainage, point and azimuth at the start of element k; slot n + 1 is the
/// end of the line). An index outside throws DataFormatError.
class Interchange : public lumora::Alignment {
 public:
  /// An empty line at chainage 0 through the origin, azimuth 0.
  Interchange();

  /// Splits the S-shaped spirals, converts the start azimuth to radians and
  /// computes the element chain. Throws DataFormatError (naming the file and
  /// line) for a radius of 0, a length that is negative or not a number, more
  /// than kMaxElements elements after splitting, a spiral element turning
  /// more than 100 rad, or a line whose geometry cannot be computed in finite
  /// numbers.
  static Interchange build(const HtFile& file);

  /// A line of anchored elements: element k starts at its own point, azimuth
  /// and chainage; its end is computed from these by its own formulas, and
  /// slot n + 1 of the chain is the computed end of the last element. So
  /// ht_x(k) + ht_dx(k) is the end of element k, which may differ from
  /// ht_x(k + 1) by the file's rounding. Throws DataFormatError (naming the
  /// file and line) for no elements, more than kMaxElements, a radius of 0,
  /// an S-shaped element, a negative length, chainages that run backwards, or
  /// geometry that cannot be computed in finite numbers.
  static Interchange build_anchored(const std::vector<AnchoredElement>& elements,
                                    const std::string& file);

  int ht_count() const { return static_cast<int>(elements_.size()); }

  double ht_r1(int k) const { return element(k).r1; }
  double ht_r2(int k) const { return element(k).r2; }
  double ht_len(int k) const { return element(k).len; }
  HtKind kind(int k) const { return element(k).kind; }
  /// Change of azimuth along element k, positive to the right.
  double ht_deflection(int k) const { return element(k).deflection; }
  /// Coordinate increments from the start to the end of element k.
  double ht_dx(int k) const { return element(k).dx; }
  double ht_dy(int k) const { return element(k).dy; }
  /// Azimuth at the end of element k by its own formulas, in [0, 2π). For a
  /// chained line it equals ht_azimuth(k + 1).
  double end_azimuth(int k) const { return element(k).az_end; }

  double ht_chainage(int k) const { return chain(k).chainage; }
  double ht_x(int k) const { return chain(k).x; }
  double ht_y(int k) const { return chain(k).y; }
  /// Azimuth at the start of element k, radians in [0, 2π).
  double ht_azimuth(int k) const { return chain(k).azimuth; }

  /// The start azimuth in radians, as converted (not reduced).
  double ht_start_azimuth() const { return start_azimuth_; }

  /// Point and tangent azimuth at chainage c. The azimuth is not reduced into
  /// [0, 2π). Before the start and from the end on, the line continues along
  /// its end tangents; a chainage on an element's start belongs to that
  /// element. A chainage that is not a number throws DataFormatError.
  void ht_point(double c, double& x, double& y, double& az) const;

  /// The point of element k at distance d from its start, by the element's
  /// own formulas (d = len gives the next element's start point).
  void element_point(int k, double d, double& x, double& y, double& az) const;

  /// The angle points of an anchored line (the joints marked corner_before),
  /// in order; always empty for a chained line.
  const std::vector<Corner>& corners() const { return corners_; }

  /// ht_point with the azimuth reduced into [0, 2π).
  Pose point_at(double c) const override;
  double start_chainage() const override { return chain_.front().chainage; }
  double end_chainage() const override { return chain_.back().chainage; }

 private:
  struct Element {
    double r1 = 0, r2 = 0, len = 0;
    HtKind kind = HtKind::straight;
    double deflection = 0, dx = 0, dy = 0;
    bool by_quadrature = false;  // series would lose precision
    // By quadrature: the points at the starts of panels of length `panel`
    // that turn at most 0.25 rad, relative to the element's start, so that
    // a point costs one panel of quadrature whatever the element's length.
    double panel = 0;
    std::vector<zxbas::Vec2> anchors;
    int line = 0;
    double x_end = 0, y_end = 0, az_end = 0;  // end by the element's own formulas
  };
  struct ChainPoint {
    double chainage = 0, x = 0, y = 0, azimuth = 0;
  };

  const Element& element(int k) const;
  const ChainPoint& chain(int k) const;
  void ht_build(const HtFile& file, const std::vector<HtRow>& rows);
  void set_element(Element& e, const HtRow& row) const;
  static void increments(const Element& e, double a, double ae, double& dx, double& dy);
  void set_anchors(Element& e, double a) const;
  void check_finite() const;

  std::vector<Element> elements_;  // k = 1 … n at [k − 1]
  std::vector<ChainPoint> chain_;  // k = 1 … n + 1 at [k − 1]
  std::vector<Corner> corners_;
  double start_azimuth_ = 0;
  std::string file_;
};

}  // namespace lumora::htbas
