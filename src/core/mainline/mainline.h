// The main line by the PI method: a start point, PIs that each carry a
// horizontal curve, and an end point.
//
// What it computes. MainLine::build turns the PI list of a PI data file into
// the element table of the line (tangent azimuths, deflections, tangent and
// curve lengths, continuous chainages and coordinates of the main points ZH,
// HY, QZ, YH, HZ of every curve), and MainLine::zx_point evaluates the centre
// line and its forward azimuth at any continuous chainage. Every curve is an
// entry clothoid of length Ls1, a circular arc of radius R and an exit
// clothoid of length Ls2; a clothoid may be incomplete, that is begin (entry)
// or end (exit) at a finite radius RS1 / RS2 instead of on the tangent.
//
// Hairpin PIs (name containing "HT", flag digits as its last two characters)
// turn the long way, through more than π. A flag digit 1 means the road runs
// along that tangent from the previous PI towards this one (incoming) or from
// this PI towards the next (outgoing); 0 means it runs the other way: away
// from the hairpin PI on the incoming tangent, towards it on the outgoing one.
// The stored tangent azimuths `jd_az` are always the direction of travel. The
// curve is then an ordinary clothoid-arc-clothoid curve that turns through
// |`jd_alpha`| > π; its tangent points lie beyond the PI in the direction of
// travel on the incoming tangent and before it on the outgoing tangent, which
// the model records as negative tangent lengths `jd_t1`, `jd_t2`. With these
// signs the chainage of every PI, the straights and the positions of ZH and
// HZ follow from the same relations as for an ordinary curve
// (k_zh = jd_k − jd_t1, ZH = PI − jd_t1·dir(jd_az(i−1)), ...), so the line is
// continuous in position and azimuth through a hairpin as through any curve.
// Examples: JD3HT00 with the neighbouring PIs between JD3 and the loop is the
// usual switchback whose tangents meet behind the loop; JD3HT11 is a loop
// that crosses its own tangents at JD3. As in the data model of the system,
// `jd_r`, `jd_ls1`, `jd_ls2`, `jd_rs1`, `jd_rs2`, `jd_e1`, `jd_e2` and
// `jd_ly` of a hairpin PI are negative after the build; `jd_l` is positive.
//
// Accuracy. The clothoid series agree with a numerical integration of the
// clothoid to 1e-9 m for spirals up to 500 m; main points and zx_point are
// exact up to double rounding, below 1e-6 m at coordinates of 1e7 m. The build
// checks every curve: the arc laid from HY must reach the YH laid back from
// HZ to 1e-5 m and 1e-8 rad, otherwise the data are rejected.
//
// Algorithm. The classical highway PI method (交点法) with unequal and
// incomplete spirals: tangent lengths T1 = (R + p2 − (R + p1)·cos α)/sin α + q1,
// T2 likewise; incomplete spirals are extended to their virtual origin of
// infinite radius (RS·e = R·(Ls + e)) and the curve is placed by the
// intersection of its real tangents. See e.g. 《公路路线设计规范》 JTG D20 and
// the textbooks of highway surveying (道路勘测设计).
//
// Example:
//   auto pi = read_pi_file(text::read_text_lines("line.jdx"), "line.jdx");
//   MainLine line = MainLine::build(std::move(pi));
//   double x, y, az;
//   line.zx_point(1234.5, x, y, az);          // point and azimuth at chainage
//   for (const auto& w : line.warnings()) ...  // e.g. overlapping curves
#pragma once

#include <string>
#include <vector>

#include "alignment.h"
#include "mainline/primitives.h"

