// Horizontal alignments from LandXML 1.1 and 1.2 files, the exchange format
// that road-design suites export.
//
// What is read: every <Alignment> of the file's <Alignments> (name,
// staStart), the Line, Curve and Spiral elements of its <CoordGeom>, and its
// <StaEquation>s. Points are "northing easting [elevation]", which is this
// program's (X, Y); a point may also refer to a <CgPoint> by pntRef. Lengths,
// coordinates and stations in the file's linearUnit (meter, millimeter,
// centimeter, kilometer, foot, USSurveyFoot, inch, mile) are converted to
// metres. Files declared GB2312, GBK or GB18030 are decoded as the system's
// code page; other encodings as XML allows.
//
// How an alignment becomes a line: every element is placed at the file's own
// Start point with a start direction from its own geometry (a Line from Start
// to End; a Curve perpendicular to its radius at Start, turning as rot says;
// a Spiral from Start towards its PI, or, without a PI, from its chord). Its
// end is then computed by the element's own formulas (htbas), not chained
// from the element before, so the file's rounding of lengths and radii does
// not accumulate. The file's `dir` attributes are never read: exporters
// disagree on their convention. Elements become htbas elements: Line →
// straight; Curve → arc; Spiral (clothoid only) → entry, exit or partial
// spiral, or an arc or straight where both radii are equal.
//
// Checks: the file must agree with itself. A Line's length with |End − Start|;
// a Curve's radius with |Start − Center| and |End − Center|, its length with
// its angle; every element's computed end with its End; the computed end of
// an element with the next element's Start (gap). The tolerance is 1 mm.
// Every problem of an alignment is collected and the refusal lists them all.
//
// What real exports hold is taken with a warning (Road::warnings):
// - a kink, a joint whose directions differ by more than 1e-4 rad and less
//   than htbas::kCornerAngle (5e-4 rad): each element is laid from its own
//   Start (a turn that moves the shorter element's far end by no more than
//   1 mm passes silently, the direction of a short element taken from two
//   rounded points being no better than that);
// - an angle point, from kCornerAngle on: a corner of the design line
//   (htbas::Corner), which the eye path crosses by a chord;
// - a Curve whose Center is off its radius: laid from Start with its radius
//   and length towards End, and taken where it ends within
//   kCenterOffTolerance (5 mm) of End.
// A StaEquation without staBack (optional in LandXML) takes staInternal, in
// the numbering of the equations before, as its back station.
//
// Stations: the line's chainage starts at staStart and grows with the
// elements' lengths. An element's own staStart, where it lies within 0.1 m of
// that sum, is taken instead, so that rounded lengths do not drift the
// stations either. Station equations become chain breaks (back = staBack,
// ahead = staAhead), provided they lie inside the line in order, agree with
// staInternal, and the break table can number the line unambiguously.
//
// Alignments that continue each other (one starts where the one before ends,
// in the same direction), as some exporters write a chain break, are offered
// in addition joined into one line, named "A + B", with a chain break at each
// joint from the end station of one to staStart of the next.
//
// Input safety: any bytes are refused with DataFormatError rather than
// crashing: not XML, an empty file, no LandXML root, no alignment, a missing
// CoordGeom, unsupported elements or spiral types, numbers that are not
// finite or beyond any real site, and more than htbas::kMaxElements elements.
//
// Example:
//   auto doc = landxml::Document::parse(bytes, "ramp.xml");
//   doc.names();                       // {"A", "B"}
//   landxml::Road road = doc.build(doc.find("A"));
//   road.line.point_at(150);           // on the centre line
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chainage/chain_breaks.h"
#include "interchange/interchange.h"

namespace lumora::landxml {

/// The largest file read (bytes); larger files are refused.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;

/// True when the bytes begin, after a byte-order mark and blanks, with '<':
/// an XML document rather than a text element file.
bool looks_like_xml(std::string_view bytes);

/// The bytes of a file. An empty path or a file that cannot be opened throws
/// CancelledError (read), as a closed file dialog does; a file larger than
/// kMaxFileBytes throws DataFormatError.
std::string read_file_bytes(const std::filesystem::path& path);

/// A station equation as it becomes a chain break, in metres.
struct StationEquation {
  double internal = 0;  // continuous chainage of the break
  double back = 0;
  double ahead = 0;
};

/// How far (m) the end of a Curve laid from Start with its radius and length
/// may lie from its End when its Center disagrees with the radius.
constexpr double kCenterOffTolerance = 0.005;

/// Something the layout took with an adjustment: `what` names the kind of
/// fact (the same words for every fact of a kind), `chainage` is the
/// continuous chainage where it lies, `detail` names the file, line,
/// alignment and element and gives the numbers.
struct Adjustment {
  std::string what;
  double chainage = 0;
  std::string detail;
};

/// One alignment laid out and checked.
struct Road {
  std::string name;
  htbas::Interchange line;
  chainage::ChainBreakTable breaks;
  std::vector<StationEquation> equations;
  /// What was taken with an adjustment, one fact each, in the order of the
  /// line: kinks, Curves whose Center is off, angle points (line.corners()).
  std::vector<Adjustment> warnings;
};

class Document {
 public:
  /// Parses a LandXML file (any encoding XML allows). Throws DataFormatError
  /// with the file and line for bytes that are not XML, an empty file, a
  /// root that is not LandXML, an unknown linearUnit, or a file without
  /// alignments.
  static Document parse(std::string_view bytes, const std::string& file);

