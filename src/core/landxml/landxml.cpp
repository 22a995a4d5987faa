// Reading LandXML alignments and laying them out as anchored element lines.
#include "landxml/landxml.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <pugixml.hpp>

#include "error.h"
#include "mainline/primitives.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::landxml {
namespace {

const double kPi = 4 * std::atan(1.0);
constexpr double kInf = std::numeric_limits<double>::infinity();

constexpr double kGapTolerance = 1e-3;   // m
constexpr double kKinkTolerance = 1e-4;  // rad
constexpr double kStationSnap = 0.1;
constexpr const char* kKinkFact = "处单元连接方向略有偏差(小于0.03°)，各单元按其Start布设";
constexpr const char* kCentreOffFact = "个Curve的Center与radius不符，已按Start、radius和length布设";
constexpr const char* kAnglePointFact =
    "个转角点，设计线在此转折，视点轨迹以弦相连";  // m, element staStart taken within this
constexpr double kMaxCoordinate = 1e8;             // m, beyond any real site
constexpr double kMaxLength = 1e6;                 // m, one element
constexpr double kStraightRadius = 1e8;            // m, flatter than this counts as straight
constexpr std::size_t kMaxAlignments = 1000;

std::string_view local_name(const pugi::xml_node& n) {
  std::string_view s = n.name();
  const auto colon = s.find(':');
  return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

bool equals_ci(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lo = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lo(a[i]) != lo(b[i])) return false;
  }
  return true;
}

// Metres per linearUnit of LandXML.
std::optional<double> unit_factor(std::string_view u) {
  static const std::pair<const char*, double> units[] = {
      {"meter", 1.0},        {"metre", 1.0},
      {"millimeter", 0.001}, {"centimeter", 0.01},
      {"decimeter", 0.1},    {"kilometer", 1000.0},
      {"foot", 0.3048},      {"USSurveyFoot", 1200.0 / 3937.0},
      {"inch", 0.0254},      {"mile", 1609.344}};
  for (const auto& [name, f] : units) {
    if (equals_ci(u, name)) return f;
  }
  return std::nullopt;
}

double distance(const Document::Point& a, const Document::Point& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}
double direction(const Document::Point& from, const Document::Point& to) {
  return std::atan2(to.y - from.y, to.x - from.x);
}
// An angle difference brought into (−π, π].
double wrap(double a) {
  a = std::remainder(a, 2 * kPi);
  return a <= -kPi ? a + 2 * kPi : a;
}

// A radius that stands for a true one must not be read as htbas's infinite
// radius: move it by one unit in the last place.
double htbas_radius(double signed_r) {
  if (std::fabs(signed_r) == htbas::kInfiniteRadius) {
    return std::nextafter(signed_r, signed_r > 0 ? kInf : -kInf);
  }
  return signed_r;
}

// Line numbers of byte offsets.
class LineIndex {
 public:
  explicit LineIndex(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\n') newlines_.push_back(i);
    }
  }
  int line(std::ptrdiff_t offset) const {
    if (offset < 0) return 0;
    const auto it =
        std::lower_bound(newlines_.begin(), newlines_.end(), static_cast<std::size_t>(offset));
    return static_cast<int>(it - newlines_.begin()) + 1;
  }

 private:
  std::vector<std::size_t> newlines_;
};

std::string where_line(const std::string& file, int line) {
  return line > 0 ? fmt::format("{} 第{}行", file, line) : file;
}

// The XML declaration names a Chinese code page (GB2312, GBK, GB18030).
bool declares_gb_encoding(std::string_view b) {
  const std::string_view head = b.substr(0, std::min<std::size_t>(b.size(), 256));
  const auto decl_end = head.find("?>");
  if (head.find("<?xml") == std::string_view::npos || decl_end == std::string_view::npos) {
    return false;
  }
  const auto enc = head.find("encoding");
  if (enc == std::string_view::npos || enc > decl_end) return false;
  const auto quote = head.find_first_of("\"'", enc);
  if (quote == std::string_view::npos || quote + 3 > decl_end) return false;
  const std::string_view name = head.substr(quote + 1, 2);
  return equals_ci(name, "gb");
}

}  // namespace

bool looks_like_xml(std::string_view b) {
  if (b.size() >= 2 && ((b[0] == '\xFF' && b[1] == '\xFE') || (b[0] == '\xFE' && b[1] == '\xFF'))) {
    return true;  // UTF-16
  }
  if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") b.remove_prefix(3);
  const auto first = b.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && b[first] == '<';
}

std::string read_file_bytes(const std::filesystem::path& path) {
  if (path.empty()) throw CancelledError(CancelledError::Kind::read);
  std::error_code ec;
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path, ec)) {
    throw CancelledError(CancelledError::Kind::read, path.string() + ": 无法打开");
  }
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxFileBytes) {
    throw DataFormatError(path.string() + ": 文件过大");
  }
  std::string bytes;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.append(buf, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxFileBytes) throw DataFormatError(path.string() + ": 文件过大");
  }
  return bytes;
}

