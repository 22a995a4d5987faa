#include <gtest/gtest.h>

#include "chainage/chain_breaks.h"
#include "error.h"

using lumora::DataCheckError;
using lumora::chainage::ChainBreakTable;

namespace {

// 1200/1180 jumps back 20 m (1180 … 1200 exists twice), 2500/2550 forward
// 50 m (2500 … 2550 does not exist); the line runs from 0 to continuous 3000.
ChainBreakTable two_breaks() {
  return ChainBreakTable::read({"1200 1180", "2500 2550"}, 0, 3000, "t.dl");
}

std::string resolve_message(const ChainBreakTable& t, std::string_view text) {
  try {
    return "ok " + t.zh_dlstr(text);
  } catch (const DataCheckError& e) {
    EXPECT_EQ(e.title(), "数据有误");
    return e.message();
  }
}

}  // namespace

TEST(ChainageText, ContinuousToTexts) {
  const auto t = two_breaks();
  EXPECT_EQ(t.sj_dlstr_k(1100), "AK1+100.000");
  EXPECT_EQ(t.sj_dlstr_k(1200), "AK1+200.000");  // at the break: the back chainage
  EXPECT_EQ(t.sj_dlstr_k(1210), "BK1+190.000");
  EXPECT_EQ(t.sj_dlstr_k(2530), "CK2+560.000");  // 2510 in B is beyond 2500
  EXPECT_EQ(t.sj_dlstr_num(2530.12345), "C2560.123");
  EXPECT_DOUBLE_EQ(t.sj_dlzh(2530), 2560);
  EXPECT_EQ(t.segment_walk(1210).segment, 2);

  EXPECT_EQ(t.sj_dlstr_1(1210), "B1190");
  EXPECT_EQ(t.sj_dlstr_1(1210.25), "B1190.250");
  EXPECT_EQ(t.sj_dlstr_1(1209.999995), "B1190");
  EXPECT_EQ(t.sj_dlstr_1(1209.99998), "B1190.000");  // 0.00002 off a whole number

  EXPECT_EQ(t.sj_dlstr_5(1100), "1100");   // unique
  EXPECT_EQ(t.sj_dlstr_5(1190), "A1190");  // 1190 exists in B as well
  EXPECT_EQ(t.sj_dlstr_5(1210), "B1190");
  EXPECT_EQ(t.sj_dlstr_5(1100.5), "1100.500");
  EXPECT_EQ(t.sj_dlstr_5(2520), "2500");
  EXPECT_EQ(t.sj_dlstr_5(3000), "3030");
}

TEST(ChainageText, ResolvingPlainNumbers) {
  const auto t = two_breaks();
  EXPECT_EQ(resolve_message(t, "1190"),
            "程序不能判断桩号1190所属的断链区间，需添加断链标识A、B、C...");
  EXPECT_EQ(resolve_message(t, "2520"), "桩号2520不应存在2500和2550之间，请修改！");
  EXPECT_EQ(resolve_message(t, "3000"), "ok C3000");
  EXPECT_EQ(resolve_message(t, "  3000 "), "ok C3000");
  EXPECT_EQ(resolve_message(t, "1100"), "ok A1100");
  EXPECT_EQ(resolve_message(t, "2500"), "ok B2500");
  EXPECT_EQ(resolve_message(t, "2550"), "ok C2550");
  EXPECT_EQ(resolve_message(t, "B1190"), "ok B1190");
  EXPECT_EQ(resolve_message(t, ""), "ok ");

  const auto half = ChainBreakTable::read({"1200.5 1250"}, 0, 3000, "t.dl");
  EXPECT_EQ(resolve_message(half, "1220"), "桩号1220不应存在1200.5和1250之间，请修改！");

  EXPECT_EQ(t.zh_dlstr_2("1190"), std::nullopt);
  EXPECT_EQ(t.zh_dlstr_2("2520"), std::nullopt);
  EXPECT_EQ(t.zh_dlstr_2("3000"), "C3000");
}

