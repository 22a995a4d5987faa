// A number typed into a box of the window or given as an option of the
// command line: the sight distance, the eye offset, the chainage interval,
// heights, a design speed. Both front ends read them here, so that a text
// the one refuses the other refuses too.
//
// The whole text must be one number: blanks around it are allowed, a sign,
// digits with one decimal point, an optional exponent. A decimal comma is
// read as a point ("-7,25" is -7.25), except where it could be a thousands
// separator: a comma followed by exactly three digits after a nonzero whole
// part ("1,200") is refused rather than guessed at. Anything else ("1O0",
// "160m", "20abc", "abc", "") is refused, and so are numbers that are not
// finite ("nan", "inf", more digits than a double holds).
//
// Accuracy: the value is the double nearest the decimal text (std::from_chars).
//
// Example:
//   auto v = text::read_input_number(" 110 ");          // 110
//   double s = text::input_number("1O0", "视距");        // DataFormatError:
//                                                        // 视距「1O0」不是数
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumora::text {

/// Why a typed number was refused.
enum class InputNumberFault {
  none,
  empty,       // nothing but blanks
  not_number,  // letters, units, two numbers, ...
  ambiguous,   // "1,200": a decimal comma or a thousands separator
  not_finite,  // "nan", "inf", or too large for a double
};

struct InputNumber {
  std::optional<double> value;
  InputNumberFault fault = InputNumberFault::none;
};

/// Reads a typed number; value is empty when the text is refused.
InputNumber read_input_number(std::string_view s);

/// read_input_number, or DataFormatError whose detail names the box and
/// quotes the text: "视距「1O0」不是数", "视距「nan」不是有限数".
double input_number(std::string_view s, const std::string& box);

/// The text of a typed number in the form other parsers read: blanks
/// removed, a decimal comma turned into a point. nullopt when refused.
std::optional<std::string> normalized_input_number(std::string_view s);

}  // namespace lumora::text
