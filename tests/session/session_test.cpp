// The commands run through a scripted user interface: every dialog, message
// and cancel path without a screen.
#include "session/session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "error.h"
#include "session/dialogs.h"
#include "session/result_file.h"
#include "session/scripted_interface.h"
#include "temp_dir_test.h"
#include "text/encoding.h"
#include "text/fields.h"

namespace fs = std::filesystem;
using namespace lumora::session;

namespace {

class SessionTest : public lumora::testing::TempDirTest {
 protected:
  std::vector<std::string> lines_of(const fs::path& p) { return lumora::text::read_text_lines(p); }

  // A straight main line from chainage 0 to 1250.5 along +X.
  fs::path straight() {
    return write("straight.jdx", "直线\r\n0\r\nQD\r\n0 0 0 0 0\r\nZD\r\n1250.5 0 0 0 0\r\n");
  }
  // A single right-hand curve R = 500 with 100 m spirals, start chainage 1000.
  fs::path curve() {
    return write("curve.jdx",
                 "单曲线,1000\nQD\n0 0 0 0 0\nJD1\n1000 0 500 100 100\nZD\n1500 866.0254 0 0 0\n");
  }
  fs::path no_breaks() { return write("none.dl", "-1 0\n"); }

  bool init_main(Session& s, ScriptedInterface& ui, const fs::path& line, const fs::path& dl) {
    ui.answer(line);
    ui.answer(dl);
    return s.initialize(InitOptions{});
  }
};

TEST_F(SessionTest, InitializationDialogsAndCancels) {
  ScriptedInterface ui;
  Session s(ui);
  // The first dialog cancelled: the read-cancelled message, status unchanged.
  EXPECT_FALSE(s.initialize(InitOptions{}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "错误");
  EXPECT_EQ(ui.messages[0].message, "读取文件被取消！");
  EXPECT_EQ(ui.status, "需初始化！");
  EXPECT_EQ(ui.dialogs[0].title, "读取平面资料");
  EXPECT_FALSE(s.initialized());

  // A main line always asks for chain breaks; cancelling that dialog (or
  // its "无断链" choice) gives a line without chain breaks.
  ui.answer(straight());
  const auto shown = ui.messages.size();
  EXPECT_TRUE(s.initialize(InitOptions{}));
  EXPECT_EQ(ui.dialogs.back().title, "读取断链资料");
  EXPECT_EQ(ui.dialogs.back().skip_choice, "无断链");
  EXPECT_EQ(ui.messages.size(), shown);
  EXPECT_EQ(s.chain_breaks()->chain_break_count(), 0);

  ASSERT_TRUE(init_main(s, ui, straight(), no_breaks()));
  EXPECT_EQ(ui.status, "初始化完成！");
  EXPECT_EQ(s.start_text(), "0");
  EXPECT_EQ(s.end_text(), "1250.500");

  // A failed second initialization keeps the first one in force, whole.
  ui.answer(write("bad.jdx", "标题\n0\nQD\n0 0 0 0 0\nJD1\n100 x 300 0 0\nZD\n200 0 0 0 0\n"));
  EXPECT_FALSE(s.initialize(InitOptions{}));
  EXPECT_EQ(ui.messages.back().message, "数据文件格式有误或操作有误！");
  EXPECT_NE(ui.messages.back().detail.find("bad.jdx"), std::string::npos);
  ASSERT_TRUE(s.initialized());
  EXPECT_DOUBLE_EQ(s.alignment()->end_chainage(), 1250.5);
}

TEST_F(SessionTest, InterchangeNeverAsksForChainBreaks) {
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(write("ramp.txt", "100 0 0 0\n9999 9999 100\n100 100 50\n"));
  InitOptions o;
  o.kind = AlignmentKind::interchange;
  ASSERT_TRUE(s.initialize(o));
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(s.start_text(), "100");
  EXPECT_EQ(s.end_text(), "250.000");
  EXPECT_EQ(s.chain_breaks()->chain_break_count(), 0);
}

TEST_F(SessionTest, StartAndEndTextsWithChainBreaks) {
  ScriptedInterface ui;
  Session s(ui);
  // Continuous end 1250.5; after a back break 1200/1180 the end reads 1230.5,
  // which occurs in segment B only.
  ASSERT_TRUE(init_main(s, ui, straight(), write("b.dl", "1000 980\n")));
  EXPECT_EQ(s.end_text(), "1230.500");
  // With the break 1245/1200 the end number 1205.5 exists twice.
  ASSERT_TRUE(init_main(s, ui, straight(), write("c.dl", "1245 1200\n")));
  EXPECT_EQ(s.end_text(), "B1205.500");
}

TEST_F(SessionTest, EyeOffsetFileMessages) {
  ScriptedInterface ui;
  Session s(ui);
  InitOptions o;
  o.eye_offset_file = true;
  // A chainage in the overlap of a back break stops initialization with the
  // check's own message.
  ui.answer(straight());
  ui.answer(write("b.dl", "1200 1180\n"));
  ui.answer(write("eye.txt", "0 -7.25\n1190 -7.5\n"));
  EXPECT_FALSE(s.initialize(o));
  EXPECT_EQ(ui.messages.back().title, "数据有误");
  EXPECT_EQ(ui.messages.back().message,
            "程序不能判断桩号1190所属的断链区间，需添加断链标识A、B、C...");
  EXPECT_EQ(ui.dialogs.back().title, "读取司机视点距设计线的距离文件");

  ui.answer(straight());
  ui.answer(no_breaks());
  ui.answer("");
  EXPECT_FALSE(s.initialize(o));
  EXPECT_EQ(ui.messages.back().message, "读取文件被取消！");

  ui.answer(straight());
  ui.answer(no_breaks());
  ui.answer(write("eye1.txt", "0\n"));
  EXPECT_FALSE(s.initialize(o));
  EXPECT_EQ(ui.messages.back().message, "数据文件格式有误或操作有误！");

  ui.answer(straight());
  ui.answer(no_breaks());
  ui.answer(write("eye2.txt", "0 -7.5\n1000 -3.5\n"));
  ASSERT_TRUE(s.initialize(o));
  EXPECT_DOUBLE_EQ(s.eye_path()->offset().at(500), -5.5);
}

TEST_F(SessionTest, SingleChainageChecks) {
  ScriptedInterface ui;
  Session s(ui);
  ASSERT_TRUE(init_main(s, ui, curve(), no_breaks()));
  ClearanceOptions c;
  c.single_chainage = "900";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().title, "数据有误");
  EXPECT_EQ(ui.messages.back().message, "桩号900超出平面数据文件，请修改！");

  c.single_chainage = "A1100";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().message, "桩号A1100有误，不存在断链，请修改！");