Document Document::parse(std::string_view bytes, const std::string& file) {
  Document d;
  d.file_ = file;
  if (bytes.size() > kMaxFileBytes) throw DataFormatError(file + ": 文件过大");
  if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    throw DataFormatError(file + ": 文件为空");
  }
  if (!looks_like_xml(bytes)) throw DataFormatError(file + ": 不是XML文件(内容不以<开头)");
  // Chinese suites write GB2312 or GBK, which the XML parser does not know:
  // such files are decoded as the system's code page first, as every text
  // file of the program is.
  std::string decoded;
  pugi::xml_encoding encoding = pugi::encoding_auto;
  if (declares_gb_encoding(bytes)) {
    decoded = text::decode_file_bytes(bytes, file);
    bytes = decoded;
    encoding = pugi::encoding_utf8;
  }
  const LineIndex lines(bytes);

  pugi::xml_document xml;
  const pugi::xml_parse_result r =
      xml.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, encoding);
  if (!r) {
    throw DataFormatError(fmt::format("{}: 不是XML文件({})", where_line(file, lines.line(r.offset)),
                                      r.description()));
  }
  const pugi::xml_node root = xml.document_element();
  if (!root || local_name(root) != "LandXML") {
    throw DataFormatError(file + ": 不是LandXML文件(根元素不是LandXML)");
  }

  // Units: <Units><Metric linearUnit=…/> or <Imperial …/></Units>.
  for (const pugi::xml_node& units : root.children()) {
    if (local_name(units) != "Units") continue;
    for (const pugi::xml_node& u : units.children()) {
      const auto kind = local_name(u);
      if (kind != "Metric" && kind != "Imperial") continue;
      const pugi::xml_attribute lu = u.attribute("linearUnit");
      const std::string name = lu ? lu.value() : (kind == "Metric" ? "meter" : "foot");
      const auto f = unit_factor(name);
      if (!f) {
        throw DataFormatError(fmt::format("{}: 不支持的长度单位linearUnit=\"{}\"",
                                          where_line(file, lines.line(u.offset_debug())), name));
      }
      d.unit_ = *f;
      d.unit_name_ = name;
    }
  }

  // One walk over the whole tree, without recursion: points by name and the
  // alignments.
  std::map<std::string, std::string, std::less<>> cg_points;
  std::vector<pugi::xml_node> alignment_nodes;
  for (pugi::xml_node n = root.first_child(); n;) {
    if (n.type() == pugi::node_element) {
      const auto ln = local_name(n);
      if (ln == "CgPoint" && n.attribute("name")) {
        cg_points.emplace(n.attribute("name").value(), n.text().get());
      } else if (ln == "Alignment" && local_name(n.parent()) == "Alignments") {
        if (alignment_nodes.size() >= kMaxAlignments) {
          throw DataFormatError(fmt::format("{}: 路线多于{}条", file, kMaxAlignments));
        }
        alignment_nodes.push_back(n);
      }
    }
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n && n != root && !n.next_sibling()) n = n.parent();
    if (!n || n == root) break;
    n = n.next_sibling();
  }
  if (alignment_nodes.empty()) throw DataFormatError(file + ": 文件中没有路线(Alignment)");

  auto point_text = [&](const pugi::xml_node& p, bool& has, std::string& text) {
    if (!p) return;
    has = true;
    if (const auto ref = p.attribute("pntRef")) {
      const auto it = cg_points.find(ref.value());
      text = it == cg_points.end() ? std::string() : it->second;
    } else {
      text = p.text().get();
    }
  };

  for (const pugi::xml_node& an : alignment_nodes) {
    RawAlignment a;
    a.line = lines.line(an.offset_debug());
    a.name = text::trim(an.attribute("name").value());
    if (a.name.empty()) a.name = fmt::format("路线{}", d.alignments_.size() + 1);
    a.sta_start = an.attribute("staStart").value();
    for (const pugi::xml_node& c : an.children()) {
      const auto ln = local_name(c);
      if (ln == "StaEquation") {
        if (a.equations.size() >= static_cast<std::size_t>(htbas::kMaxElements)) {
          throw DataFormatError(fmt::format("{}: 路线「{}」站号方程过多",
                                            where_line(file, lines.line(c.offset_debug())),
                                            a.name));
        }
        a.equations.push_back({lines.line(c.offset_debug()), c.attribute("staInternal").value(),
                               c.attribute("staBack").value(), c.attribute("staAhead").value()});
        continue;
      }
      if (ln != "CoordGeom" || a.has_coord_geom) continue;
      a.has_coord_geom = true;
      for (const pugi::xml_node& g : c.children()) {
        if (g.type() != pugi::node_element) continue;
        const auto gn = local_name(g);
        RawElement e;
        if (gn == "Line") {
          e.kind = Kind::line;
        } else if (gn == "Curve") {
          e.kind = Kind::curve;
        } else if (gn == "Spiral") {
          e.kind = Kind::spiral;
        } else if (gn == "Feature") {
          continue;  // metadata
        } else {
          if (a.unsupported.empty()) {
            a.unsupported = std::string(gn);
            a.unsupported_line = lines.line(g.offset_debug());
          }
          continue;
        }
        if (a.elements.size() >= static_cast<std::size_t>(htbas::kMaxElements)) {
          throw DataFormatError(fmt::format("{}: 路线「{}」单元多于{}个",
                                            where_line(file, lines.line(g.offset_debug())), a.name,
                                            htbas::kMaxElements));
        }
        e.line = lines.line(g.offset_debug());
        e.ordinal = static_cast<int>(a.elements.size()) + 1;
        e.length = g.attribute("length").value();
        e.radius = g.attribute("radius").value();
        e.rot = g.attribute("rot").value();
        e.radius_start = g.attribute("radiusStart").value();
        e.radius_end = g.attribute("radiusEnd").value();
        e.spi_type = g.attribute("spiType").value();
        e.sta_start = g.attribute("staStart").value();
        for (const pugi::xml_node& p : g.children()) {
          const auto pn = local_name(p);
          if (pn == "Start") point_text(p, e.has_start, e.start);
          if (pn == "End") point_text(p, e.has_end, e.end);
          if (pn == "Center") point_text(p, e.has_center, e.center);
          if (pn == "PI") point_text(p, e.has_pi, e.pi);
        }
        a.elements.push_back(std::move(e));
      }
    }
    d.alignments_.push_back(std::move(a));
  }

  for (const auto& a : d.alignments_) d.names_.push_back(a.name);
  d.runs_ = d.continuation_runs();
  for (const auto& run : d.runs_) {
    std::string name;
    for (std::size_t i : run) name += (name.empty() ? "" : " + ") + d.alignments_[i].name;
    d.names_.push_back(name);
  }
  return d;
}

