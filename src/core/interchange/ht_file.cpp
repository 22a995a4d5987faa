// Reading the interchange element file.
#include <string>

#include "error.h"
#include "interchange/interchange.h"
#include "text/fields.h"
#include "text/numeric.h"

namespace lumora::htbas {
namespace {

std::string where(const std::string& file, std::size_t line) {
  return file + " 第" + std::to_string(line) + "行";
}

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Reads the header numbers the way a free-format read does: blanks and line
// ends before a number are skipped; a number ends at a comma, a blank or the
// line end; blanks and one comma after it are consumed. Returns the 0-based
// index of the line that holds the fourth number.
std::size_t read_header(const std::vector<std::string>& lines, const std::string& file,
                        HtFile& out) {
  static const char* const kNames[4] = {"起点桩号", "起点X坐标", "起点Y坐标", "起点方位角"};
  double* const targets[4] = {&out.ht_start_chainage, &out.ht_start_x, &out.ht_start_y,
                              &out.ht_start_azimuth};
  std::size_t li = 0;
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    for (;;) {
      if (li >= lines.size()) {
        const std::string at = lines.empty()
                                   ? file + ": 文件为空"
                                   : file + " 第" + std::to_string(lines.size()) + "行后文件结束";
        throw DataFormatError(at + ", 缺少表头的" + kNames[i]);
      }
      const std::string& s = lines[li];
      while (pos < s.size() && is_blank(s[pos])) ++pos;
      if (pos < s.size()) break;
      ++li;
      pos = 0;
    }
    const std::string& s = lines[li];
    std::size_t end = pos;
    while (end < s.size() && s[end] != ',' && !is_blank(s[end])) ++end;
    if (end == pos) throw DataFormatError(where(file, li + 1) + ": 缺少表头的" + kNames[i]);
    *targets[i] = text::to_data_number(std::string_view(s).substr(pos, end - pos),
                                       where(file, li + 1) + ": " + kNames[i]);
    pos = end;
    while (pos < s.size() && is_blank(s[pos])) ++pos;
    if (pos < s.size() && s[pos] == ',') ++pos;
  }
  return li;
}

}  // namespace

HtFile read_ht_file(const std::vector<std::string>& lines, const std::string& file) {
  HtFile out;
  out.file = file;
  const std::size_t header_line = read_header(lines, file, out);
  for (std::size_t li = header_line + 1; li < lines.size(); ++li) {
    const auto fields = text::split_fields(lines[li]);
    if (fields.empty()) break;
    const std::string at = where(file, li + 1);
    if (out.ht_elements_read.size() >= static_cast<std::size_t>(kMaxElements)) {
      throw DataFormatError(at + ": 单元多于" + std::to_string(kMaxElements) + "个");
    }
    if (fields.size() < 3) throw DataFormatError(at + ": 少于三个字段");
    HtRow row;
    row.r1 = text::to_data_number(fields[0], at + ": 字段1");
    row.r2 = text::to_data_number(fields[1], at + ": 字段2");
    row.len = text::to_data_number(fields[2], at + ": 字段3");
    row.line = static_cast<int>(li + 1);
    if (row.r1 == 0 || row.r2 == 0) throw DataFormatError(at + ": 半径为0");
    if (row.len < 0) throw DataFormatError(at + ": 长度为负");
    out.ht_elements_read.push_back(row);
  }
  return out;
}

}  // namespace lumora::htbas