  // Limit file: a chainage before its first row.
  c.single_chainage = " 1100 ";
  c.sight_file = true;
  ui.answer(write("limits.txt", "1200 110\n1800 160\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().message, "桩号1100超出视距限值文件，请修改！");
  EXPECT_EQ(ui.dialogs.back().title, "读取视距限值文件");

  // Inside of a right-hand curve with the eye on the right: negative.
  c.sight_file = false;
  c.single_chainage = "1972";  // mid-curve
  const auto r = s.clearance(c);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->front(), '-');
  c.side = lumora::sight::Side::median;
  EXPECT_EQ(s.clearance(c), "0.000");
  EXPECT_EQ(ui.status, "初始化完成！");  // single mode leaves the status alone
}

TEST_F(SessionTest, ChainageListAndResultFile) {
  ScriptedInterface ui;
  Session s(ui);
  ASSERT_TRUE(init_main(s, ui, curve(), no_breaks()));
  ClearanceOptions c;
  c.mode = ChainageMode::list;
  // The fourth line is empty: three rows, the rest is not read.
  ui.answer(write("list.txt", "1300\r\n1400.5\r\n\t1500 \r\n\r\n1600\r\n"));
  const fs::path out = dir / "result.txt";
  ui.answer(out);
  ASSERT_TRUE(s.clearance(c));
  EXPECT_EQ(ui.status, "计算完成！");
  EXPECT_EQ(ui.last_progress, (std::pair<int, int>{3, 3}));
  EXPECT_EQ(ui.dialogs.back().title, "保存最大横净距文件");
  std::ifstream in(out, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), {});
  const auto lines = lumora::text::split_lines(content);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 3);
  EXPECT_EQ(std::count(content.begin(), content.end(), '\r'), 3);
  const std::string& l = lines[1];
  EXPECT_EQ(l.substr(0, 6), "1400.5");
  EXPECT_EQ(l.substr(29, 6), "-7.250");
  EXPECT_EQ(l.substr(104), "110");
  const auto f = lumora::text::split_fields(l);
  ASSERT_EQ(f.size(), 8u);
  EXPECT_EQ(f[5].size(), std::string("1290.500").size());

  // The list dialog cancelled: the read-cancelled message.
  ui.answer("");
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().message, "读取文件被取消！");
  EXPECT_EQ(ui.dialogs.back().title, "读取桩号文件");

  // The save dialog cancelled: its own message, and no file.
  ui.answer(write("list2.txt", "1300\n"));
  ui.answer("");
  const fs::path untouched = dir / "never.txt";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().message, "保存文件被取消！");
  EXPECT_FALSE(fs::exists(untouched));

  // A list chainage before the limit file's first row: message, the old
  // result file stays as it was.
  c.sight_file = true;
  ui.answer(write("list3.txt", "1400\n1300\n"));
  ui.answer(write("limits.txt", "1350 110\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().message, "桩号1300超出视距限值文件，请修改！");
  std::ifstream again(out, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), content);
}

