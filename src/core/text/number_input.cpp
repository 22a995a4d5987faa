#include "text/number_input.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "error.h"
#include "text/fields.h"
#include "text/format.h"

namespace lumora::text {

namespace {

bool digit(char c) {
  return c >= '0' && c <= '9';
}

// The trimmed text with a decimal comma made a point, or the fault.
InputNumberFault normalize(std::string_view s, std::string& out) {
  out = trim(s);
  if (out.empty()) return InputNumberFault::empty;
  std::size_t i = 0;
  if (out[i] == '+' || out[i] == '-') ++i;
  std::string rest = out.substr(i);
  for (char& c : rest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (rest.rfind("nan", 0) == 0 || rest.rfind("inf", 0) == 0) return InputNumberFault::not_finite;
  const std::size_t whole_from = i;
  while (i < out.size() && digit(out[i])) ++i;
  const std::size_t whole_digits = i - whole_from;
  std::size_t fraction_digits = 0;
  bool comma = false;
  if (i < out.size() && (out[i] == '.' || out[i] == ',')) {
    comma = out[i] == ',';
    out[i] = '.';
    ++i;
    while (i < out.size() && digit(out[i])) {
      ++i;
      ++fraction_digits;
    }
  }
  if (whole_digits + fraction_digits == 0) return InputNumberFault::not_number;
  bool exponent = false;
  if (i < out.size() && (out[i] == 'e' || out[i] == 'E')) {
    exponent = true;
    ++i;
    if (i < out.size() && (out[i] == '+' || out[i] == '-')) ++i;
    const std::size_t from = i;
    while (i < out.size() && digit(out[i])) ++i;
    if (i == from) return InputNumberFault::not_number;
  }
  if (i != out.size()) return InputNumberFault::not_number;
  if (comma && fraction_digits == 3 && !exponent) {
    const std::string_view whole = std::string_view(out).substr(whole_from, whole_digits);
    if (whole.find_first_not_of('0') != std::string_view::npos) return InputNumberFault::ambiguous;
  }
  return InputNumberFault::none;
}

// The power of ten of the first significant digit of a well-formed number
// text ("1234" 3, "0.05" -2, "1e400" 400); 0 for a zero.
long long decimal_exponent(std::string_view v) {
  const std::size_t e = v.find_first_of("eE");
  const std::string_view mantissa = v.substr(0, e);
  long long exp = 0;
  if (e != std::string_view::npos) {
    std::string_view x = v.substr(e + 1);
    if (!x.empty() && x.front() == '+') x.remove_prefix(1);
    const auto r = std::from_chars(x.data(), x.data() + x.size(), exp);
    if (r.ec == std::errc::result_out_of_range) exp = x.front() == '-' ? -1000000 : 1000000;
  }
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return 0;
  const long long place = first < point ? static_cast<long long>(point - first) - 1
                                        : -static_cast<long long>(first - point);
  return place + exp;
}

}  // namespace

InputNumber read_input_number(std::string_view s) {
  std::string t;
  const InputNumberFault fault = normalize(s, t);
  if (fault != InputNumberFault::none) return {std::nullopt, fault};
  std::string_view v = t;
  if (v.front() == '+') v.remove_prefix(1);
  double out = 0;
  const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  if (ec == std::errc::result_out_of_range) {
    // Beyond a double: too large is not a finite number, too small is zero.
    if (decimal_exponent(v) > 0) return {std::nullopt, InputNumberFault::not_finite};
    return {0.0, InputNumberFault::none};
  }
  if (ec != std::errc() || ptr != v.data() + v.size()) {
    return {std::nullopt, InputNumberFault::not_number};
  }
  if (!std::isfinite(out)) return {std::nullopt, InputNumberFault::not_finite};
  return {out, InputNumberFault::none};
}

double input_number(std::string_view s, const std::string& box) {
  const InputNumber n = read_input_number(s);
  if (n.value) return *n.value;
  const std::string quoted = box + "「" + excerpt(trim(s)) + "」";
  switch (n.fault) {
    case InputNumberFault::empty:
      throw DataFormatError(box + "为空，请输入数值");
    case InputNumberFault::ambiguous:
      throw DataFormatError(quoted + "含义不明：小数点请用「.」");
    case InputNumberFault::not_finite:
      throw DataFormatError(quoted + "不是有限数");
    case InputNumberFault::none:
    case InputNumberFault::not_number:
      break;
  }
  throw DataFormatError(quoted + "不是数");
}

std::optional<std::string> normalized_input_number(std::string_view s) {
  if (!read_input_number(s).value) return std::nullopt;
  std::string t;
  normalize(s, t);
  return t;
}

}  // namespace lumora::text
