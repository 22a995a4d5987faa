// The plan on paper: a window of the drawing document (design line, eye
// path, sight lines, envelope) at a round scale (1:500, 1:1000, 1:2000,
// 1:2500, 1:3000, 1:5000 …) in a frame, with a north arrow and a scale bar.
//
// Drawn for a black-and-white print rather than in the CAD colours: the
// centre line dash-dotted, the eye path dashed, the envelope a heavy solid
// line, the sight lines hairlines in light grey, the PI line thin and grey,
// labels black. Texts smaller than 1.2 mm on paper are left out; the
// overview names the curves itself instead.
//
// Accuracy: the scale is exact (drawing metres to paper millimetres); every
// vertex is placed as the document holds it, arcs as chords within 0.01 mm
// of the circle on paper.
//
// Example:
//   PlanFrame f{.frame = w.rect_mm(20, 30, 170, 200)};
//   f.window = {min_x, min_y, max_x, max_y};
//   const int n = paint_plan(painter, doc, f, units_per_mm);   // 1:n
#pragma once

#include <QLineF>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "cad/document.h"

namespace lumora::report {

struct PlanFrame {
  QRectF frame;  // device units
  /// The drawing turned counter-clockwise on the paper by this angle
  /// (radians), about the drawing's origin; the window is given in the
  /// turned coordinates.
  double rotation = 0;
  double min_x = 0, min_y = 0, max_x = 0, max_y = 0;  // drawing window, metres
  bool stake_texts = true;                            // the drawing's own labels (details)
  std::vector<std::pair<QString, QPointF>> marks;     // names at drawing points
  /// A sight line drawn heavy and dashed over the drawing.
  std::optional<QLineF> highlight;
};

/// The smallest round scale denominator not below `n` (1, 2, 2.5, 3 and 5
/// times a power of ten).
double round_scale(double n);

/// Paints the window into the frame at the largest round scale that shows
/// all of it; returns the scale's denominator.
double paint_plan(QPainter& p, const cad::DrawingDocument& doc, const PlanFrame& f,
                  double units_per_mm);

}  // namespace lumora::report
