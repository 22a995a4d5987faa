#include "sight/eye_offsets.h"

#include <algorithm>
#include <cmath>

#include "error.h"
#include "text/fields.h"
#include "text/numeric.h"

namespace lumora::sight {
namespace {

std::string where(const std::string& file, int line) {
  std::string w = file.empty() ? std::string("视点距离文件") : file;
  if (line > 0) w += " 第" + std::to_string(line) + "行";
  return w;
}

}  // namespace

EyeOffsetTable EyeOffsetTable::read(const std::vector<std::string>& lines, const std::string& file,
                                    const std::function<double(std::string_view)>& resolve) {
  std::vector<EyeOffsetRow> rows;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const int line = static_cast<int>(k + 1);
    const auto fields = text::split_fields(lines[k]);
    if (fields.empty()) break;
    if (fields.size() < 2) {
      throw DataFormatError(where(file, line) + ": 缺少字段2（视点距离）");
    }
    double c = 0;
    try {
      c = resolve(fields[0]);
    } catch (const DataFormatError& e) {
      // A text that is no chainage at all: say where it stands.
      throw DataFormatError(where(file, line) + ": " + e.detail());
    }
    rows.push_back({c, fields[0], text::numeric_value(fields[1]), line});
  }
  return from_rows(std::move(rows), file);
}

EyeOffsetTable EyeOffsetTable::from_rows(std::vector<EyeOffsetRow> rows, const std::string& file) {
  if (rows.empty()) throw DataFormatError(where(file, 0) + ": 没有视点距离数据");
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const EyeOffsetRow& r = rows[k];
    if (!std::isfinite(r.chainage)) {
      throw DataFormatError(where(file, r.line) + ": 桩号「" + r.text + "」不是有限数");
    }
    if (!std::isfinite(r.value)) {
      throw DataFormatError(where(file, r.line) + ": 视点距离不是有限数");
    }
    // The interpolation needs non-decreasing chainages; a row that goes back
    // would leave chainages that no interval holds.
    if (k > 0 && r.chainage < rows[k - 1].chainage) {
      throw DataFormatError(where(file, r.line) + ": 桩号「" + r.text + "」小于上一行的桩号");
    }
  }
  EyeOffsetTable t;
  t.chainages_.reserve(rows.size());
  for (const auto& r : rows) t.chainages_.push_back(r.chainage);
  t.rows_ = std::move(rows);
  return t;
}

double EyeOffsetTable::sdjljs(double c) const {
  const std::size_t m = rows_.size();
  if (c <= chainages_.front()) return rows_.front().value;
  if (c >= chainages_.back()) return rows_.back().value;
  // The row k with C(k) ≤ c < C(k+1): k + 1 is the first row whose chainage
  // exceeds c. A step (equal neighbours) holds no c and is passed over.
  const auto it = std::upper_bound(chainages_.begin(), chainages_.end(), c);
  std::size_t k1 = static_cast<std::size_t>(it - chainages_.begin());
  if (k1 < 1 || k1 >= m) {
    // Only a NaN chainage gets here.
    return std::nan("");
  }
  const EyeOffsetRow& a = rows_[k1 - 1];
  const EyeOffsetRow& b = rows_[k1];
  return a.value + (c - a.chainage) * (b.value - a.value) / (b.chainage - a.chainage);
}

EyeOffset EyeOffset::constant(double d) {
  EyeOffset o;
  o.constant_ = d;
  return o;
}

EyeOffset EyeOffset::table(EyeOffsetTable t) {
  EyeOffset o;
  o.table_.emplace(std::move(t));
  return o;
}

}  // namespace lumora::sight