std::size_t Document::find(const std::string& name) const {
  std::vector<std::size_t> hits;
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == name) hits.push_back(i);
  }
  if (hits.size() == 1) return hits.front();
  std::string list;
  for (const auto& n : names_) list += (list.empty() ? "" : ", ") + ("「" + n + "」");
  throw DataFormatError(fmt::format("{}: {}路线「{}」; 文件中的路线: {}", file_,
                                    hits.empty() ? "没有" : "有多条同名", name, list));
}

std::string Document::short_label(const RawElement& e) const {
  static const char* kinds[] = {"Line", "Curve", "Spiral"};
  return fmt::format("第{}个单元({}) 第{}行", e.ordinal, kinds[static_cast<int>(e.kind)], e.line);
}

std::string Document::label(const RawAlignment& a, const RawElement& e) const {
  static const char* kinds[] = {"Line", "Curve", "Spiral"};
  return fmt::format("{} 路线「{}」第{}个单元({})", where_line(file_, e.line), a.name, e.ordinal,
                     kinds[static_cast<int>(e.kind)]);
}

Document::Point Document::point(const RawAlignment& a, const RawElement& e, const std::string& text,
                                const char* what) const {
  const auto f = text::split_fields(text);
  if (f.size() < 2) throw DataFormatError(label(a, e) + ": " + what + "缺少北坐标和东坐标");
  Point p;
  for (int i = 0; i < 2; ++i) {
    const auto v = text::parse_number(f[static_cast<std::size_t>(i)]);
    if (!v || !(std::fabs(*v * unit_) <= kMaxCoordinate)) {
      throw DataFormatError(label(a, e) + ": " + what + "坐标「" + f[static_cast<std::size_t>(i)] +
                            "」不是有效的数");
    }
    (i == 0 ? p.x : p.y) = *v * unit_;
  }
  return p;
}

