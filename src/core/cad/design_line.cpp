// Design-line drawings of a main line and of an interchange ramp.
#include <fmt/format.h>

#include <cmath>

#include "cad/drawings.h"
#include "error.h"
#include "text/fields.h"
#include "text/format.h"

namespace lumora::cad {

namespace {

const double kPi = 4 * std::atan(1.0);

constexpr int kSpiralSamples = 360;
constexpr double kMarkHalfLength = 15;  // start and end marks, each side
constexpr double kStakeTick = 2;        // hundred-metre and kilometre stakes
constexpr double kPointTick = 5;        // main points, element bounds, chain breaks
constexpr double kStakeSpacing = 100;
constexpr double kAbsent = 0.0001;  // a straight this short is absent
constexpr double kTextHeight = 4;
constexpr double kWidthFactor = 0.7;

constexpr const char* kLayerCentre = "中心线";
constexpr const char* kLayerPiLine = "交点线";
constexpr const char* kLayerNotes = "标注";
constexpr const char* kTextStyle = "new_text";

// Model point (X north, Y east) to drawing point.
Point3 drawing(double x, double y) {
  return {y, x, 0};
}

// The model point d to the right (d > 0) or left (d < 0) of (x, y) for
// azimuth a, as a drawing point.
Point3 beside(double x, double y, double a, double d) {
  return drawing(x + d * std::cos(a + kPi / 2), y + d * std::sin(a + kPi / 2));
}

void report(const StageFn& stage, const char* text) {
  if (stage) stage(text);
}

void require_finite(double v, const char* what) {
  if (!std::isfinite(v)) throw DataFormatError(std::string("设计线: ") + what + "不是有限数");
}

// An arc given, as for a host whose current system is "yx", by angles from
// the negative drawing x axis swept about the downward normal, handed over
// as the same arc in drawing angles (counter-clockwise from drawing x): the
// sweep reverses, so start and end swap.
void add_arc_yx(CadHost& host, const Point3& centre, double radius, double start, double end,
                int colour) {
  const EntityRef arc = host.add_arc(centre, radius, kPi - end, kPi - start);
  host.set_color(arc, colour);
}

void add_line(CadHost& host, const Point3& a, const Point3& b, int colour) {
  const EntityRef line = host.add_line(a, b);
  host.set_color(line, colour);
}

void add_text(CadHost& host, const std::string& text, const Point3& anchor, int colour,
              double rotation, int vertical, int horizontal) {
  const EntityRef t = host.add_text(text, anchor, kTextHeight);
  host.set_color(t, colour);
  host.set_scale_factor(t, kWidthFactor);
  host.set_style_name(t, kTextStyle);
  host.set_rotation(t, rotation);
  host.set_vertical_alignment(t, vertical);
  host.set_horizontal_alignment(t, horizontal);
  host.set_text_alignment_point(t, anchor);
}

void add_coordinate_systems(CadHost& host, UcsRef* yx, UcsRef* xy) {
  const Point3 o{0, 0, 0};
  const UcsRef a = host.add_ucs(o, {0, 1, 0}, {1, 0, 0}, "yx");
  const UcsRef b = host.add_ucs(o, {1, 0, 0}, {0, 1, 0}, "xy");
  if (yx) *yx = a;
  if (xy) *xy = b;
}

void add_note_style(CadHost& host) {
  const TextStyleRef style = host.add_text_style(kTextStyle);
  host.set_font_file(style, "fsdb_e.shx");
  host.set_big_font_file(style, "fsdb.shx");
}

// The text of a hundred-metre or kilometre stake at chainage c of its
// segment: the hundreds digit, or "K" and the kilometres.
std::string stake_text(double c) {
  const double km = std::floor(c / 1000);
  if (km * 1000 != c) return text::format_shortest((c - km * 1000) / 100);
  // Appended rather than "K" + text: g++ 12 at -O3 warns falsely
  // (-Wrestrict) about the insertion at the front that operator+ makes.
  std::string s = "K";
  s += text::format_shortest(km);
  return s;
}

// A stake: tick of 2 to the left of the line, its text at the tick's end
// reading along the line.
void add_stake(CadHost& host, double c_text, double x, double y, double a) {
  const Point3 p = drawing(x, y);
  const Point3 q = beside(x, y, a, -kStakeTick);
  add_line(host, p, q, 4);
  add_text(host, stake_text(c_text), q, 4, kPi / 2 - a, align::kBottom, align::kCenter);
}

// The number of stakes from `first` on, 100 apart, up to `last`. A line
// long enough for more than a million stakes (100 000 km), or chainages so
// large that a step of 100 is lost in rounding, is bad data.
long stake_count(double first, double last) {
  if (!(last >= first)) return 0;
  const double n = std::floor((last - first) / kStakeSpacing) + 1;
  if (!(n <= 1e6) || !(first + kStakeSpacing > first)) {
    throw DataFormatError("设计线: 桩号 " + text::format_shortest(first) + " … " +
                          text::format_shortest(last) + " 超出可标注的范围");
  }
  return static_cast<long>(n);
}

// The start or end mark: a line across the centre line and its text.
void add_end_mark(CadHost& host, double x, double y, double a, const std::string& text,
                  int vertical) {
  add_line(host, beside(x, y, a, -kMarkHalfLength), beside(x, y, a, kMarkHalfLength), 1);
  add_text(host, text, drawing(x, y), 1, -a, vertical, align::kCenter);
}

// The name of a PI without its hairpin mark (the last four characters).
std::string pi_label(const zxbas::Jd& jd) {
  std::string name = text::trim(jd.jd_name);
  if (jd.jd_ht == 0) return name;
  std::size_t end = name.size();
  for (int n = 0; n < 4 && end > 0; ++n) {
    do {
      --end;
    } while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80);
  }
  return text::trim(name.substr(0, end));
}

// A centre-line point: X north, Y east, forward azimuth.
struct Station {
  double x, y, az;
};

void check_pi(const zxbas::Jd& jd) {
  for (double v :
       {jd.jd_x, jd.jd_y, jd.x_zh, jd.y_zh, jd.x_hy, jd.y_hy, jd.x_qz, jd.y_qz, jd.x_yh, jd.y_yh,
        jd.x_hz, jd.y_hz, jd.az_hy, jd.az_qz, jd.az_yh, jd.jd_az, jd.k_zh, jd.k_hz}) {
    if (!std::isfinite(v))
      throw DataFormatError("设计线: 交点 " + jd.jd_name + " 的要素不是有限数");
  }
}

}  // namespace

