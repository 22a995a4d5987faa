// Helpers of the drawing tests: a DXF reader on dxflib that collects what a
// file holds, small alignments built through the models' own readers, and
// scratch directories.
#pragma once

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cad/document.h"
#include "chainage/chain_breaks.h"
#include "interchange/interchange.h"
#include "mainline/mainline.h"
#include "text/encoding.h"

namespace lumora::cad::test {

constexpr double kTestPi = 3.14159265358979323846;

/// GBK (as written into the DXF) back to UTF-8.
inline std::string from_gbk(const std::string& s) {
  return text::decode_file_bytes(s);
}

struct ReadEntity {
  std::string type;  // POINT, LINE, ARC, LWPOLYLINE, TEXT
  std::string layer;
  int color = 0;
  int weight = 0;
  std::vector<double> xy;  // POINT, LINE: points; LWPOLYLINE: vertices; ARC, TEXT: first point
  double radius = 0, angle1 = 0, angle2 = 0;  // ARC (degrees as in the file)
  std::string text, style;
  double height = 0, width_factor = 0, rotation = 0;  // TEXT (rotation as dxflib gives it)
  int h_align = 0, v_align = 0;
  double ax = 0, ay = 0;  // TEXT alignment point
  std::size_t vertices() const { return xy.size() / 2; }
};

struct ReadStyle {
  std::string name, font, big_font;
};

/// Everything the drawing tests look at in a DXF file.
struct DxfContent {
  std::vector<std::string> layers;
  std::map<std::string, int> layer_colors;
  std::vector<ReadStyle> styles;
  std::vector<ReadEntity> entities;
  std::map<std::string, std::string> string_vars;
  std::map<std::string, std::vector<double>> vector_vars;

  /// Entities of a type on a layer.
  std::vector<const ReadEntity*> on(const std::string& layer, const std::string& type) const {
    std::vector<const ReadEntity*> out;
    for (const auto& e : entities) {
      if (e.layer == layer && e.type == type) out.push_back(&e);
    }
    return out;
  }
  /// The texts of a layer, in drawing order.
  std::vector<std::string> texts(const std::string& layer) const {
    std::vector<std::string> out;
    for (const auto* e : on(layer, "TEXT")) out.push_back(e->text);
    return out;
  }
  const ReadEntity* text(const std::string& s) const {
    for (const auto& e : entities) {
      if (e.type == "TEXT" && e.text == s) return &e;
    }
    return nullptr;
  }
};

/// Collects a DXF file's content as dxflib reads it. (dxflib's adapter must
/// not be copied, so the content lives apart from it.)
class DxfCollector : public DL_CreationAdapter {
 public:
  explicit DxfCollector(DxfContent& c) : c_(c) {}

  void addLayer(const DL_LayerData& d) override {
    c_.layers.push_back(from_gbk(d.name));
    c_.layer_colors[from_gbk(d.name)] = getAttributes().getColor();
  }
  void addTextStyle(const DL_StyleData& d) override {
    c_.styles.push_back({from_gbk(d.name), d.primaryFontFile, d.bigFontFile});
  }
  void addPoint(const DL_PointData& d) override { add("POINT").xy = {d.x, d.y}; }
  void addLine(const DL_LineData& d) override { add("LINE").xy = {d.x1, d.y1, d.x2, d.y2}; }
  void addArc(const DL_ArcData& d) override {
    ReadEntity& e = add("ARC");
    e.xy = {d.cx, d.cy};
    e.radius = d.radius;
    e.angle1 = d.angle1;
    e.angle2 = d.angle2;
  }
  void addPolyline(const DL_PolylineData&) override { add("LWPOLYLINE"); }
  void addVertex(const DL_VertexData& d) override {
    c_.entities.back().xy.push_back(d.x);
    c_.entities.back().xy.push_back(d.y);
  }
  void addText(const DL_TextData& d) override {
    ReadEntity& e = add("TEXT");
    e.xy = {d.ipx, d.ipy};
    e.text = from_gbk(d.text);
    e.style = from_gbk(d.style);
    e.height = d.height;
    e.width_factor = d.xScaleFactor;
    e.rotation = d.angle;
    e.h_align = d.hJustification;
    e.v_align = d.vJustification;
    e.ax = d.apx;
    e.ay = d.apy;
  }
  void setVariableString(const std::string& name, const std::string& value, int) override {
    c_.string_vars[name] = value;
  }
  void setVariableVector(const std::string& name, double x, double y, double z, int) override {
    c_.vector_vars[name] = {x, y, z};
  }

