#include "session/sight_check_drawing.h"

#include <cmath>

namespace lumora::session {
namespace {

const double kPi = 4 * std::atan(1.0);

cad::Point3 drawing_point(zxbas::Vec2 p) {
  return {p.y, p.x, 0};
}

}  // namespace

void draw_sight_check(cad::CadHost& host, const std::vector<obstruction::Obstruction>& obstructions,
                      const std::vector<SightRow>& rows, const std::vector<DeficientRange>& ranges,
                      const SightPaths& paths, int interval) {
  for (const obstruction::Obstruction& o : obstructions) {
    host.set_active_layer(host.add_layer(o.name));
    std::vector<double> v;
    v.reserve(2 * o.plan.size());
    for (const zxbas::Vec2& p : o.plan) v.insert(v.end(), {p.y, p.x});
    const auto e = host.add_light_weight_polyline(v);
    host.set_color(e, 30);
    host.set_line_weight(e, 35);
  }

  const std::size_t every = interval < 1 ? 1 : static_cast<std::size_t>(interval);
  std::size_t seen[2] = {0, 0};
  std::vector<const SightRow*> drawn;
  host.set_active_layer(host.add_layer("可用视距线"));
  for (const SightRow& r : rows) {
    std::size_t& k = seen[r.direction == visibility::Direction::forward ? 0 : 1];
    if (k++ % every != 0) continue;
    const auto e = host.add_line(drawing_point(r.sight.eye), drawing_point(r.sight.target));
    host.set_color(e, r.deficient() ? 1 : 3);
    host.set_line_weight(e, 0);
    if (r.sight.cause != visibility::CauseKind::none) drawn.push_back(&r);
  }
  if (!drawn.empty()) {
    host.set_active_layer(host.add_layer("遮挡点"));
    for (const SightRow* r : drawn) {
      const int color = r->deficient() ? 1 : 3;
      const auto mark = host.add_arc(drawing_point(r->sight.block), 1.0, 0, 2 * kPi);
      host.set_color(mark, color);
      const auto point = host.add_point(drawing_point(r->sight.block));
      host.set_color(point, color);
    }
  }

  if (ranges.empty()) return;
  host.set_active_layer(host.add_layer("视距不足"));
  for (const DeficientRange& g : ranges) {
    const sight::EyePath* path =
        g.direction == visibility::Direction::forward ? paths.forward : paths.backward;
    if (!path) continue;
    double a = std::min(rows[g.first].sight.c, rows[g.last].sight.c);
    double b = std::max(rows[g.first].sight.c, rows[g.last].sight.c);
    if (b - a < 1) {
      const double mid = (a + b) / 2;
      a = mid - 0.5;
      b = mid + 0.5;
    }
    std::vector<double> v;
    auto add = [&](double c) {
      const zxbas::Vec2 p = path->eye_point(c);
      v.insert(v.end(), {p.y, p.x});
    };
    add(a);
    for (double m = std::floor(a) + 1; m < b; m += 1) add(m);
    add(b);
    const auto e = host.add_light_weight_polyline(v);
    host.set_color(e, 1);
    host.set_line_weight(e, 100);
  }
}

}  // namespace lumora::session
