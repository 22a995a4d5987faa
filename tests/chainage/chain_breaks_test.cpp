#include "chainage/chain_breaks.h"

#include <gtest/gtest.h>

#include "error.h"

using lumora::DataCheckError;
using lumora::DataFormatError;
using lumora::chainage::ChainBreakTable;

namespace {

// Expects a DataFormatError whose detail contains every given piece.
void expect_format_error(const std::vector<std::string>& lines,
                         const std::vector<std::string>& pieces) {
  try {
    ChainBreakTable::read(lines, 0, 3000, "t.dl");
    ADD_FAILURE() << "no error";
  } catch (const DataFormatError& e) {
    for (const auto& p : pieces) EXPECT_NE(e.detail().find(p), std::string::npos) << e.detail();
  }
}

std::string check_message(const ChainBreakTable& t, std::string_view text) {
  try {
    t.dlstr_check(text);
  } catch (const DataCheckError& e) {
    EXPECT_EQ(e.title(), "数据有误");
    return e.message();
  }
  return "ok";
}

}  // namespace

TEST(ChainBreakRead, TwoBreaksFillSlotsAndSegments) {
  // 1200/1180 jumps back 20 m, 2500/2550 forward 50 m; the line starts at 100
  // and ends at continuous 3000, which segment C numbers 3030.
  const auto t = ChainBreakTable::read({"1200 1180", "2500\t  2550  extra"}, 100, 3000, "t.dl");
  ASSERT_EQ(t.chain_break_count(), 2);
  EXPECT_EQ(t.back_chainage(0), 0);
  EXPECT_EQ(t.ahead_chainage(0), 0);
  EXPECT_EQ(t.back_chainage(2), 2500);
  EXPECT_EQ(t.ahead_chainage(2), 2550);
  EXPECT_EQ(t.back_chainage(3), 3000);
  EXPECT_EQ(t.ahead_chainage(3), 3000);
  EXPECT_EQ(t.segment_start(1), 100);
  EXPECT_EQ(t.segment_end(1), 1200);
  EXPECT_EQ(t.segment_start(2), 1180);
  EXPECT_EQ(t.segment_end(2), 2500);
  EXPECT_EQ(t.segment_start(3), 2550);
  EXPECT_EQ(t.segment_end(3), 3030);
  EXPECT_EQ(ChainBreakTable::segment_letter(1), "A");
  EXPECT_EQ(ChainBreakTable::segment_letter(20), "T");
  // Slots beyond the table are refused, not read.
  EXPECT_THROW(t.back_chainage(4), DataFormatError);
  EXPECT_THROW(t.segment_end(0), DataFormatError);
  EXPECT_THROW(ChainBreakTable::segment_letter(27), DataFormatError);
}

TEST(ChainBreakRead, ListsWithoutBreaks) {
  for (const std::vector<std::string>& lines :
       {std::vector<std::string>{}, {"", "1200 1180"}, {" \t "}, {"-1 0"}, {"-1 0", "1200 1180"}}) {
    const auto t = ChainBreakTable::read(lines, 100, 3000, "t.dl");
    EXPECT_EQ(t.chain_break_count(), 0);
    EXPECT_EQ(t.segment_start(1), 100);
    EXPECT_EQ(t.segment_end(1), 3000);
    EXPECT_EQ(t.back_chainage(1), 3000);
    EXPECT_EQ(t.sj_dlstr_k(1234.5678), "K1+234.568");
  }
  // A blank line ends the list.
  EXPECT_EQ(
      ChainBreakTable::read({"1200 1180", "", "2500 2550"}, 0, 3000, "t.dl").chain_break_count(),
      1);
  // −1 declares "no breaks" only as the first back chainage.
  EXPECT_EQ(ChainBreakTable::read({"1200 -1", "-1 5"}, 0, 3000, "t.dl").chain_break_count(), 2);
  EXPECT_EQ(ChainBreakTable::read({"-1.0 7"}, 0, 3000, "t.dl").chain_break_count(), 0);
}

TEST(ChainBreakRead, CapacityAndMalformedLines) {
  std::vector<std::string> lines;
  for (int k = 1; k <= 19; ++k)
    lines.push_back(std::to_string(100 * k) + " " + std::to_string(100 * k));
  const auto t = ChainBreakTable::read(lines, 0, 3000, "t.dl");
  EXPECT_EQ(t.chain_break_count(), 19);
  EXPECT_EQ(t.back_chainage(20), 3000);
  EXPECT_EQ(t.sj_dlstr_num(2500), "T2500.000");
  lines.push_back("2000 2000");
  expect_format_error(lines, {"t.dl", "第20行", "19"});

  expect_format_error({"1200"}, {"t.dl", "第1行"});
  expect_format_error({"1200 1180", "12a0 2550"}, {"t.dl", "第2行", "字段1", "12a0"});
  expect_format_error({"1200 1180", "2500 x"}, {"第2行", "字段2"});
  expect_format_error({"1200 1180", "2500 inf"}, {"第2行"});
  // The later lines of a "no breaks" file are still read.
  expect_format_error({"-1 0", "abc"}, {"第2行"});
  // A jump that overflows the numbering describes no line.
  expect_format_error({"1e308 -1e308"}, {"t.dl"});
}

TEST(DlstrCheck, LettersAgainstSegments) {
  const auto t = ChainBreakTable::read({"1200 1180", "2500 2550"}, 100, 3000, "t.dl");
  EXPECT_EQ(check_message(t, "B1190"), "ok");
  EXPECT_EQ(check_message(t, "B1180"), "ok");
  EXPECT_EQ(check_message(t, "B2500"), "ok");
  EXPECT_EQ(check_message(t, "B1179.9"), "桩号B1179.9超出所在断链区间，请修改！");
  EXPECT_EQ(check_message(t, "B2600"), "桩号B2600超出所在断链区间，请修改！");
  EXPECT_EQ(check_message(t, " B2600"), "桩号B2600超出所在断链区间，请修改！");
  EXPECT_EQ(check_message(t, "D100"), "桩号D100断链标识有误，请修改！");
  // Segment A is bounded below by 0, not by the line's start.
  EXPECT_EQ(check_message(t, "A50"), "ok");
  EXPECT_EQ(check_message(t, "A-1"), "桩号A-1超出所在断链区间，请修改！");
  EXPECT_EQ(check_message(t, "100"), "ok");
  EXPECT_EQ(check_message(t, ""), "ok");

  const auto none = ChainBreakTable::none(0, 3000);
  EXPECT_EQ(check_message(none, "A100"), "桩号A100有误，不存在断链，请修改！");
  EXPECT_EQ(check_message(none, "100"), "ok");
}

TEST(DlstrCheck, LastSegmentEndsWhereTheLineEnds) {
  // After the net forward jump of 30 m the line's end reads C3030: stakes up
  // to it exist, beyond it they do not.
  const auto t = ChainBreakTable::read({"1200 1180", "2500 2550"}, 0, 3000, "t.dl");
  EXPECT_EQ(check_message(t, "C3020"), "ok");
  EXPECT_EQ(check_message(t, "C3030"), "ok");
  EXPECT_EQ(check_message(t, "C3030.5"), "桩号C3030.5超出所在断链区间，请修改！");
  // After a net backward jump the end reads B2980, below the continuous end.
  const auto back = ChainBreakTable::read({"1200 1180"}, 0, 3000, "t.dl");
  EXPECT_EQ(check_message(back, "B2980"), "ok");
  EXPECT_EQ(check_message(back, "B2990"), "桩号B2990超出所在断链区间，请修改！");
}
