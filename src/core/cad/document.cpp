#include "cad/document.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "error.h"
#include "text/format.h"

namespace lumora::cad {

namespace {

constexpr double kTwoPi = 6.283185307179586476925;

bool finite(const Point3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void require_finite(const Point3& p, const char* what) {
  if (!finite(p)) throw DataFormatError(std::string("绘图: ") + what + " 的坐标不是有限数");
}

void require_finite(double v, const char* what) {
  if (!std::isfinite(v)) throw DataFormatError(std::string("绘图: ") + what + " 不是有限数");
}

// Names of layers, styles and coordinate systems compare as the host
// compares them: ASCII letters without regard to case.
bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A symbol name the host accepts: not empty, none of its reserved characters
// and no control characters.
void require_symbol_name(const std::string& name, const char* what) {
  static constexpr std::string_view kReserved = "<>/\\\":;?*|=`";
  bool ok = !name.empty() && name.size() <= 255;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || kReserved.find(c) != std::string_view::npos) {
      ok = false;
    }
  }
  if (!ok) throw DataFormatError(std::string("绘图: ") + what + "名「" + name + "」无效");
}

Point3 unit(const Point3& from, const Point3& to, const char* what) {
  const double dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
  const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (!(len > 0) || !std::isfinite(len)) {
    throw DataFormatError(std::string("绘图: 坐标系的") + what + "与原点重合");
  }
  return {dx / len, dy / len, dz / len};
}

bool wide_char(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

}  // namespace

void Extents::add(double x, double y) {
  if (!valid) {
    min_x = max_x = x;
    min_y = max_y = y;
    valid = true;
    return;
  }
  min_x = std::min(min_x, x);
  max_x = std::max(max_x, x);
  min_y = std::min(min_y, y);
  max_y = std::max(max_y, y);
}

double text_width(const std::string& utf8, double height, double width_factor) {
  double units = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c = b;
    std::size_t len = 1;
    if (b >= 0xF0) {
      len = 4;
      c = b & 0x07;
    } else if (b >= 0xE0) {
      len = 3;
      c = b & 0x0F;
    } else if (b >= 0xC0) {
      len = 2;
      c = b & 0x1F;
    }
    for (std::size_t k = 1; k < len && i + k < utf8.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += len;
    units += wide_char(c) ? 1.0 : 0.75;
  }
  return units * height * width_factor;
}

DrawingDocument::DrawingDocument() {
  layers_.push_back({"0", 7, -3});
  styles_.push_back({"Standard", "txt", ""});
}

LayerRef DrawingDocument::add_layer(const std::string& name) {
  for (std::size_t i = 0; i < layers_.size(); ++i) {
    if (same_name(layers_[i].name, name)) return {i};
  }
  require_symbol_name(name, "图层");
  layers_.push_back({name, 7, -3});
  return {layers_.size() - 1};
}

void DrawingDocument::set_active_layer(LayerRef layer) {
  if (layer.index >= layers_.size()) throw DataFormatError("绘图: 图层不存在");
  active_layer_ = layer.index;
}

UcsRef DrawingDocument::add_ucs(const Point3& origin, const Point3& x_axis_point,
                                const Point3& y_axis_point, const std::string& name) {
  for (std::size_t i = 0; i < ucs_.size(); ++i) {
    if (same_name(ucs_[i].name, name)) return {i};
  }
  require_symbol_name(name, "坐标系");
  require_finite(origin, "坐标系原点");
  require_finite(x_axis_point, "坐标系x轴点");
  require_finite(y_axis_point, "坐标系y轴点");
  const Point3 xd = unit(origin, x_axis_point, "x轴点");
  const Point3 yd = unit(origin, y_axis_point, "y轴点");
  const double dot = xd.x * yd.x + xd.y * yd.y + xd.z * yd.z;
  if (std::abs(dot) > 1e-9) throw DataFormatError("绘图: 坐标系「" + name + "」的两轴不垂直");
  ucs_.push_back({name, origin, xd, yd});
  return {ucs_.size() - 1};
}

void DrawingDocument::set_active_ucs(UcsRef ucs) {
  if (ucs.index >= ucs_.size()) throw DataFormatError("绘图: 坐标系不存在");
  active_ucs_ = ucs.index;
}

const CoordinateSystem* DrawingDocument::active_ucs() const {
  return active_ucs_ ? &ucs_[*active_ucs_] : nullptr;
}

TextStyleRef DrawingDocument::add_text_style(const std::string& name) {
  for (std::size_t i = 0; i < styles_.size(); ++i) {
    if (same_name(styles_[i].name, name)) return {i};
  }
  require_symbol_name(name, "文字样式");
  styles_.push_back({name, "", ""});
  return {styles_.size() - 1};
}

void DrawingDocument::set_font_file(TextStyleRef style, const std::string& file) {
  if (style.index >= styles_.size()) throw DataFormatError("绘图: 文字样式不存在");
  styles_[style.index].font_file = file;
}

void DrawingDocument::set_big_font_file(TextStyleRef style, const std::string& file) {
  if (style.index >= styles_.size()) throw DataFormatError("绘图: 文字样式不存在");
  styles_[style.index].big_font_file = file;
}

EntityRef DrawingDocument::add_entity(Entity e) {
  e.layer = active_layer_;
  entities_.push_back(std::move(e));
  return {entities_.size() - 1};
}

EntityRef DrawingDocument::add_point(const Point3& p) {
  require_finite(p, "点");
  Entity e;
  e.kind = EntityKind::point;
  e.points = {p};
  return add_entity(std::move(e));
}

EntityRef DrawingDocument::add_line(const Point3& start, const Point3& end) {
  require_finite(start, "直线起点");
  require_finite(end, "直线终点");
  Entity e;
  e.kind = EntityKind::line;
  e.points = {start, end};
  return add_entity(std::move(e));
}

EntityRef DrawingDocument::add_light_weight_polyline(const std::vector<double>& vertices) {
  if (vertices.empty() || vertices.size() % 2 != 0) {
    throw DataFormatError("绘图: 多段线的顶点表有 " + std::to_string(vertices.size()) +
                          " 个数，应为正偶数");
  }
  Entity e;
  e.kind = EntityKind::polyline;
  e.points.reserve(vertices.size() / 2);
  for (std::size_t i = 0; i < vertices.size(); i += 2) {
    const Point3 p{vertices[i], vertices[i + 1], 0};
    require_finite(p, "多段线顶点");
    e.points.push_back(p);
  }
  return add_entity(std::move(e));
}

EntityRef DrawingDocument::add_arc(const Point3& centre, double radius, double start_angle,
                                   double end_angle) {
  require_finite(centre, "圆弧圆心");
  require_finite(radius, "圆弧半径");
  require_finite(start_angle, "圆弧起始角");
  require_finite(end_angle, "圆弧终止角");
  if (!(radius > 0)) {
    throw DataFormatError("绘图: 圆弧半径 " + text::format_shortest(radius) + " 不是正数");
  }
  Entity e;
  e.kind = EntityKind::arc;
  e.points = {centre};
  e.radius = radius;
  e.start_angle = start_angle;
  e.end_angle = end_angle;
  return add_entity(std::move(e));
}

EntityRef DrawingDocument::add_text(const std::string& text, const Point3& insertion,
                                    double height) {
  require_finite(insertion, "文字插入点");
  require_finite(height, "文字高度");
  if (!(height > 0)) throw DataFormatError("绘图: 文字高度不是正数");
  Entity e;
  e.kind = EntityKind::text;
  e.points = {insertion};
  e.text = text;
  e.height = height;
  e.alignment_point = insertion;
  return add_entity(std::move(e));
}

Entity& DrawingDocument::entity(EntityRef ref, const char* what) {
  if (ref.index >= entities_.size()) {
    throw DataFormatError(std::string("绘图: 设置") + what + "的对象不存在");
  }
  return entities_[ref.index];
}

Entity& DrawingDocument::text_entity(EntityRef ref, const char* what) {
  Entity& e = entity(ref, what);
  if (e.kind != EntityKind::text) {
    throw DataFormatError(std::string("绘图: ") + what + "只能设置给文字");
  }
  return e;
}

void DrawingDocument::set_color(EntityRef ref, int color) {
  Entity& e = entity(ref, "颜色");
  if (color < 0 || color > 256) {
    throw DataFormatError("绘图: 颜色号 " + std::to_string(color) + " 不在 0…256 之内");
  }
  e.color = color;
}

void DrawingDocument::set_line_weight(EntityRef ref, int line_weight) {
  static constexpr std::array<int, 27> kWeights = {-3, -2, -1,  0,   5,   9,   13,  15,  18,
                                                   20, 25, 30,  35,  40,  50,  53,  60,  70,
                                                   80, 90, 100, 106, 120, 140, 158, 200, 211};
  Entity& e = entity(ref, "线宽");
  if (std::find(kWeights.begin(), kWeights.end(), line_weight) == kWeights.end()) {
    throw DataFormatError("绘图: 线宽 " + std::to_string(line_weight) + " 不是有效值");
  }
  e.line_weight = line_weight;
}

void DrawingDocument::set_scale_factor(EntityRef ref, double width_factor) {
  Entity& e = text_entity(ref, "宽度因子");
  require_finite(width_factor, "宽度因子");
  if (!(width_factor > 0)) throw DataFormatError("绘图: 宽度因子不是正数");
  e.width_factor = width_factor;
}

void DrawingDocument::set_style_name(EntityRef ref, const std::string& style) {
  Entity& e = text_entity(ref, "文字样式");
  for (const auto& s : styles_) {
    if (same_name(s.name, style)) {
      e.style = s.name;
      return;
    }
  }
  throw DataFormatError("绘图: 文字样式「" + style + "」不存在");
}

void DrawingDocument::set_rotation(EntityRef ref, double angle) {
  Entity& e = text_entity(ref, "旋转角");
  require_finite(angle, "旋转角");
  // Kept in [0, 2π), as the host reports it.
  double a = std::fmod(angle, kTwoPi);
  if (a < 0) a += kTwoPi;
  if (a >= kTwoPi) a = 0;
  e.rotation = a;
}

void DrawingDocument::set_vertical_alignment(EntityRef ref, int code) {
  Entity& e = text_entity(ref, "垂直对齐");
  if (code < align::kBaseline || code > align::kTop) {
    throw DataFormatError("绘图: 垂直对齐码 " + std::to_string(code) + " 无效");
  }
  e.vertical_alignment = code;
}

void DrawingDocument::set_horizontal_alignment(EntityRef ref, int code) {
  Entity& e = text_entity(ref, "水平对齐");
  if (code < align::kLeft || code > align::kRight) {
    throw DataFormatError("绘图: 水平对齐码 " + std::to_string(code) + " 无效");
  }
  e.horizontal_alignment = code;
}

void DrawingDocument::set_text_alignment_point(EntityRef ref, const Point3& p) {
  Entity& e = text_entity(ref, "对齐点");
  require_finite(p, "文字对齐点");
  e.alignment_point = p;
}

void DrawingDocument::send_command(const std::string& keys) {
  commands_.push_back(keys);
}

Extents DrawingDocument::extents() const {
  return extents(0, entities_.size());
}

Extents DrawingDocument::extents(std::size_t first, std::size_t end) const {
  Extents box;
  end = std::min(end, entities_.size());
  for (std::size_t i = first; i < end; ++i) {
    const Entity& e = entities_[i];
    switch (e.kind) {
      case EntityKind::point:
      case EntityKind::line:
      case EntityKind::polyline:
        for (const Point3& p : e.points) box.add(p.x, p.y);
        break;
      case EntityKind::arc: {
        const Point3& c = e.points[0];
        const double a0 = e.start_angle;
        double sweep = std::fmod(e.end_angle - a0, kTwoPi);
        if (sweep <= 0) sweep += kTwoPi;
        box.add(c.x + e.radius * std::cos(a0), c.y + e.radius * std::sin(a0));
        box.add(c.x + e.radius * std::cos(a0 + sweep), c.y + e.radius * std::sin(a0 + sweep));
        // The quadrant points the arc passes.
        const double first = std::ceil(a0 / (kTwoPi / 4));
        for (double q = first; q * (kTwoPi / 4) < a0 + sweep; q += 1) {
          const double a = q * (kTwoPi / 4);
          box.add(c.x + e.radius * std::cos(a), c.y + e.radius * std::sin(a));
        }
        break;
      }
      case EntityKind::text: {
        const bool aligned =
            e.horizontal_alignment != align::kLeft || e.vertical_alignment != align::kBaseline;
        const Point3& anchor = aligned ? e.alignment_point : e.points[0];
        const double w = text_width(e.text, e.height, e.width_factor);
        const double h = e.height;
        const double x0 = e.horizontal_alignment == align::kCenter  ? -w / 2
                          : e.horizontal_alignment == align::kRight ? -w
                                                                    : 0;
        const double y0 = e.vertical_alignment == align::kMiddle ? -h / 2
                          : e.vertical_alignment == align::kTop  ? -h
                                                                 : 0;
        const double c = std::cos(e.rotation), s = std::sin(e.rotation);
        for (double dx : {x0, x0 + w}) {
          for (double dy : {y0, y0 + h}) {
            box.add(anchor.x + dx * c - dy * s, anchor.y + dx * s + dy * c);
          }
        }
        break;
      }
    }
  }
  return box;
}

DrawingDocument& cad_connect(std::unique_ptr<DrawingDocument>& current) {
  if (!current) current = std::make_unique<DrawingDocument>();
  return *current;
}

}  // namespace lumora::cad
