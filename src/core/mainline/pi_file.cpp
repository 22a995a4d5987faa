// Reading the PI data file: a header (free title, then the start chainage)
// followed by two-line PI records (name line, data line).
#include <fmt/format.h>

#include <algorithm>

#include "error.h"
#include "mainline/mainline.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::zxbas {
namespace {

std::string at_line(const std::string& file, std::size_t line) {
  return fmt::format("{} 第{}行", file, line);
}

// Code points of a UTF-8 text, each as its byte sequence.
std::vector<std::string> code_points(const std::string& s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = 1;
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0xF0) {
      n = 4;
    } else if (c >= 0xE0) {
      n = 3;
    } else if (c >= 0xC0) {
      n = 2;
    }
    n = std::min(n, s.size() - i);
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

// The text of a delimited header item: up to the next comma, trimmed.
std::string header_item(const std::string& s) {
  return text::trim(s.substr(0, s.find(',')));
}

}  // namespace

void hairpin_flags(const std::string& name, int& ht, int& ht_in, int& ht_out) {
  ht = ht_in = ht_out = 0;
  for (std::size_t i = 0; i + 1 < name.size(); ++i) {
    if ((name[i] == 'H' || name[i] == 'h') && (name[i + 1] == 'T' || name[i + 1] == 't')) {
      ht = 1;
      break;
    }
  }
  if (!ht) return;
  const auto cps = code_points(name);
  if (cps.size() >= 2 && cps[cps.size() - 2] == "1") ht_in = 1;
  if (!cps.empty() && cps.back() == "1") ht_out = 1;
}

std::string pi_file_title(const std::vector<std::string>& lines) {
  return lines.empty() ? std::string() : header_item(lines[0]);
}

PiFile read_pi_file(const std::vector<std::string>& lines, const std::string& file) {
  PiFile pi;
  pi.file = file;
  bool any_text = false;
  for (const auto& l : lines) any_text = any_text || !text::trim(l).empty();
  if (!any_text) throw DataFormatError(file + ": 文件为空，缺少标题和起点桩号");

  // Header: item 1 (the title) runs to the first comma or the end of line 1
  // and names the line in drawings; item 2, the start chainage, follows the comma or stands
  // on the next line.
  std::size_t next = 1;  // index of the line after the header
  std::string item;
  std::size_t item_line = 1;
  const auto comma = lines[0].find(',');
  if (comma != std::string::npos && !text::trim(lines[0].substr(comma + 1)).empty()) {
    item = header_item(lines[0].substr(comma + 1));
  } else {
    if (lines.size() < 2) throw DataFormatError(at_line(file, 2) + ": 缺少起点桩号");
    item = header_item(lines[1]);
    item_line = 2;
    next = 2;
  }
  pi.qdzh = text::to_data_number(item, at_line(file, item_line) + ": 起点桩号");

  for (std::size_t li = next; li < lines.size(); li += 2) {
    const std::string name = text::trim(lines[li]);
    if (name.empty()) break;  // an empty name line ends the list
    if (pi.jd.size() >= static_cast<std::size_t>(kMaxPis)) {
      throw DataFormatError(fmt::format("{}: 交点超过 {} 个 (capacity {} PIs)",
                                        at_line(file, li + 1), kMaxPis, kMaxPis));
    }
    if (li + 1 >= lines.size()) {
      throw DataFormatError(at_line(file, li + 1) + ": 交点「" + text::excerpt(name) +
                            "」缺少数据行");
    }
    const auto fields = text::split_fields(lines[li + 1]);
    const std::string where = at_line(file, li + 2);
    if (fields.size() != 5 && fields.size() != 7) {
      throw DataFormatError(fmt::format(
          "{}: 应为 5 或 7 个数 (X Y R Ls1 Ls2 [RS1 RS2])，实为 {} 个", where, fields.size()));
    }
    double v[7] = {0, 0, 0, 0, 0, 0, 0};
    for (std::size_t k = 0; k < fields.size(); ++k) {
      v[k] = text::to_data_number(fields[k], fmt::format("{}: 字段{}", where, k + 1));
    }
    Jd j;
    j.jd_name = name;
    j.line = static_cast<int>(li + 1);
    j.jd_x = v[0];
    j.jd_y = v[1];
    j.jd_r = v[2];
    j.jd_ls1 = v[3];
    j.jd_ls2 = v[4];
    j.jd_rs1 = v[5];
    j.jd_rs2 = v[6];
    hairpin_flags(name, j.jd_ht, j.jd_ht_in, j.jd_ht_out);
    pi.jd.push_back(std::move(j));
  }
  return pi;
}

}  // namespace lumora::zxbas
