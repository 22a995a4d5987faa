// The sight-distance envelope drawing, written to DXF and read back; and the
// DXF of a whole session's drawing checked by ezdxf's audit.
#include "cad/envelope.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "cad/drawings.h"
#include "cad/writers.h"
#include "cad_test_util.h"
#include "error.h"

using namespace lumora;
using namespace lumora::cad;
using namespace lumora::cad::test;

TEST(EnvelopeDrawing, SightLinesTrajectoryAndEnvelope) {
  ScratchDir dir;
  // A straight line heading north: the point at chainage c is (c, 0), and
  // an offset w to the left lies at easting −w.
  const auto line = main_line({{"QD", 0, 0}, {"ZD", 1000, 0}});
  const std::vector<EnvelopeRow> rows = {
      {100, 2.5, -7.25, -7.0, -7.5, 50, 160},
      {200, 0, -7.25, -7.25, -7.25, 150, 260},
      {300, -1.25, -7.25, -7.25, -7.25, 250, 360},
  };
  std::unique_ptr<DrawingDocument> doc;
  draw_envelope(cad_connect(doc), line, rows, true, true);
  write_drawing(*doc, dir / "e.dxf");
  const DxfContent dxf = read_dxf(dir / "e.dxf");

  EXPECT_EQ(dxf.layers, (std::vector<std::string>{"0", "视距线", "轨迹线", "视距包络图"}));
  const auto sights = dxf.on("视距线", "LINE");
  ASSERT_EQ(sights.size(), 2u);  // none for the row whose clearance is 0
  EXPECT_EQ(sights[0]->color, 250);
  EXPECT_EQ(sights[0]->weight, 0);
  EXPECT_EQ(sights[0]->xy, (std::vector<double>{7.0, 50, 7.5, 160}));
  EXPECT_EQ(sights[1]->xy, (std::vector<double>{7.25, 250, 7.25, 360}));

  const auto path = dxf.on("轨迹线", "LWPOLYLINE");
  ASSERT_EQ(path.size(), 1u);
  EXPECT_EQ(path[0]->color, 3);
  EXPECT_EQ(path[0]->weight, 40);
  EXPECT_EQ(path[0]->xy, (std::vector<double>{7.25, 100, 7.25, 200, 7.25, 300}));
  const auto edge = dxf.on("视距包络图", "LWPOLYLINE");
  ASSERT_EQ(edge.size(), 1u);
  EXPECT_EQ(edge[0]->color, 2);
  EXPECT_EQ(edge[0]->weight, 40);
  // A positive clearance lies to the left of the eye, a zero one on it.
  EXPECT_EQ(edge[0]->xy, (std::vector<double>{4.75, 100, 7.25, 200, 8.5, 300}));
  EXPECT_EQ(doc->active_layer().name, "视距包络图");
  EXPECT_EQ(doc->active_ucs(), nullptr);  // the drawing sets no coordinate system
}

TEST(EnvelopeDrawing, OptionsOneRowAndNoRows) {
  const auto line = main_line({{"QD", 0, 0}, {"ZD", 0, 1000}});  // heading east
  std::unique_ptr<DrawingDocument> doc;
  draw_envelope(cad_connect(doc), line, {{500, 3, 7.25, 7.25, 7.25, 400, 610}}, false, false);
  ASSERT_EQ(doc->layers().size(), 2u);
  EXPECT_EQ(doc->layers()[1].name, "视距包络图");
  ASSERT_EQ(doc->entities().size(), 1u);
  const Entity& e = doc->entities()[0];
  ASSERT_EQ(e.points.size(), 1u);  // a one-vertex envelope
  EXPECT_NEAR(e.points[0].x, 500, 1e-9);
  EXPECT_NEAR(e.points[0].y, 10.25, 1e-9);  // left of east is north

  // Drawing the same rows again adds again.
  draw_envelope(*doc, line, {{500, 3, 7.25, 7.25, 7.25, 400, 610}}, true, false);
  EXPECT_EQ(doc->entities().size(), 3u);
  EXPECT_THROW(draw_envelope(*doc, line, {}, true, true), DataFormatError);
  EXPECT_EQ(doc->entities().size(), 3u);
}

// The DXF of a design line and an envelope in one drawing passes ezdxf's
// audit, and its Chinese names come out right through the file's code page.
TEST(DxfAudit, EzdxfFindsNoErrors) {
  if (!std::filesystem::exists("/usr/bin/python3") ||
      std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no /usr/bin/python3 with ezdxf";
  }
  ScratchDir dir;
  const PiRow qd{"QD", 0, 0};
  const PiRow jd1 = polar("起点后JD1", qd, 600, 0, 300, 60, 60);
  const PiRow zd = polar("ZD", jd1, 600, 50);
  const auto line = main_line({qd, jd1, zd});
  const auto breaks =
      chainage::ChainBreakTable::read({"500 480"}, line.qdzh(), line.end_chainage(), "t.dl");
  std::unique_ptr<DrawingDocument> doc;
  draw_design_line(cad_connect(doc), line, breaks, {});
  draw_envelope(
      cad_connect(doc), line,
      {{300, 1.5, -7.25, -7.25, -7.25, 250, 360}, {400, 2, -7.25, -7.25, -7.25, 350, 460}}, true,
      true);
  write_drawing(*doc, dir / "all.dxf");

  const std::string script = std::string(LUMORA_SOURCE_DIR) + "/tests/cad/audit_dxf.py";
  const std::string cmd =
      "/usr/bin/python3 '" + script + "' '" + (dir / "all.dxf").string() +
      "' --strict --layer 中心线 --layer 交点线 --layer 标注 --layer 视距包络图 "
      "--text 起点后JD1 --text 'QD AK0+000.000' > '" +
      (dir / "audit.txt").string() + "' 2>&1";
  const int rc = std::system(cmd.c_str());
  EXPECT_EQ(rc, 0) << read_file(dir / "audit.txt");
  EXPECT_NE(read_file(dir / "audit.txt").find("0 problems"), std::string::npos);

  // The same check fails on a file whose Chinese was written as UTF-8.
  std::string raw = read_file(dir / "all.dxf");
  const std::string gbk = text::utf8_to_gbk("中心线");
  raw.replace(raw.find(gbk), gbk.size(), "中心线");
  {
    std::ofstream out(dir / "bad.dxf", std::ios::binary);
    out << raw;
  }
  const std::string bad = "/usr/bin/python3 '" + script + "' '" + (dir / "bad.dxf").string() +
                          "' --layer 中心线 > /dev/null 2>&1";
  EXPECT_NE(std::system(bad.c_str()), 0);
}
