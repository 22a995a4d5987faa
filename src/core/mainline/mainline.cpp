// Element computation of the main line (zx_build) and the point at a chainage
// (zx_point). See mainline.h for the geometry, including hairpin PIs.
#include "mainline/mainline.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "error.h"
#include "text/format.h"

namespace lumora::zxbas {
namespace {

double sgn(double v) {
  return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

// One reduction step into [−π, π].
double reduce_pi(double a) {
  if (a < -kPi) return a + 2 * kPi;
  if (a > kPi) return a - 2 * kPi;
  return a;
}

// The turn of a hairpin (or a curve whose virtual spirals add up beyond π)
// the other way round: θ − 2π for θ ≥ 0, θ + 2π otherwise.
double other_way(double a) {
  return a >= 0 ? a - 2 * kPi : a + 2 * kPi;
}

Vec2 add(Vec2 a, Vec2 b) {
  return {a.x + b.x, a.y + b.y};
}
Vec2 sub(Vec2 a, Vec2 b) {
  return {a.x - b.x, a.y - b.y};
}
Vec2 scale(Vec2 a, double k) {
  return {a.x * k, a.y * k};
}
double dot(Vec2 a, Vec2 b) {
  return a.x * b.x + a.y * b.y;
}

// Point of a clothoid at signed arc length l from its origin, in the frame
// of the origin tangent u; c = R·L, positive for a curve to the right.
Vec2 clothoid(double u, double l, double c) {
  if (l == 0) return {0, 0};
  return rotate(u, spiral_x(l, c), spiral_y(l, c));
}

// The geometry of a curve with positive radius and the spiral values of an
// ordinary curve: a hairpin PI's negative model values turned back.
struct Shape {
  double r, ls1, ls2, rs1, rs2, e1, e2, ly;
  double s;  // +1 right, −1 left
};

Shape shape_of(const Jd& j) {
  const double g = j.jd_ht ? -1.0 : 1.0;
  return {g * j.jd_r,  g * j.jd_ls1, g * j.jd_ls2, g * j.jd_rs1,   g * j.jd_rs2,
          g * j.jd_e1, g * j.jd_e2,  g * j.jd_ly,  sgn(j.jd_alpha)};
}

// Turn of a clothoid between its origin and the point of radius rs at
// distance e from it (0 for a spiral that starts on the tangent).
double origin_turn(double e, double rs) {
  return rs != 0 ? e / (2 * rs) : 0.0;
}

// Angle difference reduced into (−π, π].
double angle_gap(double a, double b) {
  double d = std::fmod(a - b, 2 * kPi);
  if (d > kPi) d -= 2 * kPi;
  if (d <= -kPi) d += 2 * kPi;
  return d;
}

}  // namespace

CurveGeometry zx_curve(double r, double rs1, double rs2, double ls1, double ls2, double alpha,
                       double a_in, double a_out, const std::string& where) {
  const std::string at = where.empty() ? std::string() : where + ": ";
  const bool hairpin = r < 0 || rs1 < 0 || rs2 < 0 || ls1 < 0 || ls2 < 0;
  const double g = hairpin ? -1.0 : 1.0;
  const double R = g * r, RS1 = g * rs1, RS2 = g * rs2, Ls1 = g * ls1, Ls2 = g * ls2;
  if (!(R > 0)) throw DataFormatError(at + "半径 R 为 0");
  if (RS1 != 0 && RS1 == R) throw DataFormatError(at + "RS1 等于 R");
  if (RS2 != 0 && RS2 == R) throw DataFormatError(at + "RS2 等于 R");
  const double s = sgn(alpha);
  if (s == 0) throw DataFormatError(at + "与前后交点在一条直线上 (偏角为 0)");

  CurveGeometry out;
  // Spiral extensions to the virtual origins of infinite radius: a clothoid
  // through radius RS at distance e from its origin and radius R at Ls + e
  // satisfies RS·e = R·(Ls + e).
  const double e1 = RS1 != 0 ? R * Ls1 / (RS1 - R) : 0.0;
  const double e2 = RS2 != 0 ? R * Ls2 / (RS2 - R) : 0.0;
  // Virtual tangents at those origins.
  double az1 = reduce_pi(a_in - s * origin_turn(e1, RS1));
  double az2 = reduce_pi(a_out + s * origin_turn(e2, RS2));
  double theta = reduce_pi(az2 - az1);
  if (hairpin) theta = other_way(theta);
  if (alpha * theta < 0) theta = other_way(theta);
  // The reductions above place the turn within one turn of the circle. The
  // virtual curve of incomplete spirals turns through the deflection plus
  // the turns of both spiral extensions, which may exceed 2π (R 500, Ls 100
  // and RS 520 on a right angle: 1.571 + 2·2.404 rad); the turn is then that
  // sum, not its remainder.
  const double full_turn = alpha + s * (origin_turn(e1, RS1) + origin_turn(e2, RS2));
  if (full_turn * s > 0 && std::fabs(full_turn) > 2 * kPi) theta = full_turn;
  if (std::fabs(std::sin(theta)) < 1e-12) {
    throw DataFormatError(at + "与前后交点在一条直线上 (转角为 0 或 π)");
  }

  const double L1 = Ls1 + e1, L2 = Ls2 + e2;
  const double p1 = spiral_p(L1, R), q1 = spiral_q(L1, R);
  const double p2 = spiral_p(L2, R), q2 = spiral_q(L2, R);
  // Tangent lengths of the virtual curve; negative for a turn beyond π,
  // where the tangent points lie beyond the PI on the incoming tangent and
  // before it on the outgoing one.
  const double t1v = tangent_in(R, p1, p2, q1, theta);
  const double t2v = tangent_out(R, p1, p2, q2, theta);
  Vec2 zh = scale(direction(az1), -t1v);
  Vec2 hz = scale(direction(az2), t2v);
  if (Ls1 != 0) zh = add(zh, clothoid(az1, e1, s * R * L1));
  if (Ls2 != 0) hz = add(hz, clothoid(az2 + kPi, e2, -s * R * L2));

  // The real tangents through ZH and HZ meet at I; the curve is later placed
  // so that I falls on the PI. Tangent lengths are signed along the travel.
  Vec2 I;
  if (!tangent_intersect(zh, a_in, hz, a_out, I)) {
    throw DataFormatError(at + "前后切线平行，无交点");
  }
  out.t1 = dot(sub(I, zh), direction(a_in));
  out.t2 = dot(sub(hz, I), direction(a_out));
  out.e1 = g * e1;
  out.e2 = g * e2;
  out.az1 = az1;
  out.az2 = az2;
  out.theta = theta;
  return out;
}

const Jd& MainLine::jd(int i) const {
  if (i < 1 || i > jd_count()) throw DataFormatError(fmt::format("交点序号 {} 超出范围", i));
  return jd_[static_cast<std::size_t>(i - 1)];
}

std::string MainLine::where(int i) const {
  const Jd& j = jd_[static_cast<std::size_t>(i - 1)];
  if (j.line > 0)
    return fmt::format("{} 第{}行 交点「{}」", file_, j.line, text::excerpt(j.jd_name));
  return fmt::format("{} 交点{}「{}」", file_, i, text::excerpt(j.jd_name));
}

MainLine MainLine::build(PiFile pi) {
  MainLine m;
  m.qdzh_ = pi.qdzh;
  m.file_ = std::move(pi.file);
  m.jd_ = std::move(pi.jd);
  const int n = m.jd_count();
  if (n < 2) {
    throw DataFormatError(fmt::format("{}: 只有 {} 个交点，至少需要起点和终点", m.file_, n));
  }
  if (n > kMaxPis) {
    throw DataFormatError(
        fmt::format("{}: 交点超过 {} 个 (capacity {} PIs)", m.file_, kMaxPis, kMaxPis));
  }
  auto J = [&m](int i) -> Jd& { return m.jd_[static_cast<std::size_t>(i - 1)]; };
  auto fail = [&m](int i, const std::string& why) {
    throw DataFormatError(m.where(i) + ": " + why);
  };
  if (!std::isfinite(m.qdzh_)) throw DataFormatError(m.file_ + ": 起点桩号不是有限数");

  // Input checks: what the element computation cannot turn into a curve.
  for (int i = 1; i <= n; ++i) {
    const Jd& j = J(i);
    for (double v : {j.jd_x, j.jd_y, j.jd_r, j.jd_ls1, j.jd_ls2, j.jd_rs1, j.jd_rs2}) {
      if (!std::isfinite(v)) fail(i, "数据不是有限数");
    }
    if (i == 1 || i == n) continue;
    if (j.jd_r == 0) fail(i, "半径 R 为 0");
    if (j.jd_r < 0) fail(i, "半径 R 为负");
    if (j.jd_ls1 < 0 || j.jd_ls2 < 0) fail(i, "缓和曲线长为负");
    if (j.jd_rs1 < 0 || j.jd_rs2 < 0) fail(i, "缓和曲线起终点半径 RS 为负");
    if (j.jd_rs1 != 0 && j.jd_rs1 == j.jd_r) fail(i, "RS1 等于 R");
    if (j.jd_rs2 != 0 && j.jd_rs2 == j.jd_r) fail(i, "RS2 等于 R");
    if (j.jd_rs1 != 0 && j.jd_rs1 < j.jd_r)
      fail(i, "RS1 小于 R (不完整缓和曲线应从大半径过渡到 R)");
    if (j.jd_rs2 != 0 && j.jd_rs2 < j.jd_r)
      fail(i, "RS2 小于 R (不完整缓和曲线应从 R 过渡到大半径)");
  }
  for (int i = 1; i < n; ++i) {
    if (J(i).jd_x == J(i + 1).jd_x && J(i).jd_y == J(i + 1).jd_y) {
      fail(i + 1, fmt::format("与前一交点「{}」坐标相同", text::excerpt(J(i).jd_name)));
    }
  }
  auto P = [&J](int i) { return Vec2{J(i).jd_x, J(i).jd_y}; };
  auto dist = [&P](int i, int k) { return std::hypot(P(k).x - P(i).x, P(k).y - P(i).y); };

  // Tangent azimuths, PI i to PI i+1.
  for (int i = 1; i < n; ++i) J(i).jd_az = line_azimuth(P(i), P(i + 1));
  // Hairpin tangents: the direction of travel on a tangent with flag 0
  // runs from the hairpin PI to its neighbour (incoming) or from the
  // neighbour to it (outgoing). A later PI's rule wins on a shared tangent.
  for (int i = 2; i < n; ++i) {
    if (!J(i).jd_ht) continue;
    J(i - 1).jd_az = J(i).jd_ht_in ? line_azimuth(P(i - 1), P(i)) : line_azimuth(P(i), P(i - 1));
    J(i).jd_az = J(i).jd_ht_out ? line_azimuth(P(i), P(i + 1)) : line_azimuth(P(i + 1), P(i));
  }
  // Deflection angles, + = right, reduced once into [−π, π].
  for (int i = 2; i < n; ++i) {
    double a = J(i).jd_az - J(i - 1).jd_az;
    if (a < -kPi) {
      a += 2 * kPi;
    } else if (a > kPi) {
      a -= 2 * kPi;
    }
    J(i).jd_alpha = a;
  }
  // A hairpin turns the long way, through more than π.
  for (int i = 2; i < n; ++i) {
    if (J(i).jd_ht)
      J(i).jd_alpha = J(i).jd_alpha < 0 ? J(i).jd_alpha + 2 * kPi : J(i).jd_alpha - 2 * kPi;
  }
  // The model keeps a hairpin's radius and spiral values negative.
  for (int i = 2; i < n; ++i) {
    Jd& j = J(i);
    if (!j.jd_ht) continue;
    j.jd_r = -j.jd_r;
    j.jd_ls1 = -j.jd_ls1;
    j.jd_ls2 = -j.jd_ls2;
    j.jd_rs1 = -j.jd_rs1;
    j.jd_rs2 = -j.jd_rs2;
  }
  for (int i = 1; i <= n; ++i) J(i).jd_t1 = J(i).jd_t2 = 0;
  // Each curve in the local frame of its PI; arc and total length.
  for (int i = 2; i < n; ++i) {
    Jd& j = J(i);
    if (std::fabs(std::sin(j.jd_alpha)) < 1e-12) fail(i, "与前后交点在一条直线上 (偏角为 0 或 π)");
    const CurveGeometry c = zx_curve(j.jd_r, j.jd_rs1, j.jd_rs2, j.jd_ls1, j.jd_ls2, j.jd_alpha,
                                     J(i - 1).jd_az, j.jd_az, m.where(i));
    j.jd_t1 = c.t1;
    j.jd_t2 = c.t2;
    j.jd_e1 = c.e1;
    j.jd_e2 = c.e2;
    j.jd_az1 = c.az1;
    j.jd_az2 = c.az2;
    j.jd_theta = c.theta;
    const double th = std::fabs(c.theta);
    j.jd_ly = th * j.jd_r - (j.jd_ls1 + j.jd_ls2 + j.jd_e1 + j.jd_e2) / 2;
    j.jd_l = th * j.jd_r + (j.jd_ls1 + j.jd_ls2 - j.jd_e1 - j.jd_e2) / 2;
    if (j.jd_ht) j.jd_l = -j.jd_l;
    const double ly = j.jd_ht ? -j.jd_ly : j.jd_ly;
    if (ly < -1e-9) {
      fail(i, fmt::format("缓和曲线过长，转角不足以容纳 (圆曲线长 {:.3f} m)", ly));
    }
  }
  // Signed PI distances along the direction of travel.
  std::vector<double> d(static_cast<std::size_t>(n) + 1, 0.0);
  for (int i = 2; i <= n; ++i) d[i - 1] = dist(i - 1, i);
  for (int i = 2; i < n; ++i) {
    if (!J(i).jd_ht) continue;
    d[i - 1] = J(i).jd_ht_in ? dist(i - 1, i) : -dist(i - 1, i);
    d[i] = J(i).jd_ht_out ? dist(i, i + 1) : -dist(i, i + 1);
  }
  // PI chainages, counted along the line: from PI i−1 back to its ZH (t1),
  // round its curve (l), then on to PI i (d − t2).
  J(1).jd_k = m.qdzh_;
  for (int i = 2; i <= n; ++i) {
    const Jd& b = J(i - 1);
    J(i).jd_k = b.jd_k + d[i - 1] - b.jd_t1 - b.jd_t2 + b.jd_l;
  }
  // Straights between consecutive curves.
  for (int i = 1; i < n; ++i) J(i).jd_straight = d[i] - J(i).jd_t2 - J(i + 1).jd_t1;
  // Element chainages; the start and end point carry their own chainage
  // in all five, so that the straights before the first and after the last
  // curve are evaluated from them.
  for (int i = 1; i <= n; ++i) {
    Jd& j = J(i);
    if (i == 1 || i == n) {
      j.k_zh = j.k_hy = j.k_qz = j.k_yh = j.k_hz = j.jd_k;
      continue;
    }
    const double ls1 = std::fabs(j.jd_ls1), ls2 = std::fabs(j.jd_ls2);
    j.k_zh = j.jd_k - j.jd_t1;
    j.k_hy = j.k_zh + ls1;
    j.k_qz = j.k_zh + j.jd_l / 2 + (ls1 - ls2) / 2;
    j.k_yh = j.k_zh + j.jd_l - ls2;
    j.k_hz = j.k_zh + j.jd_l;
  }
  // Start and end point: all five element points at the PI.
  for (int i : {1, n}) {
    Jd& j = J(i);
    j.x_zh = j.x_hy = j.x_qz = j.x_yh = j.x_hz = j.jd_x;
    j.y_zh = j.y_hy = j.y_qz = j.y_yh = j.y_hz = j.jd_y;
  }
  for (int i = 2; i < n; ++i) {
    Jd& j = J(i);
    const Jd& b = J(i - 1);
    // ZH and HZ on the real tangents through the PI.
    const Vec2 zh = add(P(i), scale(direction(b.jd_az + kPi), j.jd_t1));
    const Vec2 hz = add(P(i), scale(direction(j.jd_az), j.jd_t2));
    j.x_zh = zh.x;
    j.y_zh = zh.y;
    j.x_hz = hz.x;
    j.y_hz = hz.y;
    j.jd_right = j.jd_alpha > 0 ? 1 : 0;
    const Shape g = shape_of(j);
    // HY: along the entry spiral from ZH.
    Vec2 hy = zh;
    if (g.ls1 != 0) {
      const double L1 = g.ls1 + g.e1;
      const double c = g.s * g.r * L1;
      const Vec2 o = sub(zh, clothoid(j.jd_az1, g.e1, c));
      hy = add(o, clothoid(j.jd_az1, L1, c));
    }
    j.az_hy = b.jd_az - g.s * origin_turn(g.e1, g.rs1) + g.s * (g.ls1 + g.e1) / (2 * g.r);
    // YH: back along the exit spiral from HZ.
    Vec2 yh = hz;
    if (g.ls2 != 0) {
      const double L2 = g.ls2 + g.e2;
      const double c = -g.s * g.r * L2;
      const Vec2 o = sub(hz, clothoid(j.jd_az2 + kPi, g.e2, c));
      yh = add(o, clothoid(j.jd_az2 + kPi, L2, c));
    }
    j.az_yh = j.jd_az + g.s * origin_turn(g.e2, g.rs2) - g.s * (g.ls2 + g.e2) / (2 * g.r);
    // QZ: half the arc from HY.
    const double ly = std::max(g.ly, 0.0);
    const Vec2 qz = add(hy, rotate(j.az_hy, arc_x(ly / 2, g.s * g.r), arc_y(ly / 2, g.s * g.r)));
    j.az_qz = j.az_hy + g.s * ly / (2 * g.r);
    j.x_hy = hy.x;
    j.y_hy = hy.y;
    j.x_yh = yh.x;
    j.y_yh = yh.y;
    j.x_qz = qz.x;
    j.y_qz = qz.y;
    // The arc laid out from HY must reach the YH laid back from HZ.
    const Vec2 yh_arc = add(hy, rotate(j.az_hy, arc_x(ly, g.s * g.r), arc_y(ly, g.s * g.r)));
    const double gap = std::hypot(yh_arc.x - yh.x, yh_arc.y - yh.y);
    const double turn_gap = angle_gap(j.az_hy + g.s * ly / g.r, j.az_yh);
    if (!(gap <= 1e-5) || !(std::fabs(turn_gap) <= 1e-8)) {
      fail(i, fmt::format("曲线无法闭合 (圆曲线终点与 YH 相差 {:.6f} m)", gap));
    }
  }

  // Nothing that is not a finite number may leave the build.
  for (int i = 1; i <= n; ++i) {
    const Jd& j = J(i);
    for (double v :
         {j.jd_az, j.jd_alpha, j.jd_e1, j.jd_e2, j.jd_az1,      j.jd_az2, j.jd_theta, j.jd_t1,
          j.jd_t2, j.jd_l,     j.jd_ly, j.jd_k,  j.jd_straight, j.k_zh,   j.k_hy,     j.k_qz,
          j.k_yh,  j.k_hz,     j.x_zh,  j.y_zh,  j.x_hy,        j.y_hy,   j.x_qz,     j.y_qz,
          j.x_yh,  j.y_yh,     j.x_hz,  j.y_hz,  j.az_hy,       j.az_qz,  j.az_yh}) {
      if (!std::isfinite(v)) fail(i, "计算结果溢出 (数据超出可计算范围)");
    }
  }

  for (int i = 1; i < n; ++i) {
    if (J(i).jd_straight < -1e-6) {
      m.warnings_.push_back(fmt::format("{} 与 {} 的曲线重叠: 夹直线长 {:.3f} m", m.where(i),
                                        J(i + 1).jd_name, J(i).jd_straight));
    }
  }
  for (int i = 2; i + 1 < n; ++i) {
    if (J(i + 1).k_zh < J(i).k_zh) m.ordered_ = false;
  }
  // The spirals' origins, from the finished PIs, as zx_point lays them.
  for (int i = 2; i < n; ++i) {
    Jd& j = J(i);
    const Shape g = shape_of(j);
    if (g.ls1 != 0) {
      const Vec2 o = sub({j.x_zh, j.y_zh}, clothoid(j.jd_az1, g.e1, g.s * g.r * (g.ls1 + g.e1)));
      j.x_o1 = o.x;
      j.y_o1 = o.y;
    }
    if (g.ls2 != 0) {
      const Vec2 o =
          sub({j.x_hz, j.y_hz}, clothoid(j.jd_az2 + kPi, g.e2, -g.s * g.r * (g.ls2 + g.e2)));
      j.x_o2 = o.x;
      j.y_o2 = o.y;
    }
  }
  return m;
}

int MainLine::governing_pi(double c) const {
  const int n = jd_count();
  if (n <= 3) return n - 1;
  auto kzh = [this](int i) { return jd_[static_cast<std::size_t>(i - 1)].k_zh; };
  if (ordered_) {
    // Last i in 2 … n−1 with k_zh(i) ≤ c; n − 1 when there is none.
    int lo = 2, hi = n - 1;
    if (c < kzh(2)) return n - 1;
    while (lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      if (kzh(mid) <= c) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    return lo;
  }
  for (int i = 2; i <= n - 2; ++i) {
    if (kzh(i) <= c && c < kzh(i + 1)) return i;
  }
  return n - 1;
}

void MainLine::zx_point(double c, double& x, double& y, double& az) const {
  const int n = jd_count();
  auto J = [this](int i) -> const Jd& { return jd_[static_cast<std::size_t>(i - 1)]; };
  Vec2 p{};
  double a = 0;
  auto along = [&](Vec2 from, double l, double azimuth) {
    p = add(from, scale(direction(azimuth), l));
    a = azimuth;
  };

  if (n == 2) {
    along({J(1).jd_x, J(1).jd_y}, c - qdzh_, J(1).jd_az);
  } else {
    const int i = governing_pi(c);
    const Jd& j = J(i);
    const Jd& b = J(i - 1);
    const Shape g = shape_of(j);
    const Vec2 zh{j.x_zh, j.y_zh}, hy{j.x_hy, j.y_hy}, hz{j.x_hz, j.y_hz};
    if (c >= j.k_zh && c < j.k_hy) {
      // Entry spiral.
      const double l = c - j.k_zh;
      const double L1 = g.ls1 + g.e1;
      const double a0 = b.jd_az - g.s * origin_turn(g.e1, g.rs1);
      if (l == 0) {
        p = zh;
      } else {
        const double k = g.s * g.r * L1;
        const Vec2 o = g.ls1 != 0 ? Vec2{j.x_o1, j.y_o1} : sub(zh, clothoid(j.jd_az1, g.e1, k));
        p = add(o, clothoid(j.jd_az1, l + g.e1, k));
      }
      a = a0 + g.s * (l + g.e1) * (l + g.e1) / (2 * g.r * L1);
    } else if (c >= j.k_hy && c <= j.k_yh) {
      // Circular arc.
      const double l = c - j.k_hy;
      p = add(hy, rotate(j.az_hy, arc_x(l, g.s * g.r), arc_y(l, g.s * g.r)));
      a = j.az_hy + g.s * l / g.r;
    } else if (g.ls2 != 0 && c > j.k_yh && c < j.k_hz) {
      // Exit spiral, measured back from HZ.
      const double l = j.k_hz - c;
      const double L2 = g.ls2 + g.e2;
      const double b0 = j.jd_az + g.s * origin_turn(g.e2, g.rs2);
      const double k = -g.s * g.r * L2;
      const Vec2 o{j.x_o2, j.y_o2};  // ls2 ≠ 0 here
      p = add(o, clothoid(j.jd_az2 + kPi, l + g.e2, k));
      a = b0 - g.s * (l + g.e2) * (l + g.e2) / (2 * g.r * L2);
    } else if (c >= j.k_hz) {
      // Straight after the curve.
      along(hz, c - j.k_hz, j.jd_az);
    } else {
      // Before ZH of the governing PI (only where curves overlap): the
      // incoming tangent.
      along(zh, c - j.k_zh, b.jd_az);
    }
    // Before the first curve, and after the last one.
    if (c <= J(2).k_zh) along({J(1).jd_x, J(1).jd_y}, c - qdzh_, J(1).jd_az);
    if (c >= J(n - 1).k_hz)
      along({J(n - 1).x_hz, J(n - 1).y_hz}, c - J(n - 1).k_hz, J(n - 1).jd_az);
  }
  x = p.x;
  y = p.y;
  az = reduce_azimuth(a);
}

Pose MainLine::point_at(double c) const {
  Pose pose;
  zx_point(c, pose.x, pose.y, pose.azimuth);
  return pose;
}

}  // namespace lumora::zxbas
