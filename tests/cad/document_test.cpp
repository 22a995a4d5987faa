// The open drawing: what it keeps, what it refuses, and its extents.
#include "cad/document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "error.h"

using namespace lumora;
using namespace lumora::cad;

namespace {
constexpr double kPi = 3.14159265358979323846;
}

TEST(DrawingDocument, NamedObjectsAreAddedOnceAndEntitiesEveryTime) {
  std::unique_ptr<DrawingDocument> current;
  DrawingDocument& doc = cad_connect(current);
  EXPECT_EQ(&cad_connect(current), &doc);  // the same drawing next time
  EXPECT_EQ(doc.layers().size(), 1u);
  EXPECT_EQ(doc.active_layer().name, "0");
  EXPECT_EQ(doc.active_ucs(), nullptr);

  const LayerRef a = doc.add_layer("中心线");
  const LayerRef b = doc.add_layer("标注");
  EXPECT_EQ(doc.add_layer("中心线").index, a.index);
  EXPECT_NE(a.index, b.index);
  EXPECT_EQ(doc.add_layer("new_LAYER").index, doc.add_layer("NEW_layer").index);  // no case
  doc.set_active_layer(b);
  const EntityRef p = doc.add_point({1, 2, 0});
  EXPECT_EQ(doc.entities()[p.index].layer, b.index);
  EXPECT_EQ(doc.entities()[p.index].color, kColorByLayer);

  const UcsRef yx = doc.add_ucs({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, "yx");
  const UcsRef xy = doc.add_ucs({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "xy");
  EXPECT_EQ(doc.add_ucs({5, 5, 0}, {6, 5, 0}, {5, 6, 0}, "yx").index, yx.index);  // kept as it was
  EXPECT_EQ(doc.coordinate_systems().size(), 2u);
  EXPECT_EQ(doc.coordinate_systems()[yx.index].x_direction.y, 1);
  doc.set_active_ucs(xy);
  ASSERT_NE(doc.active_ucs(), nullptr);
  EXPECT_EQ(doc.active_ucs()->name, "xy");

  const TextStyleRef s = doc.add_text_style("new_text");
  doc.set_font_file(s, "fsdb_e.shx");
  doc.set_big_font_file(s, "fsdb.shx");
  EXPECT_EQ(doc.add_text_style("new_text").index, s.index);
  EXPECT_EQ(doc.text_styles()[s.index].big_font_file, "fsdb.shx");

  const EntityRef t = doc.add_text("起点", {10, 20, 0}, 4);
  doc.set_style_name(t, "NEW_TEXT");
  doc.set_rotation(t, -1.0);
  EXPECT_EQ(doc.entities()[t.index].style, "new_text");
  EXPECT_NEAR(doc.entities()[t.index].rotation, 2 * kPi - 1.0, 1e-12);  // kept in [0, 2π)

  // Drawing again draws again.
  doc.add_point({1, 2, 0});
  EXPECT_EQ(doc.entities().size(), 3u);
  doc.send_command("zoom e ");
  EXPECT_EQ(doc.commands(), std::vector<std::string>{"zoom e "});
}

TEST(DrawingDocument, RefusesWhatTheHostRefuses) {
  DrawingDocument doc;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_THROW(doc.add_point({nan, 0, 0}), DataFormatError);
  EXPECT_THROW(doc.add_line({0, 0, 0}, {inf, 0, 0}), DataFormatError);
  EXPECT_THROW(doc.add_light_weight_polyline({}), DataFormatError);
  EXPECT_THROW(doc.add_light_weight_polyline({1, 2, 3}), DataFormatError);
  EXPECT_THROW(doc.add_light_weight_polyline({1, nan}), DataFormatError);
  EXPECT_THROW(doc.add_arc({0, 0, 0}, 0, 0, 1), DataFormatError);
  EXPECT_THROW(doc.add_arc({0, 0, 0}, 5, nan, 1), DataFormatError);
  EXPECT_THROW(doc.add_text("a", {0, 0, 0}, 0), DataFormatError);
  EXPECT_THROW(doc.add_layer(""), DataFormatError);
  EXPECT_THROW(doc.add_layer("a/b"), DataFormatError);
  EXPECT_THROW(doc.add_ucs({0, 0, 0}, {0, 0, 0}, {0, 1, 0}, "bad"), DataFormatError);
  EXPECT_THROW(doc.add_ucs({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, "skew"), DataFormatError);
  EXPECT_THROW(doc.set_active_layer({99}), DataFormatError);
  EXPECT_TRUE(doc.entities().empty());  // nothing half-added

  const EntityRef line = doc.add_line({0, 0, 0}, {1, 0, 0});
  const EntityRef text = doc.add_text("a", {0, 0, 0}, 4);
  EXPECT_THROW(doc.set_color(line, 257), DataFormatError);
  EXPECT_THROW(doc.set_color(line, -1), DataFormatError);
  EXPECT_THROW(doc.set_line_weight(line, 41), DataFormatError);
  EXPECT_THROW(doc.set_color({99}, 1), DataFormatError);
  EXPECT_THROW(doc.set_style_name(text, "no_such_style"), DataFormatError);
  EXPECT_THROW(doc.set_rotation(line, 1), DataFormatError);  // not a text
  EXPECT_THROW(doc.set_vertical_alignment(text, 4), DataFormatError);
  EXPECT_THROW(doc.set_horizontal_alignment(text, 3), DataFormatError);
  EXPECT_THROW(doc.set_scale_factor(text, 0), DataFormatError);
  doc.set_color(line, 250);
  doc.set_line_weight(line, 0);
  EXPECT_EQ(doc.entities()[line.index].color, 250);
  EXPECT_EQ(doc.entities()[line.index].line_weight, 0);
}

TEST(DrawingDocument, ExtentsCoverEveryEntity) {
  DrawingDocument doc;
  EXPECT_TRUE(doc.extents().empty());
  doc.add_line({0, 0, 0}, {10, 0, 0});
  // A quarter arc about (100, 100) from 80° to 100° passes its top quadrant.
  doc.add_arc({100, 100, 0}, 10, 80 * kPi / 180, 100 * kPi / 180);
  Extents e = doc.extents();
  EXPECT_DOUBLE_EQ(e.min_x, 0);
  EXPECT_NEAR(e.max_x, 100 + 10 * std::cos(80 * kPi / 180), 1e-9);
  EXPECT_NEAR(e.max_y, 110, 1e-9);
  // The arc from 100° round to 80° passes every quadrant point.
  DrawingDocument doc2;
  doc2.add_arc({0, 0, 0}, 10, 100 * kPi / 180, 80 * kPi / 180);
  e = doc2.extents();
  EXPECT_NEAR(e.min_x, -10, 1e-9);
  EXPECT_NEAR(e.max_x, 10, 1e-9);
  EXPECT_NEAR(e.min_y, -10, 1e-9);
  EXPECT_NEAR(e.max_y, 10 * std::sin(100 * kPi / 180), 1e-9);

  // A centred text 4 high, anchored at its alignment point, reaching up.
  DrawingDocument doc3;
  const EntityRef t = doc3.add_text("中心", {0, 0, 0}, 4);
  doc3.set_horizontal_alignment(t, align::kCenter);
  doc3.set_vertical_alignment(t, align::kBottom);
  doc3.set_text_alignment_point(t, {50, 50, 0});
  e = doc3.extents();
  EXPECT_NEAR(e.min_x, 46, 1e-9);  // two wide characters: 8 wide
  EXPECT_NEAR(e.max_x, 54, 1e-9);
  EXPECT_NEAR(e.min_y, 50, 1e-9);
  EXPECT_NEAR(e.max_y, 54, 1e-9);
  EXPECT_NEAR(text_width("K1", 4, 0.7), 2 * 0.75 * 4 * 0.7, 1e-12);
}
