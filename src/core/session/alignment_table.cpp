#include "session/alignment_table.h"

#include "text/format.h"

namespace lumora::session {

using text::format_fixed;

TextTable alignment_table(const zxbas::MainLine& m) {
  TextTable t;
  t.header = {"i",    "name", "jd_k", "t1",   "t2",   "l",    "k_zh",
              "k_hy", "k_qz", "k_yh", "k_hz", "x_zh", "y_zh", "x_hy",
              "y_hy", "x_qz", "y_qz", "x_yh", "y_yh", "x_hz", "y_hz"};
  const int n = m.jd_count();
  for (int i = 1; i <= n; ++i) {
    const auto& j = m.jd(i);
    const bool end = (i == 1 || i == n);
    auto f = [](double v) { return format_fixed(v, 6); };
    auto k = [&](double v) { return end ? std::string() : f(v); };
    t.cells.push_back({std::to_string(i), j.jd_name, f(j.jd_k), f(j.jd_t1), f(j.jd_t2), f(j.jd_l),
                       k(j.k_zh),         k(j.k_hy), k(j.k_qz), k(j.k_yh),  k(j.k_hz),  f(j.x_zh),
                       f(j.y_zh),         f(j.x_hy), f(j.y_hy), f(j.x_qz),  f(j.y_qz),  f(j.x_yh),
                       f(j.y_yh),         f(j.x_hz), f(j.y_hz)});
  }
  return t;
}

TextTable alignment_table(const htbas::Interchange& h) {
  TextTable t;
  t.header = {"k", "r1", "r2", "len", "chainage", "x", "y", "azimuth"};
  const int n = h.ht_count();
  for (int k = 1; k <= n + 1; ++k) {
    std::vector<std::string> row{std::to_string(k)};
    if (k <= n) {
      row.push_back(format_fixed(h.ht_r1(k), 6));
      row.push_back(format_fixed(h.ht_r2(k), 6));
      row.push_back(format_fixed(h.ht_len(k), 6));
    } else {
      row.insert(row.end(), {"-", "-", "-"});
    }
    row.push_back(format_fixed(h.ht_chainage(k), 6));
    row.push_back(format_fixed(h.ht_x(k), 6));
    row.push_back(format_fixed(h.ht_y(k), 6));
    row.push_back(format_fixed(h.ht_azimuth(k), 9));
    t.cells.push_back(std::move(row));
  }
  return t;
}

std::string tab_separated(const TextTable& table) {
  std::string out;
  auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i) out += '\t';
      out += cells[i];
    }
    out += '\n';
  };
  line(table.header);
  for (const auto& row : table.cells) line(row);
  return out;
}

}  // namespace lumora::session
