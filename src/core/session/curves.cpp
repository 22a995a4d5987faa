#include "session/curves.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "text/fields.h"
#include "text/format.h"

namespace lumora::session {
namespace {

constexpr double kOnCurve = 1e-6;

// The PI name as the design-line drawing writes it: a hairpin name without
// its "HTxx" ending.
std::string display_name(const zxbas::Jd& j) {
  std::string name = text::trim(j.jd_name);
  if (j.jd_ht != 0) {
    // Four characters are ASCII ("HT" and the two flag digits).
    name = text::trim(name.size() > 4 ? name.substr(0, name.size() - 4) : std::string());
  }
  return name.empty() ? text::trim(j.jd_name) : name;
}

bool infinite(double r) {
  return std::fabs(r) >= htbas::kInfiniteRadius;
}

std::string radius_text(double r) {
  return infinite(r) ? "∞" : text::format_shortest(std::fabs(r));
}

}  // namespace

std::vector<Curve> curves_of(const zxbas::MainLine& line, const chainage::ChainBreakTable& breaks) {
  std::vector<Curve> out;
  for (int i = 2; i < line.jd_count(); ++i) {
    const zxbas::Jd& j = line.jd(i);
    if (!(j.k_hz - j.k_zh > kOnCurve)) continue;
    Curve c;
    c.name = display_name(j);
    c.kind = (j.jd_ls1 == 0 && j.jd_ls2 == 0) ? "ZY-YZ" : "ZH-HZ";
    c.start = j.k_zh;
    c.end = j.k_hz;
    c.start_text = breaks.sj_dlstr_num(j.k_zh);
    c.end_text = breaks.sj_dlstr_num(j.k_hz);
    c.radius = std::fabs(j.jd_r);
    c.radius_text = text::format_shortest(c.radius);
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<Curve> curves_of(const htbas::Interchange& ramp,
                             const chainage::ChainBreakTable& breaks) {
  std::vector<Curve> out;
  for (int k = 1; k <= ramp.ht_count(); ++k) {
    const htbas::HtKind kind = ramp.kind(k);
    if (kind == htbas::HtKind::straight) continue;
    const double r1 = ramp.ht_r1(k), r2 = ramp.ht_r2(k);
    Curve c;
    const bool arc = kind == htbas::HtKind::arc;
    // Formatted: "Y" + text warns falsely (-Wrestrict) at -O3 with g++ 12.
    c.name = fmt::format("{}{}", arc ? "Y" : "H", k);
    c.kind = arc ? "圆曲线" : "缓和曲线";
    c.start = ramp.ht_chainage(k);
    c.end = ramp.ht_chainage(k + 1);
    c.start_text = breaks.sj_dlstr_num(c.start);
    c.end_text = breaks.sj_dlstr_num(c.end);
    if (arc) {
      c.radius = std::fabs(r1);
      c.radius_text = radius_text(r1);
    } else {
      c.radius = infinite(r1)   ? std::fabs(r2)
                 : infinite(r2) ? std::fabs(r1)
                                : std::min(std::fabs(r1), std::fabs(r2));
      c.radius_text = radius_text(r1) + "→" + radius_text(r2);
    }
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<CurveSummary> summarize_curves(const std::vector<Curve>& curves,
                                           const std::vector<ResultRow>& rows) {
  std::vector<CurveSummary> out;
  out.reserve(curves.size());
  for (const Curve& c : curves) {
    CurveSummary s;
    s.curve = c;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const double at = rows[k].chainage;
      if (at < c.start - kOnCurve || at > c.end + kOnCurve) continue;
      ++s.row_count;
      if (!s.row || std::fabs(rows[k].clearance) > std::fabs(rows[*s.row].clearance)) s.row = k;
    }
    out.push_back(std::move(s));
  }
  return out;
}

TextTable result_table(const std::vector<ResultRow>& rows) {
  TextTable t;
  t.header = {"桩号",         "最大横净距",   "视点偏距",     "视线起点偏距",
              "视线终点偏距", "视线起点桩号", "视线终点桩号", "视距"};
  t.cells.reserve(rows.size());
  for (const ResultRow& r : rows) {
    t.cells.push_back({r.chainage_text, text::format_fixed3(r.clearance),
                       text::format_fixed3(r.offset), text::format_fixed3(r.offset_start),
                       text::format_fixed3(r.offset_end), r.start_text, r.end_text,
                       text::format_shortest(r.sight_distance)});
  }
  return t;
}

TextTable summary_table(const std::vector<CurveSummary>& summary,
                        const std::vector<ResultRow>& rows) {
  TextTable t;
  t.header = {"曲线",       "类型",     "起点桩号", "终点桩号", "半径",
              "最大横净距", "所在桩号", "视距",     "计算点数"};
  for (const CurveSummary& s : summary) {
    const Curve& c = s.curve;
    std::vector<std::string> line = {c.name, c.kind, c.start_text, c.end_text, c.radius_text};
    if (s.row && *s.row < rows.size()) {
      const ResultRow& r = rows[*s.row];
      line.insert(line.end(), {text::format_fixed3(r.clearance), r.chainage_text,
                               text::format_shortest(r.sight_distance)});
    } else {
      line.insert(line.end(), {"", "", ""});
    }
    line.push_back(std::to_string(s.row_count));
    t.cells.push_back(std::move(line));
  }
  return t;
}

std::string csv_text(const TextTable& table) {
  std::string out = "\xEF\xBB\xBF";
  auto put_line = [&out](const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) out += ',';
      const std::string& f = fields[i];
      if (f.find_first_of(",\"\r\n") == std::string::npos) {
        out += f;
        continue;
      }
      out += '"';
      for (char ch : f) {
        if (ch == '"') out += '"';
        out += ch;
      }
      out += '"';
    }
    out += "\r\n";
  };
  put_line(table.header);
  for (const auto& row : table.cells) put_line(row);
  return out;
}

std::string tsv_text(const std::vector<std::vector<std::string>>& cells) {
  std::string out;
  for (const auto& row : cells) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i) out += '\t';
      for (char ch : row[i]) out += (ch == '\t' || ch == '\n' || ch == '\r') ? ' ' : ch;
    }
    out += '\n';
  }
  return out;
}

}  // namespace lumora::session
