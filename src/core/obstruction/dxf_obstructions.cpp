#include "obstruction/dxf_obstructions.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <sstream>

#include "bounds.h"
#include "error.h"
#include "obstruction/obstruction_file.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::obstruction {
namespace {

const double kPi = 4 * std::atan(1.0);

// A point as the DXF gives it: x east, y north, z up.
struct P3 {
  double x = 0, y = 0, z = 0;
};

std::string fold_case(std::string s) {
  for (char& ch : s) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return s;
}

// One entity on its way to an obstruction: vertices in DXF coordinates.
struct Trace {
  std::vector<P3> points;
};

class Reader : public DL_CreationAdapter {
 public:
  Reader(const std::string& file, const std::vector<LayerRequest>& layers) : file_(file) {
    for (std::size_t i = 0; i < layers.size(); ++i) wanted_[fold_case(layers[i].name)] = i;
    found_.resize(layers.size());
  }

  void addBlock(const DL_BlockData&) override {
    flush();
    in_block_ = true;
  }
  void endBlock() override {
    flush();
    in_block_ = false;
  }

  void addLine(const DL_LineData& d) override {
    flush();
    const auto layer = take();
    if (!layer) return;
    Trace t;
    t.points.push_back(checked({d.x1, d.y1, d.z1}, "LINE"));
    t.points.push_back(checked({d.x2, d.y2, d.z2}, "LINE"));
    add(*layer, std::move(t));
  }

  void addArc(const DL_ArcData& d) override {
    flush();
    const auto layer = take();
    if (!layer) return;
    const P3 c = checked({d.cx, d.cy, d.cz}, "ARC");
    const double r = radius(d.radius, "ARC");
    double a0 = d.angle1 * kPi / 180;
    double a1 = d.angle2 * kPi / 180;
    if (!std::isfinite(a0) || !std::isfinite(a1)) bad("ARC", "角度不是有限数");
    // Counter-clockwise from start to end, less than a full turn.
    double sweep = std::fmod(a1 - a0, 2 * kPi);
    if (sweep <= 0) sweep += 2 * kPi;
    Trace t;
    t.points.push_back(on_circle(c, r, a0));
    sample_arc(t, c, r, a0, sweep, c.z, c.z);
    add(*layer, std::move(t));
  }

  void addCircle(const DL_CircleData& d) override {
    flush();
    const auto layer = take();
    if (!layer) return;
    const P3 c = checked({d.cx, d.cy, d.cz}, "CIRCLE");
    const double r = radius(d.radius, "CIRCLE");
    Trace t;
    t.points.push_back(on_circle(c, r, 0));
    sample_arc(t, c, r, 0, 2 * kPi, c.z, c.z);
    add(*layer, std::move(t));
  }

  void addPolyline(const DL_PolylineData& d) override {
    flush();
    // Polygon and polyface meshes are surfaces, not lines.
    if (d.flags & (16 | 64)) return;
    const auto layer = take();
    if (!layer) return;
    poly_ = Poly{};
    poly_->layer = *layer;
    poly_->closed = (d.flags & 1) != 0;
    poly_->three_d = (d.flags & 8) != 0;
    poly_->elevation = d.elevation;
  }

  void addVertex(const DL_VertexData& d) override {
    if (!poly_) return;
    const char* kind = poly_->three_d ? "POLYLINE" : "LWPOLYLINE/POLYLINE";
    P3 p = checked({d.x, d.y, poly_->three_d ? d.z : poly_->elevation}, kind);
    if (!std::isfinite(d.bulge) || std::fabs(d.bulge) > 1e6) bad(kind, "凸度不是有限数");
    poly_->vertices.push_back(p);
    poly_->bulges.push_back(poly_->three_d ? 0.0 : d.bulge);
  }

  void endSequence() override { flush(); }

  // The obstructions in the order of the requests, then of the file.
  std::vector<Obstruction> finish(const std::vector<LayerRequest>& layers) {
    flush();
    std::vector<Obstruction> out;
    for (std::size_t i = 0; i < layers.size(); ++i) {
      if (found_[i].empty()) {
        throw DataFormatError(fmt::format(
            "{}: 图层「{}」上没有直线、多段线、圆弧或圆 (LINE, LWPOLYLINE, POLYLINE, ARC, CIRCLE)",
            file_, text::excerpt(layers[i].name)));
      }
      for (Trace& t : found_[i]) {
        Obstruction o;
        o.name = layers[i].name;
        o.top = layers[i].top;
        for (const P3& p : t.points) {
          o.plan.push_back({p.y, p.x});
          if (o.top == TopKind::absolute) o.top_values.push_back(p.z);
          if (o.top == TopKind::above_road) o.top_values.push_back(layers[i].height);
        }
        out.push_back(std::move(o));
      }
    }
    return out;
  }

 private:
  struct Poly {
    std::size_t layer = 0;
    bool closed = false;
    bool three_d = false;
    double elevation = 0;
    std::vector<P3> vertices;
    std::vector<double> bulges;
  };

  // The request index of the current entity's layer, when it is wanted and
  // in model space.
  std::optional<std::size_t> take() {
    if (in_block_) return std::nullopt;
    std::string name = getAttributes().getLayer();
    try {
      name = text::decode_file_bytes(name, file_);
    } catch (const DataFormatError&) {
      return std::nullopt;  // no name of ours has these bytes
    }
    const auto it = wanted_.find(fold_case(name));
    if (it == wanted_.end()) return std::nullopt;
    return it->second;
  }