  /// The alignments that can be built: those of the file, in file order,
  /// then the joined runs of alignments that continue each other.
  const std::vector<std::string>& names() const { return names_; }

  /// The index in names() of the alignment called name. Throws
  /// DataFormatError, listing the names, when there is none or more than one.
  std::size_t find(const std::string& name) const;

  /// Lays out and checks alignment names()[index]. Throws DataFormatError
  /// naming the alignment, the element and its line for every contradiction.
  Road build(std::size_t index) const;

  /// Metres per unit of the file.
  double unit() const { return unit_; }
  /// The file's linearUnit as it names it ("meter" when it names none).
  const std::string& unit_name() const { return unit_name_; }
  /// The start station of alignment names()[index] as the file writes it,
  /// with its unit, and in metres where the unit is another: "0 foot =
  /// 0.000 m", "-90.000 m".
  std::string start_station(std::size_t index) const;
  /// names()[index], a tab, then the file's unit and the start station, as
  /// a chooser lists it: "Main Road\t单位 foot，起点桩号 0 foot = 0.000 m".
  std::string describe(std::size_t index) const;
  /// The file's unit beside the metres the program computes in, for the
  /// alignment table: "文件单位 foot (1 foot = 0.3048 m)，staStart 0 foot =
  /// 0.000 m；长度、桩号和坐标均以米计".
  std::string units_note(std::size_t index) const;

  struct Point {
    double x = 0, y = 0;
  };
  enum class Kind { line, curve, spiral };
  // An element as the file writes it, numbers still texts.
  struct RawElement {
    Kind kind = Kind::line;
    int line = 0;  // line of the file
    int ordinal = 0;
    std::string length, radius, rot, radius_start, radius_end, spi_type, sta_start;
    std::string start, end, center, pi;  // point texts; empty when absent
    bool has_start = false, has_end = false, has_center = false, has_pi = false;
  };
  struct RawEquation {
    int line = 0;
    std::string internal, back, ahead;
  };
  struct RawAlignment {
    std::string name;
    int line = 0;
    std::string sta_start;
    bool has_coord_geom = false;
    std::string unsupported;  // first element of CoordGeom that cannot be read
    int unsupported_line = 0;
    std::vector<RawElement> elements;
    std::vector<RawEquation> equations;
  };

 private:
  // One alignment laid out, before it is joined with others.
  struct Laid {
    std::vector<htbas::AnchoredElement> elements;
    std::vector<StationEquation> equations;
    double end_station = 0;            // the end in the numbering of its last segment
    std::vector<Adjustment> warnings;  // kinks and Centers off
    // The elements on either side of each angle point, in order.
    std::vector<std::pair<std::string, std::string>> joints;
  };
  Laid lay_out(const RawAlignment& a) const;
  void place_curve(const RawAlignment& a, const RawElement& e, const Point& s, const Point& t,
                   const std::optional<double>& length, htbas::AnchoredElement& el,
                   double& end_tolerance, std::string& warning) const;
  Point point(const RawAlignment& a, const RawElement& e, const std::string& text,
              const char* what) const;
  std::string label(const RawAlignment& a, const RawElement& e) const;
  std::string short_label(const RawElement& e) const;
  std::vector<std::vector<std::size_t>> continuation_runs() const;
  void warn_angle_points(Road& road,
                         const std::vector<std::pair<std::string, std::string>>& joints) const;

  std::string file_;
  double unit_ = 1;
  std::string unit_name_ = "meter";
  std::vector<RawAlignment> alignments_;
  std::vector<std::vector<std::size_t>> runs_;  // joined items after the file's alignments
  std::vector<std::string> names_;
};

}  // namespace lumora::landxml
