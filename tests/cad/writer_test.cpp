// DXF and SVG output: read back with dxflib (and an XML parser), Chinese
// names in the right code page, and atomic replacement of the target.
#include <gtest/gtest.h>

#include <cstdio>

#include <cmath>
#include <cstdlib>

#include "cad/legible.h"
#include "cad/writers.h"
#include "cad_test_util.h"
#include "error.h"

using namespace lumora;
using namespace lumora::cad;
using namespace lumora::cad::test;

namespace {

// A drawing with one entity of every kind, Chinese names and texts.
DrawingDocument sample() {
  DrawingDocument doc;
  doc.add_ucs({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, "yx");
  const UcsRef xy = doc.add_ucs({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "xy");
  doc.set_active_layer(doc.add_layer("中心线"));
  doc.add_point({500000, 3000000, 0});
  doc.set_color(doc.add_line({500000, 3000000, 0}, {500100, 3000000, 0}), 5);
  const EntityRef pl =
      doc.add_light_weight_polyline({500100, 3000000, 500150, 3000010, 500200, 3000040});
  doc.set_color(pl, 3);
  doc.set_line_weight(pl, 40);
  doc.set_color(doc.add_arc({500200, 3000240, 0}, 200, -kTestPi / 2, -kTestPi / 4), 1);
  doc.set_active_layer(doc.add_layer("标注"));
  doc.set_active_ucs(xy);
  const TextStyleRef style = doc.add_text_style("new_text");
  doc.set_font_file(style, "fsdb_e.shx");
  doc.set_big_font_file(style, "fsdb.shx");
  const EntityRef t = doc.add_text("JD1 起点 <&>", {500000, 3000000, 0}, 4);
  doc.set_color(t, 1);
  doc.set_scale_factor(t, 0.7);
  doc.set_style_name(t, "new_text");
  doc.set_rotation(t, kTestPi / 2 - 0.3);
  doc.set_vertical_alignment(t, align::kTop);
  doc.set_horizontal_alignment(t, align::kCenter);
  doc.set_text_alignment_point(t, {500000, 3000000, 0});
  return doc;
}

bool have_python() {
  return std::filesystem::exists("/usr/bin/python3");
}

}  // namespace

TEST(DxfWriter, WritesEveryEntityWithItsPropertiesAndReadsBack) {
  ScratchDir dir;
  const DrawingDocument doc = sample();
  write_drawing(doc, dir / "s.dxf");
  const DxfContent dxf = read_dxf(dir / "s.dxf");

  EXPECT_EQ(dxf.layers, (std::vector<std::string>{"0", "中心线", "标注"}));
  ASSERT_EQ(dxf.entities.size(), 5u);
  EXPECT_EQ(dxf.on("中心线", "POINT").size(), 1u);
  const auto* line = dxf.on("中心线", "LINE").at(0);
  EXPECT_EQ(line->color, 5);
  EXPECT_EQ(line->weight, -1);  // by layer
  EXPECT_EQ(line->xy, (std::vector<double>{500000, 3000000, 500100, 3000000}));
  const auto* pl = dxf.on("中心线", "LWPOLYLINE").at(0);
  EXPECT_EQ(pl->color, 3);
  EXPECT_EQ(pl->weight, 40);
  EXPECT_EQ(pl->vertices(), 3u);
  EXPECT_DOUBLE_EQ(pl->xy[4], 500200);
  EXPECT_DOUBLE_EQ(pl->xy[5], 3000040);
  const auto* arc = dxf.on("中心线", "ARC").at(0);
  EXPECT_EQ(arc->color, 1);
  EXPECT_DOUBLE_EQ(arc->radius, 200);
  EXPECT_NEAR(arc->angle1, 270, 1e-9);  // degrees, in [0, 360)
  EXPECT_NEAR(arc->angle2, 315, 1e-9);

  const auto* t = dxf.text("JD1 起点 <&>");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->layer, "标注");
  EXPECT_EQ(t->color, 1);
  EXPECT_EQ(t->style, "new_text");
  EXPECT_DOUBLE_EQ(t->height, 4);
  EXPECT_DOUBLE_EQ(t->width_factor, 0.7);
  EXPECT_NEAR(t->rotation, kTestPi / 2 - 0.3, 1e-12);  // dxflib reads the degrees back as radians
  EXPECT_EQ(t->v_align, 3);
  EXPECT_EQ(t->h_align, 1);
  EXPECT_DOUBLE_EQ(t->ax, 500000);
  EXPECT_DOUBLE_EQ(t->ay, 3000000);

  // The style with both font files; the standard style stays first.
  ASSERT_EQ(dxf.styles.size(), 2u);
  EXPECT_EQ(dxf.styles[0].name, "Standard");
  EXPECT_EQ(dxf.styles[1].name, "new_text");
  EXPECT_EQ(dxf.styles[1].font, "fsdb_e.shx");
  EXPECT_EQ(dxf.styles[1].big_font, "fsdb.shx");

  // Code page, extents and limits around the drawing.
  EXPECT_EQ(dxf.string_vars.at("$DWGCODEPAGE"), "ANSI_936");
  EXPECT_EQ(dxf.string_vars.at("$ACADVER"), "AC1015");
  const auto& lo = dxf.vector_vars.at("$EXTMIN");
  const auto& hi = dxf.vector_vars.at("$EXTMAX");
  EXPECT_LT(lo[0], 500000);  // the text reaches left of its anchor
  EXPECT_DOUBLE_EQ(hi[0], 500200 + 200 * std::cos(kTestPi / 4));
  EXPECT_LT(lo[1], 3000000);  // the text hangs below its anchor
  EXPECT_DOUBLE_EQ(hi[1], 3000240 - 200 * std::sin(kTestPi / 4));  // the arc's end
  EXPECT_EQ(dxf.vector_vars.at("$LIMMIN")[0], lo[0]);
  EXPECT_EQ(dxf.vector_vars.at("$LIMMAX")[1], hi[1]);

  // The raw file: GBK names, the coordinate systems and the active view.
  const std::string raw = read_file(dir / "s.dxf");
  EXPECT_NE(raw.find(text::utf8_to_gbk("中心线")), std::string::npos);
  EXPECT_EQ(raw.find("中心线"), std::string::npos);  // no UTF-8 left
  EXPECT_NE(raw.find("AcDbUCSTableRecord\n  2\nyx\n"), std::string::npos);
  EXPECT_NE(raw.find("AcDbUCSTableRecord\n  2\nxy\n"), std::string::npos);
  EXPECT_NE(raw.find("$UCSNAME\n  2\nxy\n"), std::string::npos);
  EXPECT_NE(raw.find("  2\n*Active\n"), std::string::npos);
  const double cx = (lo[0] + hi[0]) / 2;
  const std::size_t centre = raw.find("\n 12\n", raw.find("*Active"));
  ASSERT_NE(centre, std::string::npos);
  EXPECT_NEAR(std::stod(raw.substr(centre + 5, 30)), cx, 1e-6);
}

TEST(DxfWriter, EmptyDrawingAndControlCharacters) {
  ScratchDir dir;
  DrawingDocument doc;
  write_drawing(doc, dir / "empty.DXF");  // extension in any case
  DxfContent dxf = read_dxf(dir / "empty.DXF");
  EXPECT_TRUE(dxf.entities.empty());
  EXPECT_EQ(dxf.layers, std::vector<std::string>{"0"});

  // A line break inside a text must not break the file's structure.
  doc.add_text("a\nb\rc", {0, 0, 0}, 4);
  doc.add_point({1, 1, 0});
  write_drawing(doc, dir / "ctl.dxf");
  dxf = read_dxf(dir / "ctl.dxf");
  ASSERT_EQ(dxf.entities.size(), 2u);
  EXPECT_EQ(dxf.entities[0].text, "a b c");
  EXPECT_EQ(dxf.entities[1].type, "POINT");
}

TEST(DrawingFiles, WriteAtomicallyOrNotAtAll) {
  ScratchDir dir;
  const DrawingDocument doc = sample();
  EXPECT_THROW(write_drawing(doc, dir / "s.pdf"), DataFormatError);
  EXPECT_THROW(write_drawing(doc, dir / "s"), DataFormatError);
  EXPECT_THROW(write_drawing(doc, dir / "no_such_dir" / "s.dxf"), CancelledError);
  EXPECT_THROW(write_drawing(doc, ""), CancelledError);

  // A target that cannot be replaced (a directory) stays as it is, and no
  // temporary file is left behind.
  std::filesystem::create_directory(dir / "busy.dxf");
  EXPECT_THROW(write_drawing(doc, dir / "busy.dxf"), CancelledError);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "busy.dxf"));

  // Replacing an existing file.
  {
    std::ofstream old(dir / "s.svg");
    old << "old";
  }
  write_drawing(doc, dir / "s.svg");
  EXPECT_NE(read_file(dir / "s.svg"), "old");
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    ++files;
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
  }
  EXPECT_EQ(files, 2);  // busy.dxf and s.svg
}