  [[noreturn]] void bad(const char* kind, const std::string& what) {
    std::string layer = getAttributes().getLayer();
    try {
      layer = text::decode_file_bytes(layer, file_);
    } catch (const DataFormatError&) {
      layer = "?";
    }
    throw DataFormatError(
        fmt::format("{}: 图层「{}」的{}: {}", file_, text::excerpt(layer), kind, what));
  }

  P3 checked(P3 p, const char* kind) {
    for (double v : {p.x, p.y, p.z}) {
      if (!(std::fabs(v) <= kMaxDataMagnitude)) bad(kind, "坐标不是有限数或超出数据范围");
    }
    return p;
  }

  double radius(double r, const char* kind) {
    if (!(r > 0 && r <= kMaxDataMagnitude)) bad(kind, "半径不是正数或超出数据范围");
    return r;
  }

  static P3 on_circle(const P3& c, double r, double a) {
    return {c.x + r * std::cos(a), c.y + r * std::sin(a), c.z};
  }

  void count(double more, const char* kind) {
    if (!(static_cast<double>(vertices_) + more <= static_cast<double>(kMaxObstructionVertices))) {
      bad(kind, fmt::format("障碍物顶点多于{}个 (圆弧每米一个顶点)", kMaxObstructionVertices));
    }
    vertices_ += static_cast<std::size_t>(more);
  }

  // Appends the vertices after the start of an arc about c: one at every
  // metre of arc from angle a0 through the signed sweep, then the end. The
  // elevation runs linearly from z0 to z1 with the arc length.
  void sample_arc(Trace& t, const P3& c, double r, double a0, double sweep, double z0, double z1) {
    const double length = r * std::fabs(sweep);
    count(std::ceil(length) + 1, "圆弧");
    const double dir = sweep < 0 ? -1 : 1;
    for (double s = 1; s < length; s += 1) {
      P3 p = on_circle(c, r, a0 + dir * s / r);
      p.z = z0 + (z1 - z0) * (s / length);
      t.points.push_back(p);
    }
    P3 end = on_circle(c, r, a0 + sweep);
    end.z = z1;
    t.points.push_back(end);
  }

  // The pending polyline, with its bulges as arcs.
  void flush() {
    if (!poly_) return;
    Poly p = std::move(*poly_);
    poly_.reset();
    const std::size_t n = p.vertices.size();
    if (n == 0) return;
    Trace t;
    t.points.push_back(p.vertices[0]);
    const std::size_t segments = p.closed ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
      const P3& a = p.vertices[i];
      const P3& b = p.vertices[(i + 1) % n];
      const double bulge = p.bulges[i];
      const double dx = b.x - a.x, dy = b.y - a.y;
      const double chord = std::hypot(dx, dy);
      if (bulge == 0 || chord == 0) {
        count(1, "多段线");
        t.points.push_back(b);
        continue;
      }
      // Included angle 4·atan(bulge), counter-clockwise when positive; the
      // centre lies on the chord's perpendicular bisector.
      const double sweep = 4 * std::atan(bulge);
      const double r = chord / (2 * std::fabs(std::sin(sweep / 2)));
      const double k = (chord / 2) / std::tan(sweep / 2);
      const P3 c{(a.x + b.x) / 2 - dy / chord * k, (a.y + b.y) / 2 + dx / chord * k, 0};
      const double a0 = std::atan2(a.y - c.y, a.x - c.x);
      sample_arc(t, c, r, a0, sweep, a.z, b.z);
      t.points.back() = b;  // the vertex itself, not its recomputation
    }
    if (t.points.size() == 1) t.points.push_back(t.points[0]);  // a lone vertex
    add(p.layer, std::move(t));
  }

  void add(std::size_t layer, Trace t) {
    count(static_cast<double>(t.points.size()), "实体");
    found_[layer].push_back(std::move(t));
  }

  const std::string& file_;
  std::map<std::string, std::size_t> wanted_;
  std::vector<std::vector<Trace>> found_;
  std::optional<Poly> poly_;
  bool in_block_ = false;
  std::size_t vertices_ = 0;
};

}  // namespace

LayerRequest parse_layer_request(std::string_view spec) {
  LayerRequest r;
  const auto eq = spec.rfind('=');
  r.name = text::trim(spec.substr(0, eq));
  if (r.name.empty()) {
    throw DataFormatError("--layer「" + text::excerpt(spec) + "」: 缺少图层名");
  }
  if (eq == std::string_view::npos) return r;
  const std::string h = text::trim(spec.substr(eq + 1));
  if (h == "z" || h == "Z") {
    r.top = TopKind::absolute;
    return r;
  }
  const auto v = text::parse_number(h);
  if (!v || *v < 0 || *v > kMaxDataMagnitude) {
    throw DataFormatError("--layer「" + text::excerpt(spec) + "」: 高度「" + text::excerpt(h) +
                          "」应为不小于0的数，或 z (顶点高程)");
  }
  r.top = TopKind::above_road;
  r.height = *v == 0 ? 0.0 : *v;
  return r;
}

std::vector<Obstruction> read_dxf_obstructions(std::string_view bytes, const std::string& file,
                                               const std::vector<LayerRequest>& layers) {
  if (bytes.size() > kMaxInputFileBytes) {
    throw DataFormatError(fmt::format("{}: 文件大于{} MiB", file, kMaxInputFileBytes >> 20));
  }
  Reader reader(file, layers);
  std::istringstream in{std::string(bytes)};
  DL_Dxf dxf;
  try {
    dxf.in(in, &reader);
  } catch (const LumoraError&) {
    throw;
  } catch (const std::exception& e) {
    throw DataFormatError(file + ": 不是可读的DXF文件 (" + e.what() + ")");
  }
  return reader.finish(layers);
}

}  // namespace lumora::obstruction
