// Initialization of an interchange from a LandXML file, through the element
// method's dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "session/dialogs.h"
#include "session/scripted_interface.h"
#include "session/session.h"
#include "temp_dir_test.h"

namespace fs = std::filesystem;
using namespace lumora::session;

namespace {

class LandXmlSession : public lumora::testing::TempDirTest {
 protected:
  static InitOptions interchange() {
    InitOptions o;
    o.kind = AlignmentKind::interchange;
    return o;
  }
};

const fs::path kRamps = fs::path(LUMORA_SOURCE_DIR) / "examples" / "ramps.xml";

// A 300 m straight north from chainage 1000, with a station equation at 1100.
const char* kEquation = R"(<?xml version="1.0"?>
<LandXML><Alignments><Alignment name="M" staStart="1000">
<StaEquation staInternal="1100" staBack="1100" staAhead="1150"/>
<CoordGeom><Line><Start>0 0</Start><End>300 0</End></Line></CoordGeom>
</Alignment></Alignments></LandXML>
)";

}  // namespace

TEST_F(LandXmlSession, TheElementDialogReadsLandXmlAndAsksForOneOfSeveralAlignments) {
  ScriptedInterface ui;
  Session s(ui);
  // Recognised by the content, whatever the file is called.
  fs::copy_file(kRamps, dir / "ramps.txt");
  ui.answer(dir / "ramps.txt");
  ui.answer_choice(1);
  ASSERT_TRUE(s.initialize(interchange())) << ui.messages.at(0).detail;
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0].title, "读取平面资料");
  EXPECT_NE(ui.dialogs[0].filter.find("LandXML (*.xml)|*.xml"), std::string::npos);
  ASSERT_EQ(ui.choices.size(), 1u);
  EXPECT_EQ(ui.choices[0].second,
            (std::vector<std::string>{"A匝道\t单位 meter，起点桩号 0.000 m",
                                      "B匝道\t单位 meter，起点桩号 1000.000 m"}));
  EXPECT_EQ(ui.status, "初始化完成！");
  EXPECT_EQ(s.start_text(), "1000");
  EXPECT_EQ(s.end_text(), "1390.000");
  EXPECT_EQ(s.interchange()->ht_count(), 5);

  // Cancelling the choice is cancelling the file: the line stays as it was.
  ui.answer(kRamps);
  ui.answer_choice(std::nullopt);
  EXPECT_FALSE(s.initialize(interchange()));
  EXPECT_EQ(ui.messages.back().message, "读取文件被取消！");
  EXPECT_EQ(s.start_text(), "1000");

  // By name, without asking.
  InitOptions named = interchange();
  named.landxml_alignment = "A匝道";
  ui.answer(kRamps);
  ASSERT_TRUE(s.initialize(named));
  EXPECT_EQ(ui.choices.size(), 2u);
  EXPECT_EQ(s.end_text(), "670.000");

  // The drawing and the clearance run on it as on any interchange.
  ASSERT_TRUE(s.design_line());
  EXPECT_GT(s.drawing()->entities().size(), 10u);
  ClearanceOptions c;
  c.single_chainage = "200";
  const auto r = s.clearance(c);
  ASSERT_TRUE(r.has_value());
  EXPECT_NE(*r, "0.000");  // inside the 60 m loop
}

TEST_F(LandXmlSession, StationEquationsGiveChainBreaksAndBadFilesTheSystemMessage) {
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(write("eq.xml", kEquation));
  ASSERT_TRUE(s.initialize(interchange()));
  ASSERT_EQ(s.chain_breaks()->chain_break_count(), 1);
  EXPECT_EQ(s.end_text(), "1350");
  EXPECT_DOUBLE_EQ(s.resolve_typed_chainage("B1200"), 1150);
  EXPECT_EQ(s.alignment()->point_at(1150).x, 150);
  // The drawing labels the ramp in its own stationing and marks the break.
  ASSERT_TRUE(s.design_line());
  std::vector<std::string> texts;
  for (const auto& e : s.drawing()->entities()) {
    if (e.kind == lumora::cad::EntityKind::text) texts.push_back(e.text);
  }
  const std::vector<std::string> expected{"QD AK1+000.000", "ZD BK1+350.000", "2", "3",
                                          "AK1+100.000=BK1+150.000"};
  EXPECT_EQ(texts, expected);

  // Text element files still read through the same dialog.
  ui.answer(write("ramp.txt", "0 4000 3000 0\n9999 9999 80\n"));
  ASSERT_TRUE(s.initialize(interchange()));
  EXPECT_EQ(s.end_text(), "80.000");

  // A LandXML file that contradicts itself; an unreadable one.
  ui.answer(write("bad.xml",
                  "<LandXML><Alignments><Alignment name=\"Q\"><CoordGeom>"
                  "<Line length=\"90\"><Start>0 0</Start><End>100 0</End></Line>"
                  "</CoordGeom></Alignment></Alignments></LandXML>"));
  EXPECT_FALSE(s.initialize(interchange()));
  EXPECT_EQ(ui.messages.back().message, "数据文件格式有误或操作有误！");
  EXPECT_NE(ui.messages.back().detail.find("路线「Q」第1个单元(Line)"), std::string::npos);
  InitOptions strict = interchange();
  strict.require_landxml = true;
  ui.answer(dir / "ramp.txt");
  EXPECT_FALSE(s.initialize(strict));
  EXPECT_NE(ui.messages.back().detail.find("不是XML"), std::string::npos);
  EXPECT_EQ(s.end_text(), "80.000");
}
