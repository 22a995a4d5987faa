// The curves of a line, the largest clearance on each, the exported tables,
// and reading a result file back for display.
#include "session/curves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "session/dialogs.h"
#include "session/scripted_interface.h"
#include "session/session.h"
#include "temp_dir_test.h"
#include "text/format.h"

namespace fs = std::filesystem;
using namespace lumora::session;

namespace {

class CurvesTest : public lumora::testing::TempDirTest {
 protected:
  // Two circular curves without spirals: JD1 turns right by 60° with
  // R = 500, JD2 turns back left by 60° with R = 800; chain break at 200.
  void init(Session& s, ScriptedInterface& ui) {
    ui.answer(write("two.jdx",
                    "两曲线,0\nQD\n0 0 0 0 0\nJD1\n1000 0 500 0 0\n"
                    "JD2\n1750 1299.0381 800 0 0\nZD\n2750 1299.0381 0 0 0\n"));
    ui.answer(write("two.dl", "200 180\n"));
    ASSERT_TRUE(s.initialize(InitOptions{}));
  }
};

TEST_F(CurvesTest, LargestClearancePerCurveMatchesTheMiddleOrdinate) {
  ScriptedInterface ui;
  Session s(ui);
  init(s, ui);
  ClearanceOptions c;
  c.mode = ChainageMode::interval;
  c.interval_text = "20";
  ui.answer(dir / "r.txt");
  ASSERT_TRUE(s.clearance(c));
  const auto& rows = s.last_result();
  EXPECT_EQ(s.title(), "两曲线");  // the PI file's title, for the drawings

  const auto curves = curves_of(*s.main_line(), *s.chain_breaks());
  ASSERT_EQ(curves.size(), 2u);
  EXPECT_EQ(curves[0].name, "JD1");
  EXPECT_EQ(curves[0].kind, "ZY-YZ");
  EXPECT_EQ(curves[0].radius_text, "500");
  EXPECT_EQ(curves[1].radius_text, "800");
  // ZH of JD1 lies T = 500·tan 30° before the PI, in segment B's numbering.
  EXPECT_NEAR(curves[0].start, 1000 - 500 * std::tan(std::numbers::pi / 6), 1e-6);
  EXPECT_EQ(curves[0].start_text, s.chain_breaks()->sj_dlstr_num(curves[0].start));
  EXPECT_EQ(curves[0].start_text.substr(0, 1), "B");
  EXPECT_NEAR(curves[0].end - curves[0].start, 500 * std::numbers::pi / 3, 1e-6);

  const auto summary = summarize_curves(curves, rows);
  ASSERT_EQ(summary.size(), 2u);
  // Mid-curve on the right-hand curve the eye runs on a circle of radius
  // R' = 500 − 7.25 and the clearance is its middle ordinate for S = 110,
  // on the right of the eye (negative); sight lines end at whole metres.
  const double rp = 500 - 7.25;
  const double ordinate = rp * (1 - std::cos(110 / (2 * rp)));
  ASSERT_TRUE(summary[0].row);
  const ResultRow& top = rows[*summary[0].row];
  EXPECT_NEAR(top.clearance, -ordinate, 0.002);
  EXPECT_GE(top.chainage, curves[0].start + 55);
  EXPECT_LE(top.chainage, curves[0].end - 55);
  EXPECT_EQ(top.sight_distance, 110);
  // 524 m of curve at 20 m stakes: 26 or 27 rows.
  EXPECT_GE(summary[0].row_count, 26u);
  EXPECT_LE(summary[0].row_count, 27u);
  // The left-hand curve turns away from the inside of the eye: no sight
  // line passes there, every row holds 0.
  ASSERT_TRUE(summary[1].row);
  EXPECT_EQ(rows[*summary[1].row].clearance, 0);
  EXPECT_GT(summary[1].row_count, 30u);

  const TextTable t = summary_table(summary, rows);
  ASSERT_EQ(t.cells.size(), 2u);
  EXPECT_EQ(t.cells[0][0], "JD1");
  EXPECT_EQ(t.cells[0][5], lumora::text::format_fixed3(top.clearance));
  EXPECT_EQ(t.cells[0][6], top.chainage_text);
  EXPECT_EQ(t.cells[0][7], "110");

  // A curve that no row reaches is listed with empty figures.
  const auto none = summarize_curves(curves, {});
  EXPECT_FALSE(none[0].row);
  const TextTable empty = summary_table(none, {});
  EXPECT_EQ(empty.cells[0][5], "");
  EXPECT_EQ(empty.cells[0][8], "0");
}

TEST(CurveList, RampArcsAndSpirals) {
  const auto ramp = lumora::htbas::Interchange::build(lumora::htbas::read_ht_file(
      {"0 4000.0 3000.0 45.3020", "9999 9999 80", "9999 60 40", "60 60 200", "60 -120 90"},
      "ramp.txt"));
  const auto curves =
      curves_of(ramp, lumora::chainage::ChainBreakTable::none(0, ramp.end_chainage()));
  // The S-shaped spiral is split in two at its point of zero curvature.
  ASSERT_EQ(curves.size(), 4u);
  EXPECT_EQ(curves[0].name, "H2");
  EXPECT_EQ(curves[0].kind, "缓和曲线");
  EXPECT_EQ(curves[0].radius_text, "∞→60");
  EXPECT_EQ(curves[0].radius, 60);
  EXPECT_EQ(curves[0].start_text, "80.000");
  EXPECT_EQ(curves[1].name, "Y3");
  EXPECT_EQ(curves[1].radius_text, "60");
  EXPECT_EQ(curves[2].radius_text, "60→∞");
  EXPECT_EQ(curves[3].radius_text, "∞→120");
  EXPECT_NEAR(curves[3].end, 410, 1e-9);
}

TEST(TableText, CsvWithByteOrderMarkAndQuotingTsvForTheClipboard) {
  TextTable t;
  t.header = {"桩号", "最大横净距"};
  t.cells = {{"B1200", "-3.067"}, {"a,b", "say \"x\""}, {"two\nlines", ""}};
  const std::string csv = csv_text(t);
  EXPECT_EQ(csv,
            "\xEF\xBB\xBF"
            "\xE6\xA1\xA9\xE5\x8F\xB7,\xE6\x9C\x80\xE5\xA4\xA7\xE6\xA8\xAA\xE5\x87\x80\xE8\xB7\x9D"
            "\r\n"
            "B1200,-3.067\r\n"
            "\"a,b\",\"say \"\"x\"\"\"\r\n"
            "\"two\nlines\",\r\n");

  EXPECT_EQ(tsv_text({{"B1200", "-3.067"}, {"a\tb", "c\r\nd"}}), "B1200\t-3.067\na b\tc  d\n");

  ResultRow r;
  r.chainage_text = "A1234.567";
  r.clearance = -0.0001;  // never "-0.000"
  r.offset = r.offset_start = r.offset_end = -7.25;
  r.start_text = "A1124.567";
  r.end_text = "A1344.567";
  r.sight_distance = 110.5;
  const TextTable rt = result_table({r});
  ASSERT_EQ(rt.header.size(), 8u);
  EXPECT_EQ(rt.cells[0], (std::vector<std::string>{"A1234.567", "0.000", "-7.250", "-7.250",
                                                   "-7.250", "A1124.567", "A1344.567", "110.5"}));
}

TEST_F(CurvesTest, OpeningAFileTheEnvelopeRefusesGivesTheSameMessage) {
  ScriptedInterface ui;
  Session s(ui);
  init(s, ui);
  const std::string good =
      "100           0.000          -7.250         -7.250         -7.250"
      "         -10.000        A210.000       110\r\n";
  const std::vector<fs::path> bad = {
      write("short.txt", good + "B300 1 2 3 4 A200\r\n"),        // six fields
      write("gap.txt", good + "190 0 0 0 0 A100 B300 110\r\n"),  // 190 exists in A and B
      write("empty.txt", "\r\n" + good),                         // no row before the blank
      fs::path(),                                                // dialog cancelled
  };
  for (const fs::path& p : bad) {
    SCOPED_TRACE(p.string());
    ui.answer(p);
    EXPECT_FALSE(s.envelope(true, true));
    ASSERT_FALSE(ui.messages.empty());
    const auto from_envelope = ui.messages.back();
    ui.answer(p);
    EXPECT_FALSE(s.open_result());
    EXPECT_EQ(ui.dialogs.back().title, "读取最大横净距文件");
    const auto from_open = ui.messages.back();
    EXPECT_EQ(from_open.title, from_envelope.title);
    EXPECT_EQ(from_open.message, from_envelope.message);
    EXPECT_EQ(from_open.detail, from_envelope.detail);
    EXPECT_TRUE(s.last_result().empty());
  }
  EXPECT_EQ(ui.messages[0].message, "数据文件格式有误或操作有误！");
  EXPECT_NE(ui.messages[0].detail.find("第2行"), std::string::npos);
  EXPECT_EQ(ui.messages[2].title, "数据有误");
  EXPECT_EQ(ui.messages.back().message, "读取文件被取消！");

  // A good file: its rows, chainages resolved through the chain breaks.
  ui.answer(write("good.txt", good + "B300 -1.5 -7.25 -7.25 -7.25 B190 B410 120\r\n"));
  ASSERT_TRUE(s.open_result());
  ASSERT_EQ(s.last_result().size(), 2u);
  EXPECT_EQ(s.last_result()[1].chainage_text, "B300");
  EXPECT_NEAR(s.last_result()[1].chainage, 320, 1e-9);
  EXPECT_NEAR(s.last_result()[1].start_chainage, 210, 1e-9);
  EXPECT_EQ(s.last_result()[1].clearance, -1.5);
  EXPECT_EQ(s.last_result()[1].sight_distance, 120);
  EXPECT_EQ(s.last_result_path().filename(), "good.txt");
  // A file refused later keeps the rows shown.
  ui.answer(bad[0]);
  EXPECT_FALSE(s.open_result());
  EXPECT_EQ(s.last_result().size(), 2u);
}

}  // namespace