TEST_F(SessionTest, FixedIntervalList) {
  ScriptedInterface ui;
  Session s(ui);
  ASSERT_TRUE(init_main(s, ui, straight(), no_breaks()));
  ClearanceOptions c;
  c.mode = ChainageMode::interval;
  c.from_text = "0";
  c.to_text = "1250.5";
  const fs::path out = dir / "r.txt";
  ui.answer(out);
  ASSERT_TRUE(s.clearance(c));
  std::vector<std::string> chainages;
  for (const auto& l : lines_of(out)) chainages.push_back(lumora::text::split_fields(l)[0]);
  const std::vector<std::string> expected{"0",   "100", "200", "300",  "400",  "500",  "600",
                                          "700", "800", "900", "1000", "1100", "1200", "1250.500"};
  EXPECT_EQ(chainages, expected);
  for (const auto& l : lines_of(out)) EXPECT_EQ(lumora::text::split_fields(l)[1], "0.000");

  c.interval_text = "0";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().message, "数据文件格式有误或操作有误！");
  c.interval_text = "";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.messages.back().message, "数据文件格式有误或操作有误！");
}

TEST_F(SessionTest, CancelledRunWritesNothingAndKeepsNoRows) {
  ScriptedInterface ui;
  Session s(ui);
  ASSERT_TRUE(init_main(s, ui, straight(), no_breaks()));
  ClearanceOptions c;
  c.mode = ChainageMode::interval;
  const fs::path out = dir / "r.txt";
  ui.answer(out);
  ASSERT_TRUE(s.clearance(c));
  EXPECT_EQ(s.last_result().size(), 14u);

  ui.cancel_after = 3;
  const fs::path out2 = dir / "r2.txt";
  ui.answer(out2);
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(ui.status, "计算已取消！");
  EXPECT_EQ(ui.last_progress.first, 3);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(fs::exists(out2));
  EXPECT_TRUE(s.last_result().empty());
}

TEST_F(SessionTest, FixedIntervalAcrossChainBreaks) {
  ScriptedInterface ui;
  Session s(ui);
  // Start 1234.5 is not a stake: the list starts there and goes on at 1300.
  const auto line = write("l.jdx", "t\n1234.5\nQD\n0 0 0 0 0\nZD\n1000 0 0 0 0\n");
  ASSERT_TRUE(init_main(s, ui, line, write("b.dl", "1500 1480\n1800 1850\n")));
  ClearanceOptions c;
  c.mode = ChainageMode::interval;
  const fs::path out = dir / "r.txt";
  ui.answer(out);
  ASSERT_TRUE(s.clearance(c));
  std::vector<std::string> chainages;
  for (const auto& l : lines_of(out)) chainages.push_back(lumora::text::split_fields(l)[0]);
  // Continuous end 2234.5 -> C2264.5 (-20 + 50).
  // The window's start text gets its letter and is rounded like every other
  // row; stakes at a segment's end are left out; the end of the line is
  // C2264.500.
  const std::vector<std::string> expected{"A1234.500", "A1300", "A1400",    "B1500",
                                          "B1600",     "B1700", "C1900",    "C2000",
                                          "C2100",     "C2200", "C2264.500"};
  EXPECT_EQ(chainages, expected);
}