TEST(SvgWriter, WellFormedUtf8WithNorthUp) {
  ScratchDir dir;
  DrawingDocument doc = sample();
  doc.add_text(std::string("bad \xFF byte"), {500000, 3000000, 0}, 4);
  write_drawing(doc, dir / "s.svg");
  const std::string svg = read_file(dir / "s.svg");

  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
  EXPECT_NE(svg.find("JD1 起点 &lt;&amp;&gt;"), std::string::npos);
  EXPECT_NE(svg.find("data-layer=\"中心线\""), std::string::npos);
  EXPECT_NE(svg.find("bad \xEF\xBF\xBD byte"), std::string::npos);  // U+FFFD
  // Colours by index: line 5 blue (lifted to a shade that shows on the dark
  // background), polyline 3 green, arc and text 1 red.
  EXPECT_EQ(svg.find("stroke=\"#0000ff\""), std::string::npos);
  const auto blue = visible_colour(aci_rgb(5), {0x21, 0x28, 0x30});
  char hex[8];
  std::snprintf(hex, sizeof hex, "#%02x%02x%02x", blue[0], blue[1], blue[2]);
  EXPECT_NE(svg.find(std::string("stroke=\"") + hex + "\""), std::string::npos) << hex;
  EXPECT_NE(svg.find("stroke=\"#00ff00\""), std::string::npos);
  EXPECT_NE(svg.find("fill=\"#ff0000\">JD1"), std::string::npos);
  // Text turned π/2 − 0.3 counter-clockwise: negative degrees on screen.
  EXPECT_NE(svg.find("rotate(-72.811)"), std::string::npos);
  // Centred, hanging from its anchor by its height (a cap height of 0.7 of
  // the font size), in pixels of the picture.
  const std::size_t hang = svg.find("scale(0.700 1)\" y=\"");
  ASSERT_NE(hang, std::string::npos);
  double drop = 0, font = 0;
  std::sscanf(svg.c_str() + hang, "scale(0.700 1)\" y=\"%lf\" font-size=\"%lf\"", &drop, &font);
  EXPECT_NEAR(drop / font, 0.7, 1e-3);
  EXPECT_NE(svg.find("text-anchor=\"middle\"", hang), std::string::npos);

  // The polyline runs north-east: on the screen its y decreases.
  const std::size_t pl = svg.find("<polyline points=\"");
  ASSERT_NE(pl, std::string::npos);
  std::istringstream pts(svg.substr(pl + 18, svg.find('"', pl + 18) - pl - 18));
  double x0, y0, x1, y1;
  char comma;
  pts >> x0 >> comma >> y0 >> x1 >> comma >> y1;
  EXPECT_GT(x1, x0);
  EXPECT_NEAR((x1 - x0) / (y1 - y0), -5, 1e-3);

  if (!have_python()) GTEST_SKIP() << "no /usr/bin/python3 to parse the SVG";
  const std::string cmd =
      "/usr/bin/python3 -c \"import sys, xml.dom.minidom as m; "
      "d = m.parse(sys.argv[1]); "
      "t = [n.firstChild.data for n in d.getElementsByTagName('text')]; "
      "sys.exit(0 if 'JD1 起点 <&>' in t else 3)\" '" +
      (dir / "s.svg").string() + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(SvgWriter, ColourIndex) {
  EXPECT_EQ(aci_rgb(1), (std::array<std::uint8_t, 3>{255, 0, 0}));
  EXPECT_EQ(aci_rgb(4), (std::array<std::uint8_t, 3>{0, 255, 255}));
  EXPECT_EQ(aci_rgb(250), (std::array<std::uint8_t, 3>{51, 51, 51}));
  EXPECT_EQ(aci_rgb(10), (std::array<std::uint8_t, 3>{255, 0, 0}));
  EXPECT_EQ(aci_rgb(11), (std::array<std::uint8_t, 3>{255, 127, 127}));
  EXPECT_EQ(aci_rgb(50), (std::array<std::uint8_t, 3>{255, 255, 0}));
  EXPECT_EQ(aci_rgb(130), (std::array<std::uint8_t, 3>{0, 255, 255}));
  EXPECT_EQ(aci_rgb(170), (std::array<std::uint8_t, 3>{0, 0, 255}));
  EXPECT_EQ(aci_rgb(0), (std::array<std::uint8_t, 3>{255, 255, 255}));
}
