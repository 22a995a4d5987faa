#include "text/fields.h"

namespace lumora::text {
namespace {
bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
}  // namespace

std::string trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && is_blank(s[b])) ++b;
  while (e > b && is_blank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string normalize_line(std::string_view line) {
  const std::string t = trim(line);
  std::string out;
  out.reserve(t.size());
  for (char c : t) {
    if (is_blank(c)) {
      if (!out.empty() && out.back() != ' ') out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::vector<std::string> split_fields(std::string_view line) {
  const std::string n = normalize_line(line);
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (start < n.size()) {
    std::size_t end = n.find(' ', start);
    if (end == std::string::npos) end = n.size();
    fields.push_back(n.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

}  // namespace lumora::text