namespace {

// A length, station or radius attribute in metres; nullopt when absent.
std::optional<double> number_attr(const std::string& text, double unit, double limit,
                                  const std::string& where, const char* name) {
  const std::string t = text::trim(text);
  if (t.empty()) return std::nullopt;
  const auto v = text::parse_number(t);
  if (!v || !(std::fabs(*v * unit) <= limit)) {
    throw DataFormatError(fmt::format("{}: {}「{}」不是有效的数", where, name, t));
  }
  return *v * unit;
}

// A spiral radius: INF (or 0, which some exporters write) is infinite.
double radius_attr(const std::string& text, double unit, const std::string& where,
                   const char* name) {
  const std::string t = text::trim(text);
  if (t.empty()) throw DataFormatError(where + ": 缺少" + name);
  for (const char* inf : {"INF", "+INF", "INFINITY", "1.#INF"}) {
    if (equals_ci(t, inf)) return kInf;
  }
  const auto v = text::parse_number(t);
  if (!v) throw DataFormatError(fmt::format("{}: {}「{}」不是有效的数", where, name, t));
  const double r = std::fabs(*v * unit);
  return r == 0 || r > kStraightRadius ? kInf : r;
}

// +1 for a clockwise (right-hand) turn, −1 for counter-clockwise.
double turn_sign(const std::string& rot, const std::string& where) {
  const std::string t = text::trim(rot);
  if (equals_ci(t, "cw")) return 1;
  if (equals_ci(t, "ccw")) return -1;
  throw DataFormatError(where + ": rot必须为cw或ccw(「" + t + "」)");
}

}  // namespace

