#include "landxml/landxml_profile.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <pugixml.hpp>
#include <vector>

#include "error.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::landxml {
namespace {

constexpr double kStationTolerance = 0.001;  // m
constexpr std::size_t kMaxGroundPoints = 1'000'000;

std::string_view local_name(const pugi::xml_node& n) {
  std::string_view s = n.name();
  const auto colon = s.find(':');
  return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

// Line numbers of byte offsets.
int line_of(std::string_view bytes, std::ptrdiff_t offset) {
  if (offset < 0) return 0;
  const auto end = bytes.begin() + std::min<std::ptrdiff_t>(offset, bytes.size());
  return static_cast<int>(std::count(bytes.begin(), end, '\n')) + 1;
}

// The XML declaration names a Chinese code page: decoded first, as the
// alignment reader does.
bool declares_gb_encoding(std::string_view b) {
  const std::string_view head = b.substr(0, std::min<std::size_t>(b.size(), 256));
  const auto decl_end = head.find("?>");
  const auto enc = head.find("encoding");
  if (head.find("<?xml") == std::string_view::npos || decl_end == std::string_view::npos ||
      enc == std::string_view::npos || enc > decl_end) {
    return false;
  }
  const auto quote = head.find_first_of("\"'", enc);
  if (quote == std::string_view::npos || quote + 3 > decl_end) return false;
  const std::string_view name = head.substr(quote + 1, 2);
  return (name[0] == 'g' || name[0] == 'G') && (name[1] == 'b' || name[1] == 'B');
}

// The file's <Alignment>s under <Alignments>, in document order.
std::vector<pugi::xml_node> alignment_nodes(const pugi::xml_node& root) {
  std::vector<pugi::xml_node> out;
  for (pugi::xml_node n = root.first_child(); n;) {
    if (n.type() == pugi::node_element && local_name(n) == "Alignment" &&
        local_name(n.parent()) == "Alignments") {
      out.push_back(n);
    }
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n && n != root && !n.next_sibling()) n = n.parent();
    if (!n || n == root) break;
    n = n.next_sibling();
  }
  return out;
}

// The numbers of an element's text, split at any white space. A lone sign
// belongs to the number after it: some exporters wrap long lists at a fixed
// width, between a minus sign and its digits.
std::vector<std::string> tokens(std::string_view t) {
  std::vector<std::string> out;
  std::string sign;
  std::size_t i = 0;
  while (i < t.size()) {
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    const std::size_t b = i;
    while (i < t.size() && !std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    if (i == b) break;
    std::string tok(t.substr(b, i - b));
    if (tok == "-" || tok == "+") {
      sign = tok;
      continue;
    }
    out.push_back(sign + tok);
    sign.clear();
  }
  return out;
}

double number_attr(const pugi::xml_node& e, const char* name, double unit,
                   const std::string& where) {
  const pugi::xml_attribute a = e.attribute(name);
  if (!a) throw DataFormatError(fmt::format("{}: {}缺少{}", where, e.name(), name));
  return text::to_data_number(a.value(), fmt::format("{}: {} {}", where, e.name(), name)) * unit;
}

}  // namespace

std::optional<profile::Profile> read_profile(std::string_view bytes, const std::string& file,
                                             double unit, std::size_t index,
                                             const std::string& profile_name) {
  std::string decoded;
  pugi::xml_encoding encoding = pugi::encoding_auto;
  if (declares_gb_encoding(bytes)) {
    decoded = text::decode_file_bytes(bytes, file);
    bytes = decoded;
    encoding = pugi::encoding_utf8;
  }
  pugi::xml_document xml;
  if (!xml.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, encoding)) {
    throw DataFormatError(file + ": 不是XML文件");
  }
  const auto nodes = alignment_nodes(xml.document_element());
  auto none = [&]() -> std::optional<profile::Profile> {
    if (!profile_name.empty()) {
      throw DataFormatError(file + ": 路线没有纵断面「" + text::excerpt(profile_name) + "」");
    }
    return std::nullopt;
  };
  if (index >= nodes.size()) return none();

