// Saving the open drawing: DXF for CAD programs, SVG for a quick look in a
// browser.
//
// DXF: AutoCAD 2000 (AC1015) through dxflib. The file declares the Chinese
// code page ($DWGCODEPAGE ANSI_936) and holds every string (layer names,
// texts, style and coordinate-system names) in GBK, which is what CAD
// programs read with that code page. It carries the layers with their
// entities' colours and line weights, the text styles with their font and
// big-font files, the named coordinate systems, and limits, extents and an
// active viewport that show the whole drawing (a zoom to extents).
//
// SVG: one group per layer, y axis flipped so that north is up, texts with
// their rotation, alignment and width factor, stroke colours from the CAD
// colour index; UTF-8. The dark background suits the screen; the light one
// is for printing (white paper, colour 7 black, pale colours darkened);
// on either, a colour with too little contrast is moved to a visible shade
// of its hue (cad/legible.h). Texts that would read upside down are turned
// the right way up (SvgOptions::readable_text). Strokes do not scale with
// the drawing (vector-effect non-scaling-stroke): a line weight of 0.25 mm
// is one pixel of the picture (the longer side 1600 px) at every zoom, so
// lines a few metres apart stay apart when zoomed in. Texts name a list
// of CJK font families. The drawing's title, when it has one, stands in a
// band above the drawing and in the <title> element.
//
// Accuracy: DXF numbers carry 16 significant digits (0.1 µm at coordinates
// of 1e7 m); SVG coordinates are written to 1 mm, relative to the drawing's
// top left corner so that large coordinates keep that precision.
//
// Both are written atomically: into a temporary file in the target's
// directory, renamed over the target only when complete, so a failed write
// never leaves a half file.
//
// Example:
//   write_drawing(doc, "line.dxf");   // or "line.svg"
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "cad/document.h"

namespace lumora::cad {

/// Writes the drawing in the format its extension names (".dxf" or ".svg",
/// any letter case). Throws DataFormatError for any other extension and
/// CancelledError (save) when the file cannot be written.
enum class SvgBackground { dark, light };

struct SvgOptions {
  SvgBackground background = SvgBackground::dark;
  /// Texts that would read upside down turned by 180° (cad/legible.h).
  bool readable_text = true;
};

/// `svg` applies to an SVG file only.
void write_drawing(const DrawingDocument& doc, const std::filesystem::path& path,
                   const SvgOptions& svg = {});

void write_dxf(const DrawingDocument& doc, const std::filesystem::path& path);
void write_svg(const DrawingDocument& doc, const std::filesystem::path& path,
               const SvgOptions& options = {});

/// The SVG text of the drawing.
std::string svg_text(const DrawingDocument& doc, const SvgOptions& options = {});

/// The DXF text of the drawing (the bytes write_dxf writes), made in memory.
std::string dxf_text(const DrawingDocument& doc);

/// RGB of a CAD colour index 1 … 255 (7 is white); other values give white.
std::array<std::uint8_t, 3> aci_rgb(int index);

}  // namespace lumora::cad
