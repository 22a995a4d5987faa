#include "text/numeric.h"

#include <charconv>
#include <cmath>

#include "bounds.h"
#include "error.h"
#include "text/fields.h"
#include "text/format.h"

namespace lumora::text {

double numeric_value(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  std::string digits;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) digits.push_back(s[i++]);
  bool seen_point = false;
  bool seen_digit = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
      seen_digit = true;
    } else if (c == '.' && !seen_point) {
      digits.push_back(c);
      seen_point = true;
    } else {
      break;
    }
  }
  if (!seen_digit) return 0.0;
  std::string_view v = digits;
  if (!v.empty() && v.front() == '+') v.remove_prefix(1);
  double out = 0.0;
  const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  if (ec == std::errc::result_out_of_range) {
    // Too many digits for a double: a nonzero digit before the point makes
    // it too large (±infinity, which the callers refuse), else too small.
    const std::string_view whole = v.substr(0, v.find('.'));
    const bool large = whole.find_first_of("123456789") != std::string_view::npos;
    if (!large) return 0.0;
    return v.front() == '-' ? -HUGE_VAL : HUGE_VAL;
  }
  (void)ptr;
  return out;
}

std::optional<double> parse_number(std::string_view s) {
  const std::string t = trim(s);
  std::string_view v = t;
  if (!v.empty() && v.front() == '+') {
    v.remove_prefix(1);
    if (!v.empty() && v.front() == '-') return {};
  }
  if (v.empty()) return {};
  double out = 0.0;
  const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  if (ec != std::errc() || ptr != v.data() + v.size() || !std::isfinite(out)) return {};
  return out;
}

double to_number(std::string_view s, const std::string& where) {
  if (const auto v = parse_number(s)) return *v;
  throw DataFormatError(where + "「" + excerpt(trim(s)) + "」不是数");
}

double window_number(std::string_view s, const std::string& what) {
  const double v = numeric_value(s);
  std::string t = trim(s);
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) t.erase(0, 1);
  for (char& c : t) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  const bool names_non_finite = t.rfind("nan", 0) == 0 || t.rfind("inf", 0) == 0;
  if (!std::isfinite(v) || names_non_finite) {
    throw DataFormatError(what + "「" + excerpt(trim(s)) + "」不是有限数");
  }
  return v;
}

double to_data_number(std::string_view s, const std::string& where) {
  const double v = to_number(s, where);
  if (!(std::fabs(v) <= kMaxDataMagnitude)) {
    throw DataFormatError(where + "「" + excerpt(trim(s)) + "」超出范围 (绝对值不大于1e9)");
  }
  return v;
}

}  // namespace lumora::text
