// Design-line drawings of a main line, written to DXF and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "cad/drawings.h"
#include "cad/writers.h"
#include "cad_test_util.h"

using namespace lumora;
using namespace lumora::cad;
using namespace lumora::cad::test;

namespace {

Drawn draw_main(const zxbas::MainLine& line, const chainage::ChainBreakTable& breaks,
                const std::filesystem::path& file) {
  Drawn d;
  DrawingDocument& doc = cad_connect(d.doc);
  draw_design_line(doc, line, breaks, [&](const std::string& s) { d.stages.push_back(s); });
  write_drawing(doc, file);
  d.dxf = read_dxf(file);
  return d;
}

chainage::ChainBreakTable no_breaks(const zxbas::MainLine& line) {
  return chainage::ChainBreakTable::none(line.qdzh(), line.end_chainage());
}

const std::vector<std::string> kMainStages = {
    "正在生成设计线",         "正在生成交点线", "正在标注起终点",          "正在标注百米桩、千米桩",
    "正在标注交点号、要素桩", "正在标注断链",   "设计线绘制完毕，双击返回"};

}  // namespace

TEST(SpiralSampleLength, EqualStepsOfTangentAngle) {
  // A complete spiral: l_k = ls·√(k/360), so the turn l²/(2RL) grows evenly.
  EXPECT_EQ(spiral_sample_length(0, 100, 0, 500, 0), 0);
  EXPECT_NEAR(spiral_sample_length(90, 100, 0, 500, 0), 50, 1e-9);
  EXPECT_NEAR(spiral_sample_length(360, 100, 0, 500, 0), 100, 1e-9);
  // An incomplete spiral from radius 1000 to 500 over 100 m: e = 100 from
  // the virtual origin, so it starts at l = 100 (τ = 0.05) and ends at l =
  // 200 (τ = 0.2).
  const double e = 500.0 * 100 / (1000 - 500);
  EXPECT_NEAR(spiral_sample_length(360, 100, e, 500, 1000), 100, 1e-9);
  EXPECT_NEAR(spiral_sample_length(1, 100, e, 500, 1000), 0, 1);  // near the start
  const double l180 = std::sqrt(2 * (0.05 + 0.15 / 2) * 500 * 200);
  EXPECT_NEAR(spiral_sample_length(180, 100, e, 500, 1000), l180 - e, 1e-9);
  // A hairpin's negative values give the same distances, negative.
  EXPECT_NEAR(spiral_sample_length(90, -100, 0, -500, 0), -50, 1e-9);
  EXPECT_NEAR(spiral_sample_length(360, -60, 0, -50, 0), -60, 1e-9);
}