double spiral_sample_length(int k, double ls, double e, double r, double rs) {
  if (k == 0) return 0;
  const double tau_end = (ls + e) / 2 / r;
  const double tau_start = rs != 0 ? e / 2 / rs : 0;
  const double tau = tau_start + k * (tau_end - tau_start) / kSpiralSamples;
  const double a2 = (ls + e) * r;
  const double sign = r > 0 ? 1 : (r < 0 ? -1 : 0);
  return a2 / std::sqrt(a2 / tau / 2) * sign - e;
}

namespace {

// Hundred-metre and kilometre stakes of a line from continuous chainage
// `start` to `end`, segment by segment in each segment's own numbering. A
// stake on a segment's start or end is left out. Stakes are kept on the
// line: with a chain-break table that does not fit the line, a segment's
// numbering may reach far beyond it.
void add_segment_stakes(CadHost& host, const chainage::ChainBreakTable& breaks, double start,
                        double end, const std::function<Station(double)>& point) {
  const double line_start = start - kAbsent;
  const double line_end = end + kAbsent;
  for (int s = 1; s <= breaks.chain_break_count() + 1; ++s) {
    const double shift = breaks.dlzh_sj(s, 0);  // continuous = value + shift
    double c =
        std::floor((breaks.segment_start(s) + kStakeSpacing) / kStakeSpacing) * kStakeSpacing;
    if (c + shift < line_start) {
      c = std::ceil((line_start - shift) / kStakeSpacing) * kStakeSpacing;
    }
    const double last = std::min(breaks.segment_end(s), line_end - shift) - kAbsent;
    require_finite(c, "桩号");
    require_finite(last, "桩号");
    const long count = stake_count(c, last);
    for (long k = 0; k < count; ++k, c += kStakeSpacing) {
      const auto q = point(breaks.dlzh_sj(s, c));
      add_stake(host, c, q.x, q.y, q.az);
    }
  }
}

// Chain-break marks: a tick of 5 to the right and "AK1+200.000=BK1+180.000".
void add_break_marks(CadHost& host, const chainage::ChainBreakTable& breaks,
                     const std::function<Station(double)>& point) {
  for (int b = 1; b <= breaks.chain_break_count(); ++b) {
    const auto q = point(breaks.dlzh_sj(b, breaks.back_chainage(b)));
    const Point3 tick_end = beside(q.x, q.y, q.az, kPointTick);
    add_line(host, drawing(q.x, q.y), tick_end, 1);
    add_text(host,
             chainage::ChainBreakTable::segment_letter(b) +
                 text::format_stake(breaks.back_chainage(b)) + "=" +
                 chainage::ChainBreakTable::segment_letter(b + 1) +
                 text::format_stake(breaks.ahead_chainage(b)),
             tick_end, 1, -q.az, align::kMiddle, align::kLeft);
  }
}

}  // namespace

