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

}  // namespace lumora::text