TEST(MainLineDrawing, EveryLayerColourTextAndStage) {
  ScratchDir dir;
  const PiRow qd{"QD", 0, 0};
  const PiRow jd1 = polar("JD1", qd, 1200, 0, 500, 100, 80);  // right, spirals
  const PiRow jd2 = polar("JD2", jd1, 1000, 40, 400);         // left, no spirals
  const PiRow zd = polar("ZD", jd2, 1500, 10);
  const auto line = main_line({qd, jd1, jd2, zd});
  const auto breaks =
      chainage::ChainBreakTable::read({"2500 2450"}, line.qdzh(), line.end_chainage(), "t.dl");
  const Drawn d = draw_main(line, breaks, dir / "m.dxf");
  const DxfContent& dxf = d.dxf;

  EXPECT_EQ(d.stages, kMainStages);
  EXPECT_EQ(dxf.layers, (std::vector<std::string>{"0", "中心线", "交点线", "标注"}));
  EXPECT_EQ(d.doc->active_layer().name, "标注");
  ASSERT_NE(d.doc->active_ucs(), nullptr);
  EXPECT_EQ(d.doc->active_ucs()->name, "xy");
  EXPECT_EQ(d.doc->coordinate_systems().size(), 2u);
  EXPECT_EQ(d.doc->commands(), (std::vector<std::string>{"zoom e ", "zoom e "}));

  // Centre line: the two end points, three tangents, two spirals of 362
  // vertices, two arcs.
  const auto points = dxf.on("中心线", "POINT");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[1]->xy, (std::vector<double>{zd.y, zd.x}));
  EXPECT_EQ(points[0]->color, 256);
  const auto tangents = dxf.on("中心线", "LINE");
  ASSERT_EQ(tangents.size(), 3u);
  for (const auto* t : tangents) EXPECT_EQ(t->color, 5);
  EXPECT_EQ(tangents[0]->xy[0], qd.y);
  EXPECT_NEAR(tangents[0]->xy[3], line.jd(2).x_zh, 1e-9);  // ends at ZH (north is drawing y)
  const auto spirals = dxf.on("中心线", "LWPOLYLINE");
  ASSERT_EQ(spirals.size(), 2u);
  for (const auto* s : spirals) {
    EXPECT_EQ(s->color, 3);
    EXPECT_EQ(s->vertices(), 362u);
    EXPECT_EQ(s->xy[720], s->xy[722]);  // the last sample and the end point coincide
  }
  // The entry spiral starts at ZH, the exit spiral at HZ.
  EXPECT_NEAR(spirals[0]->xy[1], line.jd(2).x_zh, 1e-9);
  EXPECT_NEAR(spirals[1]->xy[1], line.jd(2).x_hz, 1e-9);
  EXPECT_NEAR(spirals[0]->xy[722], line.jd(2).y_hy, 1e-6);
  const auto arcs = dxf.on("中心线", "ARC");
  ASSERT_EQ(arcs.size(), 2u);
  for (const auto* a : arcs) EXPECT_EQ(a->color, 1);
  EXPECT_NEAR(arcs[0]->radius, 500, 1e-9);
  EXPECT_NEAR(arcs[1]->radius, 400, 1e-9);
  expect_on_line(dxf, line);

  // PI line: ZH → PI → HZ for each PI, colour 6.
  const auto pi_lines = dxf.on("交点线", "LINE");
  ASSERT_EQ(pi_lines.size(), 4u);
  for (const auto* l : pi_lines) EXPECT_EQ(l->color, 6);
  EXPECT_NEAR(pi_lines[0]->xy[2], jd1.y, 1e-9);
  EXPECT_NEAR(pi_lines[0]->xy[3], jd1.x, 1e-9);

  // Start and end marks: 30 long across the line, texts with segment letters.
  const auto* qd_text = dxf.text("QD AK0+000.000");
  ASSERT_NE(qd_text, nullptr);
  EXPECT_EQ(qd_text->color, 1);
  EXPECT_EQ(qd_text->v_align, 3);
  EXPECT_EQ(qd_text->h_align, 1);
  EXPECT_NEAR(qd_text->rotation, 0, 1e-12);  // −azimuth 0
  EXPECT_EQ(qd_text->style, "new_text");
  EXPECT_DOUBLE_EQ(qd_text->height, 4);
  EXPECT_DOUBLE_EQ(qd_text->width_factor, 0.7);
  const std::string zd_label = "ZD " + breaks.sj_dlstr_k(line.end_chainage());
  EXPECT_EQ(zd_label.substr(0, 4), "ZD B");
  const auto* zd_text = dxf.text(zd_label);
  ASSERT_NE(zd_text, nullptr);
  EXPECT_EQ(zd_text->v_align, 1);
  EXPECT_NEAR(angle_gap(zd_text->rotation, -10 * kTestPi / 180), 0, 1e-9);
  const auto& mark = dxf.on("标注", "LINE").at(0)->xy;
  EXPECT_NEAR(std::hypot(mark[2] - mark[0], mark[3] - mark[1]), 30, 1e-9);
  EXPECT_NEAR(mark[0], -15, 1e-9);  // from the left (west) to the right

  // Hundred-metre stakes per segment: A 100 … 2400 (not at its end 2500),
  // B from 2500 on; "K3" at 3000 of segment B, "4" at 3400.
  std::vector<std::string> stakes;
  for (const auto* t : dxf.on("标注", "TEXT")) {
    if (t->color == 4 && t->text.find(' ') == std::string::npos) stakes.push_back(t->text);
  }
  const int in_b = static_cast<int>(std::floor((breaks.segment_end(2) - 0.0001) / 100)) - 24;
  ASSERT_EQ(static_cast<int>(stakes.size()), 24 + in_b);
  EXPECT_EQ(stakes[0], "1");
  EXPECT_EQ(stakes[9], "K1");
  EXPECT_EQ(stakes[23], "4");   // 2400, the last of segment A
  EXPECT_EQ(stakes[24], "5");   // 2500 of segment B
  EXPECT_EQ(stakes[29], "K3");  // 3000
  EXPECT_EQ(stakes[33], "4");   // 3400
  const auto* k3 = dxf.text("K3");
  EXPECT_EQ(k3->v_align, 1);
  EXPECT_EQ(k3->h_align, 1);
  const Pose at3000 = line.point_at(breaks.dlzh_sj(2, 3000));
  EXPECT_NEAR(angle_gap(k3->rotation, kTestPi / 2 - at3000.azimuth), 0, 1e-9);
  // Its tick ends 2 to the left of the line, where the text stands.
  EXPECT_NEAR(k3->ax, at3000.y - 2 * std::cos(at3000.azimuth), 1e-6);
  EXPECT_NEAR(k3->ay, at3000.x + 2 * std::sin(at3000.azimuth), 1e-6);

  // PI names: the right-hand curve's name below its baseline side, the
  // left-hand one's above.
  const auto* n1 = dxf.text("JD1");
  const auto* n2 = dxf.text("JD2");
  ASSERT_TRUE(n1 && n2);
  EXPECT_EQ(n1->color, 1);
  EXPECT_EQ(n1->v_align, 1);
  EXPECT_EQ(n2->v_align, 3);
  EXPECT_NEAR(n1->ax, jd1.y, 1e-9);
  EXPECT_NEAR(angle_gap(n1->rotation, kTestPi / 2 - line.jd(2).az_qz), 0, 1e-9);

  // Main-point stakes in order, with their labels; ticks inside the curve.
  EXPECT_EQ(stake_codes(dxf),
            (std::vector<std::string>{"ZH", "HY", "QZ", "YH", "HZ", "ZY", "QZ", "YZ"}));
  const auto* zh = dxf.text("ZH " + breaks.sj_dlstr_k(line.jd(2).k_zh));
  ASSERT_NE(zh, nullptr);
  EXPECT_EQ(zh->h_align, 0);
  EXPECT_EQ(zh->v_align, 2);
  EXPECT_NEAR(zh->ax, line.jd(2).y_zh + 5, 1e-9);  // heading north: right is east
  const auto* yz = dxf.text("YZ " + breaks.sj_dlstr_k(line.jd(3).k_yh));
  ASSERT_NE(yz, nullptr);
  EXPECT_EQ(yz->h_align, 2);
  for (const char* code : {"QZ ", "YZ "}) {
    // Left-hand curve JD2: the tick end is nearer the arc's centre.
    const double k = code[0] == 'Q' ? line.jd(3).k_qz : line.jd(3).k_yh;
    const auto* t = dxf.text(code + breaks.sj_dlstr_k(k));
    ASSERT_NE(t, nullptr);
    const Pose p = line.point_at(k);
    EXPECT_LT(std::hypot(t->ax - arcs[1]->xy[0], t->ay - arcs[1]->xy[1]),
              std::hypot(p.y - arcs[1]->xy[0], p.x - arcs[1]->xy[1]));
  }

  // The chain break: tick to the right and its text.
  const auto* cb = dxf.text("AK2+500.000=BK2+450.000");
  ASSERT_NE(cb, nullptr);
  EXPECT_EQ(cb->color, 1);
  EXPECT_EQ(cb->h_align, 0);
  EXPECT_EQ(cb->v_align, 2);
  const Pose at_break = line.point_at(2500);
  EXPECT_NEAR(cb->ax, at_break.y + 5 * std::cos(at_break.azimuth), 1e-6);
  EXPECT_NEAR(cb->ay, at_break.x - 5 * std::sin(at_break.azimuth), 1e-6);
}

