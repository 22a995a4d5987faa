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
  for (const char* t : {"1500", " B3190.5 ", "-20", "+.5", "C12545.347", "A0", "K1+200",
                        "BK4+100.000", "AK-0+090.000", "K0+050"}) {
    EXPECT_TRUE(ChainBreakTable::is_chainage_text(t)) << t;
  }
  for (const char* t :
       {"", "abc", "B", "K1+2000", "K1+", "K1+-2", "1e3", "1500m", "b1500", "1.2.3", "AB12", "-"}) {
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

TEST(CheckedText, StakeFormAndNegativeChainagesAsDesignersTypeThem) {
  const ChainBreakTable t = example();
  // The stake form, with or without a letter, is the number it shows.
  EXPECT_DOUBLE_EQ(t.resolve_checked("K1+250.5", Check::segment), 1250.5);
  EXPECT_DOUBLE_EQ(t.resolve_checked("AK1+250.5", Check::segment), 1250.5);
  EXPECT_DOUBLE_EQ(t.resolve_checked("BK4+100.000", Check::segment),
                   t.resolve_checked("B4100", Check::segment));
  EXPECT_DOUBLE_EQ(t.resolve_checked("CK7+000", Check::segment),
                   t.resolve_checked("C7000", Check::segment));
  // Without a letter it is placed like a plain number: 3190 is in A and B.
  EXPECT_EQ(check_message(t, "K3+190", Check::segment),
            "程序不能判断桩号K3+190所属的断链区间，需添加断链标识A、B、C...");
  EXPECT_EQ(check_message(t, "BK7+000", Check::segment), "桩号BK7+000超出所在断链区间，请修改！");
  // Every stake text the program writes reads back to its chainage.
  for (double c : {1234.567, 3200.0, 3210.25, 6530.0, 12515.346698}) {
    EXPECT_NEAR(t.resolve_checked(t.sj_dlstr_k(c), Check::segment), c, 5e-4) << t.sj_dlstr_k(c);
  }
  // With ten or more breaks the letter K is a segment: the plus sign tells.
  std::vector<std::string> breaks;
  for (int k = 1; k <= 11; ++k)
    breaks.push_back(std::to_string(k * 1000) + " " + std::to_string(k * 1000));
  const ChainBreakTable many = ChainBreakTable::read(breaks, 0, 20000, "k.dl");
  EXPECT_DOUBLE_EQ(many.resolve_checked("K10500", Check::segment), 10500);
  EXPECT_DOUBLE_EQ(many.resolve_checked("KK10+500", Check::segment), 10500);
  EXPECT_DOUBLE_EQ(many.resolve_checked("K2+500", Check::segment), 2500);

  // A line that starts before 0 writes and reads negative chainages in A.
  const ChainBreakTable neg = ChainBreakTable::read({"100 150"}, -90, 400, "n.dl");
  EXPECT_EQ(neg.sj_dlstr_1(-90), "A-90");
  EXPECT_EQ(neg.sj_dlstr_k(-90), "AK-0+090.000");
  for (const char* text : {"A-90", "AK-0+090.000", "-90", "K-0+090"}) {
    EXPECT_DOUBLE_EQ(neg.resolve_checked(text, Check::segment), -90) << text;
  }
  EXPECT_EQ(check_message(neg, "A-91", Check::segment), "桩号A-91超出所在断链区间，请修改！");
}
