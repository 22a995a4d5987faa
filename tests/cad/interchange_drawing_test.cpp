// Design-line drawings of an interchange ramp, written to DXF and read back.
#include <gtest/gtest.h>

#include <cmath>

#include "cad/drawings.h"
#include "cad/writers.h"
#include "cad_test_util.h"
#include "error.h"

using namespace lumora;
using namespace lumora::cad;
using namespace lumora::cad::test;

namespace {

Drawn draw_ramp(const htbas::Interchange& r, const std::filesystem::path& file) {
  Drawn d;
  draw_design_line(cad_connect(d.doc), r, [&](const std::string& s) { d.stages.push_back(s); });
  write_drawing(*d.doc, file);
  d.dxf = read_dxf(file);
  return d;
}

}  // namespace

TEST(RampDrawing, ElementsStakesAndStages) {
  ScratchDir dir;
  const auto r = ramp({"1000 0 0 0.0000", "9999 9999 100", "9999 200 60", "200 200 100",
                       "200 9999 60", "9999 9999 150"});
  const Drawn d = draw_ramp(r, dir / "r.dxf");
  const DxfContent& dxf = d.dxf;

  EXPECT_EQ(d.stages,
            (std::vector<std::string>{"正在生成设计线", "正在标注起终点", "正在标注交点号、要素桩",
                                      "正在标注百米桩、千米桩", "设计线绘制完毕，双击返回"}));
  EXPECT_EQ(dxf.layers, (std::vector<std::string>{"0", "中心线", "标注"}));
  EXPECT_EQ(d.doc->active_ucs()->name, "xy");
  EXPECT_EQ(d.doc->commands(), std::vector<std::string>{"zoom e "});
  EXPECT_TRUE(dxf.on("中心线", "POINT").empty());

  const auto lines = dxf.on("中心线", "LINE");
  ASSERT_EQ(lines.size(), 2u);
  for (const auto* l : lines) EXPECT_EQ(l->color, 5);
  EXPECT_EQ(lines[0]->xy, (std::vector<double>{0, 0, 0, 100}));  // chainage 1000 at (0, 0)
  const auto spirals = dxf.on("中心线", "LWPOLYLINE");
  ASSERT_EQ(spirals.size(), 2u);
  for (const auto* s : spirals) {
    EXPECT_EQ(s->color, 3);
    EXPECT_EQ(s->vertices(), 361u);
  }
  // The spiral starts at its element's start and ends at the next one's.
  EXPECT_NEAR(spirals[0]->xy[1], 100, 1e-9);
  EXPECT_DOUBLE_EQ(spirals[0]->xy[720], r.ht_y(3));
  EXPECT_DOUBLE_EQ(spirals[0]->xy[721], r.ht_x(3));
  const auto arcs = dxf.on("中心线", "ARC");
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0]->color, 1);
  EXPECT_NEAR(arcs[0]->radius, 200, 1e-9);
  expect_on_line(dxf, r);

  // Start and end marks.
  const auto* qd = dxf.text("QD K1+000.000");
  ASSERT_NE(qd, nullptr);
  EXPECT_EQ(qd->v_align, 3);
  EXPECT_EQ(qd->color, 1);
  const auto* zd = dxf.text("ZD K1+470.000");
  ASSERT_NE(zd, nullptr);
  EXPECT_EQ(zd->v_align, 1);
  EXPECT_NEAR(angle_gap(zd->rotation, -r.ht_azimuth(6)), 0, 1e-12);

  // Element boundaries, ticks always to the right.
  EXPECT_EQ(stake_codes(dxf), (std::vector<std::string>{"ZH", "HY", "YH", "HZ"}));
  const auto* zh = dxf.text("ZH K1+100.000");
  ASSERT_NE(zh, nullptr);
  EXPECT_EQ(zh->h_align, 0);
  EXPECT_EQ(zh->v_align, 2);
  EXPECT_NEAR(zh->ax, 5, 1e-9);  // heading north: right is east
  EXPECT_NEAR(zh->ay, 100, 1e-9);
  EXPECT_NE(dxf.text("HZ K1+320.000"), nullptr);

  // Stakes at 1100 … 1400, after the boundary stakes.
  std::vector<std::string> texts = dxf.texts("标注");
  EXPECT_EQ(std::vector<std::string>(texts.end() - 4, texts.end()),
            (std::vector<std::string>{"1", "2", "3", "4"}));
  const auto* s3 = dxf.text("3");
  double x = 0, y = 0, az = 0;
  r.ht_point(1300, x, y, az);
  EXPECT_NEAR(s3->ax, y - 2 * std::cos(az), 1e-9);  // 2 to the left
  EXPECT_NEAR(s3->ay, x + 2 * std::sin(az), 1e-9);
  EXPECT_NEAR(angle_gap(s3->rotation, kTestPi / 2 - az), 0, 1e-12);
}

