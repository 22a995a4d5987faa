#include "chainage/chain_breaks.h"

#include <algorithm>
#include <cmath>

#include "error.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::chainage {
namespace {

std::string line_where(const std::string& file, std::size_t line) {
  return file + " 第" + std::to_string(line) + "行";
}

}  // namespace

ChainBreakTable ChainBreakTable::none(double qdzh, double end_chainage) {
  ChainBreakTable t;
  t.back_[1] = end_chainage;
  t.ahead_[1] = end_chainage;
  t.seg_start_[1] = qdzh;
  t.seg_end_[1] = end_chainage;
  return t;
}

ChainBreakTable ChainBreakTable::read(const std::vector<std::string>& lines, double qdzh,
                                      double end_chainage, const std::string& file) {
  ChainBreakTable t;
  int n = 0;
  std::array<std::size_t, kMaxChainBreaks + 2> line_of{};  // file line of break k
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto fields = text::split_fields(lines[i]);
    if (fields.empty()) break;  // a blank line ends the list
    const std::string where = line_where(file, i + 1);
    if (n == kMaxChainBreaks) {
      throw DataFormatError(where + ": 断链多于" + std::to_string(kMaxChainBreaks) + "个");
    }
    if (fields.size() < 2) throw DataFormatError(where + ": 少于两个字段");
    ++n;
    t.back_[n] = text::to_data_number(fields[0], where + ": 字段1");
    t.ahead_[n] = text::to_data_number(fields[1], where + ": 字段2");
    line_of[static_cast<std::size_t>(n)] = i + 1;
  }

  // A first back chainage of −1 declares a line without breaks, whatever the
  // other lines hold (they must still be well formed).
  if (n == 0 || t.back_[1] == -1.0) return none(qdzh, end_chainage);

  // Breaks follow each other along the line: a segment between two breaks
  // runs from the ahead chainage of the one to the back chainage of the
  // next, and cannot run backwards.
  for (int k = 2; k <= n; ++k) {
    if (t.back_[k] < t.ahead_[k - 1]) {
      throw DataFormatError(line_where(file, line_of[static_cast<std::size_t>(k)]) + ": 断前桩号" +
                            text::format_shortest(t.back_[k]) + "小于上一断链的断后桩号" +
                            text::format_shortest(t.ahead_[k - 1]) + " (断链未按顺序)");
    }
  }

  t.count_ = n;
  t.back_[n + 1] = end_chainage;
  t.ahead_[n + 1] = end_chainage;
  t.seg_start_[1] = qdzh;
  for (int s = 1; s <= n; ++s) {
    t.seg_end_[s] = t.back_[s];
    t.seg_start_[s + 1] = t.ahead_[s];
  }
  t.seg_end_[n + 1] = t.sj_dlzh(end_chainage);
  // Values near the limits of a double could make the carried numbering
  // overflow; such a table describes no real line.
  if (!std::isfinite(t.seg_end_[n + 1]) || !std::isfinite(t.carry_back(n + 1, 0.0))) {
    throw DataFormatError(file + ": 断链桩号超出范围");
  }
  return t;
}

double ChainBreakTable::back_chainage(int k) const {
  if (k < 0 || k > count_ + 1) {
    throw DataFormatError("断链序号" + std::to_string(k) + "超出断链表");
  }
  return back_[k];
}

double ChainBreakTable::ahead_chainage(int k) const {
  if (k < 0 || k > count_ + 1) {
    throw DataFormatError("断链序号" + std::to_string(k) + "超出断链表");
  }
  return ahead_[k];
}

double ChainBreakTable::segment_start(int s) const {
  if (s < 1 || s > count_ + 1) {
    throw DataFormatError("断链区间序号" + std::to_string(s) + "超出断链表");
  }
  return seg_start_[s];
}

double ChainBreakTable::segment_end(int s) const {
  if (s < 1 || s > count_ + 1) {
    throw DataFormatError("断链区间序号" + std::to_string(s) + "超出断链表");
  }
  return seg_end_[s];
}

std::string ChainBreakTable::segment_letter(int s) {
  if (s < 1 || s > 26) {
    throw DataFormatError("断链区间序号" + std::to_string(s) + "没有对应的字母");
  }
  return std::string(1, static_cast<char>('A' + s - 1));
}

void ChainBreakTable::dlstr_check(std::string_view text) const {
  dlstr_check_clamped(text);
}

std::optional<double> ChainBreakTable::dlstr_check_clamped(std::string_view text) const {
  const std::string t = text::trim(text);
  const Text parsed = split_text(t);
  if (parsed.segment == 0) return std::nullopt;  // plain numbers and stakes pass
  const std::string shown = text::excerpt(t);
  if (count_ == 0) throw DataCheckError("桩号" + shown + "有误，不存在断链，请修改！");
  const double v = parsed.value;
  const int s = parsed.segment;
  if (s > count_ + 1) throw DataCheckError("桩号" + shown + "断链标识有误，请修改！");
  // Segment A is bounded below by zero (slot 0); every segment but the last
  // ends at its break's back chainage. The last one ends where the line ends
  // in its own numbering: after a net forward jump that lies beyond the
  // continuous end chainage, and valid stakes up to it must pass. Texts show
  // chainages to the millimetre, so the end shown may lie up to half a
  // millimetre beyond the true end.
  // A line that starts before 0 (a LandXML staStart of −90) has its
  // negative chainages in segment A.
  const double low = s == 1 ? std::min(0.0, seg_start_[1]) : ahead_[s - 1];
  const double high = s == count_ + 1 ? seg_end_[s] : back_[s];
  if (!(low - kEndTolerance <= v && v <= high + kEndTolerance)) {
    throw DataCheckError("桩号" + shown + "超出所在断链区间，请修改！");
  }
  return std::clamp(v, low, std::max(low, high));
}

}  // namespace lumora::chainage
