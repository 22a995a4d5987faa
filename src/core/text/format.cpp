#include "text/format.h"

#include <iterator>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace lumora::text {
namespace {
// Drops the minus sign of a text that shows only zero digits.
std::string drop_negative_zero(std::string s) {
  if (!s.empty() && s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) {
    s.erase(0, 1);
  }
  return s;
}
}  // namespace

std::string format_fixed3(double v) {
  return drop_negative_zero(fmt::format("{:.3f}", v));
}

void append_fixed3(std::string& out, double v) {
  const std::size_t at = out.size();
  fmt::format_to(std::back_inserter(out), "{:.3f}", v);
  if (out[at] == '-' && out.find_first_not_of("-0.", at) == std::string::npos) out.erase(at, 1);
}

std::string format_fixed(double v, int decimals) {
  return drop_negative_zero(fmt::format("{:.{}f}", v, decimals));
}

std::string format_whole(double v) {
  return drop_negative_zero(fmt::format("{:.0f}", v));
}

std::string format_stake(double v) {
  if (!std::isfinite(v)) return fmt::format("K{}", v);
  // Work in whole millimetres so that carries (999.9996 m) are exact. Beyond
  // 2^53 mm (9e12 m) a double holds no millimetres any more; such values are
  // written from kilometres and metres as doubles, no integer conversion.
  const double mm_d = std::round(std::fabs(v) * 1000.0);
  if (!(mm_d < 0x1p53)) {
    const double km = std::floor(std::fabs(v) / 1000.0);
    const double m = std::clamp(std::fabs(v) - km * 1000.0, 0.0, 999.999);
    return fmt::format("K{}{:.0f}+{:07.3f}", v < 0 ? "-" : "", km, m);
  }
  const auto mm = static_cast<long long>(mm_d);
  const long long km = mm / 1000000;
  const long long rest = mm % 1000000;
  const bool negative = v < 0 && mm != 0;
  return fmt::format("K{}{}+{:03d}.{:03d}", negative ? "-" : "", km, rest / 1000, rest % 1000);
}

std::string format_shortest(double v) {
  if (v == 0.0) return "0";
  std::string s = fmt::format("{:.15g}", v);
  if (s.find_first_of("eE") != std::string::npos) {
    // Very large or very small: write it out in full, then trim zeros.
    const int digits = std::max(0, 15 - static_cast<int>(std::floor(std::log10(std::fabs(v)))) - 1);
    s = fmt::format("{:.{}f}", v, digits);
  }
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  return drop_negative_zero(s);
}

std::string excerpt(std::string_view s, std::size_t max_chars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    // Count the first byte of every UTF-8 sequence.
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == max_chars) {
      return std::string(s.substr(0, i)) + "…";
    }
  }
  return std::string(s);
}

}  // namespace lumora::text
