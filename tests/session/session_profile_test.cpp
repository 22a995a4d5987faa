// The profile of an initialization: its dialog after the alignment's files,
// a cancel, a failed read that keeps the previous initialization, the level
// road without a profile, and a LandXML profile that comes with the line.
#include <gtest/gtest.h>

#include "session/profile_input.h"
#include "session/scripted_interface.h"
#include "session/session.h"
#include "temp_dir_test.h"

using namespace lumora::session;

namespace {

class SessionProfileTest : public lumora::testing::TempDirTest {};

}  // namespace

TEST_F(SessionProfileTest, ProfileFileAfterTheAlignment) {
  ScriptedInterface ui;
  Session s(ui);
  const auto line = write("l.jdx", "直线\r\n0\r\nQD\r\n0 0 0 0 0\r\nZD\r\n1250.5 0 0 0 0\r\n");
  const auto dl = write("n.dl", "-1 0\n");
  InitOptions o;
  o.read_profile = true;
  // Cancelled: the read-cancelled message, nothing initialized.
  ui.answer(line);
  ui.answer(dl);
  EXPECT_FALSE(s.initialize(o));
  EXPECT_EQ(ui.dialogs.back().title, "读取纵断面资料");
  EXPECT_EQ(ui.messages.back().message, "读取文件被取消！");
  EXPECT_FALSE(s.initialized());

  ui.answer(line);
  ui.answer(dl);
  ui.answer(write("p.txt", "纵断面\n0 100 0\n600 106 10000\n1200 100 0\n"));
  ASSERT_TRUE(s.initialize(o));
  ASSERT_NE(s.profile(), nullptr);
  EXPECT_NEAR(s.elevation().elevation_at(600), 106 - 0.5, 1e-9);
  EXPECT_EQ(s.input_files().size(), 3u);

  // A profile that fails keeps the previous initialization whole.
  ui.answer(line);
  ui.answer(dl);
  ui.answer(write("bad.txt", "t\n0 100 0\n600 106 10000\n700 100 0\n"));
  EXPECT_FALSE(s.initialize(o));
  EXPECT_NE(ui.messages.back().detail.find("bad.txt 第3行"), std::string::npos);
  ASSERT_NE(s.profile(), nullptr);

  // Without the tick box: no profile, a level road.
  ui.answer(line);
  ui.answer(dl);
  ASSERT_TRUE(s.initialize(InitOptions{}));
  EXPECT_EQ(s.profile(), nullptr);
  EXPECT_EQ(s.elevation().elevation_at(600), 0);
}

TEST_F(SessionProfileTest, LandXmlProfileComesWithTheLine) {
  ScriptedInterface ui;
  Session s(ui);
  ui.answer(write("a.xml",
                  "<?xml version=\"1.0\"?>\n<LandXML><Alignments><Alignment name=\"A\" "
                  "staStart=\"100\"><CoordGeom><Line length=\"500\"><Start>0 0</Start><End>500 "
                  "0</End></Line></CoordGeom><Profile><ProfAlign name=\"P\"><PVI>100 10</PVI>"
                  "<ParaCurve length=\"100\">300 14</ParaCurve><PVI>600 8</PVI></ProfAlign>"
                  "</Profile></Alignment></Alignments></LandXML>\n"));
  InitOptions o;
  o.kind = AlignmentKind::interchange;
  ASSERT_TRUE(s.initialize(o)) << ui.messages.back().detail;
  ASSERT_NE(s.profile(), nullptr);
  EXPECT_EQ(s.profile()->title(), "P");
  EXPECT_NEAR(s.elevation().elevation_at(200), 12, 1e-12);
}