namespace lumora::zxbas {

/// Capacity of a main line: start point, PIs and end point together.
constexpr int kMaxPis = 1000;

/// One PI: the input half read from the file and the computed half filled by
/// MainLine::build.
struct Jd {
  std::string jd_name;
  double jd_x = 0, jd_y = 0, jd_r = 0, jd_ls1 = 0, jd_ls2 = 0, jd_rs1 = 0, jd_rs2 = 0;
  int jd_ht = 0, jd_ht_in = 0, jd_ht_out = 0;
  int line = 0;  // 1-based line number of the name line in the file
  double jd_az = 0, jd_alpha = 0;
  int jd_right = 0;
  double jd_e1 = 0, jd_e2 = 0, jd_az1 = 0, jd_az2 = 0, jd_theta = 0;
  double jd_t1 = 0, jd_t2 = 0, jd_l = 0, jd_ly = 0, jd_k = 0, jd_straight = 0;
  double k_zh = 0, k_hy = 0, k_qz = 0, k_yh = 0, k_hz = 0;
  double x_zh = 0, y_zh = 0, x_hy = 0, y_hy = 0, x_qz = 0, y_qz = 0, x_yh = 0, y_yh = 0, x_hz = 0,
         y_hz = 0;
  double az_hy = 0, az_qz = 0, az_yh = 0;
  // The origins of the entry and the exit spiral's clothoids (where their
  // curvature would be zero), kept so that a point on a spiral takes one
  // clothoid series instead of two.
  double x_o1 = 0, y_o1 = 0, x_o2 = 0, y_o2 = 0;
};

/// The contents of a PI data file (input half only).
struct PiFile {
  double qdzh = 0;
  std::vector<Jd> jd;
  std::string file;
};

/// The title of a PI data file: the first header item (line 1 up to a
/// comma), trimmed; empty for an empty file.
std::string pi_file_title(const std::vector<std::string>& lines);

/// Hairpin flags from a PI name: "HT" in any letter case anywhere makes a
/// hairpin; then the second-to-last and the last character (code points, not
/// bytes) equal to "1" set `jd_ht_in` and `jd_ht_out`.
void hairpin_flags(const std::string& name, int& ht, int& ht_in, int& ht_out);

/// Reads the decoded lines (text::read_text_lines) of a PI data file. `file`
/// names the file in error details. Throws DataFormatError for a missing
/// header, a data line with other than 5 or 7 fields or a field that is not a
/// number, a name line without its data line, and more than kMaxPis records.
PiFile read_pi_file(const std::vector<std::string>& lines, const std::string& file);

/// One curve in the local frame of its PI (the PI at the origin). Arguments
/// as the model holds them after the hairpin signs are applied: a negative R
/// (and spiral values) marks a hairpin. Tangent lengths are signed (negative
/// for a hairpin, see above); e1, e2 carry the sign of R.
struct CurveGeometry {
  double t1 = 0, t2 = 0, e1 = 0, e2 = 0, az1 = 0, az2 = 0, theta = 0;
};
/// Throws DataFormatError whose detail is `where` followed by the reason when
/// the curve cannot be formed (R = 0, RS equal to R, tangents in line or
/// parallel).
CurveGeometry zx_curve(double r, double rs1, double rs2, double ls1, double ls2, double alpha,
                       double a_in, double a_out, const std::string& where = {});

class MainLine : public lumora::Alignment {
 public:
  /// Computes the element table. Throws DataFormatError naming the PI (name
  /// and file line) for data from which no line can be built.
  static MainLine build(PiFile pi);

  /// Number of records, start and end point included.
  int jd_count() const { return static_cast<int>(jd_.size()); }
  /// PI i, 1-based: 1 = start point, jd_count() = end point.
  const Jd& jd(int i) const;
  double qdzh() const { return qdzh_; }
  const std::string& file() const { return file_; }

  /// Centre-line point (x north, y east) and forward azimuth in [0, 2π) at a
  /// continuous chainage; before the start and beyond the end the line runs
  /// on along its end tangents.
  void zx_point(double chainage, double& x, double& y, double& az) const;

  Pose point_at(double c) const override;
  double start_chainage() const override { return qdzh_; }
  double end_chainage() const override { return jd_.back().jd_k; }

  /// Remarks on data that build but look wrong, e.g. overlapping curves.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  MainLine() = default;
  int governing_pi(double chainage) const;
  std::string where(int i) const;

  double qdzh_ = 0;
  std::vector<Jd> jd_;
  std::string file_;
  std::vector<std::string> warnings_;
  bool ordered_ = true;  // k_zh rises with the PI number: binary search allowed
};

}  // namespace lumora::zxbas
