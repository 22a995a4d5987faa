// Number texts of the program. All of them use the full stop as decimal
// separator, whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace lumora::text {

/// "0.000": three decimals, leading zero, minus sign when negative; a value
/// that rounds to zero is written "0.000", never "-0.000".
std::string format_fixed3(double v);
/// Appends format_fixed3(v) to out, without a string of its own (for long
/// files).
void append_fixed3(std::string& out, double v);

/// Fixed decimals for tables and scripts (6 decimals: "1234.500000"); never
/// a negative zero.
std::string format_fixed(double v, int decimals);

/// "0": rounded to a whole number, never "-0".
std::string format_whole(double v);

/// "K0+000.000": kilometres, "+", three digits of metres and three decimals
/// (1234.5678 -> "K1+234.568", 50 -> "K0+050.000"). The value is rounded to
/// the millimetre first, so 999.9996 gives "K1+000.000". Negative values are
/// written with the minus sign in front of the kilometres ("K-0+050.000").
std::string format_stake(double v);

/// The shortest plain text of a number: no exponent, no trailing zeros, no
/// leading blank (1234.5, 3, -0.25). Values are written with at most 15
/// significant digits, so 0.1 + 0.2 gives "0.3".
std::string format_shortest(double v);

/// A text as a message quotes it: at most `max_chars` characters (code
/// points); a longer text is cut and ends in "…" (a 300-digit number is not
/// echoed whole).
std::string excerpt(std::string_view s, std::size_t max_chars = 40);

}  // namespace lumora::text
