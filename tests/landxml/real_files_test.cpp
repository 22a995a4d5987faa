// Every alignment of the real exports in ../shared/landxml (when that folder
// is there) is accepted, and every element's end and mid-point lies within
// 1 mm of the file's own geometry: a Line's Start and End, a Curve's arc of
// its radius through Start and End, a Spiral's clothoid integrated here from
// Start towards its PI.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <pugixml.hpp>

#include "landxml/landxml.h"

namespace fs = std::filesystem;
using lumora::landxml::Document;

namespace {

const fs::path kFolder = fs::path(LUMORA_SOURCE_DIR) / ".." / "shared" / "landxml";

std::string local(const pugi::xml_node& n) {
  const std::string s = n.name();
  const auto colon = s.find(':');
  return colon == std::string::npos ? s : s.substr(colon + 1);
}

struct P {
  double x = 0, y = 0;
};

double unit_of(const pugi::xml_node& root) {
  for (auto u : root.children()) {
    if (local(u) != "Units") continue;
    for (auto m : u.children()) {
      const std::string lu = m.attribute("linearUnit").value();
      if (lu == "foot") return 0.3048;
      if (lu == "USSurveyFoot") return 1200.0 / 3937.0;
      if (local(m) == "Imperial" && lu.empty()) return 0.3048;
    }
  }
  return 1;
}

// A file's element with its points in metres.
struct Raw {
  std::string kind;
  P start, end, pi, center;
  bool has_pi = false, has_center = false;
  double length = -1, radius = 0, r1 = INFINITY, r2 = INFINITY, sign = 1;
};

double radius_value(const char* t, double unit) {
  const std::string s = t;
  if (s.empty() || s == "INF" || s == "inf") return INFINITY;
  const double v = std::stod(s) * unit;
  return v == 0 ? INFINITY : v;
}

std::vector<Raw> raw_elements(const pugi::xml_node& alignment, double unit,
                              const std::map<std::string, P>& cg) {
  std::vector<Raw> out;
  for (auto g : alignment.children()) {
    if (local(g) != "CoordGeom") continue;
    for (auto e : g.children()) {
      Raw r;
      r.kind = local(e);
      if (r.kind != "Line" && r.kind != "Curve" && r.kind != "Spiral") continue;
      auto pt = [&](const pugi::xml_node& n) {
        if (n.attribute("pntRef")) return cg.at(n.attribute("pntRef").value());
        double x = 0, y = 0;
        std::sscanf(n.text().get(), "%lf %lf", &x, &y);
        return P{x * unit, y * unit};
      };
      for (auto p : e.children()) {
        const std::string n = local(p);
        if (n == "Start") r.start = pt(p);
        if (n == "End") r.end = pt(p);
        if (n == "PI") r.pi = pt(p), r.has_pi = true;
        if (n == "Center") r.center = pt(p), r.has_center = true;
      }
      if (e.attribute("length")) r.length = e.attribute("length").as_double() * unit;
      r.radius = e.attribute("radius").as_double() * unit;
      r.sign = std::string(e.attribute("rot").value()) == "ccw" ? -1 : 1;
      if (r.kind == "Spiral") {
        r.r1 = radius_value(e.attribute("radiusStart").value(), unit);
        r.r2 = radius_value(e.attribute("radiusEnd").value(), unit);
      }
      const double chord = std::hypot(r.end.x - r.start.x, r.end.y - r.start.y);
      if (r.length == 0 || (r.length < 0 && chord == 0)) continue;  // laid as nothing
      out.push_back(r);
    }
  }
  return out;
}

// The file's own mid-point of the element.
bool file_mid(const Raw& r, P& m) {
  const double cx = r.end.x - r.start.x, cy = r.end.y - r.start.y;
  const double c = std::hypot(cx, cy);
  if (r.kind == "Line") {
    m = {r.start.x + cx / 2, r.start.y + cy / 2};
    return true;
  }
  if (r.kind == "Curve") {
    // The arc of the file's radius through Start and End: its sagitta over
    // the chord's middle, bulging away from the centre (to the left of the
    // chord for a right-hand turn).
    const double rad =
        r.radius > 0 ? r.radius : std::hypot(r.start.x - r.center.x, r.start.y - r.center.y);
    const double len = r.length > 0 ? r.length : 2 * rad * std::asin(std::min(1.0, c / (2 * rad)));
    const double half = std::sqrt(std::max(0.0, rad * rad - c * c / 4));
    const double sag = len / rad > M_PI ? rad + half : rad - half;
    const double lx = -cy / c, ly = cx / c;  // a quarter turn left of the chord (x north, y east)
    m = {r.start.x + cx / 2 - r.sign * lx * sag, r.start.y + cy / 2 - r.sign * ly * sag};
    return true;
  }
  if (!r.has_pi || r.length <= 0) return false;
  // The clothoid from Start towards its PI, curvature linear in the length.
  const double k1 = std::isinf(r.r1) ? 0 : r.sign / r.r1;
  const double k2 = std::isinf(r.r2) ? 0 : r.sign / r.r2;
  const double a0 = std::atan2(r.pi.y - r.start.y, r.pi.x - r.start.x);
  const int n = 20000;
  const double h = r.length / 2 / n;
  double x = 0, y = 0;
  auto th = [&](double s) { return a0 + k1 * s + (k2 - k1) * s * s / (2 * r.length); };
  for (int i = 0; i < n; ++i) {  // Simpson on each step
    const double s = i * h;
    x += h / 6 * (std::cos(th(s)) + 4 * std::cos(th(s + h / 2)) + std::cos(th(s + h)));
    y += h / 6 * (std::sin(th(s)) + 4 * std::sin(th(s + h / 2)) + std::sin(th(s + h)));
  }
  m = {r.start.x + x, r.start.y + y};
  return true;
}

}  // namespace