void zx_draw(CadHost& host, const zxbas::MainLine& line, const chainage::ChainBreakTable& breaks,
             const StageFn& stage) {
  const int n = line.jd_count();
  if (n < 2) throw DataFormatError("设计线: 主线至少要有起点和终点");
  for (int i = 1; i <= n; ++i) check_pi(line.jd(i));
  auto jd = [&](int i) -> const zxbas::Jd& { return line.jd(i); };
  auto point = [&](double c) {
    double x = 0, y = 0, az = 0;
    line.zx_point(c, x, y, az);
    require_finite(x, "中线坐标");
    require_finite(y, "中线坐标");
    require_finite(az, "中线方位角");
    return Station{x, y, az};
  };

  // Set-up.
  add_coordinate_systems(host, nullptr, nullptr);
  host.set_active_layer(host.add_layer(kLayerCentre));
  host.add_point(drawing(jd(1).jd_x, jd(1).jd_y));
  host.add_point(drawing(jd(n).jd_x, jd(n).jd_y));
  host.send_command("zoom e ");
  report(stage, "正在生成设计线");

  // The tangents run from the HZ of one PI to the ZH of the next; the start
  // and end point stand for both.
  auto hz = [&](int i) {
    return i == 1 ? drawing(jd(1).jd_x, jd(1).jd_y) : drawing(jd(i).x_hz, jd(i).y_hz);
  };
  auto zh = [&](int i) {
    return i == n ? drawing(jd(n).jd_x, jd(n).jd_y) : drawing(jd(i).x_zh, jd(i).y_zh);
  };

  // Centre line.
  for (int i = 2; i <= n - 1; ++i) {
    const zxbas::Jd& p = jd(i);
    add_line(host, hz(i - 1), zh(i), 5);
    if (p.jd_ls1 != 0) {
      std::vector<double> v;
      v.reserve(2 * (kSpiralSamples + 2));
      v.insert(v.end(), {p.y_zh, p.x_zh});
      for (int k = 1; k <= kSpiralSamples; ++k) {
        const double s = spiral_sample_length(k, p.jd_ls1, p.jd_e1, p.jd_r, p.jd_rs1);
        require_finite(s, "缓和曲线采样长度");
        const auto q = point(p.k_zh + std::abs(s));
        v.insert(v.end(), {q.y, q.x});
      }
      const auto hy = point(p.k_zh + std::abs(p.jd_ls1));
      v.insert(v.end(), {hy.y, hy.x});
      host.set_color(host.add_light_weight_polyline(v), 3);
    }
    // The arc about its centre, from HY to YH. An arc of no length (spirals
    // that meet) is left out: equal angles would make it a whole circle.
    if (std::abs(p.jd_ly) > 1e-9) {
      const double s = p.jd_alpha < 0 ? -1 : 1;
      const double r = std::abs(p.jd_r);
      const Point3 c = drawing(p.x_hy + s * r * std::cos(p.az_hy + kPi / 2),
                               p.y_hy + s * r * std::sin(p.az_hy + kPi / 2));
      if (p.jd_alpha < 0) {
        add_arc_yx(host, c, r, kPi + p.az_yh, kPi + p.az_hy, 1);
      } else {
        add_arc_yx(host, c, r, p.az_hy, p.az_yh, 1);
      }
    }
    if (p.jd_ls2 != 0) {
      std::vector<double> v;
      v.reserve(2 * (kSpiralSamples + 2));
      v.insert(v.end(), {p.y_hz, p.x_hz});
      for (int k = 1; k <= kSpiralSamples; ++k) {
        const double s = spiral_sample_length(k, p.jd_ls2, p.jd_e2, p.jd_r, p.jd_rs2);
        require_finite(s, "缓和曲线采样长度");
        const auto q = point(p.k_hz - std::abs(s));
        v.insert(v.end(), {q.y, q.x});
      }
      const auto yh = point(p.k_hz - std::abs(p.jd_ls2));
      v.insert(v.end(), {yh.y, yh.x});
      host.set_color(host.add_light_weight_polyline(v), 3);
    }
  }
  add_line(host, hz(n - 1), zh(n), 5);

  // PI line.
  report(stage, "正在生成交点线");
  host.set_active_layer(host.add_layer(kLayerPiLine));
  for (int i = 2; i <= n - 1; ++i) {
    const zxbas::Jd& p = jd(i);
    const Point3 pi = drawing(p.jd_x, p.jd_y);
    add_line(host, zh(i), pi, 6);
    add_line(host, pi, hz(i), 6);
  }

  // Annotation set-up.
  host.set_active_layer(host.add_layer(kLayerNotes));
  UcsRef yx{}, xy{};
  add_coordinate_systems(host, &yx, &xy);
  host.set_active_ucs(xy);
  add_note_style(host);
  report(stage, "正在标注起终点");

  // Start and end marks.
  add_end_mark(host, jd(1).jd_x, jd(1).jd_y, jd(1).jd_az, "QD " + breaks.sj_dlstr_k(line.qdzh()),
               align::kTop);
  add_end_mark(host, jd(n).jd_x, jd(n).jd_y, jd(n - 1).jd_az, "ZD " + breaks.sj_dlstr_k(jd(n).jd_k),
               align::kBottom);

  // Hundred-metre and kilometre stakes, in each segment's own numbering.
  report(stage, "正在标注百米桩、千米桩");
  add_segment_stakes(host, breaks, line.qdzh(), jd(n).jd_k, point);

  // PI names and main-point stakes.
  report(stage, "正在标注交点号、要素桩");
  for (int i = 2; i <= n - 1; ++i) {
    const zxbas::Jd& p = jd(i);
    const bool right = p.jd_right != 0;
    const bool hairpin = p.jd_ht != 0;
    const std::string name = pi_label(p);
    if (!name.empty()) {
      add_text(host, name, drawing(p.jd_x, p.jd_y), 1, kPi / 2 - p.az_qz,
               right != hairpin ? align::kBottom : align::kTop, align::kCenter);
    }
    // A tick of 5 towards the inside of the curve, the text beyond its end.
    auto main_stake = [&](const std::string& code, double chainage, double x, double y,
                          double theta) {
      const double d = right ? kPointTick : -kPointTick;
      add_line(host, drawing(x, y), beside(x, y, theta, d), 4);
      add_text(host, code + " " + breaks.sj_dlstr_k(chainage), beside(x, y, theta, d), 4, -theta,
               align::kMiddle, right ? align::kLeft : align::kRight);
    };
    const bool straight_before = jd(i - 1).jd_straight > kAbsent;
    const bool straight_after = p.jd_straight > kAbsent;
    if (straight_before) {
      main_stake(p.jd_ls1 == 0 ? "ZY" : "ZH", p.k_zh, p.x_zh, p.y_zh, jd(i - 1).jd_az);
    }
    if (p.jd_ls1 != 0) main_stake("HY", p.k_hy, p.x_hy, p.y_hy, p.az_hy);
    main_stake("QZ", p.k_qz, p.x_qz, p.y_qz, p.az_qz);
    if (p.jd_ls2 != 0) {
      main_stake("YH", p.k_yh, p.x_yh, p.y_yh, p.az_yh);
      main_stake(straight_after ? "HZ" : "GQ", p.k_hz, p.x_hz, p.y_hz, p.jd_az);
    } else {
      main_stake(straight_after ? "YZ" : "GQ", p.k_yh, p.x_yh, p.y_yh, p.az_yh);
    }
  }

  // Chain-break marks: a tick of 5 to the right and "AK1+200.000=BK1+180.000".
  report(stage, "正在标注断链");
  add_break_marks(host, breaks, point);

  host.send_command("zoom e ");
  report(stage, "设计线绘制完毕，双击返回");
}

