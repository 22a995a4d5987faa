// Numbers in texts: the lenient leading-number value used for window inputs
// and some fields, and the strict conversion used for data fields.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumora::text {

/// The leading number of a text: leading blanks skipped, then an optional
/// sign, digits and one decimal point up to the first other character.
/// "3.5m" gives 3.5, "abc" and "" give 0; a number too large for a double
/// gives ±infinity.
double numeric_value(std::string_view s);

/// Strict conversion: the whole text (blanks around it allowed) must be a
/// decimal number, optionally with an exponent. Returns nullopt otherwise,
/// and for values that are not finite.
std::optional<double> parse_number(std::string_view s);

/// parse_number, or DataFormatError whose detail is `where` followed by the
/// offending text.
double to_number(std::string_view s, const std::string& where);

/// numeric_value of a window field or option text, refusing a text that
/// names a number that is not finite ("nan", "inf", or more digits than a
/// double holds): DataFormatError whose detail is `what` and the text.
double window_number(std::string_view s, const std::string& what);

/// to_number for a coordinate, chainage, radius or length of a data file:
/// also DataFormatError when its magnitude exceeds kMaxDataMagnitude
/// (bounds.h).
double to_data_number(std::string_view s, const std::string& where);

}  // namespace lumora::text
