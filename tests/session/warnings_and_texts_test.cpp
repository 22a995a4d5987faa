// Warnings that summarise, and chainage texts as designers write them, through
// the session: LandXML initialization warnings, the first row's text, the
// stake form in the chainage-list and sight-limit files.
#include <gtest/gtest.h>

#include "chainage/chain_breaks.h"
#include "interchange/interchange.h"
#include "session/input_files.h"
#include "session/scripted_interface.h"
#include "session/session.h"
#include "session/warning_summary.h"
#include "temp_dir_test.h"
#include "text/format.h"

using namespace lumora::session;
using lumora::chainage::ChainBreakTable;

namespace {

class WarningsAndTexts : public lumora::testing::TempDirTest {
 protected:
  static InitOptions interchange() {
    InitOptions o;
    o.kind = AlignmentKind::interchange;
    return o;
  }
};

// Two lines meeting at an angle point of about 5° at K0+641.215; the line
// starts at a staStart written at full precision, 41.215309118618.
const char* kCorner = R"(<?xml version="1.0"?>
<LandXML><Alignments><Alignment name="M" staStart="41.215309118618"><CoordGeom>
<Line><Start>0 0</Start><End>600 0</End></Line>
<Line><Start>600 0</Start><End>1197.716 52.293</End></Line>
</CoordGeom></Alignment></Alignments></LandXML>
)";

}  // namespace

TEST(WarningSummary, OneLinePerRunOfAFactWithItsRangeAndCount) {
  ScriptedInterface ui;
  {
    WarningSummary w(ui, [](double c) { return lumora::text::format_stake(c); });
    // Sight lines 17472 … 17539 seen from many chainages: each counted once.
    for (double c = 17472; c <= 17539; c += 1) {
      for (double q = c - 110; q <= c - 108; q += 1) w.add("条视线改用二分法确定起点", c, q);
    }
    w.interrupt();  // a chainage without the fact
    w.add("条视线改用二分法确定起点", 18000, 17890);
    w.note("另一件事");
    w.add("处单元连接方向略有偏差", 100, 100, "第1个单元");
    w.add("处单元连接方向略有偏差", 300, 300, "第3个单元");
  }  // flushed when it goes
  const std::vector<std::string> expected{
      "桩号 K17+472.000 至 K17+539.000：70 条视线改用二分法确定起点",
      "桩号 K18+000.000：1 条视线改用二分法确定起点", "另一件事",
      "桩号 K0+100.000 至 K0+300.000：2 处单元连接方向略有偏差（第1个单元；第3个单元）"};
  EXPECT_EQ(ui.warnings, expected);
}

TEST_F(WarningsAndTexts, AnAnglePointIsWarnedOnceAndTheFirstRowIsRounded) {
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(write("corner.xml", kCorner));
  ASSERT_TRUE(s.initialize(interchange())) << ui.messages.at(0).detail;
  ASSERT_EQ(ui.warnings.size(), 1u);
  EXPECT_NE(ui.warnings[0].find("桩号 K0+641.215：1 个转角点"), std::string::npos)
      << ui.warnings[0];
  EXPECT_EQ(s.start_text(), "41.215");
  EXPECT_NE(s.units_note().find("meter"), std::string::npos);

  // The eye path crosses the corner: a clearance there is computed, and
  // an interval run starts with the rounded start text.
  ClearanceOptions c;
  c.single_chainage = "K0+641.215";
  ASSERT_TRUE(s.clearance(c)) << ui.messages.at(0).detail;
  c.mode = ChainageMode::interval;
  c.interval_text = "200";
  ui.answer(dir / "out.txt");
  ASSERT_TRUE(s.clearance(c)) << ui.messages.back().detail;
  ASSERT_FALSE(s.last_result().empty());
  EXPECT_EQ(s.last_result().front().chainage_text, "41.215");
  EXPECT_EQ(s.last_result()[1].chainage_text, "200");
}

TEST(TypedTexts, FilesReadTheStakeFormAndNegativeChainages) {
  const ChainBreakTable t = ChainBreakTable::read({"100 150"}, -90, 400, "n.dl");
  const auto list =
      read_chainage_list({"AK-0+090.000", "A-50", "K0+050", "BK0+200", ""}, "list.txt", t);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_DOUBLE_EQ(list[0].chainage, -90);
  EXPECT_DOUBLE_EQ(list[1].chainage, -50);
  EXPECT_DOUBLE_EQ(list[2].chainage, 50);
  EXPECT_DOUBLE_EQ(list[3].chainage, 150);
  EXPECT_EQ(list[3].text, "BK0+200");
  const auto limits = read_sight_limits({"AK-0+090 110", "BK0+200 160"}, "s.txt", t);
  ASSERT_EQ(limits.size(), 2u);
  EXPECT_DOUBLE_EQ(limits[1].chainage, 150);
}

TEST_F(WarningsAndTexts, AClearanceOnA5200KmSpiralCostsWhatOneOnAShortLineDoes) {
  // The fuzzing case: 20 m runs along it took 0.35 ms a chainage, the points
  // far from the spiral's start integrating the whole way from it.
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(write("long.txt", "0 0 0 0.0000\n9999 60000 5200000\n"));
  ASSERT_TRUE(s.initialize(interchange()));
  const long before = lumora::htbas::quadrature_panels();
  ClearanceOptions c;
  c.single_chainage = "5100000";
  ASSERT_TRUE(s.clearance(c)) << ui.messages.at(0).detail;
  // One 4 096 m block of the eye path and the sight lines: a panel each
  // point (it took 400 before), with a generous margin.
  EXPECT_LT(lumora::htbas::quadrature_panels() - before, 50000);
}
