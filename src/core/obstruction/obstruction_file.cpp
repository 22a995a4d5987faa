#include "obstruction/obstruction_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "bounds.h"
#include "error.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::obstruction {
namespace {

const double kPi = 4 * std::atan(1.0);

constexpr const char* kFieldNames[] = {"名称",     "起点桩号", "终点桩号",
                                       "起点偏距", "终点偏距", "高度"};

std::string field_label(const std::string& where, std::size_t field) {
  return fmt::format("{} 第{}个字段（{}）", where, field + 1, kFieldNames[field]);
}

// The continuous chainage of a chainage text, through the check every
// chainage read from a file passes; errors get the file, line and field.
double resolve_field(const chainage::ChainBreakTable& breaks, const Alignment& line,
                     const std::string& text, const std::string& where) {
  double c = 0;
  try {
    c = breaks.resolve_checked(text, chainage::ChainBreakTable::Check::segment);
  } catch (const DataCheckError& e) {
    throw DataCheckError(e.message(), e.detail().empty() ? where : where + ": " + e.detail());
  } catch (const DataFormatError& e) {
    throw DataFormatError(where + ": " + e.detail());
  }
  // On the line, a text showing an end to the millimetre taken at the end.
  const double tol = chainage::ChainBreakTable::kEndTolerance;
  const double start = line.start_chainage();
  const double end = line.end_chainage();
  if (!(c >= start - tol && c <= end + tol)) {
    throw DataCheckError("桩号" + text::excerpt(text) + "超出平面数据文件，请修改！", where);
  }
  return std::clamp(c, start, end);
}

double number_field(const std::string& text, const std::string& where) {
  const auto v = text::parse_number(text);
  if (!v) throw DataFormatError(where + ": 「" + text::excerpt(text) + "」不是数");
  if (!(std::fabs(*v) <= kMaxDataMagnitude)) {
    throw DataFormatError(where + ": 「" + text::excerpt(text) + "」超出数据范围");
  }
  return *v;
}

}  // namespace

zxbas::Vec2 offset_point(const Alignment& line, double c, double w) {
  const Pose p = line.point_at(c);
  return {p.x + std::cos(p.azimuth - kPi / 2) * w, p.y + std::sin(p.azimuth - kPi / 2) * w};
}

std::vector<Obstruction> read_obstruction_file(const std::vector<std::string>& lines,
                                               const std::string& file,
                                               const chainage::ChainBreakTable& breaks,
                                               const Alignment& line) {
  std::vector<Obstruction> out;
  std::size_t vertices = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const auto fields = text::split_fields(lines[k]);
    if (fields.empty()) break;
    const std::string where = fmt::format("{} 第{}行", file, k + 1);
    if (fields.size() < 6) {
      throw DataFormatError(
          fmt::format("{}: 缺少{} (应为: 名称 起点桩号 终点桩号 起点偏距 终点偏距 高度)", where,
                      kFieldNames[fields.size()]));
    }
    if (fields.size() > 6) {
      throw DataFormatError(fmt::format("{}: 字段多于6个 (「{}」; 名称中不能有空格)", where,
                                        text::excerpt(fields[6])));
    }
    const double c0 = resolve_field(breaks, line, fields[1], field_label(where, 1));
    const double c1 = resolve_field(breaks, line, fields[2], field_label(where, 2));
    if (!(c1 > c0)) {
      throw DataFormatError(field_label(where, 2) + ": 终点桩号「" + text::excerpt(fields[2]) +
                            "」不在起点桩号「" + text::excerpt(fields[1]) + "」之后");
    }
    const double w0 = number_field(fields[3], field_label(where, 3));
    const double w1 = number_field(fields[4], field_label(where, 4));

    Obstruction o;
    o.name = fields[0];
    if (fields[5] == "-") {
      o.top = TopKind::unlimited;
    } else {
      const double h = number_field(fields[5], field_label(where, 5));
      if (h < 0) {
        throw DataFormatError(field_label(where, 5) + ": 高度「" + text::excerpt(fields[5]) +
                              "」为负 (无限高用「-」)");
      }
      o.top = TopKind::above_road;
      // Stored once here, one per vertex below.
      o.top_values.push_back(h == 0 ? 0.0 : h);
    }

    // Start, the whole metres strictly between, end.
    const double first = std::floor(c0) + 1;
    const double whole = c1 > first ? std::ceil(c1) - first : 0;
    const double count = whole + 2;
    if (!(count + static_cast<double>(vertices) <= static_cast<double>(kMaxObstructionVertices))) {
      throw DataFormatError(fmt::format("{}: 障碍物顶点多于{}个 (全部障碍物每米一个顶点)", where,
                                        kMaxObstructionVertices));
    }
    const double span = c1 - c0;
    auto vertex_at = [&](double c) {
      // The offset is linear in the continuous chainage.
      const double w = w0 + (w1 - w0) * ((c - c0) / span);
      const zxbas::Vec2 p = offset_point(line, c, w);
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
        throw DataFormatError(where + ": 障碍物的平面点不是有限数");
      }
      o.plan.push_back(p);
    };
    o.plan.reserve(static_cast<std::size_t>(count));
    vertex_at(c0);
    for (double m = first; m < c1; m += 1) vertex_at(m);
    vertex_at(c1);
    if (o.top == TopKind::above_road) o.top_values.assign(o.plan.size(), o.top_values.front());
    vertices += o.plan.size();
    out.push_back(std::move(o));
  }
  if (out.empty()) throw DataFormatError(file + ": 障碍物文件中没有障碍物");
  return out;
}

}  // namespace lumora::obstruction
