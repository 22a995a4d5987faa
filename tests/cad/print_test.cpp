// Drawings for print: the light SVG read back by an XML parser and by
// librsvg, and the DXF's dimension style pointing at its text style.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cad/writers.h"
#include "cad_test_util.h"

using namespace lumora::cad;
using namespace lumora::cad::test;

namespace {

DrawingDocument sheet() {
  DrawingDocument doc;
  doc.set_title("某高速公路主线 <A&B>");
  doc.set_active_layer(doc.add_layer("中心线"));
  doc.add_point({1000, 2000, 0});
  doc.set_color(doc.add_line({1000, 2000, 0}, {1400, 2000, 0}), 7);  // white
  const EntityRef edge = doc.add_light_weight_polyline({1000, 2010, 1400, 2100});
  doc.set_color(edge, 2);  // yellow
  doc.set_line_weight(edge, 40);
  doc.set_color(doc.add_arc({1200, 2000, 0}, 50, 0, 1), 5);
  doc.set_color(doc.add_text("JD1 交点", {1100, 2050, 0}, 4), 4);  // cyan
  return doc;
}

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(PrintableSvg, LightSheetParsesBackWithReadableColoursAndWidths) {
  ScratchDir dir;
  const DrawingDocument doc = sheet();
  SvgOptions light;
  light.background = SvgBackground::light;
  write_drawing(doc, dir / "light.svg", light);
  write_drawing(doc, dir / "dark.svg");
  const std::string dark = slurp(dir / "dark.svg");
  EXPECT_NE(dark.find("fill=\"#212830\""), std::string::npos);
  EXPECT_NE(dark.find("stroke=\"#ffffff\""), std::string::npos);

  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
  // Checks, on the parsed document: white background; the title in
  // <title> and on the sheet; CJK fonts named; no stroke or fill too pale
  // for paper; every stroke width its nominal pixels (1 px, 1.6 px for
  // weight 0.40 mm) of the picture, kept at any zoom (non-scaling-stroke).
  const std::string script = R"PY(
import sys, xml.dom.minidom as m
d = m.parse(sys.argv[1]).documentElement
def fail(code, what):
    print(what); sys.exit(code)
vb = [float(v) for v in d.getAttribute('viewBox').split()]
per_px = vb[2] / float(d.getAttribute('width'))
if abs(vb[3] / float(d.getAttribute('height')) - per_px) > 1e-3 * per_px: fail(3, 'aspect')
rect = d.getElementsByTagName('rect')[0]
if rect.getAttribute('fill') != '#ffffff': fail(4, 'background')
want = '某高速公路主线 <A&B>'
if d.getElementsByTagName('title')[0].firstChild.data != want: fail(5, 'title element')
texts = {t.getAttribute('id'): t for t in d.getElementsByTagName('text')}
if texts['title'].firstChild.data != want: fail(6, 'title text')
for g in d.getElementsByTagName('g'):
    if 'Noto Sans CJK SC' not in g.getAttribute('font-family'): fail(7, 'fonts')
def lum(c):
    r, g, b = (int(c[i:i + 2], 16) for i in (1, 3, 5))
    return (0.2126 * r + 0.7152 * g + 0.0722 * b) / 255
widths = []
for e in d.getElementsByTagName('*'):
    if e.hasAttribute('stroke-width') and e.getAttribute('vector-effect') != 'non-scaling-stroke':
        fail(8, 'vector-effect')
    for a in ('stroke', 'fill'):
        c = e.getAttribute(a)
        if c.startswith('#') and e is not rect and lum(c) > 0.56: fail(9, a + ' ' + c)
    if e.hasAttribute('stroke-width'):
        widths.append(float(e.getAttribute('stroke-width')) / per_px)
if sorted(set(round(w, 2) for w in widths)) != [1.0, 1.6]: fail(10, str(widths))
)PY";
  std::ofstream(dir / "check.py") << script;
  const std::string cmd = "/usr/bin/python3 '" + (dir / "check.py").string() + "' '" +
                          (dir / "light.svg").string() + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);

  if (std::filesystem::exists("/usr/bin/rsvg-convert")) {
    const std::string render = "/usr/bin/rsvg-convert -o '" + (dir / "light.png").string() + "' '" +
                               (dir / "light.svg").string() + "'";
    EXPECT_EQ(std::system(render.c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(dir / "light.png"), 0u);
  }
}

TEST(PrintableSvg, TheDxfIgnoresTheTitleAndItsDimensionStyleNamesTheTextStyle) {
  ScratchDir dir;
  DrawingDocument doc = sheet();
  write_drawing(doc, dir / "a.dxf");
  doc.set_title("");
  write_drawing(doc, dir / "b.dxf");
  EXPECT_EQ(slurp(dir / "a.dxf"), slurp(dir / "b.dxf"));

  // Group pairs of the file; the handle (5) of the STYLE record "Standard"
  // is the text style (340) of the DIMSTYLE record.
  std::istringstream in(slurp(dir / "a.dxf"));
  std::vector<std::pair<std::string, std::string>> pairs;
  std::string code, value;
  auto trim = [](std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s.substr(s.find_first_not_of(' ') == std::string::npos ? 0 : s.find_first_not_of(' '));
  };
  while (std::getline(in, code) && std::getline(in, value))
    pairs.push_back({trim(code), trim(value)});
  std::string style_handle, dim_text_style, record, handle;
  for (const auto& [c, v] : pairs) {
    if (c == "0") record = v;
    if (c == "5") handle = v;
    if (record == "STYLE" && c == "2" && v == "Standard") style_handle = handle;
    if (record == "DIMSTYLE" && c == "340") dim_text_style = v;
  }
  ASSERT_FALSE(style_handle.empty());
  EXPECT_EQ(dim_text_style, style_handle);
}
