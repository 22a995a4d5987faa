// The curves of an alignment and the largest clearance found on each: the
// figure a designer writes into the report for every curve.
//
// Main line: one curve per intermediate PI, from ZH to HZ (ZY to YZ without
// spirals), named after the PI, with the radius of its circular arc.
// Interchange ramp: every element that is not a straight, an arc ("Y" and
// the element number) or a spiral ("H" and the element number), with its
// radius (for a spiral the radii at both ends, the sharper one as number).
//
// A result row belongs to a curve when its continuous chainage lies within
// the curve's ends (1e-6 m tolerance, so that a stake computed at ZH or HZ
// counts); a row on the boundary of two touching curves belongs to both. The
// result file holds at every chainage the clearance on the side the run was
// made for, signed (negative: the governing sight line passes to the right
// of the eye), so the largest clearance of a curve is the row value of
// largest magnitude; of equal magnitudes the first row is taken.
//
// Example:
//   auto curves = curves_of(line, breaks);
//   auto summary = summarize_curves(curves, session.last_result());
//   if (summary[0].row) rows[*summary[0].row].clearance;   // e.g. -5.117
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "chainage/chain_breaks.h"
#include "interchange/interchange.h"
#include "mainline/mainline.h"
#include "session/result_file.h"

namespace lumora::session {

struct Curve {
  std::string name;  // "JD3"; a ramp's "Y2" or "H3"
  std::string kind;  // "ZH-HZ", "ZY-YZ", "圆曲线", "缓和曲线"
  double start = 0;  // continuous chainages of the curve's ends
  double end = 0;
  std::string start_text;  // sj_dlstr_num of the ends
  std::string end_text;
  double radius = 0;        // |R| of the arc; a spiral's smaller finite |R|
  std::string radius_text;  // "800", a spiral "∞→60", "60→∞", "300→120"
};

std::vector<Curve> curves_of(const zxbas::MainLine& line, const chainage::ChainBreakTable& breaks);
std::vector<Curve> curves_of(const htbas::Interchange& ramp,
                             const chainage::ChainBreakTable& breaks);

struct CurveSummary {
  Curve curve;
  std::size_t row_count = 0;       // rows within the curve
  std::optional<std::size_t> row;  // index of the row of the largest clearance
};

/// One summary per curve, in the order of the curves. `rows` need not be
/// sorted.
std::vector<CurveSummary> summarize_curves(const std::vector<Curve>& curves,
                                           const std::vector<ResultRow>& rows);

/// A table of texts with its header, as the results view shows it and as it
/// is exported.
struct TextTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> cells;
};

/// The result rows with the fields of the result file: chainage, clearance,
/// the three eye offsets ("0.000"), start and end of the sight line, sight
/// distance (shortest text).
TextTable result_table(const std::vector<ResultRow>& rows);

/// The per-curve summary: curve, kind, ends, radius, largest clearance, its
/// chainage and sight distance, number of rows. A curve without rows has
/// empty texts for the clearance, its chainage and sight distance.
TextTable summary_table(const std::vector<CurveSummary>& summary,
                        const std::vector<ResultRow>& rows);

/// CSV for spreadsheet programs: a UTF-8 byte-order mark (without it they
/// read the Chinese header in the local code page), the header row, one line
/// per row, CR LF line ends; a field holding a comma, a quote or a line end
/// is quoted with its quotes doubled.
std::string csv_text(const TextTable& table);

/// Tab-separated text as spreadsheets put on the clipboard: one line per
/// row, LF line ends; tabs and line ends inside a cell become blanks.
std::string tsv_text(const std::vector<std::vector<std::string>>& cells);

}  // namespace lumora::session