TEST(RampDrawing, LeftArcsSplitSpiralAndSingleStraight) {
  ScratchDir dir;
  {
    // Heading east: a straight, two left arcs, an S-shaped spiral split in
    // two, a straight.
    const auto r = ramp({"0 0 0 90.0000", "9999 9999 50", "-300 -300 50", "-600 -600 50",
                         "300 -600 90", "9999 9999 30"});
    ASSERT_EQ(r.ht_count(), 6);
    const Drawn d = draw_ramp(r, dir / "left.dxf");
    EXPECT_EQ(stake_codes(d.dxf), (std::vector<std::string>{"ZY", "YY", "YH", "HH", "HZ"}));
    const auto arcs = d.dxf.on("中心线", "ARC");
    ASSERT_EQ(arcs.size(), 2u);
    // A left-hand arc, heading east, turns north: its centre lies north of
    // the start, and the arc runs counter-clockwise from start to end.
    EXPECT_NEAR(arcs[0]->xy[0], 50, 1e-9);
    EXPECT_NEAR(arcs[0]->xy[1], 300, 1e-9);
    EXPECT_NEAR(arcs[0]->angle1, 270, 1e-9);
    EXPECT_NEAR(arcs[0]->angle1 + 50 / 300.0 * 180 / kTestPi, arcs[0]->angle2, 1e-9);
    EXPECT_EQ(d.dxf.on("中心线", "LWPOLYLINE").size(), 2u);
    expect_on_line(d.dxf, r);
  }
  {
    const auto r = ramp({"1000 0 0 0.0000", "9999 9999 250"});
    const Drawn d = draw_ramp(r, dir / "one.dxf");
    EXPECT_EQ(d.dxf.on("中心线", "LINE").size(), 1u);
    EXPECT_TRUE(stake_codes(d.dxf).empty());
    EXPECT_EQ(d.dxf.texts("标注"),
              (std::vector<std::string>{"QD K1+000.000", "ZD K1+250.000", "1", "2"}));
  }
  {
    // An arc of no length draws nothing (equal angles would read as a
    // whole circle), but its boundaries are still staked.
    const auto r = ramp({"0 0 0 0.0000", "9999 9999 100", "200 200 0", "9999 9999 100"});
    const Drawn d = draw_ramp(r, dir / "zero.dxf");
    EXPECT_TRUE(d.dxf.on("中心线", "ARC").empty());
    EXPECT_EQ(d.dxf.on("中心线", "LINE").size(), 2u);
    EXPECT_EQ(stake_codes(d.dxf), (std::vector<std::string>{"ZY", "YZ"}));
  }
  {
    // Chainages beyond any road: refused (now when the file is read)
    // instead of stepping for ever.
    EXPECT_THROW(ramp({"1e20 0 0 0.0000", "9999 9999 1e6"}), DataFormatError);
  }
  {
    // No elements: the marks at the start point only.
    const auto r = ramp({"0 10 20 45.0000"});
    const Drawn d = draw_ramp(r, dir / "none.dxf");
    EXPECT_TRUE(d.dxf.on("中心线", "LINE").empty());
    EXPECT_EQ(d.dxf.texts("标注"), (std::vector<std::string>{"QD K0+000.000", "ZD K0+000.000"}));
  }
}
