#include "session/vertical_curve_table.h"

#include <cmath>

#include "text/format.h"

namespace lumora::session {
namespace {

using text::format_fixed;
using text::format_fixed3;

// Grades in per cent.
std::string percent(double g) {
  return format_fixed(g * 100, 4);
}

// What a curve lacks against the standard's minimums ("-" when nothing).
std::string flags(const profile::VerticalCurve& c, const standards::CurveMinimums& m,
                  standards::Standard st) {
  std::string out;
  auto add = [&](const char* f) {
    if (!out.empty()) out += ',';
    out += f;
  };
  if (st == standards::Standard::jtg) {
    const double limit = c.crest() ? m.crest_limit : m.sag_limit;
    const double general = c.crest() ? m.crest_general : m.sag_general;
    if (c.radius() < limit) {
      add("R<极限值");
    } else if (c.radius() < general) {
      add("R<一般值");
    }
    if (c.length() < m.length_min) {
      add("L<最小值");
    } else if (c.length() < m.length_general) {
      add("L<一般值");
    }
  } else {
    const double k = c.length() / (std::fabs(c.grade_out() - c.grade_in()) * 100);
    if (k < (c.crest() ? m.k_crest : m.k_sag)) add("K<最小值");
  }
  return out.empty() ? "-" : out;
}

}  // namespace

TextTable vertical_curve_table(const profile::Profile& p, const chainage::ChainBreakTable& breaks,
                               const std::optional<standards::SightRequirement>& req) {
  std::optional<standards::CurveMinimums> mins;
  if (req) mins = standards::curve_minimums(req->speed, req->standard);
  const bool jtg = req && req->standard == standards::Standard::jtg;

  TextTable t;
  t.header = {"pvi", "chainage", "elevation", "grade_in%", "grade_out%", "R",
              "T",   "E",        "L",         "BVC",       "EVC",        "type"};
  if (jtg) {
    t.header.insert(t.header.end(), {"R_limit", "R_general", "L_min", "L_general", "flags"});
  } else if (req) {
    t.header.insert(t.header.end(), {"K", "K_min", "flags"});
  }
  const auto& pvis = p.pvis();
  for (std::size_t k = 0; k < pvis.size(); ++k) {
    const auto& v = pvis[k];
    std::vector<std::string> row = {
        std::to_string(k + 1), breaks.sj_dlstr_k(v.chainage), format_fixed3(v.elevation),
        k > 0 ? percent(p.grade(k - 1)) : "-", k + 1 < pvis.size() ? percent(p.grade(k)) : "-"};
    const profile::VerticalCurve* c = p.curve_at_pvi(k);
    if (!c) {
      row.resize(t.header.size(), "-");
      t.cells.push_back(std::move(row));
      continue;
    }
    const std::string tangent =
        c->tangent_in() == c->tangent_out()
            ? format_fixed3(c->tangent_in())
            : format_fixed3(c->tangent_in()) + "/" + format_fixed3(c->tangent_out());
    row.insert(row.end(), {format_fixed3(c->radius()), tangent, format_fixed3(c->external()),
                           format_fixed3(c->length()), breaks.sj_dlstr_k(c->bvc()),
                           breaks.sj_dlstr_k(c->evc()), c->crest() ? "crest" : "sag"});
    if (jtg) {
      const bool crest = c->crest();
      row.insert(row.end(), {format_fixed3(crest ? mins->crest_limit : mins->sag_limit),
                             format_fixed3(crest ? mins->crest_general : mins->sag_general),
                             format_fixed3(mins->length_min), format_fixed3(mins->length_general),
                             flags(*c, *mins, req->standard)});
    } else if (req) {
      const double kv = c->length() / (std::fabs(c->grade_out() - c->grade_in()) * 100);
      row.insert(row.end(),
                 {format_fixed3(kv), format_fixed3(c->crest() ? mins->k_crest : mins->k_sag),
                  flags(*c, *mins, req->standard)});
    }
    t.cells.push_back(std::move(row));
  }
  return t;
}

}  // namespace lumora::session
