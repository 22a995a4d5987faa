#include "mainline/mainline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "error.h"
#include "mainline_test_util.h"

namespace lumora::zxbas {
namespace {

using namespace test;

constexpr double kDeg = kTestPi / 180;

// Detail of the DataFormatError that building the line raises.
std::string build_error(const std::vector<Pi>& pis) {
  try {
    build_line(pis);
  } catch (const DataFormatError& e) {
    return e.detail();
  }
  return "(no error)";
}

// A three-PI line: straight north from (0, 0) to the PI at (1000, 0), then on
// at `turn_deg` (+ right) for 900 m.
std::vector<Pi> one_curve(double turn_deg, double r, double ls1, double ls2, double rs1 = 0,
                          double rs2 = 0) {
  const Pi qd{"QD", 0, 0};
  Pi jd{"JD1", 1000, 0, r, ls1, ls2, rs1, rs2};
  return {qd, jd, polar("ZD", jd, 900, turn_deg)};
}

// Checks a built one-curve line against the independent curvature-profile
// integration: every point of the curve from ZH, and the arrival at HZ on the
// outgoing tangent.
void expect_curve_matches_integration(const MainLine& line, int i, double r, double ls1, double ls2,
                                      double rs1, double rs2, double tol) {
  const Jd& j = line.jd(i);
  const double a_in = line.jd(i - 1).jd_az;
  const double alpha = std::fabs(j.jd_alpha);
  const double s = j.jd_alpha > 0 ? 1 : -1;
  CurvatureProfile prof{a_in, s, r, ls1, 0, ls2, rs1 != 0 ? 1 / rs1 : 0, rs2 != 0 ? 1 / rs2 : 0};
  // The arc is what is left of the turn after the two spirals.
  const double spiral_turn = (prof.k0 + 1 / r) * ls1 / 2 + (1 / r + prof.k3) * ls2 / 2;
  prof.ly = r * (alpha - spiral_turn);
  EXPECT_NEAR(std::fabs(j.jd_ly), prof.ly, 1e-9);
  EXPECT_NEAR(j.jd_l, prof.length(), 1e-9);
  const int steps = 40;
  for (int k = 0; k <= steps; ++k) {
    const double l = prof.length() * k / steps;
    const auto [dx, dy] = prof.position(l);
    double x, y, az;
    line.zx_point(j.k_zh + l, x, y, az);
    EXPECT_NEAR(x, j.x_zh + dx, tol) << j.jd_name << " l=" << l;
    EXPECT_NEAR(y, j.y_zh + dy, tol) << j.jd_name << " l=" << l;
    EXPECT_NEAR(az_diff(az, prof.heading(l)), 0, 1e-10) << j.jd_name << " l=" << l;
  }
  // The integrated curve ends at HZ, on the outgoing tangent.
  const auto [dx, dy] = prof.position(prof.length());
  EXPECT_NEAR(j.x_zh + dx, j.x_hz, tol);
  EXPECT_NEAR(j.y_zh + dy, j.y_hz, tol);
  EXPECT_NEAR(az_diff(prof.heading(prof.length()), j.jd_az), 0, 1e-10);
}

TEST(MainLine, TwoPointsMakeOneStraight) {
  const auto line = build_line({{"QD", 0, 0}, {"ZD", 0, 1000}}, 1000);
  ASSERT_EQ(line.jd_count(), 2);
  EXPECT_EQ(line.start_chainage(), 1000);
  EXPECT_DOUBLE_EQ(line.end_chainage(), 2000);
  EXPECT_DOUBLE_EQ(line.jd(2).jd_k, 2000);
  EXPECT_DOUBLE_EQ(line.jd(1).jd_straight, 1000);
  EXPECT_DOUBLE_EQ(line.jd(1).k_hz, 1000);
  EXPECT_DOUBLE_EQ(line.jd(2).k_zh, 2000);
  EXPECT_TRUE(line.warnings().empty());
  double x, y, az;
  line.zx_point(1000, x, y, az);
  EXPECT_NEAR(x, 0, 1e-12);
  EXPECT_NEAR(y, 0, 1e-12);
  EXPECT_DOUBLE_EQ(az, kTestPi / 2);
  line.zx_point(500, x, y, az);  // 500 m behind the start, on the first tangent
  EXPECT_NEAR(y, -500, 1e-9);
  line.zx_point(2100, x, y, az);  // 100 m beyond the end point
  EXPECT_NEAR(y, 1100, 1e-9);
  const Pose p = line.point_at(1250);
  EXPECT_NEAR(p.y, 250, 1e-9);
  EXPECT_DOUBLE_EQ(p.azimuth, kTestPi / 2);
  EXPECT_EQ(line.jd(1).x_hz, 0);
  EXPECT_THROW(line.jd(3), DataFormatError);
}

TEST(MainLine, CurveWithoutSpirals) {
  for (double turn : {40.0, -40.0}) {
    const auto line = build_line(one_curve(turn, 600, 0, 0), 100);
    const Jd& j = line.jd(2);
    const double a = std::fabs(turn) * kDeg;
    EXPECT_NEAR(j.jd_alpha, turn * kDeg, 1e-12);
    EXPECT_EQ(j.jd_right, turn > 0 ? 1 : 0);
    EXPECT_NEAR(j.jd_t1, 600 * std::tan(a / 2), 1e-9);
    EXPECT_NEAR(j.jd_t2, 600 * std::tan(a / 2), 1e-9);
    EXPECT_NEAR(j.jd_l, 600 * a, 1e-9);
    EXPECT_DOUBLE_EQ(j.jd_k, 1100);
    EXPECT_EQ(j.x_hy, j.x_zh);
    EXPECT_EQ(j.y_hy, j.y_zh);
    EXPECT_EQ(j.x_yh, j.x_hz);
    EXPECT_DOUBLE_EQ(j.k_qz, j.k_zh + j.jd_l / 2);
    // QZ lies on the bisector, E = R(sec(α/2) − 1) from the PI.
    EXPECT_NEAR(std::hypot(j.x_qz - j.jd_x, j.y_qz - j.jd_y), 600 / std::cos(a / 2) - 600, 1e-9);
    // End point chainage: PI chainage + distance to the end − (2T − L).
    EXPECT_NEAR(line.end_chainage(), 1100 + 900 - (2 * j.jd_t1 - j.jd_l), 1e-9);
    expect_curve_matches_integration(line, 2, 600, 0, 0, 0, 0, 1e-9);
    expect_main_points_on_line(line, 1e-9);
    EXPECT_EQ(sweep_failures(line, 0, line.end_chainage() + 50, 0.5, 600), 0);
  }
}

TEST(MainLine, SymmetricSpirals) {
  const auto line = build_line(one_curve(30, 500, 100, 100));
  const Jd& j = line.jd(2);
  const double a = 30 * kDeg;
  const double p = spiral_p(100, 500), q = spiral_q(100, 500);
  EXPECT_NEAR(j.jd_t1, (500 + p) * std::tan(a / 2) + q, 1e-9);
  EXPECT_NEAR(j.jd_t2, j.jd_t1, 1e-9);
  EXPECT_NEAR(j.jd_l, 500 * a + 100, 1e-9);
  EXPECT_NEAR(j.jd_ly, 500 * a - 100, 1e-9);
  EXPECT_DOUBLE_EQ(j.k_hy - j.k_zh, 100);
  EXPECT_DOUBLE_EQ(j.k_hz - j.k_yh, 100);
  EXPECT_EQ(j.jd_e1, 0);
  expect_main_points_on_line(line, 1e-9);
}

// Spirals of every kind up to 500 m, right and left: zx_point along the
// curve follows an independent numerical integration of the curvature.
TEST(MainLine, CurvesAgreeWithNumericalIntegration) {
  struct Case {
    double turn, r, ls1, ls2, rs1, rs2;
  };
  const Case cases[] = {
      {35, 800, 150, 150, 0, 0},     {-35, 800, 150, 150, 0, 0},     // symmetric
      {50, 400, 80, 200, 0, 0},      {-50, 400, 200, 80, 0, 0},      // unequal
      {60, 1000, 500, 500, 0, 0},    {-75, 600, 500, 250, 0, 0},     // 500 m spirals
      {45, 500, 120, 100, 1500, 0},  {-45, 500, 120, 100, 0, 1200},  // incomplete
      {70, 300, 90, 150, 900, 2000}, {-28, 2500, 300, 0, 6000, 0},   // both / one only
      {20, 3000, 0, 400, 0, 0},      {-120, 250, 60, 60, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "turn " << c.turn << " R " << c.r << " Ls " << c.ls1 << "/"
                                    << c.ls2 << " RS " << c.rs1 << "/" << c.rs2);
    const auto line = build_line(one_curve(c.turn, c.r, c.ls1, c.ls2, c.rs1, c.rs2), 250);
    const Jd& j = line.jd(2);
    EXPECT_EQ(j.jd_right, c.turn > 0 ? 1 : 0);
    if (c.ls1 != c.ls2 || c.rs1 != c.rs2) {
      EXPECT_GT(std::fabs(j.jd_t1 - j.jd_t2), 1e-3);
    }
    EXPECT_EQ(j.jd_e1 != 0, c.rs1 != 0);
    EXPECT_NEAR(j.jd_e1, c.rs1 != 0 ? c.r * c.ls1 / (c.rs1 - c.r) : 0, 1e-9);
    expect_curve_matches_integration(line, 2, c.r, c.ls1, c.ls2, c.rs1, c.rs2, 1e-9);
    expect_main_points_on_line(line, 1e-9);
    EXPECT_EQ(sweep_failures(line, -100, line.end_chainage() + 100, 0.25, c.r), 0);
    EXPECT_TRUE(line.warnings().empty());
  }
}

// The same curve worked by hand with the textbook formulas: α = 30° right,
// R = 500, Ls = 100; p = Ls²/24R − Ls⁴/2688R³ = 0.833036, q = Ls/2 − Ls³/240R²
// = 49.983333, T = (R + p)·tan(α/2) + q = 184.181, L = Rα + Ls = 361.799,
// E = (R + p)·sec(α/2) − R = 18.501; spiral end x = Ls − Ls³/40R², y = Ls²/6R
// − Ls⁴/336R³ in the frame of the tangent.
TEST(MainLine, TextbookWorkedExample) {
  const Pi qd{"QD", 3000, 1000}, jd{"JD1", 3600, 1000, 500, 100, 100};
  const auto line = build_line({qd, jd, polar("ZD", jd, 700, 30)}, 0);
  const double R = 500, Ls = 100, a = 30 * kDeg;
  const double p = Ls * Ls / (24 * R) - std::pow(Ls, 4) / (2688 * std::pow(R, 3));
  const double q = Ls / 2 - std::pow(Ls, 3) / (240 * R * R);
  const double T = (R + p) * std::tan(a / 2) + q, L = R * a + Ls;
  const double E = (R + p) / std::cos(a / 2) - R;
  EXPECT_NEAR(T, 184.181, 5e-4);
  EXPECT_NEAR(L, 361.799, 5e-4);
  const double xs = Ls - std::pow(Ls, 3) / (40 * R * R);
  const double ys = Ls * Ls / (6 * R) - std::pow(Ls, 4) / (336 * std::pow(R, 3));
  const double din[2] = {1, 0}, dout[2] = {std::cos(a), std::sin(a)};
  const double zh[2] = {3600 - T, 1000}, hz[2] = {3600 + T * dout[0], 1000 + T * dout[1]};
  const double hy[2] = {zh[0] + xs * din[0], zh[1] + ys};
  const double nout[2] = {-dout[1], dout[0]};  // right of the outgoing tangent
  const double yh[2] = {hz[0] - xs * dout[0] + ys * nout[0], hz[1] - xs * dout[1] + ys * nout[1]};
  const double bis[2] = {dout[0] - din[0], dout[1] - din[1]};
  const double bl = std::hypot(bis[0], bis[1]);
  const double qz[2] = {3600 + E * bis[0] / bl, 1000 + E * bis[1] / bl};

  const Jd& j = line.jd(2);
  EXPECT_NEAR(j.jd_k, 600, 1e-9);
  EXPECT_NEAR(j.jd_t1, T, 1e-3);
  EXPECT_NEAR(j.jd_l, L, 1e-3);
  EXPECT_NEAR(j.k_zh, 600 - T, 1e-3);
  EXPECT_NEAR(j.k_hy, 600 - T + Ls, 1e-3);
  EXPECT_NEAR(j.k_qz, 600 - T + L / 2, 1e-3);
  EXPECT_NEAR(j.k_yh, 600 - T + L - Ls, 1e-3);
  EXPECT_NEAR(j.k_hz, 600 - T + L, 1e-3);
  EXPECT_NEAR(line.end_chainage(), 1300 - (2 * T - L), 1e-3);
  const struct {
    const char* what;
    const double* want;
    double x, y;
  } pts[] = {{"ZH", zh, j.x_zh, j.y_zh},
             {"HY", hy, j.x_hy, j.y_hy},
             {"QZ", qz, j.x_qz, j.y_qz},
             {"YH", yh, j.x_yh, j.y_yh},
             {"HZ", hz, j.x_hz, j.y_hz}};
  for (const auto& pt : pts) {
    EXPECT_NEAR(pt.x, pt.want[0], 1e-3) << pt.what;
    EXPECT_NEAR(pt.y, pt.want[1], 1e-3) << pt.what;
  }
  EXPECT_NEAR(j.az_hy, Ls / (2 * R), 1e-12);
  EXPECT_NEAR(j.az_qz, a / 2, 1e-12);
  EXPECT_NEAR(j.az_yh, a - Ls / (2 * R), 1e-12);
}

TEST(MainLine, ChainagesAtTheElementBoundaries) {
  const auto line = build_line(one_curve(-30, 500, 100, 80, 1200, 0), 0);
  const Jd& j = line.jd(2);
  double x, y, az;
  // At ZH: the ZH point with the incoming azimuth; at HY: HY with az_hy; at
  // HZ: HZ with the outgoing azimuth.
  line.zx_point(j.k_zh, x, y, az);
  EXPECT_NEAR(x, j.x_zh, 1e-9);
  EXPECT_NEAR(y, j.y_zh, 1e-9);
  EXPECT_NEAR(az, 0, 1e-12);
  line.zx_point(j.k_hy, x, y, az);
  EXPECT_NEAR(x, j.x_hy, 1e-9);
  EXPECT_NEAR(az_diff(az, j.az_hy), 0, 1e-12);
  line.zx_point(j.k_hz, x, y, az);
  EXPECT_NEAR(x, j.x_hz, 1e-9);
  EXPECT_NEAR(az, j.jd_az, 1e-12);
  // Left of north the azimuth wraps to just under 2π, never negative.
  EXPECT_GT(j.jd_az, 5.7);
  line.zx_point(j.k_qz, x, y, az);
  EXPECT_GE(az, 0);
  EXPECT_LT(az, 2 * kTestPi);
  // Either side of each boundary the point moves by the chainage step only.
  for (double k : {j.k_zh, j.k_hy, j.k_yh, j.k_hz}) {
    double x1, y1, a1, x2, y2, a2;
    line.zx_point(k - 1e-7, x1, y1, a1);
    line.zx_point(k + 1e-7, x2, y2, a2);
    EXPECT_NEAR(std::hypot(x2 - x1, y2 - y1), 2e-7, 1e-9);
    EXPECT_NEAR(az_diff(a2, a1), 0, 1e-9);
  }
}

TEST(MainLine, SeveralCurvesAndTheGoverningPi) {
  const Pi qd{"QD", 3400000, 500000};
  const Pi j1 = polar("JD1", qd, 1200, 20), j2 = polar("JD2", j1, 1500, 65);
  const Pi j3 = polar("JD3", j2, 1300, 10), zd = polar("ZD", j3, 900, 40);
  std::vector<Pi> pis{qd, j1, j2, j3, zd};
  pis[1].r = 1200, pis[1].ls1 = pis[1].ls2 = 200;
  pis[2].r = 800, pis[2].ls1 = 150, pis[2].ls2 = 120, pis[2].rs2 = 3000;
  pis[3].r = 2000, pis[3].ls1 = pis[3].ls2 = 0;
  const auto line = build_line(pis, 1234.567);
  EXPECT_TRUE(line.warnings().empty());
  for (int i = 1; i < line.jd_count(); ++i) EXPECT_GT(line.jd(i).jd_straight, 0);
  // Each chainage between ZH of two curves belongs to the earlier one.
  for (int i = 2; i < line.jd_count(); ++i) {
    EXPECT_GT(line.jd(i).jd_k, line.jd(i - 1).jd_k);
    EXPECT_LT(line.jd(i).k_hz, line.jd(i + 1).jd_k);
  }
  expect_main_points_on_line(line, 1e-6);
  EXPECT_EQ(sweep_failures(line, 1000, line.end_chainage() + 200, 0.5, 800), 0);
  // Straights are on their tangents: the middle of the straight JD1-JD2.
  const Jd& a = line.jd(2);
  double x, y, az;
  line.zx_point(a.k_hz + a.jd_straight / 2, x, y, az);
  EXPECT_NEAR(az, 65 * kDeg, 1e-12);
  EXPECT_NEAR(x, a.x_hz + a.jd_straight / 2 * std::cos(65 * kDeg), 1e-6);
  // 500 m before the start on the first tangent; 100 m past the last HZ and
  // past the end point on the last tangent.
  line.zx_point(1234.567 - 500, x, y, az);
  EXPECT_NEAR(x, qd.x - 500 * std::cos(20 * kDeg), 1e-6);
  EXPECT_NEAR(y, qd.y - 500 * std::sin(20 * kDeg), 1e-6);
  const Jd& last = line.jd(4);
  for (double beyond : {100.0, 1500.0}) {
    line.zx_point(last.k_hz + beyond, x, y, az);
    EXPECT_NEAR(x, last.x_hz + beyond * std::cos(40 * kDeg), 1e-6);
    EXPECT_NEAR(y, last.y_hz + beyond * std::sin(40 * kDeg), 1e-6);
    EXPECT_NEAR(az, 40 * kDeg, 1e-12);
  }
}

TEST(MainLine, OverlappingCurvesBuildWithAWarning) {
  const Pi qd{"QD", 0, 0}, j1{"JD1", 1000, 0, 800, 0, 0};
  const Pi j2 = polar("JD2", j1, 300, 30);
  std::vector<Pi> pis{qd, j1, {j2.name, j2.x, j2.y, 800, 0, 0}, polar("ZD", j2, 1000, 0)};
  const auto line = build_line(pis);
  ASSERT_EQ(line.warnings().size(), 1u);
  EXPECT_NE(line.warnings()[0].find("JD1"), std::string::npos);
  EXPECT_NE(line.warnings()[0].find("JD2"), std::string::npos);
  EXPECT_LT(line.jd(2).jd_straight, 0);
  // A chainage in the overlap is evaluated against the later PI.
  const Jd& later = line.jd(3);
  ASSERT_LT(later.k_zh, line.jd(2).k_hz);
  double x, y, az;
  line.zx_point(later.k_zh, x, y, az);
  EXPECT_NEAR(x, later.x_zh, 1e-9);
  EXPECT_NEAR(y, later.y_zh, 1e-9);
}

TEST(MainLine, DataThatCannotFormALineAreFormatErrors) {
  auto with = [](double r, double ls1, double ls2, double rs1, double rs2, double turn = 30) {
    return build_error(one_curve(turn, r, ls1, ls2, rs1, rs2));
  };
  // Every detail names the file, the line of the PI and its name.
  const auto r0 = with(0, 0, 0, 0, 0);
  EXPECT_NE(r0.find("t.jdx 第5行"), std::string::npos) << r0;
  EXPECT_NE(r0.find("JD1"), std::string::npos) << r0;
  EXPECT_NE(with(-300, 0, 0, 0, 0).find("JD1"), std::string::npos);
  EXPECT_NE(with(500, 100, 100, 500, 0).find("RS1"), std::string::npos);  // RS1 = R
  EXPECT_NE(with(500, 100, 100, 0, 500).find("RS2"), std::string::npos);  // RS2 = R
  EXPECT_NE(with(500, 100, 100, 300, 0).find("RS1"), std::string::npos);  // RS1 < R
  EXPECT_NE(with(500, -10, 100, 0, 0).find("JD1"), std::string::npos);
  // Spirals longer than the turn allows (no arc left).
  EXPECT_NE(with(500, 300, 300, 0, 0, 20).find("JD1"), std::string::npos);
  // An incomplete spiral starting at a radius just above R reaches back
  // round the circle: no curve can be formed.
  EXPECT_NE(with(500, 100, 100, 500.001, 0).find("JD1"), std::string::npos);
  // Three PIs on one line, going on or turning back.
  EXPECT_NE(with(500, 100, 100, 0, 0, 0).find("JD1"), std::string::npos);
  EXPECT_NE(with(500, 100, 100, 0, 0, 180).find("JD1"), std::string::npos);
  EXPECT_NE(build_error({{"QD", 0, 0}, {"JD1", 0, 0, 500, 0, 0}, {"ZD", 100, 100}}).find("JD1"),
            std::string::npos);  // coincident PIs
  EXPECT_NE(build_error({{"QD", -1e308, 0}, {"ZD", 1e308, 0}}), "(no error)");
  EXPECT_NE(build_error({{"QD", 0, 0}, {"JD1HT00", 100, 0, 50, 0, 0}, {"ZD", 200, 0}}),
            "(no error)");
  // The first and last record carry no curve: their R and spirals are not used.
  EXPECT_EQ(build_error({{"QD", 0, 0, 0, 999, 5}, {"ZD", 0, 10, -1, 0, 0}}), "(no error)");
  // A PI list that is not from a file names the PI by its number.
  PiFile pi{0, {}, "x.jdx"};
  pi.jd.resize(3);
  pi.jd[1].jd_x = 1;
  pi.jd[2].jd_x = 2;
  pi.jd[2].jd_y = 1;
  try {
    MainLine::build(pi);
    ADD_FAILURE();
  } catch (const DataFormatError& e) {
    EXPECT_NE(e.detail().find("x.jdx 交点2"), std::string::npos) << e.detail();
  }
}

// Hairpins: the switchback whose tangents meet behind the loop (JD3HT00, the
// neighbouring PIs between JD3 and the loop), a loop that crosses its own
// tangents (JD2HT11), mixed flags, and a loop with an incomplete spiral.
TEST(MainLine, HairpinsAreContinuousLoops) {
  const Pi v{"JD3HT00", 3000, 5000, 40, 30, 30};
  const Pi j2 = polar("JD2", v, 80, 350), j4 = polar("JD4", v, 80, 10);
  std::vector<Pi> switchback{polar("QD", j2, 300, 230),
                             {"JD2", j2.x, j2.y, 150, 40, 40},
                             v,
                             {"JD4", j4.x, j4.y, 150, 40, 40},
                             polar("ZD", j4, 300, 130)};
  const Pi w{"JD2HT11", 3000, 5000, 40, 30, 30};
  const Pi k1 = polar("JD1", w, 300, 180), k3 = polar("JD3", w, 300, 200);
  std::vector<Pi> loop{polar("QD", k1, 400, 220),
                       {"JD1", k1.x, k1.y, 200, 50, 50},
                       w,
                       {"JD3", k3.x, k3.y, 200, 50, 50},
                       polar("ZD", k3, 400, 160)};
  std::vector<Pi> mixed = switchback;
  mixed[2].name = "JD3HT01";
  const Pi m4 = polar("JD4", v, 150, 190);
  mixed[3] = {"JD4", m4.x, m4.y, 150, 40, 40};
  mixed[4] = polar("ZD", m4, 300, 150);
  std::vector<Pi> incomplete = switchback;
  incomplete[2].rs1 = 120;
  incomplete[2].ls2 = 20;
  std::vector<Pi> minimal{
      polar("QD", v, 50, 350), {"HT", v.x, v.y, 40, 30, 30}, polar("ZD", v, 50, 10)};

  for (const auto* pis : {&switchback, &loop, &mixed, &incomplete, &minimal}) {
    const int h = pis->size() == 3 ? 2 : 3;
    const Pi& hp = (*pis)[h - 1];
    SCOPED_TRACE(hp.name);
    const auto line = build_line(*pis, 500);
    EXPECT_TRUE(line.warnings().empty()) << line.warnings().front();
    const Jd& j = line.jd(h);
    ASSERT_EQ(j.jd_ht, 1);
    EXPECT_GT(std::fabs(j.jd_alpha), kTestPi);
    EXPECT_NEAR(std::fabs(j.jd_alpha), 200 * kDeg, 1e-9);
    EXPECT_LT(j.jd_r, 0);
    EXPECT_LT(j.jd_ls1, 0);
    EXPECT_GT(j.jd_l, 0);
    // The tangent points lie beyond the PI: negative tangent lengths, and ZH
    // ahead of the PI in the direction of travel.
    EXPECT_LT(j.jd_t1, 0);
    EXPECT_LT(j.jd_t2, 0);
    const Jd& before = line.jd(h - 1);
    EXPECT_NEAR(
        (j.x_zh - j.jd_x) * std::cos(before.jd_az) + (j.y_zh - j.jd_y) * std::sin(before.jd_az),
        -j.jd_t1, 1e-9);
    for (int i = 1; i < line.jd_count(); ++i) EXPECT_GT(line.jd(i).jd_straight, 0) << i;
    EXPECT_LT(j.k_zh, j.k_hy);
    EXPECT_LT(j.k_hy, j.k_qz);
    EXPECT_LT(j.k_qz, j.k_yh);
    EXPECT_LT(j.k_yh, j.k_hz);
    EXPECT_DOUBLE_EQ(line.jd(1).jd_k, 500);
    // The loop is a real clothoid-arc-clothoid curve through 200°.
    expect_curve_matches_integration(line, h, 40, std::fabs(j.jd_ls1), std::fabs(j.jd_ls2),
                                     std::fabs(j.jd_rs1), std::fabs(j.jd_rs2), 1e-8);
    expect_main_points_on_line(line, 1e-8);
    EXPECT_EQ(sweep_failures(line, 400, line.end_chainage() + 100, 0.2, 40), 0);
    // The start point is at the start chainage, the end point at the end.
    double x, y, az;
    line.zx_point(500, x, y, az);
    EXPECT_NEAR(x, (*pis)[0].x, 1e-9);
    line.zx_point(line.end_chainage(), x, y, az);
    EXPECT_NEAR(x, pis->back().x, 1e-8);
    EXPECT_NEAR(y, pis->back().y, 1e-8);
  }
}

}  // namespace
}  // namespace lumora::zxbas

