#include "session/sight_check_result.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "session/side_by_side.h"
#include "text/encoding.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::session {

using visibility::CauseKind;
using visibility::Direction;

const char* const kSightFileHeader =
    "桩号\t方向\t可用视距\t要求视距\t富余\t控制因素\t遮挡目标桩号\t遮挡点X\t遮挡点Y";

double SightRow::asd_printed() const {
  return text::numeric_value(text::format_fixed3(sight.asd));
}

double SightRow::margin() const {
  return asd_printed() - required;
}

bool SightRow::deficient() const {
  return text::format_fixed3(margin()).front() == '-';
}

const char* direction_text(Direction d) {
  return d == Direction::forward ? "顺" : "逆";
}

std::string cause_text(const visibility::Sight& s, const std::vector<std::string>& names) {
  switch (s.cause) {
    case CauseKind::none:
      return "无";
    case CauseKind::road:
      return "路面";
    case CauseKind::obstruction:
      if (s.obstruction >= 0 && static_cast<std::size_t>(s.obstruction) < names.size()) {
        return names[static_cast<std::size_t>(s.obstruction)];
      }
      return "障碍物";
  }
  return "无";
}

SightRow make_sight_row(const std::string& chainage_text, Direction d, const visibility::Sight& s,
                        double required, const std::vector<std::string>& names,
                        const chainage::ChainBreakTable& breaks) {
  SightRow row;
  row.chainage_text = chainage_text;
  row.direction = d;
  row.sight = s;
  row.required = required;
  row.cause = cause_text(s, names);
  if (s.cause != CauseKind::none) row.target_text = breaks.sj_dlstr_num(s.target_chainage);
  return row;
}

namespace {

// Appends the line of format_sight_line (without its line end).
void append_sight_line(std::string& out, const SightRow& row) {
  const bool none = row.sight.cause == CauseKind::none;
  out += row.chainage_text;
  out += '\t';
  out += direction_text(row.direction);
  out += '\t';
  text::append_fixed3(out, row.sight.asd);
  out += '\t';
  text::append_fixed3(out, row.required);
  out += '\t';
  text::append_fixed3(out, row.margin());
  out += '\t';
  out += row.cause;
  out += '\t';
  if (none) {
    out += "-\t-\t-";
    return;
  }
  out += row.target_text;
  out += '\t';
  text::append_fixed3(out, row.sight.block.x);
  out += '\t';
  text::append_fixed3(out, row.sight.block.y);
}

}  // namespace

std::string format_sight_line(const SightRow& row) {
  std::string out;
  append_sight_line(out, row);
  return out;
}

namespace {

// Calls keep(k) for the rows the result file holds: of the chainages within
// 0.9 mm of the last one kept, only that one's rows.
template <class Keep>
void for_file_rows(const std::vector<SightRow>& rows, Keep keep) {
  double last_kept = 0;
  double current = 0;
  bool dropping = false;
  bool any_kept = false;
  bool seen[2] = {false, false};  // the directions of the current chainage
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const double c = rows[k].sight.c;
    const int d = rows[k].direction == Direction::forward ? 0 : 1;
    // The rows of one chainage follow each other, one per direction.
    if (k == 0 || c != current || seen[d]) {
      current = c;
      seen[0] = seen[1] = false;
      dropping = any_kept && !(std::fabs(c - last_kept) > 0.0009);
      if (!dropping) last_kept = c;
    }
    seen[d] = true;
    if (!dropping) {
      keep(k);
      any_kept = true;
    }
  }
}

}  // namespace

std::vector<SightRow> sight_file_rows(const std::vector<SightRow>& rows) {
  std::vector<SightRow> kept;
  kept.reserve(rows.size());
  for_file_rows(rows, [&](std::size_t k) { kept.push_back(rows[k]); });
  return kept;
}

