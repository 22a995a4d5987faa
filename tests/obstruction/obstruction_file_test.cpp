// The obstruction file: plan lines at every whole metre with linear offsets,
// tops, and the refusal of bad rows naming file, line and field.
#include "obstruction/obstruction_file.h"

#include <gtest/gtest.h>

#include "error.h"
#include "sight/test_alignments.h"

namespace lumora::obstruction {
namespace {

using sight::testing::StraightLine;

// A straight line due north from chainage 0 (x = c, y = 0).
const StraightLine kNorth(0, 1000);
const auto kBreaks = chainage::ChainBreakTable::none(0, 1000);

TEST(ObstructionFile, VerticesAtWholeMetresWithLinearOffset) {
  const auto obs = read_obstruction_file(
      {"护栏 10.5 13.25 1 2 0.8", "边坡\t100\t102\t-12.5\t-12.5\t-", "", "后面 0 1 0 0 1"},
      "obs.txt", kBreaks, kNorth);
  ASSERT_EQ(obs.size(), 2u);  // the empty line ends the list
  const Obstruction& a = obs[0];
  EXPECT_EQ(a.name, "护栏");
  EXPECT_EQ(a.top, TopKind::above_road);
  // 10.5, 11, 12, 13, 13.25; the offset (left = west = −y) from 1 to 2.
  ASSERT_EQ(a.plan.size(), 5u);
  const double cs[] = {10.5, 11, 12, 13, 13.25};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_NEAR(a.plan[i].x, cs[i], 1e-12);
    EXPECT_NEAR(a.plan[i].y, -(1 + (cs[i] - 10.5) / 2.75), 1e-12);
  }
  EXPECT_EQ(a.top_values, std::vector<double>(5, 0.8));
  // Whole-metre ends are not repeated; a negative offset lies to the right.
  const Obstruction& b = obs[1];
  EXPECT_EQ(b.top, TopKind::unlimited);
  EXPECT_TRUE(b.top_values.empty());
  ASSERT_EQ(b.plan.size(), 3u);
  EXPECT_NEAR(b.plan[1].x, 101, 1e-12);
  EXPECT_NEAR(b.plan[1].y, 12.5, 1e-12);
}

TEST(ObstructionFile, LetteredChainagesOfAChainBrokenLine) {
  const auto breaks = chainage::ChainBreakTable::read({"300 280"}, 0, 1000, "dl");
  // B290 lies 10 m beyond the break at continuous 300.
  const auto obs = read_obstruction_file({"墙 A295 B290 0 0 -"}, "obs.txt", breaks, kNorth);
  EXPECT_NEAR(obs[0].plan.front().x, 295, 1e-9);
  EXPECT_NEAR(obs[0].plan.back().x, 310, 1e-9);
  EXPECT_EQ(obs[0].plan.size(), 16u);
}

// Each bad row is refused with the data-format message; the detail names the
// file, the line and (where one field is wrong) the field.
TEST(ObstructionFile, BadRowsNameFileLineAndField) {
  struct Case {
    const char* line;
    const char* detail_part;
  };
  const Case cases[] = {
      {"护栏 10 20 0 0", "第2行"},
      {"护栏 10 20 0 0", "高度"},
      {"护栏 10 20 0 0 1 多余", "字段多于6个"},
      {"护栏 1x0 20 0 0 1", "第2个字段（起点桩号）"},
      {"护栏 20 10 0 0 1", "第3个字段（终点桩号）"},
      {"护栏 20 20 0 0 1", "不在起点桩号"},
      {"护栏 10 20 abc 0 1", "第4个字段（起点偏距）"},
      {"护栏 10 20 0 nan 1", "第5个字段（终点偏距）"},
      {"护栏 10 20 0 0 -0.5", "为负"},
      {"护栏 10 20 0 0 x", "第6个字段（高度）"},
      {"护栏 10 20 0 1e12 1", "超出数据范围"},
      {"护栏 D10 20 0 0 1", "obs.txt 第2行"},
  };
  for (const Case& c : cases) {
    try {
      read_obstruction_file({"好 0 5 0 0 1", c.line}, "obs.txt", kBreaks, kNorth);
      ADD_FAILURE() << c.line;
    } catch (const LumoraError& e) {
      EXPECT_NE(e.detail().find(c.detail_part), std::string::npos)
          << c.line << " -> " << e.detail();
      EXPECT_NE(e.detail().find("obs.txt"), std::string::npos) << e.detail();
    }
  }
  EXPECT_THROW(read_obstruction_file({"", "护栏 0 5 0 0 1"}, "obs.txt", kBreaks, kNorth),
               DataFormatError);
  // A chainage beyond the line's end.
  EXPECT_THROW(read_obstruction_file({"护栏 0 1500 0 0 1"}, "obs.txt", kBreaks, kNorth),
               DataCheckError);
}

}  // namespace
}  // namespace lumora::obstruction
