// The clearance result file: one line per chainage, fields at fixed columns,
// lines ending CR LF (the files travel to Windows tools), no header.
//
//   column   1  chainage text (as in the chainage list)
//           15  maximum lateral clearance, "0.000", signed
//           30  eye offset at the chainage, "0.000"
//           45  eye offset at the start of the sight line
//           60  eye offset at the end of the sight line
//           75  start chainage of the sight line (letter + "0.000")
//           90  end chainage of the sight line
//          105  sight distance used, shortest text (110, 110.5)
//
// A field that reaches the next column is followed by one blank, so the
// line still splits into its eight fields when read back.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "chainage/chain_breaks.h"

namespace lumora::session {

struct ResultRow {
  std::string chainage_text;
  double chainage = 0;      // continuous; used to drop a repeated chainage
  double clearance = 0;     // maxhjj rounded to three decimals
  double offset = 0;        // eye offset at the chainage
  double offset_start = 0;  // at the start of the sight line
  double offset_end = 0;    // at its end
  std::string start_text;   // sj_dlstr_num of the start chainage
  std::string end_text;     // sj_dlstr_num of the end chainage
  double sight_distance = 0;
  double start_chainage = 0;  // continuous chainages of the sight line's ends
  double end_chainage = 0;
};

/// One line of the file, without its line end.
std::string format_result_line(const ResultRow& row);

/// The rows the file holds: the first row always, each later row only when
/// its continuous chainage differs from the previous row's by more than
/// 0.0009 (a list may name a chainage twice, or an interval run its ends).
std::vector<ResultRow> file_rows(const std::vector<ResultRow>& rows);

/// The whole file: one line for each of file_rows(rows).
std::string format_result_file(const std::vector<ResultRow>& rows);

/// Reads the lines of a result file back (text::read_text_lines), up to the
/// first empty line. Each line splits at blanks; fields 1, 6 and 7 are
/// chainage texts, resolved through `breaks` with their letters checked
/// (ChainBreakTable::resolve_checked: DataFormatError for a text that is no
/// chainage text, DataCheckError for a letter the line does not have or a
/// number in a gap or an overlap), fields 2 to 5 are read as numeric values
/// (the leading number of the field; DataFormatError for nan, inf or more
/// digits than a double holds), field 8, when present, is the sight
/// distance (0 when the file has only seven fields). `file` names the file in
/// the details. Throws DataFormatError for a line with fewer than seven
/// fields and for a file without rows. The envelope drawing and the results
/// view both read through here, so they accept and refuse the same files with
/// the same messages.
std::vector<ResultRow> read_result_file(const std::vector<std::string>& lines,
                                        const std::string& file,
                                        const chainage::ChainBreakTable& breaks);

/// Writes `content` to `path` atomically: a temporary file beside it, then a
/// rename, so a failed run leaves no half file and an existing file is only
/// replaced by a complete new one (cad::write_file_atomically: symbolic
/// links are written through; a target that is not a regular writable file
/// is refused). Throws CancelledError (save), naming the path, when the
/// file cannot be written.
void write_file_atomically(const std::filesystem::path& path, const std::string& content);

}  // namespace lumora::session
