// Chainage texts read from files or typed: the form of the text, its letter,
// its segment with the tolerance of a rounded end, and tables that would
// make later work unbounded.
#include <gtest/gtest.h>

#include "chainage/chain_breaks.h"
#include "error.h"

using lumora::DataCheckError;
using lumora::DataFormatError;
using lumora::chainage::ChainBreakTable;
using Check = ChainBreakTable::Check;

namespace {

// The example line: start 1234.567, breaks 3200/3180 and 6500/6550,
// continuous end 12515.3467 (C12545.3467).
ChainBreakTable example() {
  return ChainBreakTable::read({"3200 3180", "6500 6550"}, 1234.567, 12515.346698, "a.dl");
}

std::string check_message(const ChainBreakTable& t, const std::string& text, Check c) {
  try {
    t.resolve_checked(text, c);
  } catch (const DataCheckError& e) {
    return e.message();
  } catch (const DataFormatError& e) {
    return "format: " + e.detail();
  }
  return "ok";
}

}  // namespace

TEST(CheckedText, TheFormOfAChainageText) {
  for (const char* t : {"1500", " B3190.5 ", "-20", "+.5", "C12545.347", "A0"}) {
    EXPECT_TRUE(ChainBreakTable::is_chainage_text(t)) << t;
  }
  for (const char* t : {"", "abc", "B", "K1+200", "1e3", "1500m", "b1500", "1.2.3", "AB12", "-"}) {
    EXPECT_FALSE(ChainBreakTable::is_chainage_text(t)) << t;
  }
  const auto t = example();
  EXPECT_EQ(check_message(t, "abc", Check::segment).rfind("format: 「abc」不是桩号", 0), 0u);
  EXPECT_EQ(check_message(t, std::string(300, '9'), Check::letter),
            "format: 桩号「" + std::string(40, '9') + "…」超出范围 (绝对值不大于1e9)");
}

TEST(CheckedText, SegmentEndsWithinHalfAMillimetre) {
  const auto t = example();
  EXPECT_DOUBLE_EQ(t.resolve_checked("C12545.347", Check::segment), 12515.346698);
  EXPECT_DOUBLE_EQ(t.resolve_checked("C12545.3465", Check::segment), 12515.3465);
  EXPECT_EQ(check_message(t, "C12545.348", Check::segment),
            "桩号C12545.348超出所在断链区间，请修改！");
  // Ends inside the line: the back chainage of a break, the ahead chainage
  // that starts the next segment.
  EXPECT_DOUBLE_EQ(t.resolve_checked("A3200.0004", Check::segment), 3200);
  EXPECT_DOUBLE_EQ(t.resolve_checked("B3179.9996", Check::segment), 3200);
  EXPECT_EQ(check_message(t, "A3200.001", Check::segment),
            "桩号A3200.001超出所在断链区间，请修改！");
  // dlstr_check keeps its sentences and takes the same tolerance.
  EXPECT_NO_THROW(t.dlstr_check("C12545.347"));
  EXPECT_THROW(t.dlstr_check("C12545.348"), DataCheckError);
}

TEST(CheckedText, LettersOnlyForReadBackTexts) {
  const auto t = example();
  // A sight line may end beyond the line: only the letter is checked.
  EXPECT_DOUBLE_EQ(t.resolve_checked("C12655.347", Check::letter), 12625.347);
  EXPECT_EQ(check_message(t, "C12655.347", Check::segment),
            "桩号C12655.347超出所在断链区间，请修改！");
  EXPECT_EQ(check_message(t, "Z5000", Check::letter), "桩号Z5000断链标识有误，请修改！");
  EXPECT_EQ(check_message(t, "D100", Check::segment), "桩号D100断链标识有误，请修改！");
  const auto none = ChainBreakTable::none(0, 1000);
  EXPECT_EQ(check_message(none, "A100", Check::letter), "桩号A100有误，不存在断链，请修改！");
  // Plain numbers are placed as before: a gap or an overlap is refused.
  EXPECT_EQ(check_message(t, "3190", Check::letter).rfind("程序不能判断桩号3190", 0), 0u);
  EXPECT_DOUBLE_EQ(t.resolve_checked("4000", Check::segment), 4020);
}

TEST(CheckedText, TablesThatDescribeNoLine) {
  // Breaks listed out of order would make a segment run backwards.
  try {
    ChainBreakTable::read({"6500 6550", "3200 3180"}, 0, 10000, "b.dl");
    FAIL();
  } catch (const DataFormatError& e) {
    EXPECT_EQ(e.detail().rfind("b.dl 第2行: 断前桩号3200小于上一断链的断后桩号6550", 0), 0u)
        << e.detail();
  }
  // Values far beyond any road.
  EXPECT_THROW(ChainBreakTable::read({"1e300 0"}, 0, 10000, "c.dl"), DataFormatError);
  // A segment of no length between two breaks is a line all the same.
  EXPECT_NO_THROW(ChainBreakTable::read({"3200 3180", "3180 3300"}, 0, 10000, "d.dl"));
  // The declaration of no breaks ignores the order of the other lines.
  EXPECT_EQ(ChainBreakTable::read({"-1 0", "5 1", "1 5"}, 0, 10, "e.dl").chain_break_count(), 0);
}
