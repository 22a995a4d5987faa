#include "session/result_file.h"

#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "cad/write_atomic.h"
#include "error.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::session {
namespace {

// Appends `field` so that it starts at the 1-based column `column`; a line
// already at or past that column gets one blank first.
void put_at(std::string& line, std::size_t column, const std::string& field) {
  const std::size_t start = column - 1;
  if (line.size() < start) {
    line.append(start - line.size(), ' ');
  } else if (!line.empty()) {
    line.push_back(' ');
  }
  line += field;
}

}  // namespace

std::string format_result_line(const ResultRow& row) {
  std::string line = row.chainage_text;
  put_at(line, 15, text::format_fixed3(row.clearance));
  put_at(line, 30, text::format_fixed3(row.offset));
  put_at(line, 45, text::format_fixed3(row.offset_start));
  put_at(line, 60, text::format_fixed3(row.offset_end));
  put_at(line, 75, row.start_text);
  put_at(line, 90, row.end_text);
  put_at(line, 105, text::format_shortest(row.sight_distance));
  return line;
}

std::vector<ResultRow> file_rows(const std::vector<ResultRow>& rows) {
  std::vector<ResultRow> kept;
  kept.reserve(rows.size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k > 0 && !(std::fabs(rows[k].chainage - rows[k - 1].chainage) > 0.0009)) continue;
    kept.push_back(rows[k]);
  }
  return kept;
}

std::string format_result_file(const std::vector<ResultRow>& rows) {
  std::string out;
  for (const ResultRow& row : file_rows(rows)) {
    out += format_result_line(row);
    out += "\r\n";
  }
  return out;
}

std::vector<ResultRow> read_result_file(const std::vector<std::string>& lines,
                                        const std::string& file,
                                        const chainage::ChainBreakTable& breaks) {
  using Check = chainage::ChainBreakTable::Check;
  std::vector<ResultRow> rows;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const auto f = text::split_fields(lines[k]);
    if (f.empty()) break;
    const std::string where = fmt::format("{} 第{}行", file, k + 1);
    if (f.size() < 7) throw DataFormatError(where + ": 字段不足7个");
    // Chainage texts: the ends of a sight line may lie beyond the line's
    // ends, so only their letters are checked. Numbers must be finite.
    auto chainage = [&](const std::string& t) {
      try {
        return breaks.resolve_checked(t, Check::letter);
      } catch (const DataCheckError& e) {
        throw DataCheckError(e.message(), e.detail().empty() ? where : e.detail());
      } catch (const DataFormatError& e) {
        throw DataFormatError(where + ": " + e.detail());
      }
    };
    auto number = [&](const std::string& t, int field) {
      return text::window_number(t, fmt::format("{}: 字段{}", where, field));
    };
    ResultRow row;
    row.chainage_text = f[0];
    row.chainage = chainage(f[0]);
    row.clearance = number(f[1], 2);
    row.offset = number(f[2], 3);
    row.offset_start = number(f[3], 4);
    row.offset_end = number(f[4], 5);
    row.start_text = f[5];
    row.start_chainage = chainage(f[5]);
    row.end_text = f[6];
    row.end_chainage = chainage(f[6]);
    row.sight_distance = f.size() > 7 ? number(f[7], 8) : 0;
    rows.push_back(std::move(row));
  }
  if (rows.empty()) throw DataFormatError(file + ": 横净距文件中没有数据行");
  return rows;
}

void write_file_atomically(const std::filesystem::path& path, const std::string& content) {
  cad::write_file_atomically(path, [&](const std::string& temp) {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) throw CancelledError(CancelledError::Kind::save, std::strerror(errno));
  });
}

}  // namespace lumora::session
