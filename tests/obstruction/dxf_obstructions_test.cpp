// DXF obstructions: entities on the named layers, coordinates swapped into
// (north, east), arcs and bulges sampled every metre, tops per request.
#include "obstruction/dxf_obstructions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "error.h"

namespace lumora::obstruction {
namespace {

const double kPi = 4 * std::atan(1.0);

// Group code / value pairs, one a line, as a DXF file holds them.
std::string groups(std::initializer_list<std::pair<int, std::string>> gs) {
  std::string s;
  for (const auto& [code, value] : gs) s += std::to_string(code) + "\n" + value + "\n";
  return s;
}

std::string dxf(const std::string& entities) {
  return groups({{0, "SECTION"}, {2, "ENTITIES"}}) + entities + groups({{0, "ENDSEC"}, {0, "EOF"}});
}

std::string line(const std::string& layer, double x1, double y1, double z1, double x2, double y2,
                 double z2) {
  return groups({{0, "LINE"},
                 {8, layer},
                 {10, std::to_string(x1)},
                 {20, std::to_string(y1)},
                 {30, std::to_string(z1)},
                 {11, std::to_string(x2)},
                 {21, std::to_string(y2)},
                 {31, std::to_string(z2)}});
}

double dist(zxbas::Vec2 a, zxbas::Vec2 b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

TEST(DxfObstructions, LayerRequests) {
  EXPECT_EQ(parse_layer_request("边坡").top, TopKind::unlimited);
  const auto h = parse_layer_request("护栏=0.8");
  EXPECT_EQ(h.name, "护栏");
  EXPECT_EQ(h.top, TopKind::above_road);
  EXPECT_DOUBLE_EQ(h.height, 0.8);
  EXPECT_EQ(parse_layer_request("A=B=z").name, "A=B");
  EXPECT_EQ(parse_layer_request("挡墙=z").top, TopKind::absolute);
  for (const char* bad : {"=1", "护栏=-1", "护栏=高", "护栏="}) {
    EXPECT_THROW(parse_layer_request(bad), DataFormatError) << bad;
  }
}

TEST(DxfObstructions, LinesSwappedIntoNorthEastWithTops) {
  const std::string file = dxf(line("WALL", 100, 200, 5, 110, 200, 7) +
                               line("other", 0, 0, 0, 1, 1, 0) + line("wall", 0, 0, 1, 0, 3, 2));
  const auto abs = read_dxf_obstructions(file, "a.dxf", {parse_layer_request("Wall=z")});
  ASSERT_EQ(abs.size(), 2u);  // both cases of the name, in file order
  EXPECT_EQ(abs[0].name, "Wall");
  EXPECT_DOUBLE_EQ(abs[0].plan[0].x, 200);  // north = DXF y
  EXPECT_DOUBLE_EQ(abs[0].plan[0].y, 100);  // east = DXF x
  EXPECT_DOUBLE_EQ(abs[0].plan[1].y, 110);
  EXPECT_EQ(abs[0].top_values, (std::vector<double>{5, 7}));
  const auto high = read_dxf_obstructions(file, "a.dxf", {parse_layer_request("WALL=1.1")});
  EXPECT_EQ(high[0].top_values, (std::vector<double>{1.1, 1.1}));
  try {
    read_dxf_obstructions(file, "a.dxf",
                          {parse_layer_request("WALL"), parse_layer_request("护栏")});
    ADD_FAILURE();
  } catch (const DataFormatError& e) {
    EXPECT_NE(e.detail().find("护栏"), std::string::npos) << e.detail();
    EXPECT_NE(e.detail().find("a.dxf"), std::string::npos) << e.detail();
  }
}

TEST(DxfObstructions, ArcsAndCirclesEveryMetre) {
  // ARC: centre (0, 0), radius 10, from 0° to 90° counter-clockwise: length
  // 15.708 -> vertices at 0 … 15 m and the end: 17.
  const std::string file =
      dxf(groups({{0, "ARC"},
                  {8, "A"},
                  {10, "0"},
                  {20, "0"},
                  {30, "3"},
                  {40, "10"},
                  {50, "0"},
                  {51, "90"}}) +
          groups({{0, "CIRCLE"}, {8, "C"}, {10, "50"}, {20, "60"}, {30, "0"}, {40, "2"}}));
  const auto arc = read_dxf_obstructions(file, "a.dxf", {parse_layer_request("A=z")});
  ASSERT_EQ(arc.size(), 1u);
  const auto& p = arc[0].plan;
  ASSERT_EQ(p.size(), 17u);
  EXPECT_NEAR(p.front().y, 10, 1e-12);  // start at DXF (10, 0): east 10
  EXPECT_NEAR(p.front().x, 0, 1e-12);
  EXPECT_NEAR(p.back().x, 10, 1e-12);  // end at DXF (0, 10): north 10
  EXPECT_NEAR(p.back().y, 0, 1e-12);
  for (std::size_t i = 1; i + 1 < p.size(); ++i) {
    EXPECT_NEAR(dist(p[i - 1], p[i]), 2 * 10 * std::sin(0.05), 1e-12);  // one metre of arc
  }
  EXPECT_EQ(arc[0].top_values, std::vector<double>(17, 3.0));
  // CIRCLE of radius 2: 12.566 m -> angle 0, 12 metres, back at angle 0.
  const auto circle = read_dxf_obstructions(file, "a.dxf", {parse_layer_request("C")});
  ASSERT_EQ(circle[0].plan.size(), 14u);
  EXPECT_NEAR(circle[0].plan.front().y, 52, 1e-12);
  EXPECT_NEAR(dist(circle[0].plan.front(), circle[0].plan.back()), 0, 1e-12);
  EXPECT_TRUE(circle[0].top_values.empty());
}

TEST(DxfObstructions, BulgedLwPolylineAndPolylines) {
  // LWPOLYLINE (0,0) -bulge 1-> (20,0) -> (20,5), elevation 4: a half circle
  // of radius 10 clockwise... counter-clockwise from (0,0) to (20,0) passes
  // below the chord (bulge > 0 turns left of the travel direction).
  const std::string lw = groups({{0, "LWPOLYLINE"},
                                 {8, "P"},
                                 {90, "3"},
                                 {70, "0"},
                                 {38, "4"},
                                 {10, "0"},
                                 {20, "0"},
                                 {42, "1"},
                                 {10, "20"},
                                 {20, "0"},
                                 {10, "20"},
                                 {20, "5"}});
  const std::string poly3d =
      groups({{0, "POLYLINE"}, {8, "Q"},      {66, "1"}, {10, "0"}, {20, "0"}, {30, "0"},
              {70, "8"},       {0, "VERTEX"}, {8, "Q"},  {10, "1"}, {20, "2"}, {30, "3"},
              {70, "32"},      {0, "VERTEX"}, {8, "Q"},  {10, "4"}, {20, "5"}, {30, "6"},
              {70, "32"},      {0, "VERTEX"}, {8, "Q"},  {10, "7"}, {20, "8"}, {30, "9"},
              {70, "32"},      {0, "SEQEND"}});
  const std::string closed2d =
      groups({{0, "POLYLINE"}, {8, "R"},      {66, "1"}, {10, "0"}, {20, "0"},    {30, "0"},
              {70, "1"},       {0, "VERTEX"}, {8, "R"},  {10, "0"}, {20, "0"},    {30, "0"},
              {0, "VERTEX"},   {8, "R"},      {10, "3"}, {20, "0"}, {30, "0"},    {0, "VERTEX"},
              {8, "R"},        {10, "3"},     {20, "3"}, {30, "0"}, {0, "SEQEND"}});
  const std::string file = dxf(lw + poly3d + closed2d);

  const auto p = read_dxf_obstructions(file, "p.dxf", {parse_layer_request("P=z")});
  ASSERT_EQ(p.size(), 1u);
  const auto& v = p[0].plan;
  // Half circle of radius 10: 31.4 m -> 0 … 31 m and its end, then (20, 5).
  ASSERT_EQ(v.size(), 34u);
  for (std::size_t i = 0; i + 1 < v.size(); ++i) {
    EXPECT_NEAR(std::hypot(v[i].y - 10, v[i].x), 10, 1e-9) << i;  // on the circle
    EXPECT_LE(v[i].x, 1e-9) << i;                                 // south of the chord
  }
  EXPECT_NEAR(v[16].x, -10 * std::sin(16 / 10.0), 1e-9);
  EXPECT_DOUBLE_EQ(v.back().x, 5);
  EXPECT_EQ(p[0].top_values, std::vector<double>(34, 4.0));

  const auto q = read_dxf_obstructions(file, "p.dxf", {parse_layer_request("Q=z")});
  ASSERT_EQ(q[0].plan.size(), 3u);
  EXPECT_DOUBLE_EQ(q[0].plan[2].x, 8);
  EXPECT_EQ(q[0].top_values, (std::vector<double>{3, 6, 9}));

  const auto r = read_dxf_obstructions(file, "p.dxf", {parse_layer_request("R")});
  ASSERT_EQ(r[0].plan.size(), 4u);  // closed: back to the first vertex
  EXPECT_DOUBLE_EQ(r[0].plan[3].y, 0);
  EXPECT_DOUBLE_EQ(r[0].plan[3].x, 0);
}

TEST(DxfObstructions, BadEntitiesAndFiles) {
  const std::string zero_radius =
      dxf(groups({{0, "CIRCLE"}, {8, "C"}, {10, "0"}, {20, "0"}, {40, "0"}}));
  EXPECT_THROW(read_dxf_obstructions(zero_radius, "c.dxf", {parse_layer_request("C")}),
               DataFormatError);
  // A circle so large that a vertex every metre passes the bound.
  const std::string huge =
      dxf(groups({{0, "CIRCLE"}, {8, "C"}, {10, "0"}, {20, "0"}, {40, "1e8"}}));
  EXPECT_THROW(read_dxf_obstructions(huge, "c.dxf", {parse_layer_request("C")}), DataFormatError);
  EXPECT_THROW(read_dxf_obstructions("not a dxf", "x.dxf", {parse_layer_request("C")}),
               DataFormatError);
  // Entities of a block definition are not in model space.
  const std::string block = groups({{0, "SECTION"},
                                    {2, "BLOCKS"},
                                    {0, "BLOCK"},
                                    {8, "0"},
                                    {2, "B"},
                                    {70, "0"},
                                    {10, "0"},
                                    {20, "0"},
                                    {30, "0"}}) +
                            line("C", 0, 0, 0, 1, 1, 0) +
                            groups({{0, "ENDBLK"}, {0, "ENDSEC"}, {0, "EOF"}});
  EXPECT_THROW(read_dxf_obstructions(block, "b.dxf", {parse_layer_request("C")}), DataFormatError);
}

}  // namespace
}  // namespace lumora::obstruction