TEST(MainLineDrawing, EdgeCases) {
  ScratchDir dir;
  // Two PIs only: one tangent, the marks and the stakes, no curve; no
  // chain breaks: no letters, no chain-break mark, but the stage is shown.
  {
    const auto line = main_line({{"QD", 0, 0}, {"ZD", 0, 1250}}, 1000);
    const Drawn d = draw_main(line, no_breaks(line), dir / "two.dxf");
    EXPECT_EQ(d.stages, kMainStages);
    EXPECT_EQ(d.dxf.on("中心线", "LINE").size(), 1u);
    EXPECT_TRUE(d.dxf.on("中心线", "LWPOLYLINE").empty());
    EXPECT_TRUE(d.dxf.on("中心线", "ARC").empty());
    EXPECT_TRUE(d.dxf.on("交点线", "LINE").empty());
    EXPECT_EQ(d.dxf.texts("标注"),
              (std::vector<std::string>{"QD K1+000.000", "ZD K2+250.000", "1", "2", "3", "4", "5",
                                        "6", "7", "8", "9", "K2", "1", "2"}));
    // Heading east: the stake texts read along the line (rotation 0).
    EXPECT_NEAR(d.dxf.text("K2")->rotation, 0, 1e-12);
    EXPECT_NEAR(angle_gap(d.dxf.text("QD K1+000.000")->rotation, -kTestPi / 2), 0, 1e-12);
  }
  // Touching curves: no straight between JD1 and JD2. JD1 ends with "GQ",
  // JD2 has no start stake.
  {
    const PiRow qd{"QD", 0, 0};
    const PiRow jd1{"JD1", 1000, 0, 500};
    const double dist = 300;
    const double r2 = (dist - 500 * std::tan(15 * kTestPi / 180)) / std::tan(15 * kTestPi / 180);
    PiRow jd2 = polar("JD2", jd1, dist, 30);
    jd2.r = r2;
    const PiRow zd = polar("ZD", jd2, 800, 0);
    const auto line = main_line({qd, jd1, jd2, zd});
    ASSERT_LE(std::abs(line.jd(2).jd_straight), 0.0001);
    const Drawn d = draw_main(line, no_breaks(line), dir / "gq.dxf");
    EXPECT_EQ(stake_codes(d.dxf), (std::vector<std::string>{"ZY", "QZ", "GQ", "QZ", "YZ"}));
    EXPECT_EQ(d.dxf.on("中心线", "ARC").size(), 2u);
    expect_on_line(d.dxf, line);
  }
  // Segment bounds: segment A ends at exactly 2000 (no stake there),
  // segment B starts at 1200 (first stake 1300).
  {
    const auto line = main_line({{"QD", 0, 0}, {"ZD", 3500, 0}});
    const auto breaks = chainage::ChainBreakTable::read({"2000 1200"}, 0, 3500, "t.dl");
    const Drawn d = draw_main(line, breaks, dir / "seg.dxf");
    std::vector<std::string> stakes;
    std::vector<double> north;
    for (const auto* t : d.dxf.on("标注", "TEXT")) {
      if (t->color == 4) {
        stakes.push_back(t->text);
        north.push_back(t->ay);
      }
    }
    const std::vector<std::string> expected = {
        "1", "2", "3", "4", "5", "6", "7", "8", "9", "K1", "1", "2", "3", "4", "5", "6", "7",
        "8", "9", "3", "4", "5", "6", "7", "8", "9", "K2", "1", "2", "3", "4", "5", "6"};
    EXPECT_EQ(stakes, expected);
    EXPECT_NEAR(north[19], 2100, 1e-9);  // B1300 lies 100 beyond the break at 2000
    EXPECT_NE(d.dxf.text("AK2+000.000=BK1+200.000"), nullptr);
    EXPECT_NE(d.dxf.text("ZD BK2+700.000"), nullptr);
  }
}

