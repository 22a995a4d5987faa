// Obstructions from the designer's drawing: the entities of named layers of
// a DXF file, read with dxflib.
//
// Each LINE, LWPOLYLINE, POLYLINE (2D or 3D), ARC and CIRCLE of model space
// on a requested layer becomes one obstruction named after its layer; the
// obstructions come in the order of the requests, then of the file.
// Entities inside block definitions are not model space and are left out.
//
// Coordinates: DXF x is east and y north, as the program's own drawings
// write them; an obstruction's vertices are (x north, y east) = (DXF y,
// DXF x). Arcs (ARC, CIRCLE, and the bulges of LWPOLYLINE and 2D
// POLYLINE vertices) become polylines with a vertex at every metre of arc
// from the start angle (a CIRCLE from angle 0, counter-clockwise back to
// it) and one at the end. Closed polylines get their closing segment.
//
// Tops, per layer request ("NAME", "NAME=0.8", "NAME=z"):
//   - no "=": unlimited;
//   - "=HEIGHT": HEIGHT metres above the road surface (≥ 0);
//   - "=z": each vertex's own elevation is the absolute top: the z of a
//     LINE's ends, of 3D polyline vertices, the elevation of an LWPOLYLINE
//     or a 2D POLYLINE, the z of an ARC's or CIRCLE's centre. Along a line
//     segment the top varies linearly; along an arc it is the centre's.
//
// Accuracy: the DXF's own numbers; an arc's chords lie within 1/(8R) m of
// the arc (0.1 mm at R = 1000 m).
//
// Example:
//   auto reqs = {parse_layer_request("护栏=0.8"), parse_layer_request("边坡")};
//   auto obs = read_dxf_obstructions(bytes, "site.dxf", reqs);
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "obstruction/obstruction.h"

namespace lumora::obstruction {

/// One --layer option: the layer's name and the top of its entities.
struct LayerRequest {
  std::string name;
  TopKind top = TopKind::unlimited;
  double height = 0;  // above_road only
};

/// Parses "NAME", "NAME=HEIGHT" or "NAME=z" (the last "=" splits). Throws
/// DataFormatError for an empty name, or a HEIGHT that is neither "z" nor a
/// number ≥ 0.
LayerRequest parse_layer_request(std::string_view spec);

/// Reads the obstructions of the requested layers from the bytes of a DXF
/// file (ASCII DXF; strings in GBK or UTF-8; layer names compared without
/// regard to the case of Latin letters, as CAD programs do). `file` names
/// the file in the details. Throws DataFormatError for a file dxflib cannot
/// read, a coordinate that is not finite or beyond the data bounds, an arc
/// or circle of radius ≤ 0, more than kMaxObstructionVertices vertices, and
/// a requested layer without any entity of these kinds (naming the layer).
std::vector<Obstruction> read_dxf_obstructions(std::string_view bytes, const std::string& file,
                                               const std::vector<LayerRequest>& layers);

}  // namespace lumora::obstruction