  // The ProfAligns and the first ProfSurf of the alignment's Profiles.
  std::vector<pugi::xml_node> aligns;
  pugi::xml_node surf;
  for (const pugi::xml_node& p : nodes[index].children()) {
    if (local_name(p) != "Profile") continue;
    for (const pugi::xml_node& c : p.children()) {
      if (local_name(c) == "ProfAlign") aligns.push_back(c);
      if (local_name(c) == "ProfSurf" && !surf) surf = c;
    }
  }
  if (aligns.empty()) return none();
  pugi::xml_node chosen = aligns.front();
  if (!profile_name.empty()) {
    chosen = {};
    std::string names;
    for (const auto& a : aligns) {
      if (text::trim(a.attribute("name").value()) == text::trim(profile_name)) {
        chosen = a;
        break;
      }
      names += std::string(names.empty() ? "" : "、") + "「" + a.attribute("name").value() + "」";
    }
    if (!chosen) {
      throw DataFormatError(file + ": 路线没有纵断面「" + text::excerpt(profile_name) +
                            "」(有: " + names + ")");
    }
  }
  const std::string name = text::trim(chosen.attribute("name").value());
  const std::string source = file + " 纵断面「" + name + "」";

  std::vector<profile::Pvi> pvis;
  for (const pugi::xml_node& e : chosen.children()) {
    if (e.type() != pugi::node_element) continue;
    const auto kind = local_name(e);
    if (kind != "PVI" && kind != "ParaCurve" && kind != "UnsymParaCurve" && kind != "CircCurve") {
      continue;  // Feature and other annotations
    }
    const int line = line_of(bytes, e.offset_debug());
    const std::string where = fmt::format("{} 第{}行", file, line);
    const auto fields = tokens(e.text().get());
    if (fields.size() < 2) throw DataFormatError(where + ": " + e.name() + "应为「桩号 高程」");
    profile::Pvi p;
    p.line = line;
    p.chainage = text::to_data_number(fields[0], where + ": 桩号") * unit;
    p.text = text::format_fixed3(p.chainage);
    p.elevation = text::to_data_number(fields[1], where + ": 高程") * unit;
    if (kind == "PVI") {
      p.spec = profile::CurveSpec::none;
    } else if (kind == "ParaCurve") {
      p.spec = profile::CurveSpec::para_length;
      p.length = number_attr(e, "length", unit, where);
    } else if (kind == "UnsymParaCurve") {
      p.spec = profile::CurveSpec::unsym;
      p.length_in = number_attr(e, "lengthIn", unit, where);
      p.length_out = number_attr(e, "lengthOut", unit, where);
    } else {
      p.spec = profile::CurveSpec::circle;
      // Some exporters sign the radius (negative on crests): the grades
      // already tell which way the curve turns.
      p.radius = std::fabs(number_attr(e, "radius", unit, where));
      if (e.attribute("length")) p.length = number_attr(e, "length", unit, where);
    }
    pvis.push_back(std::move(p));
  }
  profile::Profile prof = profile::Profile::build(std::move(pvis), source);
  prof.set_title(name);

  // The ground line: "station elevation" pairs.
  if (surf) {
    std::vector<profile::GroundPoint> ground;
    for (const pugi::xml_node& l : surf.children()) {
      if (local_name(l) != "PntList2D") continue;
      const auto f = tokens(l.text().get());
      for (std::size_t k = 0; k + 1 < f.size() && ground.size() < kMaxGroundPoints; k += 2) {
        const auto s = text::parse_number(f[k]);
        const auto z = text::parse_number(f[k + 1]);
        if (!s || !z) continue;
        ground.push_back({*s * unit, *z * unit});
      }
    }
    prof.set_ground(std::move(ground));
  }
  return prof;
}

}  // namespace lumora::landxml
