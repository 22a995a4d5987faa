// The calculation report (计算书): one A4 PDF that a checker signs, made by
// the window (结果 → 生成计算书…) and by `lumora-cli report`.
//
// A report is a list of chapters, each made from the data it needs and
// present only where those data exist:
//   cover and inputs   the title, date, program and version, every input
//                      file with its size and SHA-256, every setting;
//   alignment          the table of curves as `lumora-cli alignment` prints it;
//   lateral clearance  the clearance plot of the results panel (drawn by
//                      ClearanceChart itself) and the per-curve summary;
//   sight check        the ASD plot of each direction against the required
//                      sight distance (drawn by the results panel's own
//                      make_sight_check_chart), the deficient ranges with
//                      their causes as `lumora-cli sight-check` summarizes
//                      them, and the obstruction lines;
//   profile            the long section of the results panel (ProfileChart)
//                      and the vertical curves as `lumora-cli profile`
//                      prints them, with the standard's minimums and flags
//                      when the sight distance came from a design speed;
//   plan               the design line with the envelope (and the obstructions)
//                      on one page, with a north arrow and a scale bar, a
//                      detail of every curve, and one of every deficient range
//                      of the sight check with its governing sight line;
//   appendix           every result row, the header repeated on each page.
// The numbers are the texts of the result file and of the results panel
// (session::result_table, session::summary_table), so the report and the
// files agree to the last digit.
//
// Example:
//   report::ensure_application();   // a QApplication, offscreen when needed
//   const auto data = report::collect(session, {.version = "0.1.0"});
//   report::write_report(data, "report.pdf");
#pragma once

#include <QLineF>
#include <QString>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cad/document.h"
#include "chainage/chain_breaks.h"
#include "clearance_chart.h"
#include "session/curves.h"
#include "session/result_file.h"
#include "session/session.h"
#include "standards/standards.h"

namespace lumora::report {

/// An input file as the checker identifies it.
struct FileFacts {
  QString role;  // "平面资料", "断链资料", …
  QString name;  // file name
  QString path;  // absolute path
  qint64 size = -1;
  QString sha256;  // lower-case hex; empty when the file could not be read
};

/// A window of the plan: a curve about the chainage of its largest
/// clearance, 0.9 sight distances long, with the sight line the result file
/// holds for that chainage (drawing coordinates: x east, y north).
struct PlanDetail {
  QString name;
  QString caption;
  /// The drawing is turned by `rotation` (radians, counter-clockwise) so that
  /// the stretch runs across the page; the box is in the turned coordinates.
  double rotation = 0;
  double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
  QLineF sight_line;
  QString sight_label;  // the chainage and its clearance
  /// What the heavy dashed line is, below the caption (empty: the clearance
  /// detail's "结果文件记于桩号 … 的视线").
  QString note;
};

/// The last sight check of the session: its rows as its result file holds
/// them, the deficient ranges, the summary the command line prints, and the
/// obstructions as the user gave them.
struct SightData {
  std::vector<session::SightRow> rows;
  std::vector<session::DeficientRange> ranges;
  std::vector<std::string> summary;
  bool forward = true;
  bool backward = false;
  /// The deficient ranges with the columns of the results panel's list.
  session::TextTable deficiencies;
  /// One row per obstruction line of the files (name, start, end, offsets,
  /// height) and per DXF layer asked for.
  session::TextTable obstructions;
};

/// Everything a report shows, gathered once from the session.
struct ReportData {
  QString title;  // the alignment's title
  QString program = "Lumora";
  QString version;
  QString date;  // "2026-12-08 18:40"
  std::vector<FileFacts> files;
  std::vector<std::pair<QString, QString>> settings;
  bool main_line = true;
  session::TextTable alignment;
  std::vector<session::ResultRow> rows;
  std::vector<session::Curve> curves;
  std::vector<app::ChainSegment> segments;
  /// The road's profile, its PVIs and vertical curves as `lumora-cli
  /// profile` prints them, and the chain breaks its long section is
  /// stationed in.
  std::optional<profile::Profile> profile;
  session::TextTable vertical_curves;
  chainage::ChainBreakTable breaks;
  /// The design line with the envelope (nullptr without rows).
  std::shared_ptr<const cad::DrawingDocument> plan;
  std::vector<PlanDetail> details;
  /// Curve names and their drawing points (at mid-curve), the line's start
  /// and end, for the plan.
  std::vector<std::pair<QString, QPointF>> curve_marks;
  /// The last sight check (nullopt: none was run since the initialization).
  std::optional<SightData> sight;
};

struct CollectOptions {
  QString version;
  /// The result file of the run is a scratch copy that the user does not
  /// keep: it is not listed among the files.
  bool result_is_scratch = false;
  /// The same for the sight check's result file.
  bool sight_result_is_scratch = false;
  /// The design speed the sight distance came from: the vertical curves
  /// are then checked against the standard's minimums.
  std::optional<standards::SightRequirement> requirement;
};

/// Gathers the report's data from an initialized session and its last
/// results. Throws DataFormatError when the session is not initialized.
ReportData collect(const session::Session& s, const CollectOptions& options);

/// One chapter of the report.
class Chapter {
 public:
  virtual ~Chapter() = default;
  /// The heading, without its number ("横净距计算结果").
  virtual QString title() const = 0;
  /// Writes the chapter; `number` is its number in this report.
  virtual void write(class PageWriter& w, int number) const = 0;
  /// An appendix is lettered (附录A) rather than numbered.
  virtual bool appendix() const { return false; }
};

/// What the report is, for its cover, running header and PDF title:
/// "最大横净距计算书", "视距检查计算书", or with both
/// "最大横净距及视距检查计算书".
QString document_name(const ReportData& data);

/// The chapters that `data` holds data for, in their order.
std::vector<std::unique_ptr<Chapter>> chapters_of(const ReportData& data);

/// Writes the report to `path` atomically (a temporary file beside it,
/// renamed when complete). Throws CancelledError (save) naming the path
/// when it cannot be written. Needs a QApplication (ensure_application).
void write_report(const ReportData& data, const std::filesystem::path& path);

/// Makes sure a QApplication exists, for the charts: a command-line run gets
/// one on the offscreen platform (unless QT_QPA_PLATFORM names another).
void ensure_application();

}  // namespace lumora::report
