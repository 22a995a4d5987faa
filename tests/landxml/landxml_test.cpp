#include "landxml/landxml.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "error.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/numeric.h"

using namespace lumora;
using landxml::Document;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string data(const std::string& name) {
  std::ifstream in(std::string(LUMORA_SOURCE_DIR) + "/tests/landxml/data/" + name,
                   std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A LandXML document around the given alignments.
std::string doc(const std::string& alignments, const std::string& units = "") {
  return "<?xml version=\"1.0\"?>\n<LandXML "
         "xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">\n" +
         units + "<Alignments>\n" + alignments + "</Alignments>\n</LandXML>\n";
}

// The End points of the elements of alignment `name` as the file writes them.
std::vector<std::pair<double, double>> file_ends(const std::string& xml, const std::string& name) {
  std::vector<std::pair<double, double>> ends;
  std::size_t pos = xml.find("name=\"" + name + "\"");
  const std::size_t stop = xml.find("</Alignment>", pos);
  while ((pos = xml.find("<End>", pos)) < stop) {
    pos += 5;
    const auto f = text::split_fields(xml.substr(pos, xml.find('<', pos) - pos));
    ends.push_back({text::numeric_value(f[0]), text::numeric_value(f[1])});
  }
  return ends;
}

void expect_ends_on_file(const std::string& xml, const std::string& name) {
  const auto d = Document::parse(xml, "t.xml");
  const auto road = d.build(d.find(name));
  const auto ends = file_ends(xml, name);
  ASSERT_EQ(static_cast<std::size_t>(road.line.ht_count()), ends.size()) << name;
  for (int k = 1; k <= road.line.ht_count(); ++k) {
    const double x = road.line.ht_x(k) + road.line.ht_dx(k);
    const double y = road.line.ht_y(k) + road.line.ht_dy(k);
    const auto& e = ends[static_cast<std::size_t>(k - 1)];
    EXPECT_LT(std::hypot(x - e.first, y - e.second), 1e-3) << name << " element " << k;
    // The point at the element's end chainage lies there too.
    const auto p = road.line.point_at(road.line.ht_chainage(k) + road.line.ht_len(k) - 1e-9);
    EXPECT_LT(std::hypot(p.x - e.first, p.y - e.second), 1e-3) << name << " element " << k;
  }
}

std::string detail_of(const std::string& xml) {
  try {
    const auto d = Document::parse(xml, "bad.xml");
    for (std::size_t i = 0; i < d.names().size(); ++i) d.build(i);
  } catch (const DataFormatError& e) {
    EXPECT_EQ(e.message(), "数据文件格式有误或操作有误！");
    return e.detail();
  }
  return "(accepted)";
}

const char* kLine = R"(<Line><Start>0 0</Start><End>100 0</End></Line>)";

std::string one(const std::string& elements, const std::string& extra = "",
                const std::string& name = "A", const std::string& sta = "0") {
  return "<Alignment name=\"" + name + "\" staStart=\"" + sta + "\">" + extra + "<CoordGeom>" +
         elements + "</CoordGeom></Alignment>\n";
}

}  // namespace

TEST(LandXml, EveryElementKindInBothRotationsEndsOnTheFileEnd) {
  const std::string xml = data("kinds.xml");
  const auto d = Document::parse(xml, "kinds.xml");
  for (const char* name : {"entry_cw", "exit_ccw", "partial_cw_tightening", "partial_ccw_opening",
                           "ramp", "curve_cw", "curve_ccw", "line_north", "spiral_one_radius"}) {
    expect_ends_on_file(xml, name);
  }

  // Kinds and turning directions from rot; the start azimuth from the first
  // element's own geometry (the exporter wrote 0.3 rad).
  const auto entry = d.build(d.find("entry_cw")).line;
  EXPECT_EQ(entry.kind(1), htbas::HtKind::entry_spiral);
  EXPECT_EQ(entry.ht_r2(1), 200);
  EXPECT_NEAR(entry.ht_azimuth(1), 0.3, 2e-6);
  EXPECT_NEAR(entry.ht_azimuth(2), 0.3 + 60.0 / 400, 2e-6);
  EXPECT_EQ(entry.ht_chainage(1), 100);
  EXPECT_EQ(entry.end_chainage(), 160);
  const auto exit = d.build(d.find("exit_ccw")).line;
  EXPECT_EQ(exit.kind(1), htbas::HtKind::exit_spiral);
  EXPECT_EQ(exit.ht_r1(1), -200);
  const auto tight = d.build(d.find("partial_cw_tightening")).line;
  EXPECT_EQ(tight.kind(1), htbas::HtKind::partial_spiral);
  EXPECT_EQ(tight.ht_r1(1), 300);
  EXPECT_EQ(tight.ht_r2(1), 150);
  EXPECT_EQ(d.build(d.find("partial_ccw_opening")).line.ht_r2(1), -300);

  // Quarter circles from their Center: start north, end east (cw) or west.
  const auto cw = d.build(d.find("curve_cw")).line;
  EXPECT_EQ(cw.kind(1), htbas::HtKind::arc);
  EXPECT_NEAR(cw.ht_azimuth(1), 0, 1e-12);
  auto mid = cw.point_at(157.0796 / 2);
  EXPECT_NEAR(mid.x, 1100 + 100 * std::sin(kPi / 4), 1e-4);
  EXPECT_NEAR(mid.y, 2100 - 100 * std::cos(kPi / 4), 1e-4);
  EXPECT_NEAR(cw.ht_azimuth(2), kPi / 2, 1e-6);
  const auto ccw = d.build(d.find("curve_ccw")).line;
  EXPECT_EQ(ccw.ht_r1(1), -100);
  mid = ccw.point_at(157.0796 / 2);
  EXPECT_NEAR(mid.y, 1900 + 100 * std::cos(kPi / 4), 1e-4);
  EXPECT_NEAR(ccw.ht_azimuth(2), 3 * kPi / 2, 1e-6);

  // A spiral of one radius is an arc, one of two infinite radii a straight.
  const auto same = d.build(d.find("spiral_one_radius")).line;
  EXPECT_EQ(same.kind(1), htbas::HtKind::arc);
  EXPECT_EQ(same.ht_r1(1), -100);
  EXPECT_EQ(same.kind(2), htbas::HtKind::straight);
}

TEST(LandXml, AnchoredElementsDoNotDriftWhereChainingWould) {
  // 30 arcs whose lengths and radii the file rounds by 0.45 mm each.
  const std::string xml = data("drift.xml");
  expect_ends_on_file(xml, "drift");
  const auto d = Document::parse(xml, "drift.xml");
  const auto line = d.build(0).line;
  // The same elements chained from the first start point drift by centimetres.
  htbas::HtFile f;
  f.ht_start_x = line.ht_x(1);
  f.ht_start_y = line.ht_y(1);
  for (int k = 1; k <= line.ht_count(); ++k) {
    f.ht_elements_read.push_back({line.ht_r1(k), line.ht_r2(k), line.ht_len(k), 0});
  }
  const double deg = line.ht_azimuth(1) * 180 / kPi;
  const double dd = std::floor(deg), mm = std::floor((deg - dd) * 60);
  f.ht_start_azimuth = dd + mm / 100 + (deg - dd - mm / 60) * 3600 / 10000;
  const auto chained = htbas::Interchange::build(f);
  const auto ends = file_ends(xml, "drift");
  const int n = chained.ht_count();
  EXPECT_GT(
      std::hypot(chained.ht_x(n + 1) - ends.back().first, chained.ht_y(n + 1) - ends.back().second),
      5e-3);
  // Stations follow the elements' own staStart, not the rounded lengths.
  EXPECT_NEAR(line.ht_chainage(30), 870.0131, 1e-9);
  EXPECT_NEAR(line.end_chainage(), 900.0131, 1e-9);
}

TEST(LandXml, ASpiralWithoutPiTakesItsDirectionFromItsChord) {
  std::string xml = data("kinds.xml");
  const auto pi = xml.find("<PI>2038.2586 1011.8348</PI>");
  ASSERT_NE(pi, std::string::npos);
  xml.erase(pi, std::string("<PI>2038.2586 1011.8348</PI>").size());
  expect_ends_on_file(xml, "entry_cw");
  const auto d = Document::parse(xml, "t.xml");
  EXPECT_NEAR(d.build(d.find("entry_cw")).line.ht_azimuth(1), 0.3, 5e-6);
}

TEST(LandXml, FilesInTheChineseCodePageAreDecoded) {
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<LandXML><Alignments>" +
                           one(kLine, "", "A匝道") + "</Alignments></LandXML>";
  const std::string gbk = text::utf8_to_gbk(utf8);
  ASSERT_NE(gbk, utf8);
  const auto d = Document::parse(gbk, "gb.xml");
  EXPECT_EQ(d.names(), std::vector<std::string>{"A匝道"});
  EXPECT_EQ(d.build(0).line.end_chainage(), 100);
}

TEST(LandXml, UnitsAreConvertedToMetres) {
  const std::string ft = "<Units><Imperial linearUnit=\"USSurveyFoot\"/></Units>";
  const auto d = Document::parse(
      doc(one("<Line length=\"1000\"><Start>0 0</Start><End>0 1000</End></Line>", "", "A", "100"),
          ft),
      "ft.xml");
  const auto line = d.build(0).line;
  const double us = 1200.0 / 3937.0;
  EXPECT_NEAR(line.ht_len(1), 1000 * us, 1e-9);
  EXPECT_NEAR(line.ht_chainage(1), 100 * us, 1e-9);
  EXPECT_NEAR(line.ht_y(2), 1000 * us, 1e-9);
  EXPECT_NEAR(line.ht_azimuth(1), kPi / 2, 1e-12);  // east
  // No staStart on the alignment: the first element's.
  EXPECT_EQ(
      Document::parse(doc("<Alignment name=\"A\"><CoordGeom><Line staStart=\"250\">"
                          "<Start>0 0</Start><End>100 0</End></Line></CoordGeom></Alignment>"),
                      "s.xml")
          .build(0)
          .line.start_chainage(),
      250);
  const auto foot =
      Document::parse(doc(one(kLine), "<Units><Imperial linearUnit=\"foot\"/></Units>"), "f.xml");
  EXPECT_NEAR(foot.build(0).line.end_chainage(), 30.48, 1e-9);
  EXPECT_NE(
      detail_of(doc(one(kLine), "<Units><Metric linearUnit=\"furlong\"/></Units>")).find("furlong"),
      std::string::npos);
}

TEST(LandXml, StationEquationsBecomeChainBreaks) {
  const std::string line300 = R"(<Line><Start>0 0</Start><End>300 0</End></Line>)";
  const auto d =
      Document::parse(doc(one(line300,
                              R"(<StaEquation staInternal="1100" staBack="1100" staAhead="1150"/>)"
                              R"(<StaEquation staBack="1250" staAhead="1240"/>)",
                              "A", "1000")),
                      "eq.xml");
  const auto road = d.build(0);
  ASSERT_EQ(road.breaks.chain_break_count(), 2);
  EXPECT_EQ(road.breaks.back_chainage(1), 1100);
  EXPECT_EQ(road.breaks.ahead_chainage(1), 1150);
  // Back 1250 lies in segment B: continuous 1200.
  EXPECT_NEAR(road.equations[1].internal, 1200, 1e-9);
  EXPECT_NEAR(road.breaks.resolve("B1200"), 1150, 1e-9);
  EXPECT_EQ(road.breaks.sj_dlstr_k(1250), "CK1+290.000");
  EXPECT_EQ(road.line.end_chainage(), 1300);

  // staInternal that disagrees with staBack, an equation beyond the line,
  // and equations whose numbering cannot be told apart are refused.
  EXPECT_NE(detail_of(doc(one(line300,
                              R"(<StaEquation staInternal="1000" staBack="1100" staAhead="1150"/>)",
                              "A", "1000")))
                .find("staInternal"),
            std::string::npos);
  EXPECT_NE(
      detail_of(doc(one(line300, R"(<StaEquation staBack="1400" staAhead="1500"/>)", "A", "1000")))
          .find("不在路线内"),
      std::string::npos);

  // A long chain back to 0, then forward again: every segment keeps its own
  // numbers, a point of segment A too (it is not carried past the second
  // break, whose back station is lower than its own number).
  const auto jumps = Document::parse(doc(one(line300,
                                             R"(<StaEquation staBack="1100" staAhead="0"/>)"
                                             R"(<StaEquation staBack="50" staAhead="2000"/>)",
                                             "A", "1000")),
                                     "eq.xml")
                         .build(0);
  EXPECT_EQ(jumps.breaks.sj_dlstr_num(1090), "A1090.000");
  EXPECT_EQ(jumps.breaks.sj_dlstr_num(1120), "B20.000");
  EXPECT_EQ(jumps.breaks.sj_dlstr_num(1200), "C2050.000");
}

TEST(LandXml, AlignmentsThatContinueEachOtherAreOfferedJoined) {
  const auto d = Document::parse(
      doc(one(kLine, "", "A", "0") +
          one(R"(<Line><Start>100 0</Start><End>250 0</End></Line>)", "", "B", "500") +
          one(R"(<Line><Start>900 900</Start><End>950 900</End></Line>)", "", "C")),
      "j.xml");
  ASSERT_EQ(d.names(), (std::vector<std::string>{"A", "B", "C", "A + B"}));
  const auto joined = d.build(d.find("A + B"));
  EXPECT_EQ(joined.line.ht_count(), 2);
  EXPECT_EQ(joined.line.end_chainage(), 250);
  ASSERT_EQ(joined.breaks.chain_break_count(), 1);
  EXPECT_EQ(joined.breaks.back_chainage(1), 100);
  EXPECT_EQ(joined.breaks.ahead_chainage(1), 500);
  EXPECT_NEAR(joined.breaks.resolve("B600"), 200, 1e-9);
  // Each piece on its own keeps its own stations.
  EXPECT_EQ(d.build(d.find("B")).line.start_chainage(), 500);
  EXPECT_NE(std::string(detail_of(doc(one(kLine, "", "A") + one(kLine, "", "A")))), "");
  try {
    Document::parse(doc(one(kLine, "", "A") + one(kLine, "", "A")), "x.xml").find("A");
    ADD_FAILURE() << "an ambiguous name was accepted";
  } catch (const DataFormatError& e) {
    EXPECT_NE(e.detail().find("同名"), std::string::npos);
  }
}

TEST(LandXml, SelfContradictingFilesAreRefusedNamingTheElement) {
  struct Case {
    std::string elements;
    std::string expect;
  };
  const std::vector<Case> cases = {
      {R"(<Line length="100.01"><Start>0 0</Start><End>100 0</End></Line>)", "length=100.0100"},
      {R"(<Curve rot="cw" radius="100.01"><Start>1100 2000</Start><Center>1100 2100</Center><End>1200 2100</End></Curve>)",
       "radius"},
      {R"(<Curve rot="cw" radius="100" length="160"><Start>1100 2000</Start><Center>1100 2100</Center><End>1200 2100</End></Curve>)",
       "圆弧长"},
      // rot contradicting the geometry: the End is missed.
      {R"(<Spiral rot="ccw" length="60" radiusStart="INF" radiusEnd="200"><Start>2000 1000</Start><PI>2038.2586 1011.8348</PI><End>2056.3062 1020.5528</End></Spiral>)",
       "End相差"},
      // A gap of 2 mm between two lines (a turn between them is an angle point,
      // taken with a warning).
      {std::string(kLine) + R"(<Line><Start>100.002 0</Start><End>200 0</End></Line>)", "缺口"},
      {R"(<Spiral length="60" radiusStart="INF" radiusEnd="200" spiType="cubicParabola" rot="cw"><Start>0 0</Start><End>60 1</End></Spiral>)",
       "cubicParabola"},
      {R"(<Spiral length="60" radiusStart="INF" radiusEnd="200" spiType="bloss" rot="cw"><Start>0 0</Start><End>60 1</End></Spiral>)",
       "bloss"},
      {R"(<IrregularLine><Start>0 0</Start><End>1 1</End></IrregularLine>)", "IrregularLine"},
      {R"(<Line><Start>nan 0</Start><End>100 0</End></Line>)", "nan"},
      {R"(<Line><Start>1e999 0</Start><End>100 0</End></Line>)", "1e999"},
      {R"(<Line length="inf"><Start>0 0</Start><End>100 0</End></Line>)", "length"},
      {R"(<Line><Start>0</Start><End>100 0</End></Line>)", "Start"},
      {R"(<Line><End>100 0</End></Line>)", "缺少Start"},
      {R"(<Curve radius="100"><Start>1100 2000</Start><Center>1100 2100</Center><End>1200 2100</End></Curve>)",
       "rot"},
      {R"(<Line><Start pntRef="nowhere"/><End>100 0</End></Line>)", "Start"},
  };
  for (const Case& c : cases) {
    const std::string detail = detail_of(doc(one(c.elements)));
    EXPECT_NE(detail.find(c.expect), std::string::npos) << c.elements << "\n -> " << detail;
    EXPECT_NE(detail.find("路线「A」"), std::string::npos) << detail;
  }
  // The element is named with its line in the file.
  const std::string two_lines = doc(
      one(std::string(kLine) + "\n<Line length=\"5\"><Start>100 0</Start><End>200 0</End></Line>"));
  EXPECT_NE(detail_of(two_lines).find("第2个单元(Line)"), std::string::npos);
  EXPECT_NE(detail_of(two_lines).find("bad.xml 第5行"), std::string::npos);
}

TEST(LandXml, FilesThatAreNotLandXmlAlignmentsAreRefused) {
  EXPECT_NE(detail_of("").find("文件为空"), std::string::npos);
  EXPECT_NE(detail_of("  \n ").find("文件为空"), std::string::npos);
  EXPECT_NE(detail_of("0 4000 3000 45.3020\n9999 9999 80\n").find("不是XML"), std::string::npos);
  EXPECT_NE(detail_of("<LandXML><Alignments>").find("不是XML"), std::string::npos);
  EXPECT_NE(detail_of("<kml/>").find("不是LandXML"), std::string::npos);
  EXPECT_NE(detail_of(doc("")).find("没有路线"), std::string::npos);
  EXPECT_NE(detail_of(doc("<Alignment name=\"A\"/>")).find("缺少CoordGeom"), std::string::npos);
  EXPECT_NE(detail_of(doc("<Alignment name=\"A\"><CoordGeom/></Alignment>")).find("没有单元"),
            std::string::npos);
  EXPECT_TRUE(landxml::looks_like_xml("\xEF\xBB\xBF  <?xml?>"));
  EXPECT_FALSE(landxml::looks_like_xml("0 4000 3000 45.3020"));
  EXPECT_FALSE(landxml::looks_like_xml(""));

  std::string many;
  for (int i = 0; i < 1001; ++i) many += "<Line><Start>0 0</Start><End>1 0</End></Line>";
  EXPECT_NE(detail_of(doc(one(many))).find("多于1000"), std::string::npos);
}

TEST(LandXml, ArbitraryBytesNeverCrash) {
  // Every prefix of a real file, and files with bytes changed at random,
  // are read or refused with the system's message: nothing else escapes.
  const std::string xml = data("kinds.xml");
  auto survive = [](const std::string& bytes) {
    try {
      const auto d = Document::parse(bytes, "f.xml");
      for (std::size_t i = 0; i < d.names().size(); ++i) {
        try {
          d.build(i);
        } catch (const DataFormatError&) {
        }
      }
    } catch (const DataFormatError&) {
    }
  };
  for (std::size_t n = 0; n < xml.size(); n += 7) survive(xml.substr(0, n));
  std::mt19937 rng(11);
  const std::string alphabet = "<>/=\" 0123456789.-eE\nINFcwrot";
  for (int round = 0; round < 300; ++round) {
    std::string b = xml;
    for (int k = 0; k < 5; ++k) b[rng() % b.size()] = alphabet[rng() % alphabet.size()];
    survive(b);
  }
  // Deep nesting.
  survive(std::string(200000, '<'));
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  survive("<LandXML>" + deep);
}
