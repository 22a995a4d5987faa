#include "profile/profile.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "error.h"
#include "text/format.h"

namespace lumora::profile {
namespace {

// Two curves may touch, and a curve may end at its neighbouring PVI, within
// this much.
constexpr double kTolerance = 0.001;

std::string where(const std::string& source, const Pvi& p) {
  if (p.line > 0) return fmt::format("{} 第{}行", source, p.line);
  return source + " 变坡点 " + p.text;
}

bool finite(const Pvi& p) {
  return std::isfinite(p.chainage) && std::isfinite(p.elevation) && std::isfinite(p.radius) &&
         std::isfinite(p.length) && std::isfinite(p.length_in) && std::isfinite(p.length_out);
}

bool has_curve_data(const Pvi& p) {
  switch (p.spec) {
    case CurveSpec::none:
      return false;
    case CurveSpec::radius:
    case CurveSpec::circle:
      return p.radius != 0;
    case CurveSpec::para_length:
      return p.length != 0;
    case CurveSpec::unsym:
      return p.length_in != 0 || p.length_out != 0;
  }
  return false;
}

// The curve at an interior PVI, or false where it has none.
bool make_curve(const Pvi& p, double i1, double i2, const std::string& at, VerticalCurve& out) {
  if (!has_curve_data(p) || i1 == i2) return false;
  auto positive = [&](double v, const char* what) {
    if (!(v > 0)) {
      throw DataFormatError(at + ": " + what + "「" + text::format_shortest(v) + "」必须大于0");
    }
  };
  switch (p.spec) {
    case CurveSpec::none:
      return false;
    case CurveSpec::radius:
      positive(p.radius, "竖曲线半径");
      out = VerticalCurve::parabola(p.chainage, p.elevation, i1, i2, p.radius);
      return true;
    case CurveSpec::para_length:
      positive(p.length, "竖曲线长度");
      out = VerticalCurve::parabola_by_length(p.chainage, p.elevation, i1, i2, p.length);
      return true;
    case CurveSpec::unsym:
      positive(p.length_in, "竖曲线前半长度");
      positive(p.length_out, "竖曲线后半长度");
      out = VerticalCurve::unsymmetric(p.chainage, p.elevation, i1, i2, p.length_in, p.length_out);
      return true;
    case CurveSpec::circle: {
      positive(p.radius, "竖曲线半径");
      out = VerticalCurve::circular(p.chainage, p.elevation, i1, i2, p.radius);
      // Exporters disagree on what the length measures (the arc, or its
      // horizontal projection): it only has to come near one of them.
      if (p.length > 0) {
        const double arc = p.radius * std::fabs(std::atan(i2) - std::atan(i1));
        const double tol = std::max(0.05, 0.01 * arc);
        if (std::fabs(p.length - arc) > tol && std::fabs(p.length - out.length()) > tol) {
          throw DataFormatError(fmt::format("{}: 圆形竖曲线长度{}与半径{}不符 (弧长{}，水平长度{})",
                                            at, text::format_fixed3(p.length),
                                            text::format_fixed3(p.radius), text::format_fixed3(arc),
                                            text::format_fixed3(out.length())));
        }
      }
      return true;
    }
  }
  return false;
}

}  // namespace

Profile Profile::build(std::vector<Pvi> pvis, const std::string& source) {
  if (pvis.size() < 2) throw DataFormatError(source + ": 纵断面至少需要两个变坡点");
  for (std::size_t k = 0; k < pvis.size(); ++k) {
    const Pvi& p = pvis[k];
    if (!finite(p)) throw DataFormatError(where(source, p) + ": 数值无效");
    if (k > 0 && !(p.chainage > pvis[k - 1].chainage)) {
      throw DataFormatError(where(source, p) + ": 变坡点桩号" + text::excerpt(p.text) +
                            "不大于上一变坡点的桩号" + text::excerpt(pvis[k - 1].text));
    }
  }
  for (const Pvi* end : {&pvis.front(), &pvis.back()}) {
    if (has_curve_data(*end)) {
      throw DataFormatError(where(source, *end) + ": 起点和终点变坡点不能设竖曲线");
    }
  }

  Profile prof;
  prof.grades_.reserve(pvis.size() - 1);
  for (std::size_t k = 0; k + 1 < pvis.size(); ++k) {
    prof.grades_.push_back((pvis[k + 1].elevation - pvis[k].elevation) /
                           (pvis[k + 1].chainage - pvis[k].chainage));
  }
  for (std::size_t k = 1; k + 1 < pvis.size(); ++k) {
    const Pvi& p = pvis[k];
    const std::string at = where(source, p);
    VerticalCurve c;
    if (!make_curve(p, prof.grades_[k - 1], prof.grades_[k], at, c)) continue;
    if (!prof.curves_.empty()) {
      const VerticalCurve& prev = prof.curves_.back();
      const double overlap = prev.evc() - c.bvc();
      if (overlap > kTolerance) {
        throw DataFormatError(fmt::format("{}: 竖曲线与变坡点{}的竖曲线重叠{} m", at,
                                          text::excerpt(pvis[prof.curve_pvi_.back()].text),
                                          text::format_fixed3(overlap)));
      }
    }
    const double before = pvis[k - 1].chainage - c.bvc();
    if (before > kTolerance) {
      throw DataFormatError(
          fmt::format("{}: 竖曲线起点超过前一变坡点{} m", at, text::format_fixed3(before)));
    }
    const double after = c.evc() - pvis[k + 1].chainage;
    if (after > kTolerance) {
      throw DataFormatError(
          fmt::format("{}: 竖曲线终点超过后一变坡点{} m", at, text::format_fixed3(after)));
    }
    prof.curves_.push_back(c);
    prof.curve_pvi_.push_back(k);
  }
  prof.pvis_ = std::move(pvis);
  return prof;
}

const VerticalCurve* Profile::curve_at_pvi(std::size_t k) const {
  const auto it = std::lower_bound(curve_pvi_.begin(), curve_pvi_.end(), k);
  if (it == curve_pvi_.end() || *it != k) return nullptr;
  return &curves_[static_cast<std::size_t>(it - curve_pvi_.begin())];
}

namespace {

// The curve holding c, or nullptr.
const VerticalCurve* curve_holding(const std::vector<VerticalCurve>& curves, double c) {
  const auto it = std::lower_bound(curves.begin(), curves.end(), c,
                                   [](const VerticalCurve& v, double x) { return v.evc() < x; });
  if (it == curves.end() || c < it->bvc()) return nullptr;
  return &*it;
}

}  // namespace

// The grade line holding c: from PVI k with grade k, the end grades
// continued before the first and beyond the last PVI.
double Profile::elevation_at(double c) const {
  if (pvis_.empty()) return 0;
  if (const VerticalCurve* v = curve_holding(curves_, c)) return v->elevation_at(c);
  const auto it = std::upper_bound(pvis_.begin(), pvis_.end(), c,
                                   [](double x, const Pvi& p) { return x < p.chainage; });
  std::size_t k = it == pvis_.begin() ? 0 : static_cast<std::size_t>(it - pvis_.begin()) - 1;
  k = std::min(k, grades_.size() - 1);
  return pvis_[k].elevation + grades_[k] * (c - pvis_[k].chainage);
}

double Profile::grade_at(double c) const {
  if (pvis_.empty()) return 0;
  if (const VerticalCurve* v = curve_holding(curves_, c)) return v->grade_at(c);
  const auto it = std::upper_bound(pvis_.begin(), pvis_.end(), c,
                                   [](double x, const Pvi& p) { return x < p.chainage; });
  std::size_t k = it == pvis_.begin() ? 0 : static_cast<std::size_t>(it - pvis_.begin()) - 1;
  return grades_[std::min(k, grades_.size() - 1)];
}

}  // namespace lumora::profile