TEST(MainLineDrawing, HairpinPiIsLabelledWithoutItsMark) {
  ScratchDir dir;
  // A switchback: the road leaves QD northwards, away from JD12, loops round
  // to the right and comes back through JD12 to ZD.
  const PiRow qd{"QD", 150, -15};
  PiRow jd{"JD12HT01", 0, 0, 50, 20, 20};
  const PiRow zd{"ZD", -300, -100};
  const auto line = main_line({qd, jd, zd});
  ASSERT_EQ(line.jd(2).jd_ht, 1);
  const Drawn d = draw_main(line, no_breaks(line), dir / "ht.dxf");
  const auto* name = d.dxf.text("JD12");
  ASSERT_NE(name, nullptr);
  // A right-hand hairpin: the name goes above (top alignment).
  EXPECT_EQ(line.jd(2).jd_right, 1);
  EXPECT_EQ(name->v_align, 3);
  EXPECT_EQ(d.dxf.text("JD12HT01"), nullptr);
  const auto spirals = d.dxf.on("中心线", "LWPOLYLINE");
  ASSERT_EQ(spirals.size(), 2u);
  EXPECT_EQ(spirals[0]->vertices(), 362u);
  EXPECT_EQ(d.dxf.on("中心线", "ARC").size(), 1u);
  expect_on_line(d.dxf, line);
  EXPECT_EQ(stake_codes(d.dxf), (std::vector<std::string>{"ZH", "HY", "QZ", "YH", "HZ"}));
}