namespace lumora::zxbas {
namespace {

// Random PI lists, sensible and not: a build either fails with a format error
// or gives a line whose every value, and every point, is finite.
TEST(MainLine, RandomDataNeverLeakNonFiniteValues) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> u(0, 1);
  int built = 0, rejected = 0;
  for (int round = 0; round < 400; ++round) {
    const int n = 2 + static_cast<int>(u(rng) * 6);
    std::vector<Pi> pis;
    for (int i = 0; i < n; ++i) {
      Pi p{"JD" + std::to_string(i), 3400000 + u(rng) * 3000, 500000 + u(rng) * 3000};
      if (u(rng) < 0.15) p.name += u(rng) < 0.5 ? "HT00" : "HT11";
      p.r = u(rng) < 0.05 ? 0 : 20 + u(rng) * 3000;
      p.ls1 = u(rng) < 0.2 ? 0 : u(rng) * 500;
      p.ls2 = u(rng) < 0.2 ? 0 : u(rng) * 500;
      if (u(rng) < 0.2) p.rs1 = p.r * (1 + u(rng) * (u(rng) < 0.5 ? 1e-3 : 3));
      if (u(rng) < 0.2) p.rs2 = p.r * (1 + u(rng) * 3);
      pis.push_back(p);
    }
    try {
      const auto line = build_line(pis, u(rng) * 1e4);
      ++built;
      for (int i = 1; i <= line.jd_count(); ++i) {
        const Jd& j = line.jd(i);
        for (double v : {j.jd_k, j.jd_t1, j.jd_t2, j.jd_l, j.k_zh, j.k_hz, j.x_hy, j.y_qz, j.az_yh,
                         j.jd_straight}) {
          ASSERT_TRUE(std::isfinite(v)) << round << " " << i;
        }
      }
      for (double c = line.start_chainage() - 10; c < line.end_chainage() + 10; c += 7.3) {
        double x, y, az;
        line.zx_point(c, x, y, az);
        ASSERT_TRUE(std::isfinite(x) && std::isfinite(y)) << round << " " << c;
        ASSERT_TRUE(az >= 0 && az < 2 * kTestPi) << round << " " << c;
      }
    } catch (const DataFormatError&) {
      ++rejected;
    }
  }
  EXPECT_GT(built, 50);
  EXPECT_GT(rejected, 10);
}

TEST(MainLine, IncompleteSpiralsWhoseVirtualCurveTurnsPastAFullCircle) {
  // R 500, Ls 100, RS1 = RS2 = 520 on a right angle: each spiral extends
  // 2500 m back to its virtual origin, which turns 2.404 rad, so the virtual
  // curve turns 1.571 + 4.808 = 6.379 rad, beyond 2π. It builds, and the
  // curve is the one the curvature profile integrates to.
  for (double rs : {520.0, 520.5, 600.0}) {
    SCOPED_TRACE(rs);
    const MainLine line = build_line(one_curve(90, 500, 100, 100, rs, rs));
    const Jd& j = line.jd(2);
    const double e = 500 * 100 / (rs - 500);
    EXPECT_NEAR(std::fabs(j.jd_theta), kTestPi / 2 + e / rs, 1e-12);
    EXPECT_GT(j.jd_ly, 0);
    expect_curve_matches_integration(line, 2, 500, 100, 100, rs, rs, 1e-6);
  }
  // The arc left by RS 520.5 is the one reported before, 789.337 m of curve.
  EXPECT_NEAR(build_line(one_curve(90, 500, 100, 100, 520.5, 520.5)).jd(2).jd_l, 789.336684, 1e-6);
  // Spirals that leave no arc are still refused.
  EXPECT_NE(build_error(one_curve(10, 500, 100, 100, 520, 520)).find("缓和曲线过长"),
            std::string::npos);
}

}  // namespace
}  // namespace lumora::zxbas
