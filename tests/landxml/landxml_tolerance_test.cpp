// What real exports hold and the reader takes with a warning: kinks, angle
// points, a Center off by millimetres, station equations without staBack,
// and files with several problems, all of them listed.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "error.h"
#include "landxml/landxml.h"

using namespace lumora;
using landxml::Document;

namespace {

constexpr double kPi = 3.14159265358979323846;

Document parse(const std::string& name) {
  std::ifstream in(std::string(LUMORA_SOURCE_DIR) + "/tests/landxml/data/" + name,
                   std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return Document::parse(ss.str(), name);
}

std::string refusal(const Document& d, const std::string& name) {
  try {
    d.build(d.find(name));
  } catch (const DataFormatError& e) {
    return e.detail();
  }
  return "(accepted)";
}

}  // namespace

TEST(LandXmlTolerance, AKinkIsLaidFromEachStartWithAWarningNamingTheElement) {
  const auto d = parse("kink.xml");
  const auto road = d.build(0);
  ASSERT_EQ(road.warnings.size(), 1u);
  EXPECT_NE(road.warnings[0].detail.find("第1个单元(Line)"), std::string::npos);
  EXPECT_NE(road.warnings[0].detail.find("0.000200 rad"), std::string::npos);
  EXPECT_NE(road.warnings[0].detail.find("kink.xml 第"), std::string::npos);
  EXPECT_DOUBLE_EQ(road.warnings[0].chainage, 100);
  EXPECT_TRUE(road.line.corners().empty());
  // The second element starts on its own Start with its own direction.
  EXPECT_NEAR(road.line.ht_azimuth(2), 2e-4, 1e-9);
}

TEST(LandXmlTolerance, AnAnglePointIsACornerOfTheLineJoinedByAChordOfTheEyePath) {
  const auto d = parse("angle_point.xml");
  const auto road = d.build(0);
  ASSERT_EQ(road.line.corners().size(), 1u);
  const auto& c = road.line.corners()[0];
  EXPECT_EQ(c.k, 1);
  EXPECT_DOUBLE_EQ(c.chainage, 100);
  EXPECT_NEAR(c.deflection, 6 * kPi / 180, 1e-9);  // to the right
  ASSERT_EQ(road.warnings.size(), 1u);
  EXPECT_NE(road.warnings[0].what.find("转角点"), std::string::npos);
  EXPECT_NE(road.warnings[0].detail.find("K0+100.000 偏角+6.0000°"), std::string::npos);
  EXPECT_NE(road.warnings[0].detail.find("第1个单元(Line) 第8行 / 第2个单元(Line) 第9行"),
            std::string::npos)
      << road.warnings[0].detail;
  // Both lines are laid from their own Start: the end is the file's End.
  EXPECT_NEAR(road.line.ht_x(3), 100 + 100 * std::cos(6 * kPi / 180), 1e-6);
  EXPECT_NEAR(road.line.ht_y(3), 100 * std::sin(6 * kPi / 180), 1e-6);
}

TEST(LandXmlTolerance, ACenterOffByMillimetresIsTakenWhereTheArcEndsOnItsEnd) {
  const auto d = parse("centre_off.xml");
  const auto road = d.build(d.find("C"));
  ASSERT_EQ(road.warnings.size(), 1u);
  EXPECT_NE(road.warnings[0].what.find("Center"), std::string::npos);
  EXPECT_NE(road.warnings[0].detail.find("500.0013"), std::string::npos);
  // Laid from Start with radius 500 and length 100, through the file's End.
  const double sweep = 0.2;
  EXPECT_NEAR(road.line.ht_x(2), 500 * std::sin(sweep), 1e-6);
  EXPECT_NEAR(road.line.ht_y(2), 500 - 500 * std::cos(sweep), 1e-6);
  EXPECT_NEAR(std::remainder(road.line.ht_azimuth(1), 2 * kPi), 0, 1e-9);

  // 6 mm beyond: refused, naming what disagrees.
  const std::string why = refusal(d, "F");
  EXPECT_NE(why.find("radius=500.0000"), std::string::npos) << why;
  EXPECT_NE(why.find("0.0060 m"), std::string::npos) << why;
  EXPECT_NE(why.find("路线「F」第1个单元(Curve)"), std::string::npos) << why;
}

TEST(LandXmlTolerance, AStationEquationWithoutStaBackTakesStaInternal) {
  const auto d = parse("no_staback.xml");
  const auto road = d.build(0);
  ASSERT_EQ(road.breaks.chain_break_count(), 2);
  EXPECT_DOUBLE_EQ(road.breaks.back_chainage(1), 100);
  EXPECT_DOUBLE_EQ(road.breaks.ahead_chainage(1), 150);
  // Internal 200 is 250 in the numbering after the first equation.
  EXPECT_DOUBLE_EQ(road.breaks.back_chainage(2), 250);
  EXPECT_DOUBLE_EQ(road.breaks.ahead_chainage(2), 180);
  EXPECT_EQ(road.breaks.sj_dlstr_k(250), "CK0+230.000");
}

TEST(LandXmlTolerance, EveryProblemOfAnAlignmentIsListed) {
  const std::string xml = R"(<?xml version="1.0"?>
<LandXML><Alignments><Alignment name="A" staStart="0"><CoordGeom>
<Line><Start>0 0</Start><End>100 0</End></Line>
<Line><Start>100.5 0</Start><End>200 0</End></Line>
<Curve rot="left"><Start>200 0</Start><Center>200 100</Center><End>300 100</End></Curve>
<Line length="90"><Start>300 100</Start><End>300 200</End></Line>
</CoordGeom></Alignment></Alignments></LandXML>
)";
  const auto d = Document::parse(xml, "bad.xml");
  const std::string why = refusal(d, "A");
  EXPECT_NE(why.find("第4个单元(Line): length=90.0000"), std::string::npos) << why;
  EXPECT_NE(why.find("第3个单元(Curve): rot"), std::string::npos) << why;
  // The gap between elements 1 and 2, whose Start lies 0.5 m on.
  EXPECT_NE(why.find("第1个单元(Line): 与下一单元(第4行)之间有0.5000 m的缺口"), std::string::npos)
      << why;
}

TEST(LandXmlTolerance, TheChooserAndTheTableShowTheFilesUnitAndStartStation) {
  const std::string xml = R"(<?xml version="1.0"?>
<LandXML><Units><Imperial linearUnit="USSurveyFoot"/></Units><Alignments>
<Alignment name="R" staStart="2103.72056"><CoordGeom>
<Line><Start>0 0</Start><End>300 0</End></Line></CoordGeom></Alignment>
</Alignments></LandXML>
)";
  const auto d = Document::parse(xml, "us.xml");
  EXPECT_EQ(d.describe(0), "R\t单位 USSurveyFoot，起点桩号 2103.72056 USSurveyFoot = 641.215 m");
  EXPECT_NE(d.units_note(0).find("长度、桩号和坐标均以米计"), std::string::npos);
}
