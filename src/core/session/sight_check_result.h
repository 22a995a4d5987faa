// The sight-check result file (视距检查结果文件) and the summary of the
// deficient ranges.
//
// The file: a header line, then for each chainage its forward row (顺) and
// its backward row (逆) (only the directions checked), fields separated by
// one tab, lines ending CR LF, GBK as the program's other text files:
//
//   桩号 方向 可用视距 要求视距 富余 控制因素 遮挡目标桩号 遮挡点X 遮挡点Y
//   1500  顺  213.417  160.000  53.417  路面  1713.402  3123.456  5012.345
//
//   - the chainage text as the clearance result file shows it;
//   - 顺 or 逆;
//   - available sight distance, required sight distance and the margin (the
//     printed ASD minus the required), each "0.000";
//   - the governing cause: "路面", the obstruction's name, or "无";
//   - the chainage of the target at ASD (letter where the line has chain
//     breaks, "0.000"), the blocking point's X (north) and Y (east), "0.000";
//     these three are "-" where the cause is "无".
// A row is deficient when its printed margin is negative. A chainage that
// repeats the one before within 0.0009 m is written once (as the clearance
// file does).
//
// Example:
//   std::vector<SightRow> rows = ...;     // from the sight-check command
//   auto text = format_sight_file(rows, names, breaks);
//   auto ranges = deficient_ranges(rows);
#pragma once

#include <string>
#include <vector>

#include "chainage/chain_breaks.h"
#include "visibility/available_sight.h"

namespace lumora::session {

/// One row of the file: one chainage, one direction.
struct SightRow {
  std::string chainage_text;  // as the clearance file shows it
  visibility::Direction direction = visibility::Direction::forward;
  visibility::Sight sight;
  double required = 0;      // required sight distance at the chainage
  std::string cause;        // "路面", the obstruction's name, or "无"
  std::string target_text;  // chainage text of the target ("" for 无)

  /// ASD as printed, the margin as printed and whether it is negative.
  double asd_printed() const;
  double margin() const;
  bool deficient() const;
};

/// The header line, without its line end.
extern const char* const kSightFileHeader;

/// "顺" or "逆".
const char* direction_text(visibility::Direction d);

/// The cause of a sight: "无", "路面", or the name of obstruction `index`.
std::string cause_text(const visibility::Sight& s, const std::vector<std::string>& names);

/// Fills a row from a sight: the cause and the target's chainage text.
SightRow make_sight_row(const std::string& chainage_text, visibility::Direction d,
                        const visibility::Sight& s, double required,
                        const std::vector<std::string>& names,
                        const chainage::ChainBreakTable& breaks);

/// One line of the file (UTF-8, without its line end).
std::string format_sight_line(const SightRow& row);

/// The rows the file holds, in order: a chainage repeating the previous one
/// (within 0.0009 m) is dropped with all its directions.
std::vector<SightRow> sight_file_rows(const std::vector<SightRow>& rows);
/// The same, moving the rows kept instead of copying them.
std::vector<SightRow> sight_file_rows(std::vector<SightRow>&& rows);

/// The whole file as UTF-8 text (header and sight_file_rows, CR LF).
std::string format_sight_file(const std::vector<SightRow>& rows);

/// The file's bytes as written: format_sight_file in GBK.
std::string sight_file_bytes(const std::vector<SightRow>& rows);

/// A run of consecutive deficient rows of one direction.
struct DeficientRange {
  visibility::Direction direction = visibility::Direction::forward;
  std::size_t first = 0;  // indices into the rows given
  std::size_t last = 0;
  std::size_t least = 0;  // the row of the least ASD (the first of equals)
  double required_min = 0;
  double required_max = 0;
  std::vector<std::string> causes;  // the deficient rows' causes, first seen first
};

/// The deficient ranges of rows (in the order of the rows; each direction's
/// rows in the order given), forward ranges first, then backward.
std::vector<DeficientRange> deficient_ranges(const std::vector<SightRow>& rows);

/// The summary as lines of text: per direction its ranges (first and last
/// chainage, least ASD and where, required, cause) and their count.
std::vector<std::string> summary_lines(const std::vector<SightRow>& rows,
                                       const std::vector<DeficientRange>& ranges, bool forward,
                                       bool backward);

}  // namespace lumora::session