TEST_F(SessionTest, DrawingCommandsShareTheOpenDrawing) {
  ScriptedInterface ui;
  Session s(ui);
  ASSERT_TRUE(init_main(s, ui, curve(), no_breaks()));
  ASSERT_TRUE(s.design_line());
  EXPECT_EQ(ui.status, "设计线完成！");
  ASSERT_FALSE(ui.stages.empty());
  EXPECT_EQ(ui.stages.front(), "正在生成设计线");
  EXPECT_EQ(ui.stages.back(), "设计线绘制完毕，双击返回");
  const auto* first = s.drawing();
  const auto entities = first->entities().size();

  // The envelope of a result file goes into the same drawing.
  ClearanceOptions c;
  c.mode = ChainageMode::list;
  ui.answer(write("list.txt", "1900\n1950\n2000\n"));
  const fs::path result = dir / "r.txt";
  ui.answer(result);
  ASSERT_TRUE(s.clearance(c));
  ui.answer(result);
  ASSERT_TRUE(s.envelope(true, true));
  EXPECT_EQ(ui.status, "包络图完成！");
  EXPECT_EQ(s.drawing(), first);
  EXPECT_GT(s.drawing()->entities().size(), entities + 2);

  ui.answer("");
  EXPECT_FALSE(s.envelope(true, true));
  EXPECT_EQ(ui.messages.back().message, "读取文件被取消！");
  ui.answer(write("short.txt", "1900 -1.0 -7.25 -7.25 -7.25 1800\n"));
  EXPECT_FALSE(s.envelope(true, true));
  EXPECT_EQ(ui.messages.back().message, "数据文件格式有误或操作有误！");
  EXPECT_NE(ui.messages.back().detail.find("short.txt"), std::string::npos);
}

TEST(ResultFile, ColumnsAndOverlongFields) {
  ResultRow r;
  r.chainage_text = "B12345.678";
  r.clearance = -3.2;
  r.offset = -7.25;
  r.offset_start = -7.25;
  r.offset_end = -7.25;
  r.start_text = "B12290.678";
  r.end_text = "B12455.678";
  r.sight_distance = 110.5;
  const auto line = format_result_line(r);
  EXPECT_EQ(line.find("-3.200"), 14u);
  EXPECT_EQ(line.find("B12290.678"), 74u);
  EXPECT_EQ(line.substr(104), "110.5");
  // A field reaching the next column keeps one blank before the next field.
  r.chainage_text = "A1234567890123456";
  const auto f = lumora::text::split_fields(format_result_line(r));
  ASSERT_EQ(f.size(), 8u);
  EXPECT_EQ(f[1], "-3.200");
  // A chainage listed twice in a row is written once.
  ResultRow a = r, b = r;
  a.chainage = 100;
  b.chainage = 100.0005;
  EXPECT_EQ(lumora::text::split_lines(format_result_file({a, b})).size(), 1u);
}

TEST(ResultFile, AtomicWrite) {
  const fs::path dir = fs::temp_directory_path() / "lumora-atomic";
  fs::create_directories(dir);
  const fs::path p = dir / "x.txt";
  write_file_atomically(p, "one\r\n");
  write_file_atomically(p, "two\r\n");
  std::ifstream in(p);
  std::string s;
  std::getline(in, s);
  EXPECT_EQ(s, "two\r");
  EXPECT_THROW(write_file_atomically(dir / "missing" / "x.txt", "x"), lumora::CancelledError);
  EXPECT_FALSE(fs::exists(dir / "missing"));
  size_t count = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++count;
  EXPECT_EQ(count, 1u);  // no temporary files left behind
  fs::remove_all(dir);
}

}  // namespace