Document::Laid Document::lay_out(const RawAlignment& a) const {
  const std::string at = fmt::format("{} 路线「{}」", where_line(file_, a.line), a.name);
  if (!a.has_coord_geom) throw DataFormatError(at + ": 缺少CoordGeom");
  if (!a.unsupported.empty()) {
    throw DataFormatError(fmt::format("{} 路线「{}」: 不支持的平面单元<{}>",
                                      where_line(file_, a.unsupported_line), a.name,
                                      a.unsupported));
  }
  if (a.elements.empty()) throw DataFormatError(at + ": CoordGeom中没有单元");
  // Without its own staStart the line starts at its first element's, or 0.
  auto sta_start = number_attr(a.sta_start, unit_, kMaxCoordinate, at, "staStart");
  if (!sta_start) {
    sta_start = number_attr(a.elements.front().sta_start, unit_, kMaxCoordinate,
                            label(a, a.elements.front()), "staStart");
  }
  const double sta0 = sta_start.value_or(0);

  // Every problem of the alignment is collected, so that one refusal lists
  // them all; what can be taken is taken with a warning.
  Laid laid;
  std::vector<std::string> problems;
  auto attempt = [&problems](auto&& step) {
    try {
      step();
      return true;
    } catch (const DataFormatError& e) {
      problems.push_back(e.detail());
      return false;
    }
  };

  // Each element as placed by the file: start point and direction from its
  // own geometry, radii signed by rot, and its End for the checks below.
  struct Placed {
    htbas::AnchoredElement el;
    Point start, end;
    const RawElement* raw;
    double end_tolerance = kGapTolerance;  // of the computed end against End
    bool after_refused = false;            // an element before it was refused
    std::string centre_off;                // the warning of a Curve whose Center is off
  };
  std::vector<Placed> placed;
  bool refused = false;
  for (const RawElement& e : a.elements) {
    const bool ok = attempt([&] {
      const std::string here = label(a, e);
      if (!e.has_start || !e.has_end) throw DataFormatError(here + ": 缺少Start或End");
      const Point s = point(a, e, e.start, "Start");
      const Point t = point(a, e, e.end, "End");
      Placed p{{}, s, t, &e, kGapTolerance, false, {}};
      htbas::AnchoredElement& el = p.el;
      el.line = e.line;
      el.x = s.x;
      el.y = s.y;
      const auto length = number_attr(e.length, unit_, kMaxLength, here, "length");
      if (length && *length < 0) throw DataFormatError(here + ": length为负");
      const double chord = distance(s, t);

      switch (e.kind) {
        case Kind::line: {
          if (!(chord <= kMaxLength)) throw DataFormatError(here + ": 长度超出范围");
          if (length && std::fabs(*length - chord) > kGapTolerance) {
            throw DataFormatError(
                fmt::format("{}: length={:.4f}与Start至End的距离{:.4f}不符", here, *length, chord));
          }
          el.len = length.value_or(chord);
          el.azimuth = direction(s, t);
          break;
        }
        case Kind::curve:
          place_curve(a, e, s, t, length, p.el, p.end_tolerance, p.centre_off);
          break;
        case Kind::spiral: {
          const std::string type = text::trim(e.spi_type);
          if (!type.empty() && !equals_ci(type, "clothoid")) {
            throw DataFormatError(here + ": 不支持的缓和曲线类型spiType=\"" + type + "\"");
          }
          if (!length) throw DataFormatError(here + ": 缺少length");
          el.len = *length;
          const double r1 = radius_attr(e.radius_start, unit_, here, "radiusStart");
          const double r2 = radius_attr(e.radius_end, unit_, here, "radiusEnd");
          const bool straight = std::isinf(r1) && std::isinf(r2);
          const double sign = straight ? 1 : turn_sign(e.rot, here);
          if (!straight && std::fabs(r1 - r2) <= 1e-9 * std::min(r1, r2)) {
            el.r1 = el.r2 = htbas_radius(sign * r1);  // a spiral of one radius is an arc
          } else {
            el.r1 = std::isinf(r1) ? htbas::kInfiniteRadius : htbas_radius(sign * r1);
            el.r2 = std::isinf(r2) ? htbas::kInfiniteRadius : htbas_radius(sign * r2);
          }
          std::optional<Point> pi;
          if (e.has_pi) pi = point(a, e, e.pi, "PI");
          if (pi && distance(s, *pi) > 1e-6) {
            el.azimuth = direction(s, *pi);
          } else {
            // Without a PI: the chord's direction less the chord's angle to
            // the start tangent in the spiral's own frame.
            if (!(chord > 1e-6)) throw DataFormatError(here + ": 缺少PI且Start与End重合");
            htbas::AnchoredElement local = el;
            local.x = local.y = local.azimuth = local.chainage = 0;
            const auto unit_line = htbas::Interchange::build_anchored({local}, file_);
            el.azimuth = direction(s, t) - std::atan2(unit_line.ht_dy(1), unit_line.ht_dx(1));
          }
          break;
        }
      }
      if (el.len == 0) {
        // An element of no length adds nothing, but its ends must still meet.
        if (chord > kGapTolerance) {
          throw DataFormatError(fmt::format("{}: 长度为0但Start与End相距{:.4f}", here, chord));
        }
        return;
      }
      el.azimuth = zxbas::reduce_azimuth(el.azimuth);
      p.after_refused = refused;
      refused = false;
      placed.push_back(p);
    });
    if (!ok) refused = true;
  }
  if (placed.empty() && problems.empty()) throw DataFormatError(at + ": 没有长度大于0的单元");

  // Stations: staStart plus the lengths, or an element's own staStart where
  // it is that sum up to rounding.
  double running = sta0;
  for (Placed& p : placed) {
    p.el.chainage = running;
    attempt([&] {
      const auto own =
          number_attr(p.raw->sta_start, unit_, kMaxCoordinate, label(a, *p.raw), "staStart");
      if (own && std::fabs(*own - running) <= kStationSnap) p.el.chainage = *own;
    });
    running = p.el.chainage + p.el.len;
    if (!p.centre_off.empty()) {
      laid.warnings.push_back({kCentreOffFact, p.el.chainage, p.centre_off});
    }
  }

  std::vector<htbas::AnchoredElement> elements;
  for (const Placed& p : placed) elements.push_back(p.el);
  htbas::Interchange line;
  if (!placed.empty() &&
      attempt([&] { line = htbas::Interchange::build_anchored(elements, file_); })) {
    // The file against itself: every element's computed end against its
    // End, and against the next element's Start and start direction.
    const int n = line.ht_count();
    for (int k = 1; k <= n; ++k) {
      const Placed& p = placed[static_cast<std::size_t>(k - 1)];
      const std::string here = label(a, *p.raw);
      const Point end{line.ht_x(k) + line.ht_dx(k), line.ht_y(k) + line.ht_dy(k)};
      const double miss = distance(end, p.end);
      if (!(miss <= p.end_tolerance)) {
        problems.push_back(
            fmt::format("{}: 由起点、方向、半径和长度算得的终点与End相差{:.4f} m", here, miss));
      }
      if (k == n) break;
      const Placed& q = placed[static_cast<std::size_t>(k)];
      if (q.after_refused) continue;  // its neighbour is not known
      const double gap = std::max(distance(end, q.start), distance(p.end, q.start));
      if (!(gap <= kGapTolerance)) {
        problems.push_back(
            fmt::format("{}: 与下一单元(第{}行)之间有{:.4f} m的缺口", here, q.raw->line, gap));
        continue;
      }
      // A joint that turns: within the rounding of the file's points on a
      // short element it is smooth; a small turn is a kink, the exporter's
      // rounding, and each element is laid from its own Start; a larger one
      // an angle point of the design, reported when the line is built.
      const double kink = std::fabs(wrap(q.el.azimuth - line.end_azimuth(k)));
      const double shorter = std::min(p.el.len, q.el.len);
      if (kink <= kKinkTolerance || kink * shorter <= kGapTolerance) continue;
      if (kink < htbas::kCornerAngle) {
        laid.warnings.push_back(
            {kKinkFact, q.el.chainage,
             fmt::format("{}: 终点方向与下一单元(第{}行)的起点方向相差{:.6f} rad", here,
                         q.raw->line, kink)});
      } else {
        laid.joints.push_back({short_label(*p.raw), short_label(*q.raw)});
        elements[static_cast<std::size_t>(k)].corner_before = true;
      }
    }
  }

  // Station equations, in the order of the line.
  const double end_internal = placed.empty() ? sta0 : line.end_chainage();
  double carried = 0;  // Σ (ahead − back) of the equations before
  for (const RawEquation& q : a.equations) {
    const std::string here =
        fmt::format("{} 路线「{}」StaEquation", where_line(file_, q.line), a.name);
    if (laid.equations.size() >= static_cast<std::size_t>(chainage::kMaxChainBreaks)) {
      problems.push_back(fmt::format("{}: 站号方程多于{}个", here, chainage::kMaxChainBreaks));
      break;
    }
    attempt([&] {
      auto back = number_attr(q.back, unit_, kMaxCoordinate, here, "staBack");
      const auto ahead = number_attr(q.ahead, unit_, kMaxCoordinate, here, "staAhead");
      const auto given = number_attr(q.internal, unit_, kMaxCoordinate, here, "staInternal");
      if (!ahead) throw DataFormatError(here + ": 缺少staAhead");
      // staBack is optional: the back station is then staInternal in the
      // numbering that the equations before have made.
      if (!back && !given) throw DataFormatError(here + ": 缺少staBack和staInternal");
      if (!back) back = *given + carried;
      const double internal = *back - carried;
      if (given && std::fabs(*given - internal) > kGapTolerance) {
        throw DataFormatError(fmt::format("{}: staInternal={:.4f}与staBack={:.4f}不符(应为{:.4f})",
                                          here, *given, *back, internal));
      }
      if (*ahead == *back) return;  // the numbering goes on unchanged
      laid.equations.push_back({given.value_or(internal), *back, *ahead});
      carried += *ahead - *back;
    });
  }
  if (!problems.empty()) {
    constexpr std::size_t kShown = 30;
    std::string all;
    for (std::size_t i = 0; i < problems.size() && i < kShown; ++i) {
      all += (i ? "\n" : "") + problems[i];
    }
    if (problems.size() > kShown) {
      all += fmt::format("\n…另有{}处问题", problems.size() - kShown);
    }
    throw DataFormatError(all);
  }
  laid.elements = std::move(elements);
  laid.end_station = end_internal + carried;
  return laid;
}