TEST(ChainageText, TextsToContinuous) {
  const auto t = two_breaks();
  EXPECT_DOUBLE_EQ(t.dlstr_sj("C3000"), 2970);
  EXPECT_DOUBLE_EQ(t.dlstr_sj("B1190"), 1210);
  EXPECT_DOUBLE_EQ(t.dlstr_sj(" B1190"), 1210);
  EXPECT_DOUBLE_EQ(t.dlstr_sj("1100"), 1100);
  EXPECT_DOUBLE_EQ(t.dlstr_sj(""), 0);
  EXPECT_DOUBLE_EQ(t.resolve("3000"), 2970);
  EXPECT_THROW(t.resolve("1190"), DataCheckError);
  EXPECT_DOUBLE_EQ(t.dlzh_sj(1, 1234.5), 1234.5);
  EXPECT_DOUBLE_EQ(t.dlzh_sj(3, 3030), 3000);
  // A letter past the last segment is carried through the existing breaks
  // only.
  EXPECT_DOUBLE_EQ(t.dlstr_sj("Z5"), 5 - 2550 + 2500 - 1180 + 1200);
  EXPECT_DOUBLE_EQ(t.dlzh_sj(25, 5), -25);
  EXPECT_DOUBLE_EQ(t.dlzh_sj(-3, 5), 5);

  // Every continuous chainage comes back from its own texts.
  for (double c = 0; c <= 3000; c += 0.5) {
    ASSERT_NEAR(t.dlstr_sj(t.sj_dlstr_num(c)), c, 1e-9) << c;
    const auto w = t.segment_walk(c);
    ASSERT_NEAR(t.dlzh_sj(w.segment, w.value), c, 1e-9) << c;
    ASSERT_NEAR(t.resolve(t.sj_dlstr_5(c)), c, 1e-9) << c;
  }
}

TEST(ChainageText, NoBreaksIsTheIdentity) {
  const auto t = ChainBreakTable::none(0, 3000);
  EXPECT_EQ(t.sj_dlstr_k(0), "K0+000.000");
  EXPECT_EQ(t.sj_dlstr_num(1190), "1190.000");
  EXPECT_EQ(t.sj_dlstr_num(-0.0001), "0.000");
  EXPECT_EQ(t.sj_dlstr_1(1190), "1190");
  EXPECT_EQ(t.sj_dlstr_1(-0.000001), "0");
  EXPECT_EQ(t.sj_dlstr_5(1190.25), "1190.250");
  EXPECT_DOUBLE_EQ(t.sj_dlzh(1190.25), 1190.25);
  EXPECT_EQ(t.zh_dlstr("1190"), "1190");
  EXPECT_EQ(t.zh_dlstr_2("1190"), "1190");
  EXPECT_DOUBLE_EQ(t.dlstr_sj("1190.5"), 1190.5);
  EXPECT_DOUBLE_EQ(t.dlstr_sj("A1190.5"), 1190.5);
  EXPECT_DOUBLE_EQ(t.dlzh_sj(2, 1190.5), 1190.5);
}

// A short segment whose numbers end below the back chainage of the segment
// before it: a point of segment A stays in A instead of being carried past
// the later break, and its texts read back to the same place.
TEST(SegmentWalk, StopsAtTheFirstBreakNotPassed) {
  const auto t = ChainBreakTable::read({"3200 3180", "3190 3300"}, 0, 5000, "t.dl");
  EXPECT_EQ(t.sj_dlstr_num(3195), "A3195.000");
  EXPECT_EQ(t.sj_dlstr_num(3205), "B3185.000");
  EXPECT_EQ(t.sj_dlstr_num(3215), "C3305.000");
  for (double c : {3195.0, 3205.0, 3215.0}) {
    EXPECT_NEAR(t.dlstr_sj(t.sj_dlstr_k(c)), c, 1e-6) << c;
  }
}