void ht_draw(CadHost& host, const htbas::Interchange& ramp, const chainage::ChainBreakTable& breaks,
             const StageFn& stage) {
  const int n = ramp.ht_count();
  for (int k = 1; k <= n + 1; ++k) {
    require_finite(ramp.ht_x(k), "互通坐标");
    require_finite(ramp.ht_y(k), "互通坐标");
    require_finite(ramp.ht_azimuth(k), "互通方位角");
    require_finite(ramp.ht_chainage(k), "互通桩号");
  }

  // Set-up.
  add_coordinate_systems(host, nullptr, nullptr);
  report(stage, "正在生成设计线");
  host.set_active_layer(host.add_layer(kLayerCentre));

  // Centre line, element by element.
  for (int k = 1; k <= n; ++k) {
    const Point3 p = drawing(ramp.ht_x(k), ramp.ht_y(k));
    const Point3 e = drawing(ramp.ht_x(k + 1), ramp.ht_y(k + 1));
    const double a = ramp.ht_azimuth(k);
    const double a_end = ramp.ht_azimuth(k + 1);
    switch (ramp.kind(k)) {
      case htbas::HtKind::straight:
        add_line(host, p, e, 5);
        break;
      case htbas::HtKind::arc: {
        // An arc of no length is left out: equal angles would make it a
        // whole circle.
        if (!(ramp.ht_len(k) > 0)) break;
        const double r = ramp.ht_r1(k);
        const Point3 c = drawing(ramp.ht_x(k) + r * std::cos(a + kPi / 2),
                                 ramp.ht_y(k) + r * std::sin(a + kPi / 2));
        if (r >= 0) {
          add_arc_yx(host, c, std::abs(r), a, a_end, 1);
        } else {
          add_arc_yx(host, c, std::abs(r), kPi + a_end, kPi + a, 1);
        }
        break;
      }
      default: {
        std::vector<double> v;
        v.reserve(2 * (kSpiralSamples + 1));
        v.insert(v.end(), {p.x, p.y});
        for (int j = 1; j <= kSpiralSamples; ++j) {
          const double d =
              htbas::ht_spiral_station(j, ramp.ht_len(k), ramp.ht_r1(k), ramp.ht_r2(k));
          double x = 0, y = 0, az = 0;
          ramp.element_point(k, d, x, y, az);
          require_finite(x, "缓和曲线坐标");
          require_finite(y, "缓和曲线坐标");
          v.insert(v.end(), {y, x});
        }
        v[2 * kSpiralSamples] = e.x;
        v[2 * kSpiralSamples + 1] = e.y;
        host.set_color(host.add_light_weight_polyline(v), 3);
        break;
      }
    }
  }

  // Annotation set-up.
  host.set_active_layer(host.add_layer(kLayerNotes));
  report(stage, "正在标注起终点");
  UcsRef yx{}, xy{};
  add_coordinate_systems(host, &yx, &xy);
  host.set_active_ucs(xy);
  add_note_style(host);

  // Start and end marks.
  add_end_mark(host, ramp.ht_x(1), ramp.ht_y(1), ramp.ht_azimuth(1),
               "QD " + breaks.sj_dlstr_k(ramp.ht_chainage(1)), align::kTop);
  add_end_mark(host, ramp.ht_x(n + 1), ramp.ht_y(n + 1), ramp.ht_azimuth(n + 1),
               "ZD " + breaks.sj_dlstr_k(ramp.ht_chainage(n + 1)), align::kBottom);

  // Element-boundary stakes, always to the right of the line.
  report(stage, "正在标注交点号、要素桩");
  auto letter = [&](int k) -> const char* {
    switch (ramp.kind(k)) {
      case htbas::HtKind::straight:
        return "Z";
      case htbas::HtKind::arc:
        return "Y";
      default:
        return "H";
    }
  };
  for (int k = 1; k <= n - 1; ++k) {
    const double x = ramp.ht_x(k + 1), y = ramp.ht_y(k + 1), theta = ramp.ht_azimuth(k + 1);
    const Point3 tick_end = beside(x, y, theta, kPointTick);
    add_line(host, drawing(x, y), tick_end, 4);
    add_text(
        host,
        std::string(letter(k)) + letter(k + 1) + " " + breaks.sj_dlstr_k(ramp.ht_chainage(k + 1)),
        tick_end, 4, -theta, align::kMiddle, align::kLeft);
  }

  // Angle points (a corner of the design line between two elements of a
  // LandXML file): a red tick to the left with the station and deflection.
  for (const htbas::Corner& c : ramp.corners()) {
    const double x = c.after.x, y = c.after.y, theta = c.after.azimuth;
    const Point3 tick_end = beside(x, y, theta, -kPointTick);
    add_line(host, drawing(x, y), tick_end, 1);
    add_text(host,
             "转角点 " + breaks.sj_dlstr_k(c.chainage) +
                 fmt::format(" 偏角{:+.4f}°", c.deflection * 180 / kPi),
             tick_end, 1, kPi - theta, align::kMiddle, align::kLeft);
  }

  // Hundred-metre and kilometre stakes.
  report(stage, "正在标注百米桩、千米桩");
  auto point = [&](double c) {
    double x = 0, y = 0, az = 0;
    ramp.ht_point(c, x, y, az);
    return Station{x, y, az};
  };
  add_segment_stakes(host, breaks, ramp.ht_chainage(1), ramp.ht_chainage(n + 1), point);
  if (breaks.chain_break_count() > 0) {
    report(stage, "正在标注断链");
    add_break_marks(host, breaks, point);
  }

  host.send_command("zoom e ");
  report(stage, "设计线绘制完毕，双击返回");
}

void draw_design_line(CadHost& host, const zxbas::MainLine& line,
                      const chainage::ChainBreakTable& breaks, const StageFn& stage) {
  UcsRef yx{};
  add_coordinate_systems(host, &yx, nullptr);
  host.set_active_ucs(yx);
  zx_draw(host, line, breaks, stage);
}

void ht_draw(CadHost& host, const htbas::Interchange& ramp, const StageFn& stage) {
  ht_draw(host, ramp, chainage::ChainBreakTable::none(ramp.start_chainage(), ramp.end_chainage()),
          stage);
}

void draw_design_line(CadHost& host, const htbas::Interchange& ramp,
                      const chainage::ChainBreakTable& breaks, const StageFn& stage) {
  UcsRef yx{};
  add_coordinate_systems(host, &yx, nullptr);
  host.set_active_ucs(yx);
  ht_draw(host, ramp, breaks, stage);
}

void draw_design_line(CadHost& host, const htbas::Interchange& ramp, const StageFn& stage) {
  draw_design_line(host, ramp,
                   chainage::ChainBreakTable::none(ramp.start_chainage(), ramp.end_chainage()),
                   stage);
}

}  // namespace lumora::cad
