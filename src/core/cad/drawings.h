// The design-line drawings, made through a CadHost: the design line of a
// main line (zx_draw) or of an interchange ramp (ht_draw). (The
// sight-distance envelope is in cad/envelope.h, included here.)
//
// Design line. The centre line goes on layer "中心线": tangents as lines
// (colour 5), spirals as polylines sampled at 360 equal steps of tangent
// angle (colour 3), circular arcs (colour 1). A main line adds its PI line on
// layer "交点线" (colour 6). Layer "标注" takes the start and end marks
// ("QD …", "ZD …", colour 1), the hundred-metre and kilometre stakes (ticks
// of 2 to the left, texts "3" or "K12", colour 4), for a main line the PI
// names (colour 1), the main-point stakes of every curve (ticks of 5 towards
// the inside of the curve, "ZH K1+234.567", colour 4) and the chain-break
// marks ("AK1+200.000=BK1+180.000", colour 1); for a ramp a stake at every
// element boundary ("ZH", "HY", …, ticks to the right, colour 4). Every text
// is 4 high, width factor 0.7, in the style "new_text" (fonts "fsdb_e.shx"
// and "fsdb.shx"). The stages are reported through `stage` as the drawing
// goes ("正在生成设计线" … "设计线绘制完毕，双击返回").
//
// Coordinates: a model point (X north, Y east) is drawn at (Y, X, 0); an
// azimuth a (clockwise from north) reads in the drawing as the angle π/2 − a.
// Every entity is handed to the host in these drawing coordinates, so the
// current coordinate system of the host does not matter; the coordinate
// systems "yx" and "xy" are still added, and "xy" is current at the end.
//
// Accuracy: every vertex is a point of the alignment's own evaluation
// (zx_point, Interchange::element_point), so the drawing lies on the centre
// line to the alignment's accuracy (1e-6 m); arcs are exact circles through
// their end points.
//
// Example:
//   std::unique_ptr<DrawingDocument> doc;
//   draw_design_line(cad_connect(doc), line, breaks, [](const std::string&) {});
//   write_drawing(*doc, "line.dxf");
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "alignment.h"
#include "cad/envelope.h"
#include "cad/host.h"
#include "chainage/chain_breaks.h"
#include "interchange/interchange.h"
#include "mainline/mainline.h"

namespace lumora::cad {

/// Receives the stage texts of a design-line drawing.
using StageFn = std::function<void(const std::string&)>;

/// Length from a spiral's start to its k-th sample (k = 0 … 360), the samples
/// lying at equal steps of tangent angle: ls, e, r, rs of the spiral as the
/// main-line model holds them (negative for a hairpin PI). The result carries
/// a sign (negative for a hairpin); its magnitude runs from 0 (k = 0) to |ls|
/// (k = 360).
double spiral_sample_length(int k, double ls, double e, double r, double rs);

/// The main line's design line, with its PI line, stakes, PI names and
/// chain-break marks.
void zx_draw(CadHost& host, const zxbas::MainLine& line, const chainage::ChainBreakTable& breaks,
             const StageFn& stage);

/// The interchange ramp's design line, with its element-boundary stakes and
/// hundred-metre stakes. A ramp whose stationing has chain breaks (one read
/// from a LandXML file with station equations) is labelled in the numbering
/// of each segment, with its letter, and its breaks are marked as on a main
/// line; without breaks the labels are the continuous chainages.
void ht_draw(CadHost& host, const htbas::Interchange& ramp, const chainage::ChainBreakTable& breaks,
             const StageFn& stage);
void ht_draw(CadHost& host, const htbas::Interchange& ramp, const StageFn& stage);

/// The design-line command: adds the coordinate systems "yx" and "xy", makes
/// "yx" current and draws the line (zx_draw / ht_draw).
void draw_design_line(CadHost& host, const zxbas::MainLine& line,
                      const chainage::ChainBreakTable& breaks, const StageFn& stage);
void draw_design_line(CadHost& host, const htbas::Interchange& ramp,
                      const chainage::ChainBreakTable& breaks, const StageFn& stage);
void draw_design_line(CadHost& host, const htbas::Interchange& ramp, const StageFn& stage);

}  // namespace lumora::cad
