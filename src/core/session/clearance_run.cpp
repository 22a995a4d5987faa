#include "session/clearance_run.h"

#include <fmt/format.h>

#include <cmath>

#include "bounds.h"
#include "error.h"
#include "session/session.h"
#include "text/format.h"
#include "text/number_input.h"

namespace lumora::session {

ClearanceRun ClearanceRun::read(const ClearanceOptions& o) {
  ClearanceRun r;
  r.mode = o.mode;
  r.single_chainage = o.single_chainage;
  r.from_text = o.from_text;
  r.to_text = o.to_text;
  r.sight_file = o.sight_file;
  r.side = o.side;
  r.method = o.method;
  r.threads = o.threads;
  if (!o.sight_file) r.sight = text::input_number(o.sight_text, "视距");
  if (o.mode == ChainageMode::interval) {
    r.interval = text::input_number(o.interval_text, "固定桩号间距");
    if (!(r.interval > 0)) {
      throw DataFormatError("固定桩号间距「" + text::excerpt(o.interval_text) + "」必须大于0");
    }
  }
  return r;
}

ClearanceOptions ClearanceRun::as_options() const {
  ClearanceOptions o;
  o.mode = mode;
  o.single_chainage = single_chainage;
  o.interval_text = text::format_shortest(interval);
  o.from_text = from_text;
  o.to_text = to_text;
  o.sight_file = sight_file;
  o.sight_text = text::format_shortest(sight);
  o.side = side;
  o.method = method;
  o.threads = threads;
  return o;
}

std::vector<ListEntry> interval_entries(const chainage::ChainBreakTable& breaks, double a, double b,
                                        const std::string& from, const std::string& to, double d,
                                        double line_start, double line_end) {
  const auto too_many = [&] {
    return DataFormatError(fmt::format("固定桩号间距{}: 桩号多于{}个 (一次计算最多{}个桩号)",
                                       text::format_shortest(d), kMaxChainagesPerRun,
                                       kMaxChainagesPerRun));
  };
  const std::string from_marked = breaks.zh_dlstr(from);
  std::string to_marked = breaks.zh_dlstr(to);
  std::vector<ListEntry> entries;
  entries.push_back({a, from_marked});
  auto keep = [&](double c, std::string label) {
    if (!(a - 0.001 < c && c < b + 0.001)) return;
    if (entries.size() > kMaxChainagesPerRun) throw too_many();
    entries.push_back({c, std::move(label)});
  };
  keep(line_start, breaks.sj_dlstr_1(line_start));
  const int segments = breaks.chain_break_count() + 1;
  for (int s = 1; s <= segments; ++s) {
    const double seg_start = s == 1 ? line_start : breaks.ahead_chainage(s - 1);
    const double seg_end = s == segments ? breaks.sj_dlzh(line_end) : breaks.back_chainage(s);
    if (!(seg_end - 0.0001 >= seg_start)) continue;
    // The numbering of segment s is the continuous chainage moved by a
    // constant; only the stakes inside the window are counted and made.
    const double shift = breaks.dlzh_sj(s, 0.0);
    const double lo = std::max(seg_start, a - 0.001 - shift);
    const double hi = std::min(seg_end - 0.0001, b + 0.001 - shift);
    if (!(hi >= lo)) continue;
    if (!((hi - lo) / d < static_cast<double>(kMaxChainagesPerRun))) throw too_many();
    // v = v0 + j·d rather than repeated addition, so that a fractional
    // interval does not drift.
    const double v0 = std::floor((d + seg_start) / d) * d;
    const double j_first = std::max(0.0, std::floor((lo - v0) / d) - 1);
    const double j_last = std::floor((hi - v0) / d) + 1;
    for (double j = j_first; j <= j_last; ++j) {
      const double v = v0 + j * d;
      if (v < lo - d) continue;
      if (!(v <= seg_end - 0.0001)) break;
      const double c = breaks.dlzh_sj(s, v);
      keep(c, breaks.sj_dlstr_1(c));
    }
  }
  keep(line_end, breaks.sj_dlstr_1(line_end));
  entries.push_back({b, std::move(to_marked)});
  return entries;
}

}  // namespace lumora::session