std::vector<SightRow> sight_file_rows(std::vector<SightRow>&& rows) {
  std::vector<bool> keep(rows.size(), false);
  for_file_rows(rows, [&](std::size_t k) { keep[k] = true; });
  std::size_t n = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (!keep[k]) continue;
    if (n != k) rows[n] = std::move(rows[k]);
    ++n;
  }
  rows.resize(n);
  return std::move(rows);
}

std::string format_sight_file(const std::vector<SightRow>& rows) {
  std::vector<std::size_t> kept;
  kept.reserve(rows.size());
  for_file_rows(rows, [&](std::size_t k) { kept.push_back(k); });
  // A long file is formatted in parts side by side, then joined.
  std::vector<std::string> parts(part_count(kept.size()));
  for_parts(kept.size(), [&](std::size_t p, std::size_t begin, std::size_t end) {
    parts[p].reserve((end - begin) * 96);
    for (std::size_t j = begin; j < end; ++j) {
      append_sight_line(parts[p], rows[kept[j]]);
      parts[p] += "\r\n";
    }
  });
  std::string out = kSightFileHeader;
  out += "\r\n";
  std::size_t size = out.size();
  for (const auto& part : parts) size += part.size();
  out.reserve(size);
  for (const auto& part : parts) out += part;
  return out;
}

std::string sight_file_bytes(const std::vector<SightRow>& rows) {
  return text::utf8_to_gbk(format_sight_file(rows));
}

std::vector<DeficientRange> deficient_ranges(const std::vector<SightRow>& rows) {
  std::vector<DeficientRange> out;
  for (Direction d : {Direction::forward, Direction::backward}) {
    std::optional<DeficientRange> open;
    auto close = [&] {
      if (open) out.push_back(std::move(*open));
      open.reset();
    };
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const SightRow& r = rows[k];
      if (r.direction != d) continue;
      if (!r.deficient()) {
        close();
        continue;
      }
      if (!open) {
        open.emplace();
        open->direction = d;
        open->first = open->least = k;
        open->required_min = open->required_max = r.required;
      }
      DeficientRange& g = *open;
      g.last = k;
      if (r.asd_printed() < rows[g.least].asd_printed()) g.least = k;
      g.required_min = std::min(g.required_min, r.required);
      g.required_max = std::max(g.required_max, r.required);
      if (std::find(g.causes.begin(), g.causes.end(), r.cause) == g.causes.end()) {
        g.causes.push_back(r.cause);
      }
    }
    close();
  }
  return out;
}

std::vector<std::string> summary_lines(const std::vector<SightRow>& rows,
                                       const std::vector<DeficientRange>& ranges, bool forward,
                                       bool backward) {
  std::vector<std::string> out;
  for (Direction d : {Direction::forward, Direction::backward}) {
    if ((d == Direction::forward && !forward) || (d == Direction::backward && !backward)) {
      continue;
    }
    const auto n = std::count_if(ranges.begin(), ranges.end(),
                                 [d](const DeficientRange& g) { return g.direction == d; });
    if (n == 0) {
      out.push_back(fmt::format("{}: 视距不足路段 0 处", direction_text(d)));
      continue;
    }
    out.push_back(fmt::format("{}: 视距不足路段 {} 处", direction_text(d), n));
    for (const DeficientRange& g : ranges) {
      if (g.direction != d) continue;
      std::string causes;
      for (const auto& c : g.causes) causes += (causes.empty() ? "" : "、") + c;
      const std::string required =
          g.required_min == g.required_max
              ? text::format_shortest(g.required_min)
              : text::format_shortest(g.required_min) + "~" + text::format_shortest(g.required_max);
      out.push_back(fmt::format("  {} ~ {}  最小可用视距 {} ({})  要求视距 {}  控制因素 {}",
                                rows[g.first].chainage_text, rows[g.last].chainage_text,
                                text::format_fixed3(rows[g.least].sight.asd),
                                rows[g.least].chainage_text, required, causes));
    }
  }
  return out;
}

}  // namespace lumora::session
