// Inputs a command cannot answer are refused with the system's message and a
// detail that says where; inputs at the very ends of the line are answered.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "error.h"
#include "session/input_files.h"
#include "session/result_file.h"
#include "session/scripted_interface.h"
#include "session/session.h"
#include "text/encoding.h"

namespace fs = std::filesystem;
using namespace lumora::session;

namespace {

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("lumora-bad-input-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path write(const std::string& name, const std::string& content) {
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // The example main line with its two chain breaks (3200/3180, 6500/6550):
  // continuous end 12515.3467, shown as C12545.347.
  void init_example(Session& s, ScriptedInterface& ui, bool breaks = true) {
    ui.answer(std::string(LUMORA_SOURCE_DIR) + "/examples/mainline.jdx");
    InitOptions o;
    o.read_chain_breaks = breaks;
    if (breaks) ui.answer(std::string(LUMORA_SOURCE_DIR) + "/examples/mainline.dl");
    ASSERT_TRUE(s.initialize(o));
  }
  const ScriptedInterface::Message& last(const ScriptedInterface& ui) { return ui.messages.back(); }

  fs::path dir;
};

TEST_F(BadInput, TheShownEndChainageIsOnTheLine) {
  ScriptedInterface ui;
  Session s(ui);
  init_example(s, ui);
  EXPECT_EQ(s.end_text(), "12545.347");  // unique: shown without its letter
  ClearanceOptions c;
  for (const char* t : {"C12545.347", "12545.347"}) {
    c.single_chainage = t;
    EXPECT_TRUE(s.clearance(c)) << t << ": " << (ui.messages.empty() ? "" : last(ui).message);
  }
  // Taken at the true end, not half a millimetre beyond it.
  EXPECT_DOUBLE_EQ(s.resolve_typed_chainage("C12545.347"), s.alignment()->end_chainage());
  // The same end through the interval's default --to, and typed.
  c.mode = ChainageMode::interval;
  c.interval_text = "1000";
  c.from_text = "C12000";
  c.to_text = "C12545.347";
  ui.answer(dir / "end.txt");
  ASSERT_TRUE(s.clearance(c));
  ASSERT_EQ(s.last_result().size(), 2u);
  EXPECT_EQ(s.last_result().back().chainage_text, "C12545.347");
  // A millimetre beyond is beyond.
  c.mode = ChainageMode::single;
  c.single_chainage = "C12545.348";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "桩号C12545.348超出所在断链区间，请修改！");
  // A segment end inside the line: A3200.0004 is the break point.
  EXPECT_DOUBLE_EQ(s.resolve_typed_chainage("A3200.0004"), 3200);

  // Without chain breaks the end is 12515.347, shown rounded up.
  ScriptedInterface ui2;
  Session plain(ui2);
  init_example(plain, ui2, false);
  c.single_chainage = "12515.347";
  EXPECT_TRUE(plain.clearance(c));
  c.single_chainage = "12515.348";
  EXPECT_FALSE(plain.clearance(c));
  EXPECT_EQ(last(ui2).message, "桩号12515.348超出平面数据文件，请修改！");
}

TEST_F(BadInput, TheShownEndOfARamp) {
  // Ends at 100.9996, shown as 100.000 + 1.000 = "101.000".
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(write("ramp.txt", "0 0 0 0\n9999 9999 100.9996\n"));
  InitOptions o;
  o.kind = AlignmentKind::interchange;
  ASSERT_TRUE(s.initialize(o));
  EXPECT_EQ(s.end_text(), "101.000");
  ClearanceOptions c;
  c.single_chainage = s.end_text();
  EXPECT_TRUE(s.clearance(c));
  EXPECT_DOUBLE_EQ(s.resolve_typed_chainage("101.000"), 101.000);  // no segment: kept
}

TEST_F(BadInput, WindowNumbersThatAreNotFinite) {
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(std::string(LUMORA_SOURCE_DIR) + "/examples/mainline.jdx");
  InitOptions o;
  o.read_chain_breaks = false;
  o.eye_offset_text = "inf";
  EXPECT_FALSE(s.initialize(o));
  EXPECT_EQ(last(ui).message, "数据文件格式有误或操作有误！");
  EXPECT_EQ(last(ui).detail, "司机视点距设计线的距离「inf」不是有限数");

  init_example(s, ui);
  ClearanceOptions c;
  c.single_chainage = "2000";
  for (const std::string& t :
       std::vector<std::string>{"nan", "-Infinity", "1" + std::string(400, '0')}) {
    c.sight_text = t;
    EXPECT_FALSE(s.clearance(c)) << t;
  }
  c.sight_text = "nan";
  s.clearance(c);
  EXPECT_EQ(last(ui).detail, "视距「nan」不是有限数");
  c.sight_text = "110";
  c.mode = ChainageMode::interval;
  c.interval_text = std::string(400, '9');
  EXPECT_FALSE(s.clearance(c));
  // A long number is quoted shortened.
  EXPECT_LT(last(ui).detail.size(), 120u);
  EXPECT_NE(last(ui).detail.find("…"), std::string::npos);
}

