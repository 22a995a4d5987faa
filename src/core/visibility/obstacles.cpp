#include "visibility/obstacles.h"

#include <algorithm>
#include <cmath>

#include "error.h"

namespace lumora::visibility::detail {
namespace {

constexpr double kCell = 16;
constexpr double kGrow = 0.001;

double cross2(Vec2 a, Vec2 b) {
  return a.x * b.y - a.y * b.x;
}
double dot(Vec2 a, Vec2 b) {
  return a.x * b.x + a.y * b.y;
}
Vec2 sub(Vec2 a, Vec2 b) {
  return {a.x - b.x, a.y - b.y};
}
long cell_of(double v) {
  return static_cast<long>(std::floor(v / kCell));
}

}  // namespace

std::uint64_t Obstacles::key(long ix, long iy) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(ix)) << 32) |
         static_cast<std::uint32_t>(iy);
}

const std::vector<std::uint32_t>* Obstacles::cell(long ix, long iy) const {
  const auto it = cells_.find(key(ix, iy));
  return it == cells_.end() ? nullptr : &it->second;
}

Obstacles::Obstacles(const std::vector<obstruction::Obstruction>& obstructions,
                     const RoadTable& road)
    : road_(&road) {
  double guess = road.line().start_chainage();
  for (std::size_t o = 0; o < obstructions.size(); ++o) {
    const auto& ob = obstructions[o];
    std::vector<double> feet(ob.plan.size(), 0.0);
    if (ob.top == obstruction::TopKind::above_road) {
      for (std::size_t v = 0; v < ob.plan.size(); ++v) {
        feet[v] = road.foot(ob.plan[v], guess);
        if (!std::isfinite(feet[v])) {
          throw DataFormatError("障碍物「" + ob.name + "」: 第" + std::to_string(v + 1) +
                                "点无法投影到设计线上");
        }
        guess = feet[v];
      }
    }
    for (std::size_t v = 0; v + 1 < ob.plan.size(); ++v) {
      Segment s;
      s.a = ob.plan[v];
      s.b = ob.plan[v + 1];
      s.obstruction = static_cast<int>(o);
      s.kind = ob.top;
      if (ob.top != obstruction::TopKind::unlimited) {
        s.top_a = ob.top_values[v];
        s.top_b = ob.top_values[v + 1];
      }
      s.foot_a = feet[v];
      s.foot_b = feet[v + 1];
      s.exact_foot = std::hypot(s.b.x - s.a.x, s.b.y - s.a.y) > 2;
      const auto k = static_cast<std::uint32_t>(segments_.size());
      segments_.push_back(s);
      const long x0 = cell_of(std::min(s.a.x, s.b.x) - kGrow);
      const long x1 = cell_of(std::max(s.a.x, s.b.x) + kGrow);
      const long y0 = cell_of(std::min(s.a.y, s.b.y) - kGrow);
      const long y1 = cell_of(std::max(s.a.y, s.b.y) + kGrow);
      if ((x1 - x0 + 1) * (y1 - y0 + 1) > 4'000'000) {
        throw DataFormatError("障碍物「" + ob.name + "」: 线段过长");
      }
      for (long ix = x0; ix <= x1; ++ix) {
        for (long iy = y0; iy <= y1; ++iy) cells_[key(ix, iy)].push_back(k);
      }
    }
  }
}

void Obstacles::for_cells(Vec2 p, Vec2 q, const std::function<void(std::uint32_t)>& f) const {
  if (cells_.empty()) return;
  if (p.x > q.x) std::swap(p, q);
  const long x0 = cell_of(p.x - kGrow);
  const long x1 = cell_of(q.x + kGrow);
  const double dx = q.x - p.x;
  for (long ix = x0; ix <= x1; ++ix) {
    // The chord's extent over this column of cells.
    double ya = p.y;
    double yb = q.y;
    if (dx > 0) {
      const double xa = std::max(p.x, static_cast<double>(ix) * kCell - kGrow);
      const double xb = std::min(q.x, static_cast<double>(ix + 1) * kCell + kGrow);
      ya = p.y + (q.y - p.y) * ((xa - p.x) / dx);
      yb = p.y + (q.y - p.y) * ((xb - p.x) / dx);
    }
    const long y0 = cell_of(std::min(ya, yb) - kGrow);
    const long y1 = cell_of(std::max(ya, yb) + kGrow);
    for (long iy = y0; iy <= y1; ++iy) {
      if (const auto* list = cell(ix, iy)) {
        for (std::uint32_t k : *list) f(k);
      }
    }
  }
}

void Obstacles::for_box(Vec2 lo, Vec2 hi, const std::function<void(std::uint32_t)>& f) const {
  if (cells_.empty()) return;
  const long x0 = cell_of(lo.x - kGrow);
  const long x1 = cell_of(hi.x + kGrow);
  const long y0 = cell_of(lo.y - kGrow);
  const long y1 = cell_of(hi.y + kGrow);
  for (long ix = x0; ix <= x1; ++ix) {
    for (long iy = y0; iy <= y1; ++iy) {
      if (const auto* list = cell(ix, iy)) {
        for (std::uint32_t k : *list) f(k);
      }
    }
  }
}

Crossing Obstacles::cross(std::uint32_t k, Vec2 e, Vec2 o, double z_e, double z_o) const {
  const Segment& g = segments_[k];
  Crossing x;
  const Vec2 w = sub(o, e);
  const Vec2 v = sub(g.b, g.a);
  const Vec2 ea = sub(g.a, e);
  const double den = cross2(w, v);
  double s = 0;
  double lambda = 0;
  if (den != 0) {
    s = cross2(ea, v) / den;
    lambda = cross2(ea, w) / den;
    if (s < 0 || s > 1 || lambda < 0 || lambda > 1) return x;
  } else {
    // Parallel: a crossing only where the segment lies along the chord.
    if (cross2(ea, w) != 0) return x;
    const double ww = dot(w, w);
    if (!(ww > 0)) return x;
    const double sa = dot(ea, w) / ww;
    const double sb = dot(sub(g.b, e), w) / ww;
    const double lo = std::max(0.0, std::min(sa, sb));
    const double hi = std::min(1.0, std::max(sa, sb));
    if (lo > hi) return x;
    s = lo;
    lambda = sa == sb ? 0.0 : (s - sa) / (sb - sa);
  }
  x.crosses = true;
  x.s = s;
  x.point = {e.x + s * w.x, e.y + s * w.y};
  const double line = z_e + s * (z_o - z_e);
  double top = 0;
  switch (g.kind) {
    case obstruction::TopKind::unlimited:
      x.blocks = true;
      return x;
    case obstruction::TopKind::absolute:
      top = g.top_a + lambda * (g.top_b - g.top_a);
      break;
    case obstruction::TopKind::above_road: {
      const double height = g.top_a + lambda * (g.top_b - g.top_a);
      double u = g.foot_a + lambda * (g.foot_b - g.foot_a);
      if (g.exact_foot) u = road_->foot(x.point, u);
      top = road_->elevation(u) + height;
      if (!g.exact_foot && std::fabs(line - top) < 0.01) {
        top = road_->elevation(road_->foot(x.point, u)) + height;
      }
      break;
    }
  }
  x.blocks = line <= top;
  return x;
}

}  // namespace lumora::visibility::detail