TEST(RealLandXmlFiles, EveryAlignmentIsAcceptedAndEveryElementLiesOnTheFile) {
  if (!fs::is_directory(kFolder)) GTEST_SKIP() << "no " << kFolder;
  int alignments = 0;
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(kFolder)) {
    if (entry.path().extension() != ".xml") continue;
    const std::string name = entry.path().filename().string();
    const std::string bytes = lumora::landxml::read_file_bytes(entry.path());
    const auto doc = Document::parse(bytes, name);
    pugi::xml_document xml;
    ASSERT_TRUE(xml.load_buffer(bytes.data(), bytes.size())) << name;
    const auto root = xml.document_element();
    const double unit = unit_of(root);
    std::map<std::string, P> cg;
    std::vector<pugi::xml_node> nodes;
    for (auto n : root.select_nodes("//*")) {
      const auto node = n.node();
      if (local(node) == "CgPoint" && node.attribute("name")) {
        double x = 0, y = 0;
        std::sscanf(node.text().get(), "%lf %lf", &x, &y);
        cg[node.attribute("name").value()] = {x * unit, y * unit};
      }
      if (local(node) == "Alignment" && local(node.parent()) == "Alignments") nodes.push_back(node);
    }
    for (const auto& node : nodes) {
      const auto index = doc.find(node.attribute("name").value());
      lumora::landxml::Road road;
      ASSERT_NO_THROW(road = doc.build(index)) << name << " " << doc.names()[index];
      ++alignments;
      const auto raw = raw_elements(node, unit, cg);
      ASSERT_EQ(static_cast<std::size_t>(road.line.ht_count()), raw.size()) << name;
      for (int k = 1; k <= road.line.ht_count(); ++k) {
        const Raw& r = raw[static_cast<std::size_t>(k - 1)];
        const std::string at = name + " " + doc.names()[index] + " element " + std::to_string(k);
        const double ex = road.line.ht_x(k) + road.line.ht_dx(k);
        const double ey = road.line.ht_y(k) + road.line.ht_dy(k);
        EXPECT_LT(std::hypot(ex - r.end.x, ey - r.end.y), 1e-3) << at;
        P m;
        if (!file_mid(r, m)) continue;
        double x = 0, y = 0, az = 0;
        road.line.element_point(k, road.line.ht_len(k) / 2, x, y, az);
        EXPECT_LT(std::hypot(x - m.x, y - m.y), 1e-3) << at;
        ++checked;
      }
    }
  }
  EXPECT_EQ(alignments, 41);
  RecordProperty("elements_checked", checked);
}