void Document::place_curve(const RawAlignment& a, const RawElement& e, const Point& s,
                           const Point& t, const std::optional<double>& length,
                           htbas::AnchoredElement& el, double& end_tolerance,
                           std::string& warning) const {
  const std::string here = label(a, e);
  if (!e.has_center) throw DataFormatError(here + ": 缺少Center");
  const Point c = point(a, e, e.center, "Center");
  const double sign = turn_sign(e.rot, here);
  const double rs = distance(s, c);
  const double re = distance(t, c);
  const auto radius = number_attr(e.radius, unit_, kMaxCoordinate, here, "radius");
  const double r = radius.value_or(rs);
  if (!(r > 0)) throw DataFormatError(here + ": radius必须大于0");
  const double chord = distance(s, t);
  if (std::fabs(rs - r) <= kGapTolerance && std::fabs(re - r) <= kGapTolerance) {
    // The radius from the centre to Start, turned a quarter towards the
    // direction of travel; the sweep from Start to End about the centre.
    const double psi_s = direction(c, s);
    const double psi_e = direction(c, t);
    el.azimuth = psi_s + sign * kPi / 2;
    double sweep = std::fmod(sign * (psi_e - psi_s), 2 * kPi);
    if (sweep < 0) sweep += 2 * kPi;
    const double arc = r * sweep;
    if (length && chord > kGapTolerance && std::fabs(*length - arc) > kGapTolerance) {
      throw DataFormatError(
          fmt::format("{}: length={:.4f}与Start、End间的圆弧长{:.4f}不符", here, *length, arc));
    }
    el.len = length.value_or(arc);
  } else {
    // The Center disagrees with the radius by more than the file's rounding.
    // Start, End, radius and length may still describe the arc: it is laid
    // from Start with the direction that takes it through End (half the
    // sweep before the chord), and accepted where its end lies within
    // kCenterOffTolerance of End.
    if (!radius || !length) {
      throw DataFormatError(fmt::format(
          "{}: radius={:.4f}与Start、End至Center的距离{:.4f}、{:.4f}不符", here, r, rs, re));
    }
    el.len = *length;
    el.azimuth = direction(s, t) - sign * (el.len / r) / 2;
    end_tolerance = kCenterOffTolerance;
    htbas::AnchoredElement probe = el;
    probe.r1 = probe.r2 = htbas_radius(sign * r);
    probe.chainage = 0;
    const auto one = htbas::Interchange::build_anchored({probe}, file_);
    const double miss = distance({one.ht_x(2), one.ht_y(2)}, t);
    if (!(miss <= kCenterOffTolerance)) {
      throw DataFormatError(fmt::format(
          "{}: radius={:.4f}与Start、End至Center的距离{:.4f}、{:.4f}不符，按Start、radius和"
          "length算得的终点与End相差{:.4f} m (超过{} mm)",
          here, r, rs, re, miss, kCenterOffTolerance * 1000));
    }
    warning = fmt::format(
        "{}: Start、End至Center的距离{:.4f}、{:.4f}，radius={:.4f}，终点与End相差{:.4f} m", here,
        rs, re, r, miss);
  }
  if (!(el.len <= kMaxLength)) throw DataFormatError(here + ": 长度超出范围");
  if (r <= kStraightRadius) el.r1 = el.r2 = htbas_radius(sign * r);
}