 private:
  ReadEntity& add(const char* type) {
    ReadEntity e;
    e.type = type;
    e.layer = from_gbk(getAttributes().getLayer());
    e.color = getAttributes().getColor();
    e.weight = getAttributes().getWidth();
    c_.entities.push_back(std::move(e));
    return c_.entities.back();
  }
  DxfContent& c_;
};

inline DxfContent read_dxf(const std::filesystem::path& path) {
  DxfContent content;
  DxfCollector collector(content);
  DL_Dxf dxf;
  EXPECT_TRUE(dxf.in(path.string(), &collector)) << path;
  return content;
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// A fresh directory under the system's temporary directory, removed at the
/// end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("lumora_cad_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// ---------------------------------------------------------------------------
// Alignments.

struct PiRow {
  std::string name;
  double x, y, r = 0, ls1 = 0, ls2 = 0, rs1 = 0, rs2 = 0;
};

inline std::string num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

/// A main line from PI records, through the PI file reader.
inline zxbas::MainLine main_line(const std::vector<PiRow>& rows, double qdzh = 0) {
  std::vector<std::string> lines{"测试线", num(qdzh)};
  for (const auto& p : rows) {
    lines.push_back(p.name);
    std::string data =
        num(p.x) + " " + num(p.y) + " " + num(p.r) + " " + num(p.ls1) + " " + num(p.ls2);
    if (p.rs1 != 0 || p.rs2 != 0) data += " " + num(p.rs1) + " " + num(p.rs2);
    lines.push_back(data);
  }
  return zxbas::MainLine::build(zxbas::read_pi_file(lines, "t.jdx"));
}

/// The point `dist` from (x, y) along azimuth `az_deg` degrees.
inline PiRow polar(const std::string& name, const PiRow& from, double dist, double az_deg,
                   double r = 0, double ls1 = 0, double ls2 = 0) {
  const double a = az_deg * kTestPi / 180;
  return {name, from.x + dist * std::cos(a), from.y + dist * std::sin(a), r, ls1, ls2};
}

/// An interchange ramp from the lines of an element file.
inline htbas::Interchange ramp(const std::vector<std::string>& lines) {
  return htbas::Interchange::build(htbas::read_ht_file(lines, "t.txt"));
}

/// Distance of a drawing point (east, north) from the alignment's point at
/// chainage c.
inline double gap(const Alignment& line, double c, double east, double north) {
  const Pose p = line.point_at(c);
  return std::hypot(p.y - east, p.x - north);
}

/// Distance from a drawing point (east, north) to the alignment, found by a
/// golden-section search for the nearest chainage in [lo, hi].
inline double distance_to_line(const Alignment& line, double east, double north, double lo,
                               double hi) {
  // Coarse scan, then refine around the best sample.
  const int n = 400;
  double best_c = lo, best = 1e300;
  for (int i = 0; i <= n; ++i) {
    const double c = lo + (hi - lo) * i / n;
    const double g = gap(line, c, east, north);
    if (g < best) {
      best = g;
      best_c = c;
    }
  }
  double a = std::max(lo, best_c - (hi - lo) / n), b = std::min(hi, best_c + (hi - lo) / n);
  const double phi = (std::sqrt(5.0) - 1) / 2;
  for (int it = 0; it < 200 && b - a > 1e-9; ++it) {
    const double c1 = b - phi * (b - a), c2 = a + phi * (b - a);
    if (gap(line, c1, east, north) < gap(line, c2, east, north)) {
      b = c2;
    } else {
      a = c1;
    }
  }
  return std::min(best, gap(line, (a + b) / 2, east, north));
}

// Angle difference reduced into [0, π].
inline double angle_gap(double a, double b) {
  return std::abs(std::remainder(a - b, 2 * kTestPi));
}

// Start, middle and end point of an arc read from the file (degrees).
inline std::array<std::array<double, 2>, 3> arc_points(const ReadEntity& arc) {
  const double a0 = arc.angle1 * kTestPi / 180;
  double sweep = (arc.angle2 - arc.angle1) * kTestPi / 180;
  if (sweep <= 0) sweep += 2 * kTestPi;
  std::array<std::array<double, 2>, 3> p{};
  for (int i = 0; i < 3; ++i) {
    const double a = a0 + sweep * i / 2;
    p[i] = {arc.xy[0] + arc.radius * std::cos(a), arc.xy[1] + arc.radius * std::sin(a)};
  }
  return p;
}

// Every spiral vertex, and the ends and middle of every arc, lie on the
// centre line.
inline void expect_on_line(const DxfContent& dxf, const Alignment& line, double tolerance = 0.001) {
  const double lo = line.start_chainage() - 10, hi = line.end_chainage() + 10;
  for (const auto* pl : dxf.on("中心线", "LWPOLYLINE")) {
    for (std::size_t v = 0; v < pl->vertices(); ++v) {
      EXPECT_LT(distance_to_line(line, pl->xy[2 * v], pl->xy[2 * v + 1], lo, hi), tolerance)
          << "polyline vertex " << v;
    }
  }
  for (const auto* arc : dxf.on("中心线", "ARC")) {
    for (const auto& p : arc_points(*arc)) {
      EXPECT_LT(distance_to_line(line, p[0], p[1], lo, hi), tolerance) << "arc point";
    }
  }
}

// A design line drawn into a fresh document, written to DXF and read back.
struct Drawn {
  DxfContent dxf;
  std::vector<std::string> stages;
  std::unique_ptr<DrawingDocument> doc;
};

// The two-letter codes of the stakes drawn in colour 4 on "标注" ("ZH K1+...",
// "HY K0+..."), in drawing order.
inline std::vector<std::string> stake_codes(const DxfContent& dxf) {
  std::vector<std::string> codes;
  for (const auto* t : dxf.on("标注", "TEXT")) {
    if (t->color == 4 && t->text.size() > 3 && t->text[2] == ' ') {
      codes.push_back(t->text.substr(0, 2));
    }
  }
  return codes;
}

}  // namespace lumora::cad::test
