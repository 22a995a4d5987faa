#include "cad/legible.h"

#include <gtest/gtest.h>

#include <cmath>

#include "cad/writers.h"

using namespace lumora::cad;

namespace {
constexpr double kDeg = 3.14159265358979323846 / 180;
const Rgb kDark{0x21, 0x28, 0x30};
const Rgb kWhite{255, 255, 255};
}  // namespace

TEST(Legible, ColoursTooDarkOrTooLightMoveToAVisibleShadeOfTheirHue) {
  // The sight lines' grey 250 on the dark screen: lifted to 3:1, still grey.
  const Rgb grey = visible_colour(aci_rgb(250), kDark);
  EXPECT_GE(contrast(grey, kDark), kMinContrast);
  EXPECT_LT(contrast(grey, kDark), kMinContrast + 0.1);  // no lighter than needed
  EXPECT_EQ(grey[0], grey[1]);
  EXPECT_EQ(grey[1], grey[2]);
  // Blue keeps its hue (blue the largest part, red and green equal).
  const Rgb blue = visible_colour(aci_rgb(5), kDark);
  EXPECT_GE(contrast(blue, kDark), kMinContrast);
  EXPECT_EQ(blue[0], blue[1]);
  EXPECT_GT(blue[2], blue[0]);
  // Colours that show are kept: red, yellow and white on the screen.
  for (int i : {1, 2, 3, 7}) EXPECT_EQ(visible_colour(aci_rgb(i), kDark), aci_rgb(i)) << i;
  // On white paper: yellow and white darkened, dark grey kept.
  for (int i : {2, 4, 7}) {
    EXPECT_GE(contrast(visible_colour(aci_rgb(i), kWhite), kWhite), kMinContrast) << i;
  }
  EXPECT_EQ(visible_colour(aci_rgb(250), kWhite), aci_rgb(250));
  // On a mid grey the darker side has the more room: darkened.
  const Rgb on_grey = visible_colour({120, 120, 120}, {128, 128, 128});
  EXPECT_LT(on_grey[0], 120);
  EXPECT_GE(contrast(on_grey, {128, 128, 128}), kMinContrast);
}

TEST(Legible, UpsideDownTextsTurnAndKeepTheirSideOfTheLine) {
  for (double d : {0.0, 45.0, 90.0, 270.0, 300.0, -60.0}) {
    EXPECT_FALSE(reads_upside_down(d * kDeg)) << d;
  }
  for (double d : {90.5, 190.0, 235.0, 269.5, -100.0, 550.0}) {
    EXPECT_TRUE(reads_upside_down(d * kDeg)) << d;
  }
  DrawingDocument doc;
  const auto t = doc.add_text("JD7", {100, 50, 0}, 4);  // left, baseline
  doc.set_rotation(t, 200 * kDeg);
  const auto c = doc.add_text("K1+000", {0, 0, 0}, 4);
  doc.set_rotation(c, 215 * kDeg);
  doc.set_horizontal_alignment(c, align::kCenter);
  doc.set_vertical_alignment(c, align::kMiddle);
  doc.set_text_alignment_point(c, {10, 20, 0});
  const auto r = doc.add_text("ok", {0, 0, 0}, 4);
  doc.set_rotation(r, 30 * kDeg);

  const DrawingDocument shown = with_readable_text(doc);
  const Entity& a = shown.entities()[0];
  EXPECT_NEAR(a.rotation, 20 * kDeg, 1e-12);
  // The anchor stays where it was; right and top instead of left and
  // baseline cover the same side of the line.
  EXPECT_EQ(a.horizontal_alignment, align::kRight);
  EXPECT_EQ(a.vertical_alignment, align::kTop);
  EXPECT_DOUBLE_EQ(a.alignment_point.x, 100);
  EXPECT_DOUBLE_EQ(a.alignment_point.y, 50);
  const Entity& b = shown.entities()[1];
  EXPECT_NEAR(b.rotation, 35 * kDeg, 1e-12);
  EXPECT_EQ(b.horizontal_alignment, align::kCenter);
  EXPECT_EQ(b.vertical_alignment, align::kMiddle);
  EXPECT_DOUBLE_EQ(b.alignment_point.y, 20);
  EXPECT_DOUBLE_EQ(shown.entities()[2].rotation, doc.entities()[2].rotation);
  // The source keeps its rotations; the DXF written from it too.
  EXPECT_NEAR(doc.entities()[0].rotation, 200 * kDeg, 1e-12);
}
