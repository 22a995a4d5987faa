#include "profile/profile_file.h"

#include <fmt/format.h>

#include "error.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::profile {

Profile read_profile_file(const std::vector<std::string>& lines, const std::string& file,
                          const chainage::ChainBreakTable& breaks) {
  if (lines.empty()) throw DataFormatError(file + ": 文件为空，缺少标题行");
  std::vector<Pvi> pvis;
  for (std::size_t k = 1; k < lines.size(); ++k) {
    const auto fields = text::split_fields(lines[k]);
    if (fields.empty()) break;
    const int line = static_cast<int>(k) + 1;
    const std::string where = fmt::format("{} 第{}行", file, line);
    if (fields.size() < 3) {
      throw DataFormatError(where + ": 应为「桩号 高程 竖曲线半径」三项");
    }
    Pvi p;
    try {
      p.chainage = breaks.resolve_checked(fields[0], chainage::ChainBreakTable::Check::letter);
    } catch (const DataCheckError& e) {
      throw DataCheckError(e.message(), e.detail().empty() ? where : e.detail());
    } catch (const DataFormatError& e) {
      throw DataFormatError(where + ": " + e.detail());
    }
    p.text = text::trim(fields[0]);
    p.elevation = text::to_data_number(fields[1], where + ": 高程");
    p.radius = text::to_data_number(fields[2], where + ": 竖曲线半径");
    if (p.radius < 0) {
      throw DataFormatError(where + ": 竖曲线半径「" + text::excerpt(fields[2]) + "」不能为负");
    }
    p.spec = CurveSpec::radius;
    p.line = line;
    pvis.push_back(std::move(p));
  }
  if (pvis.empty()) throw DataFormatError(file + ": 纵断面文件中没有变坡点");
  Profile prof = Profile::build(std::move(pvis), file);
  prof.set_title(text::trim(lines.front()));
  return prof;
}

}  // namespace lumora::profile
