// Conversions between continuous chainages and chainage texts.
#include <algorithm>
#include <cmath>

#include "bounds.h"
#include "chainage/chain_breaks.h"
#include "error.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

namespace lumora::chainage {
namespace {

bool is_segment_letter(char c) {
  return c >= 'A' && c <= 'Z';
}

// Position of the first character that is not a blank.
std::string_view skip_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// "K1+250.5" without its letter: kilometres (optionally signed), "+",
// metres below 1000. The value, or nullopt when the text is not a stake.
std::optional<double> stake_value(std::string_view t) {
  if (t.size() < 4 || t.front() != 'K') return std::nullopt;
  t.remove_prefix(1);
  const bool negative = t.front() == '-';
  if (negative) t.remove_prefix(1);
  const auto plus = t.find('+');
  if (plus == std::string_view::npos || plus == 0) return std::nullopt;
  const std::string_view km = t.substr(0, plus);
  const std::string_view m = t.substr(plus + 1);
  if (km.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  if (m.empty() || m.front() < '0' || m.front() > '9') return std::nullopt;
  const auto metres = text::parse_number(m);
  if (!metres || m.find_first_not_of("0123456789.") != std::string_view::npos ||
      !(*metres < 1000)) {
    return std::nullopt;
  }
  const double v = text::numeric_value(km) * 1000 + *metres;
  return negative ? -v : v;
}

}  // namespace

ChainBreakTable::Text ChainBreakTable::split_text(std::string_view text) {
  const std::string t = text::trim(text);
  std::string_view v = t;
  Text r;
  // The plus sign tells the stake form from segment K: "K1+250" is a stake,
  // "K1250" the number 1250 in segment K, "BK4+100" a stake in segment B.
  if (const auto stake = stake_value(v)) {
    r.value = *stake;
    r.stake = true;
    return r;
  }
  if (!v.empty() && is_segment_letter(v.front())) {
    r.segment = v.front() - 'A' + 1;
    v.remove_prefix(1);
    if (const auto stake = stake_value(v)) {
      r.value = *stake;
      r.stake = true;
      return r;
    }
  }
  r.value = text::numeric_value(v);
  return r;
}

ChainBreakTable::Walk ChainBreakTable::segment_walk(double c) const {
  // The comparison uses the value already carried into segment k's
  // numbering, and is strict: a point at a break keeps its back chainage.
  // The breaks lie in order along the line, so a point before break k is
  // before every later one too: the walk stops there. (Going on would
  // compare a number of segment k with the back chainage of a later
  // segment, whose numbers may be lower after a long chain, and carry the
  // point into a segment it does not lie in.)
  Walk w{c, 1};
  for (int k = 1; k <= count_; ++k) {
    if (!(w.value > back_[k])) break;
    w.value += ahead_[k] - back_[k];
    ++w.segment;
  }
  return w;
}

std::string ChainBreakTable::number_letter(int s) const {
  return count_ > 0 ? segment_letter(s) : std::string();
}

double ChainBreakTable::sj_dlzh(double c) const {
  return segment_walk(c).value;
}

std::string ChainBreakTable::sj_dlstr_num(double c) const {
  const Walk w = segment_walk(c);
  return number_letter(w.segment) + text::format_fixed3(w.value);
}

std::string ChainBreakTable::sj_dlstr_k(double c) const {
  const Walk w = segment_walk(c);
  return number_letter(w.segment) + text::format_stake(w.value);
}

std::string ChainBreakTable::sj_dlstr_1(double c) const {
  const Walk w = segment_walk(c);
  const double v = w.value;
  const bool whole = std::fabs(std::floor(v + 0.00001) - v) < 0.00001;
  return number_letter(w.segment) + (whole ? text::format_whole(v) : text::format_fixed3(v));
}

std::string ChainBreakTable::sj_dlstr_5(double c) const {
  const Walk w = segment_walk(c);
  const double v = w.value;
  const std::string number =
      v * 1000 == std::floor(v) * 1000 ? text::format_whole(v) : text::format_fixed3(v);
  if (count_ == 0) return number;
  // The letter is written only where the number alone would be rejected or
  // ambiguous.
  return zh_dlstr_2(number) ? number : segment_letter(w.segment) + number;
}

double ChainBreakTable::carry_back(int s, double v) const {
  // A letter beyond the last segment cannot come from a checked text; carry
  // it through the breaks that exist rather than read past the table.
  for (int k = std::min(s - 1, count_); k >= 1; --k) v = v - ahead_[k] + back_[k];
  return v;
}

double ChainBreakTable::dlstr_sj(std::string_view text) const {
  const Text t = split_text(skip_blanks(text));
  return t.segment > 0 ? carry_back(t.segment, t.value) : t.value;
}

double ChainBreakTable::dlzh_sj(int s, double v) const {
  return carry_back(s, v);
}

ChainBreakTable::Placed ChainBreakTable::place(double v) const {
  for (int k = 1; k <= count_; ++k) {
    if (back_[k] < v && v < ahead_[k]) return {Placement::gap, k};
  }
  for (int k = 1; k <= count_; ++k) {
    if (back_[k] > ahead_[k] && ahead_[k] <= v && v <= back_[k]) return {Placement::overlap, k};
  }
  // The unconverted number against every back chainage: breaks listed in
  // order along the line give the segment holding it.
  int s = 1;
  for (int k = 1; k <= count_; ++k) {
    if (v > back_[k]) ++s;
  }
  return {Placement::ok, s};
}

std::string ChainBreakTable::zh_dlstr(std::string_view text) const {
  const std::string t = text::trim(text);
  if (t.empty() || count_ == 0) return t;
  const Text parsed = split_text(t);
  if (parsed.segment > 0) return t;
  const Placed p = place(parsed.value);
  switch (p.placement) {
    case Placement::gap:
      throw DataCheckError("桩号" + text::excerpt(t) + "不应存在" +
                           text::format_shortest(back_[p.segment]) + "和" +
                           text::format_shortest(ahead_[p.segment]) + "之间，请修改！");
    case Placement::overlap:
      throw DataCheckError("程序不能判断桩号" + text::excerpt(t) +
                           "所属的断链区间，需添加断链标识A、B、C...");
    case Placement::ok:
      break;
  }
  return segment_letter(p.segment) + t;
}

std::optional<std::string> ChainBreakTable::zh_dlstr_2(std::string_view text) const {
  const std::string t = text::trim(text);
  if (t.empty() || count_ == 0) return t;
  const Text parsed = split_text(t);
  if (parsed.segment > 0) return t;
  const Placed p = place(parsed.value);
  if (p.placement != Placement::ok) return std::nullopt;
  return segment_letter(p.segment) + t;
}

double ChainBreakTable::resolve(std::string_view text) const {
  return dlstr_sj(zh_dlstr(text));
}

bool ChainBreakTable::is_chainage_text(std::string_view text) {
  const std::string t = text::trim(text);
  std::string_view v = t;
  if (split_text(v).stake) return true;
  if (!v.empty() && is_segment_letter(v.front())) v.remove_prefix(1);
  if (!v.empty() && (v.front() == '+' || v.front() == '-')) v.remove_prefix(1);
  bool digit = false;
  bool point = false;
  for (char c : v) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

double ChainBreakTable::resolve_checked(std::string_view text, Check check) const {
  const std::string t = text::trim(text);
  if (!is_chainage_text(t)) {
    throw DataFormatError("「" + text::excerpt(t) +
                          "」不是桩号 (应为数或断链标识加数，如 1250.5、B1250.5、K1+250.5、"
                          "BK4+100.000)");
  }
  const Text parsed = split_text(t);
  const bool marked = parsed.segment > 0;
  const double v = parsed.value;
  if (!(std::fabs(v) <= kMaxDataMagnitude)) {
    throw DataFormatError("桩号「" + text::excerpt(t) + "」超出范围 (绝对值不大于1e9)");
  }
  if (!marked) return dlstr_sj(zh_dlstr(t));
  if (check == Check::letter) {
    // The letter alone: the number may lie beyond its segment (a sight line
    // that reaches past the end of the line, a row before its start).
    if (count_ == 0) throw DataCheckError("桩号" + text::excerpt(t) + "有误，不存在断链，请修改！");
    if (parsed.segment > count_ + 1) {
      throw DataCheckError("桩号" + text::excerpt(t) + "断链标识有误，请修改！");
    }
    return dlstr_sj(t);
  }
  return dlzh_sj(parsed.segment, *dlstr_check_clamped(t));
}

}  // namespace lumora::chainage
