// Normalisation of blank-separated data lines, shared by every reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::text {

/// Removes leading and trailing blanks (spaces; also tabs and other ASCII
/// white space, which an editor may leave at a line's end).
std::string trim(std::string_view s);

/// Trim; every tab becomes one blank; runs of blanks become one blank.
/// The reference procedure folds runs of 50 down to 2 blanks one length at a
/// time; folding every run at once gives the same text for runs up to 50 and
/// the sensible one beyond.
std::string normalize_line(std::string_view line);

/// normalize_line, then split at the single blanks. An empty line gives no
/// fields.
std::vector<std::string> split_fields(std::string_view line);

}  // namespace lumora::text
