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
  std::vector<ResultRow> rows;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const auto f = text::split_fields(lines[k]);
    if (f.empty()) break;
    if (f.size() < 7) throw DataFormatError(fmt::format("{} 第{}行: 字段不足7个", file, k + 1));
    ResultRow row;
    row.chainage_text = f[0];
    row.chainage = breaks.resolve(f[0]);
    row.clearance = text::numeric_value(f[1]);
    row.offset = text::numeric_value(f[2]);
    row.offset_start = text::numeric_value(f[3]);
    row.offset_end = text::numeric_value(f[4]);
    row.start_text = f[5];
    row.start_chainage = breaks.resolve(f[5]);
    row.end_text = f[6];
    row.end_chainage = breaks.resolve(f[6]);
    row.sight_distance = f.size() > 7 ? text::numeric_value(f[7]) : 0;
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
