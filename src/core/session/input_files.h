// The files a clearance run reads besides the alignment: the
// sight-distance limit file and the chainage list file (the result file read
// back is in session/result_file.h). Each reader takes the decoded
// lines (text::read_text_lines) and the chain-break table of the line, and
// throws the system's errors naming the file and line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "chainage/chain_breaks.h"

namespace lumora::session {

/// One row of the sight-distance limit file: from `chainage` on, the sight
/// distance is `sight_distance`.
struct SightLimit {
  double chainage;
  double sight_distance;
};

/// Reads a sight-distance limit file: chainage text and sight distance per
/// line, up to the first blank line. Throws DataFormatError naming the line
/// for a line with one field, a field 1 that is not a chainage text, a
/// sight distance that is not a positive number, a chainage below the
/// previous row's, and for a file without rows; DataCheckError for a
/// chainage text the chain breaks cannot place.
std::vector<SightLimit> read_sight_limits(const std::vector<std::string>& lines,
                                          const std::string& file,
                                          const chainage::ChainBreakTable& breaks);

/// The sight distance that holds at chainage c: the row whose chainage is
/// the last one not beyond c. Throws the system's message (DataCheckError)
/// before the first row; `text` names the chainage in it.
double sight_distance_at(const std::vector<SightLimit>& limits, double c, const std::string& text);

/// One chainage of a run: continuous chainage and the text the result file
/// shows.
struct ListEntry {
  double chainage;
  std::string text;
};

/// Reads a chainage list file: one chainage text per line, up to the first
/// blank line, each checked as a typed chainage is (its letter and its
/// segment). Throws DataFormatError naming the line for a line that is not
/// a chainage text and for a list of more than kMaxChainagesPerRun lines,
/// DataCheckError (with the line as detail) for a text that the chain breaks
/// refuse, and DataFormatError for a list without any chainage.
std::vector<ListEntry> read_chainage_list(const std::vector<std::string>& lines,
                                          const std::string& file,
                                          const chainage::ChainBreakTable& breaks);

/// Refuses to write `output` over a file the same run reads: throws
/// CancelledError (save) naming the path when it is one of `inputs` (the
/// same file under any name: links, "./", other spellings).
void check_not_input(const std::filesystem::path& output,
                     const std::vector<std::filesystem::path>& inputs);

}  // namespace lumora::session
