// The sight-distance envelope drawing.
#include "cad/envelope.h"

#include <cmath>

#include "error.h"

namespace lumora::cad {

namespace {

const double kPi = 4 * std::atan(1.0);

// The drawing point w to the left of the design line at chainage c (w < 0:
// to the right).
Point3 offset_point(const Alignment& line, double c, double w) {
  const Pose p = line.point_at(c);
  return {p.y + std::sin(p.azimuth - kPi / 2) * w, p.x + std::cos(p.azimuth - kPi / 2) * w, 0};
}

}  // namespace

void draw_envelope(CadHost& host, const Alignment& line, const std::vector<EnvelopeRow>& rows,
                   bool draw_sight_lines, bool draw_trajectory) {
  if (rows.empty()) throw DataFormatError("视距包络图: 横净距文件中没有数据行");

  if (draw_sight_lines) {
    host.set_active_layer(host.add_layer("视距线"));
    for (const EnvelopeRow& row : rows) {
      if (row.clearance == 0) continue;
      const EntityRef sight =
          host.add_line(offset_point(line, row.start_chainage, row.offset_start),
                        offset_point(line, row.end_chainage, row.offset_end));
      host.set_color(sight, 250);
      host.set_line_weight(sight, 0);
    }
  }

  // The eye path and the edge of the clear zone: positive clearances lie to
  // the left of the eye path, so the edge is at the eye offset plus the
  // clearance.
  std::vector<double> trajectory, envelope;
  trajectory.reserve(2 * rows.size());
  envelope.reserve(2 * rows.size());
  for (const EnvelopeRow& row : rows) {
    const Point3 eye = offset_point(line, row.chainage, row.offset);
    const Point3 edge = offset_point(line, row.chainage, row.offset + row.clearance);
    trajectory.insert(trajectory.end(), {eye.x, eye.y});
    envelope.insert(envelope.end(), {edge.x, edge.y});
  }

  if (draw_trajectory) {
    host.set_active_layer(host.add_layer("轨迹线"));
    const EntityRef path = host.add_light_weight_polyline(trajectory);
    host.set_color(path, 3);
    host.set_line_weight(path, 40);
  }

  host.set_active_layer(host.add_layer("视距包络图"));
  const EntityRef edge = host.add_light_weight_polyline(envelope);
  host.set_color(edge, 2);
  host.set_line_weight(edge, 40);
}

}  // namespace lumora::cad
