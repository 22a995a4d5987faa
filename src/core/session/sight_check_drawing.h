// The sight-check drawing: the obstructions, the governing sight lines and
// the deficient ranges, drawn through a CadHost.
//
//   - each obstruction's plan line on a layer named after the obstruction
//     (colour 30, orange, line weight 35);
//   - layer "可用视距线": the governing sight line of each row (or of every
//     n-th row of each direction), from the eye point to the target at ASD,
//     green (3) where the sight distance is adequate, red (1) where it is
//     deficient;
//   - layer "遮挡点": a circle of radius 1 m and a point at the blocking
//     point of each drawn line whose cause is not "无", in the line's colour;
//   - layer "视距不足": each deficient range as a thick red line (colour 1,
//     line weight 100) along that direction's eye path, a vertex at every
//     metre of chainage (a range of one chainage: the metre around it).
// Drawing coordinates are (east, north): a plan point (x north, y east) is
// drawn at (y, x, 0).
//
// Accuracy: the points of the sights and of the eye paths as computed.
//
// Example:
//   draw_sight_check(cad_connect(doc), obstructions, rows, ranges, paths, 1);
#pragma once

#include <vector>

#include "cad/host.h"
#include "obstruction/obstruction.h"
#include "session/sight_check_result.h"
#include "sight/eye_path.h"

namespace lumora::session {

/// The eye paths of the two directions (nullptr for a direction not checked).
struct SightPaths {
  const sight::EyePath* forward = nullptr;
  const sight::EyePath* backward = nullptr;
};

/// Draws the obstructions, the sight lines of every `interval`-th row of each
/// direction (interval ≥ 1) and the deficient ranges.
void draw_sight_check(cad::CadHost& host, const std::vector<obstruction::Obstruction>& obstructions,
                      const std::vector<SightRow>& rows, const std::vector<DeficientRange>& ranges,
                      const SightPaths& paths, int interval);

}  // namespace lumora::session
