// What makes a drawing legible on a screen or a sheet without changing what
// it stores: colours moved to a visible shade for their background, and
// texts turned the right way up.
//
// Colours. A CAD colour index names one RGB value, but a dark grey line is
// invisible on a dark screen and a yellow one on white paper. CAD programs
// swap colour 7 between white and black; visible_colour() does the same for
// every colour: one whose contrast with the background (the ratio of the
// relative luminances plus 0.05, as the WCAG define it) is below 3:1, the
// contrast asked of graphical objects, is mixed with white (on a dark
// background) or black (on a light one) just enough to reach it, which keeps
// its hue. Accuracy: the mix is found by bisection to 1/1024 of the way.
//
// Texts. A text whose rotation lies strictly between 90° and 270° reads
// upside down. readable_text() turns it by 180° and mirrors its alignment
// (left and right, baseline or bottom and top), so that it covers the same
// place beside its line: its anchor stays on the same side.
//
// Example:
//   auto c = visible_colour(aci_rgb(250), {0x21, 0x28, 0x30});  // a lighter grey
//   Entity t = readable_text(label);                              // rotation 200° -> 20°
//   DrawingDocument shown = with_readable_text(doc);               // for --readable-text
#pragma once

#include <array>
#include <cstdint>

#include "cad/document.h"

namespace lumora::cad {

using Rgb = std::array<std::uint8_t, 3>;

/// The contrast below which a colour is moved.
inline constexpr double kMinContrast = 3.0;

/// WCAG contrast ratio of two colours (1 … 21).
double contrast(const Rgb& a, const Rgb& b);

/// `rgb`, or the shade of its hue nearest to it that has kMinContrast
/// against `background`.
Rgb visible_colour(const Rgb& rgb, const Rgb& background);

/// True for a rotation (radians, any turn) strictly between 90° and 270°.
bool reads_upside_down(double rotation);

/// The text turned the right way up (other entities and readable texts
/// unchanged).
Entity readable_text(const Entity& e);

/// A copy of the drawing with every text readable_text().
DrawingDocument with_readable_text(const DrawingDocument& doc);

}  // namespace lumora::cad