std::vector<std::vector<std::size_t>> Document::continuation_runs() const {
  // Ends of every alignment that can be laid out.
  struct Ends {
    bool ok = false;
    double x0 = 0, y0 = 0, a0 = 0, x1 = 0, y1 = 0, a1 = 0;
  };
  std::vector<Ends> ends(alignments_.size());
  // Laying out every alignment costs time in proportion to all the elements
  // of the file; beyond what a joined line could hold anyway, look no further.
  std::size_t total = 0;
  for (const auto& a : alignments_) total += a.elements.size();
  if (total > 20 * static_cast<std::size_t>(htbas::kMaxElements)) return {};
  for (std::size_t i = 0; i < alignments_.size(); ++i) {
    try {
      const Laid laid = lay_out(alignments_[i]);
      const auto line = htbas::Interchange::build_anchored(laid.elements, file_);
      const int n = line.ht_count();
      ends[i] = {true,
                 line.ht_x(1),
                 line.ht_y(1),
                 line.ht_azimuth(1),
                 line.ht_x(n + 1),
                 line.ht_y(n + 1),
                 line.ht_azimuth(n + 1)};
    } catch (const LumoraError&) {
      // reported when it is built on its own
    }
  }
  auto continues = [&](std::size_t i, std::size_t j) {
    const Ends& a = ends[i];
    const Ends& b = ends[j];
    return a.ok && b.ok && std::hypot(a.x1 - b.x0, a.y1 - b.y0) <= kGapTolerance &&
           std::fabs(wrap(b.a0 - a.a1)) <= kKinkTolerance;
  };
  std::vector<std::vector<std::size_t>> runs;
  for (std::size_t i = 0; i + 1 < alignments_.size();) {
    std::size_t j = i;
    while (j + 1 < alignments_.size() && continues(j, j + 1)) ++j;
    if (j > i) {
      std::vector<std::size_t> run;
      for (std::size_t k = i; k <= j; ++k) run.push_back(k);
      runs.push_back(std::move(run));
    }
    i = j + 1;
  }
  return runs;
}

