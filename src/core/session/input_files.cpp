#include "session/input_files.h"

#include <fmt/format.h>

#include <cmath>

#include "bounds.h"
#include "error.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::session {
namespace {

using Check = chainage::ChainBreakTable::Check;

std::string line_label(const std::string& file, std::size_t index) {
  return fmt::format("{} 第{}行", file, index + 1);
}

// The continuous chainage of a chainage text of line `index`: errors that
// carry no place of their own get the line.
double resolve_at(const chainage::ChainBreakTable& breaks, const std::string& text, Check check,
                  const std::string& where) {
  try {
    return breaks.resolve_checked(text, check);
  } catch (const DataCheckError& e) {
    throw DataCheckError(e.message(), e.detail().empty() ? where : e.detail());
  } catch (const DataFormatError& e) {
    throw DataFormatError(where + ": " + e.detail());
  }
}

}  // namespace

std::vector<SightLimit> read_sight_limits(const std::vector<std::string>& lines,
                                          const std::string& file,
                                          const chainage::ChainBreakTable& breaks) {
  std::vector<SightLimit> rows;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const auto fields = text::split_fields(lines[k]);
    if (fields.empty()) break;
    const std::string where = line_label(file, k);
    if (fields.size() < 2) throw DataFormatError(where + ": 缺少视距值");
    const double c = resolve_at(breaks, fields[0], Check::letter, where);
    const double s = text::numeric_value(fields[1]);
    if (!(s > 0 && std::isfinite(s))) {
      throw DataFormatError(where + ": 视距「" + text::excerpt(fields[1]) + "」不是正数");
    }
    // A row's sight distance holds up to the next row: rows must follow the
    // line, or some chainages would get a row that does not hold there.
    if (!rows.empty() && c < rows.back().chainage) {
      throw DataFormatError(where + ": 桩号「" + text::excerpt(fields[0]) + "」小于上一行的桩号");
    }
    rows.push_back({c, s});
  }
  if (rows.empty()) throw DataFormatError(file + ": 没有视距限值");
  return rows;
}

double sight_distance_at(const std::vector<SightLimit>& limits, double c, const std::string& text) {
  if (c < limits.front().chainage) {
    throw DataCheckError("桩号" + text::excerpt(text) + "超出视距限值文件，请修改！");
  }
  for (std::size_t i = 0; i + 1 < limits.size(); ++i) {
    if (limits[i].chainage <= c && c < limits[i + 1].chainage) return limits[i].sight_distance;
  }
  return limits.back().sight_distance;
}

std::vector<ListEntry> read_chainage_list(const std::vector<std::string>& lines,
                                          const std::string& file,
                                          const chainage::ChainBreakTable& breaks) {
  std::vector<ListEntry> entries;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::string t = text::trim(lines[k]);
    if (t.empty()) break;
    const std::string where = line_label(file, k);
    if (entries.size() == kMaxChainagesPerRun) {
      throw DataFormatError(fmt::format("{}: 桩号多于{}个 (一次计算最多{}个桩号)", where,
                                        kMaxChainagesPerRun, kMaxChainagesPerRun));
    }
    entries.push_back({resolve_at(breaks, t, Check::segment, where), t});
  }
  if (entries.empty()) throw DataFormatError(file + ": 桩号文件中没有桩号");
  return entries;
}

void check_not_input(const std::filesystem::path& output,
                     const std::vector<std::filesystem::path>& inputs) {
  for (const auto& in : inputs) {
    std::error_code ec;
    if (std::filesystem::equivalent(output, in, ec) && !ec) {
      throw CancelledError(
          CancelledError::Kind::save,
          output.string() + ": 是本次运行读取的文件 (" + in.string() + ")，不能写入结果，未写入");
    }
  }
}

}  // namespace lumora::session