TEST(MainLineDrawing, HairpinNamedOnlyByItsMarkGetsNoName) {
  // "HT" is a hairpin PI with both tangents reversed; without its four-
  // character mark nothing of the name is left, and no empty name is drawn.
  ScratchDir dir;
  const auto line = main_line({{"QD", 150, -15}, {"HT", 0, 0, 50}, {"ZD", 150, 60}});
  ASSERT_EQ(line.jd(2).jd_ht, 1);
  const Drawn d = draw_main(line, no_breaks(line), dir / "ht.dxf");
  for (const auto* t : d.dxf.on("标注", "TEXT")) {
    EXPECT_FALSE(t->text.empty());
    const bool is_name = t->color == 1 && t->text.find(' ') == std::string::npos;
    EXPECT_FALSE(is_name) << t->text;
  }
  EXPECT_EQ(stake_codes(d.dxf), (std::vector<std::string>{"ZY", "QZ", "YZ"}));
  EXPECT_EQ(d.dxf.on("中心线", "ARC").size(), 1u);
  expect_on_line(d.dxf, line);
}

TEST(MainLineDrawing, DrawingTwiceDrawsTwiceInTheSameDocument) {
  const auto line = main_line({{"QD", 0, 0}, {"JD1", 1000, 0, 300, 50, 50}, {"ZD", 1500, 500}});
  std::unique_ptr<DrawingDocument> current;
  draw_design_line(cad_connect(current), line, no_breaks(line), {});
  const std::size_t once = current->entities().size();
  draw_design_line(cad_connect(current), line, no_breaks(line), {});
  EXPECT_EQ(current->entities().size(), 2 * once);
  EXPECT_EQ(current->layers().size(), 4u);
  EXPECT_EQ(current->coordinate_systems().size(), 2u);
  EXPECT_EQ(current->text_styles().size(), 2u);
}