Road Document::build(std::size_t index) const {
  if (index >= names_.size()) {
    throw DataFormatError(fmt::format("{}: 路线序号{}超出范围", file_, index + 1));
  }
  Road road;
  road.name = names_[index];
  std::vector<htbas::AnchoredElement> elements;
  std::vector<std::pair<std::string, std::string>> joints;
  if (index < alignments_.size()) {
    Laid laid = lay_out(alignments_[index]);
    elements = std::move(laid.elements);
    road.equations = std::move(laid.equations);
    road.warnings = std::move(laid.warnings);
    joints = std::move(laid.joints);
  } else {
    // Joined alignments: the continuous chainage runs on from one to the
    // next; each joint where the numbering changes is a chain break.
    double shift = 0;  // continuous − own internal station of this piece
    double prev_end_internal = 0, prev_end_station = 0;
    bool first = true;
    for (std::size_t i : runs_[index - alignments_.size()]) {
      Laid laid = lay_out(alignments_[i]);
      const double own_start = laid.elements.front().chainage;
      if (!first) {
        shift = prev_end_internal - own_start;
        if (prev_end_station != own_start) {
          road.equations.push_back({prev_end_internal, prev_end_station, own_start});
        }
      }
      for (auto e : laid.elements) {
        e.chainage += shift;
        elements.push_back(e);
      }
      for (auto q : laid.equations) {
        q.internal += shift;
        road.equations.push_back(q);
      }
      for (auto w : laid.warnings) {
        w.chainage += shift;
        road.warnings.push_back(std::move(w));
      }
      joints.insert(joints.end(), laid.joints.begin(), laid.joints.end());
      const auto& last = elements.back();
      prev_end_internal = last.chainage + last.len;
      prev_end_station = laid.end_station;
      first = false;
    }
    if (elements.size() > static_cast<std::size_t>(htbas::kMaxElements)) {
      throw DataFormatError(
          fmt::format("{}: 路线「{}」单元多于{}个", file_, road.name, htbas::kMaxElements));
    }
  }
  road.line = htbas::Interchange::build_anchored(elements, file_);

  // Station equations as chain breaks, where the break table can hold them:
  // inside the line, in order, and numbered so that every chainage finds its
  // one segment.
  const double start = road.line.start_chainage();
  const double end = road.line.end_chainage();
  const std::string at = fmt::format("{} 路线「{}」", file_, road.name);
  if (road.equations.empty()) {
    road.breaks = chainage::ChainBreakTable::none(start, end);
    warn_angle_points(road, joints);
    return road;
  }
  if (road.equations.size() > static_cast<std::size_t>(chainage::kMaxChainBreaks)) {
    throw DataFormatError(fmt::format("{}: 站号方程(断链)多于{}个", at, chainage::kMaxChainBreaks));
  }
  std::vector<std::string> lines;
  double prev = start;
  for (const StationEquation& q : road.equations) {
    if (!(q.internal > prev) || !(q.internal < end)) {
      throw DataFormatError(fmt::format(
          "{}: 站号方程(staBack={:.4f}, staAhead={:.4f})不在路线内或次序有误，不能作为断链", at,
          q.back, q.ahead));
    }
    prev = q.internal;
    lines.push_back(fmt::format("{:.17g} {:.17g}", q.back, q.ahead));
  }
  if (road.equations.front().back == -1.0) {
    throw DataFormatError(at + ": 站号方程staBack=-1不能作为断链");
  }
  road.breaks = chainage::ChainBreakTable::read(lines, start, end, file_);
  // Every segment's chainages must walk back to that segment.
  for (std::size_t s = 0; s <= road.equations.size(); ++s) {
    const double lo = s == 0 ? start : road.equations[s - 1].internal;
    const double hi = s == road.equations.size() ? end : road.equations[s].internal;
    for (double f : {0.001, 0.5, 0.999, 1.0}) {
      const double c = lo + f * (hi - lo);
      const auto w = road.breaks.segment_walk(c);
      const double expect =
          c + (s == 0 ? 0.0 : road.equations[s - 1].ahead - road.equations[s - 1].internal);
      if (w.segment != static_cast<int>(s) + 1 || std::fabs(w.value - expect) > kGapTolerance) {
        throw DataFormatError(fmt::format(
            "{}: 站号方程(staBack={:.4f}, staAhead={:.4f})使桩号不能唯一确定，不能作为断链", at,
            road.equations[std::min(s, road.equations.size() - 1)].back,
            road.equations[std::min(s, road.equations.size() - 1)].ahead));
      }
    }
  }
  warn_angle_points(road, joints);
  return road;
}

void Document::warn_angle_points(
    Road& road, const std::vector<std::pair<std::string, std::string>>& joints) const {
  // In the order of the line, among the kinks and Centers off.
  for (std::size_t i = 0; i < road.line.corners().size(); ++i) {
    const htbas::Corner& c = road.line.corners()[i];
    const double deg = c.deflection * 180 / kPi;
    std::string detail = fmt::format("{} 偏角{}{:.4f}°", road.breaks.sj_dlstr_k(c.chainage),
                                     deg > 0 ? "+" : "", deg);
    if (i < joints.size()) {
      detail += fmt::format(" ({} / {})", joints[i].first, joints[i].second);
    }
    road.warnings.push_back(
        {fmt::format("{}({} 路线「{}」)", kAnglePointFact, file_, road.name), c.chainage, detail});
  }
  std::stable_sort(
      road.warnings.begin(), road.warnings.end(),
      [](const Adjustment& a, const Adjustment& b) { return a.chainage < b.chainage; });
}

std::string Document::start_station(std::size_t index) const {
  if (index >= names_.size()) return {};
  const RawAlignment& a =
      alignments_[index < alignments_.size() ? index : runs_[index - alignments_.size()].front()];
  std::string start = text::trim(a.sta_start);
  if (start.empty() && !a.elements.empty()) start = text::trim(a.elements.front().sta_start);
  const auto v = text::parse_number(start.empty() ? "0" : start);
  if (!v) return text::excerpt(start);
  if (unit_ == 1) return text::format_fixed3(*v) + " m";
  return fmt::format("{} {} = {} m", text::format_shortest(*v), unit_name_,
                     text::format_fixed3(*v * unit_));
}

std::string Document::describe(std::size_t index) const {
  if (index >= names_.size()) return {};
  return fmt::format("{}\t单位 {}，起点桩号 {}", names_[index], unit_name_, start_station(index));
}

std::string Document::units_note(std::size_t index) const {
  const std::string factor =
      unit_ == 1 ? std::string()
                 : fmt::format(" (1 {} = {} m)", unit_name_, text::format_shortest(unit_));
  return fmt::format("文件单位 {}{}，staStart {}；长度、桩号和坐标均以米计", unit_name_, factor,
                     start_station(index));
}

}  // namespace lumora::landxml