TEST_F(BadInput, IntervalWindowAndBounds) {
  ScriptedInterface ui;
  Session s(ui);
  init_example(s, ui);
  ClearanceOptions c;
  c.mode = ChainageMode::interval;
  c.from_text = "5000";
  c.to_text = "4000";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).title, "数据有误");
  EXPECT_EQ(last(ui).message, "起始桩号5000在终止桩号4000之后，请修改！");

  // An interval that would make more than ten million chainages.
  c.from_text.clear();
  c.to_text.clear();
  c.interval_text = "0.000000001";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "数据文件格式有误或操作有误！");
  EXPECT_NE(last(ui).detail.find("多于10000000个"), std::string::npos);
  // The same interval in a short window is a run like any other: only the
  // stakes inside the window are made.
  c.interval_text = "0.5";
  c.from_text = "5000";
  c.to_text = "5002";
  ui.answer(dir / "window.txt");
  ASSERT_TRUE(s.clearance(c));
  EXPECT_EQ(s.last_result().size(), 5u);
  EXPECT_EQ(s.last_result()[1].chainage_text, "B5000.500");
  // A window outside the line is refused like a single chainage.
  c.to_text = "C20000";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "桩号C20000超出所在断链区间，请修改！");
}

TEST_F(BadInput, ChainageListLines) {
  ScriptedInterface ui;
  Session s(ui);
  init_example(s, ui);
  ClearanceOptions c;
  c.mode = ChainageMode::list;
  const fs::path out = write("out.txt", "old\r\n");
  ui.answer(write("letters.txt", "1500\nabc\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "数据文件格式有误或操作有误！");
  EXPECT_EQ(last(ui).detail.rfind("letters.txt 第2行: 「abc」不是桩号", 0), 0u);
  // A segment letter the line does not have, checked as a typed one.
  ui.answer(write("z.txt", "1500\nZ5000\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "桩号Z5000断链标识有误，请修改！");
  EXPECT_EQ(last(ui).detail, "z.txt 第2行");
  ui.answer(write("b.txt", "B7000\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "桩号B7000超出所在断链区间，请修改！");
  // An empty list says so and writes nothing.
  ui.answer(write("empty.txt", "\n1500\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).detail, "empty.txt: 桩号文件中没有桩号");
  EXPECT_EQ(read(out), "old\r\n");
  EXPECT_NE(ui.status, "计算完成！");
}

TEST_F(BadInput, SightLimitRowsGoingBack) {
  ScriptedInterface ui;
  Session s(ui);
  init_example(s, ui);
  ClearanceOptions c;
  c.single_chainage = "2000";
  c.sight_file = true;
  ui.answer(write("limits.txt", "1234.567 110\n5000 160\n4000 120\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "数据文件格式有误或操作有误！");
  EXPECT_EQ(last(ui).detail, "limits.txt 第3行: 桩号「4000」小于上一行的桩号");
  ui.answer(write("zero.txt", "1234.567 abc\n"));
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).detail, "zero.txt 第1行: 视距「abc」不是正数");
}

TEST_F(BadInput, AnOutputThatIsAnInputOfTheRun) {
  ScriptedInterface ui;
  Session s(ui);
  init_example(s, ui);
  ClearanceOptions c;
  c.mode = ChainageMode::list;
  const fs::path list = write("list.txt", "1500\n2000\n");
  ui.answer(list);
  ui.answer(dir / "." / "list.txt");  // the list itself, spelt otherwise
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).message, "保存文件被取消！");
  EXPECT_NE(last(ui).detail.find("是本次运行读取的文件"), std::string::npos);
  EXPECT_EQ(read(list), "1500\n2000\n");
  // The alignment read by the initialization is an input of every run.
  ui.answer(list);
  ui.answer(std::string(LUMORA_SOURCE_DIR) + "/examples/mainline.jdx");
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(s.input_files().size(), 2u);
}

TEST(InputFiles, ResultRowsReadBack) {
  const auto breaks = lumora::chainage::ChainBreakTable::read({"3200 3180"}, 1000, 5000, "dl");
  // Sight-line ends may lie beyond the line; only their letters are checked.
  const auto rows = read_result_file({"A1500 -1.2 -7.25 -7.25 -7.25 A1390.000 A1610.000 110",
                                      "B4980 0.000 -7.25 -7.25 -7.25 B4870 B5090 110"},
                                     "r.txt", breaks);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_DOUBLE_EQ(rows[1].end_chainage, 5110);
  EXPECT_THROW(read_result_file({"A1500 -1.2 -7.25 -7.25 -7.25 A1390 C1610 110"}, "r", breaks),
               lumora::DataCheckError);
  EXPECT_THROW(read_result_file({"A1500 nan -7.25 -7.25 -7.25 A1390 A1610 110"}, "r", breaks),
               lumora::LumoraError);
  try {
    read_result_file({"A1500 1" + std::string(400, '0') + " -7.25 -7.25 -7.25 A1390 A1610 110"},
                     "r.txt", breaks);
    FAIL();
  } catch (const lumora::DataFormatError& e) {
    EXPECT_EQ(e.detail().rfind("r.txt 第1行: 字段2「", 0), 0u);
  }
  EXPECT_THROW(read_result_file({}, "r", breaks), lumora::DataFormatError);
}

}  // namespace

// Number boxes take one number or nothing: the run ends before any dialog
// with a message that names the box and quotes the text.
TEST_F(BadInput, NumberBoxesRefuseMistypedNumbers) {
  ScriptedInterface ui;
  Session s(ui);
  init_example(s, ui);
  const auto dialogs = ui.dialogs.size();
  ClearanceOptions c;
  c.single_chainage = "2000";
  for (const std::string t : {"1O0", "160m", "abc"}) {
    c.sight_text = t;
    EXPECT_FALSE(s.clearance(c)) << t;
    EXPECT_EQ(last(ui).detail, "视距「" + t + "」不是数");
  }
  c.sight_text = " 110 ";
  const auto plain = s.clearance(c);
  ASSERT_TRUE(plain);
  c.sight_text = "110,0";
  EXPECT_EQ(s.clearance(c), plain);
  c.mode = ChainageMode::interval;
  c.interval_text = "20abc";
  EXPECT_FALSE(s.clearance(c));
  EXPECT_EQ(last(ui).detail, "固定桩号间距「20abc」不是数");
  EXPECT_EQ(ui.dialogs.size(), dialogs);  // refused before any dialog

  InitOptions o;
  o.read_chain_breaks = false;
  o.eye_offset_text = "-7,25m";
  ui.answer(std::string(LUMORA_SOURCE_DIR) + "/examples/mainline.jdx");
  EXPECT_FALSE(s.initialize(o));
  EXPECT_EQ(last(ui).detail, "司机视点距设计线的距离「-7,25m」不是数");
}

// The limit file is read once per initialization: a second run asks for
// none, forget_sight_limits() or a new initialization asks again.
TEST_F(BadInput, SightLimitFileReadOncePerInitialization) {
  ScriptedInterface ui;
  Session s(ui);
  init_example(s, ui);
  ClearanceOptions c;
  c.single_chainage = "2000";
  c.sight_file = true;
  ui.answer(write("limits.txt", "1234.567 110\n"));
  ASSERT_TRUE(s.clearance(c));
  const auto dialogs = ui.dialogs.size();
  ASSERT_TRUE(s.clearance(c));
  EXPECT_EQ(ui.dialogs.size(), dialogs);
  s.forget_sight_limits();
  EXPECT_FALSE(s.clearance(c));  // asked again, and cancelled
  EXPECT_EQ(ui.dialogs.back().title, "读取视距限值文件");
}

// A file of the other method is named as such.
TEST_F(BadInput, AFileOfTheOtherMethodSaysWhichItSeemsToBe) {
  ScriptedInterface ui;
  Session s(ui);
  const std::string examples = std::string(LUMORA_SOURCE_DIR) + "/examples/";
  InitOptions main;
  main.read_chain_breaks = false;
  for (const char* f : {"ramp.txt", "ramps.xml"}) {
    ui.answer(examples + f);
    EXPECT_FALSE(s.initialize(main)) << f;
    EXPECT_NE(last(ui).detail.find("请选择「积木法—互通」"), std::string::npos) << last(ui).detail;
  }
  InitOptions ramp;
  ramp.kind = AlignmentKind::interchange;
  ui.answer(examples + "mainline.jdx");
  EXPECT_FALSE(s.initialize(ramp));
  EXPECT_NE(last(ui).detail.find("交点法—主线的交点文件"), std::string::npos) << last(ui).detail;
}
