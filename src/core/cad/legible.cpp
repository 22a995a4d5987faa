#include "cad/legible.h"

#include <cmath>

namespace lumora::cad {

namespace {

constexpr double kPi = 3.14159265358979323846;

double linear(std::uint8_t c) {
  const double v = c / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(const Rgb& c) {
  return 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2]);
}

Rgb mix(const Rgb& c, std::uint8_t towards, double t) {
  Rgb out;
  for (int i = 0; i < 3; ++i) {
    out[i] = static_cast<std::uint8_t>(std::lround(c[i] + t * (towards - c[i])));
  }
  return out;
}

}  // namespace

double contrast(const Rgb& a, const Rgb& b) {
  const double la = luminance(a) + 0.05;
  const double lb = luminance(b) + 0.05;
  return la > lb ? la / lb : lb / la;
}

Rgb visible_colour(const Rgb& rgb, const Rgb& background) {
  if (contrast(rgb, background) >= kMinContrast) return rgb;
  // Lighter on a dark background, darker on a light one; where neither end
  // reaches the contrast, the end that comes nearest.
  const bool dark = contrast({255, 255, 255}, background) >= contrast({0, 0, 0}, background);
  const std::uint8_t end = dark ? 255 : 0;
  if (contrast(mix(rgb, end, 1), background) < kMinContrast) return mix(rgb, end, 1);
  double lo = 0, hi = 1;
  while (hi - lo > 1.0 / 1024) {
    const double t = (lo + hi) / 2;
    (contrast(mix(rgb, end, t), background) >= kMinContrast ? hi : lo) = t;
  }
  return mix(rgb, end, hi);
}

bool reads_upside_down(double rotation) {
  double deg = std::fmod(rotation * 180 / kPi, 360.0);
  if (deg < 0) deg += 360;
  // A hair's tolerance, so that 90° and 270° computed from a bearing stay.
  return deg > 90 + 1e-9 && deg < 270 - 1e-9;
}

Entity readable_text(const Entity& e) {
  if (e.kind != EntityKind::text || !reads_upside_down(e.rotation)) return e;
  Entity t = e;
  const bool aligned =
      e.horizontal_alignment != align::kLeft || e.vertical_alignment != align::kBaseline;
  t.alignment_point = aligned ? e.alignment_point : e.points.front();
  t.rotation = std::fmod(e.rotation + kPi, 2 * kPi);
  if (e.horizontal_alignment == align::kLeft) t.horizontal_alignment = align::kRight;
  if (e.horizontal_alignment == align::kRight) t.horizontal_alignment = align::kLeft;
  if (e.vertical_alignment == align::kBaseline || e.vertical_alignment == align::kBottom) {
    t.vertical_alignment = align::kTop;
  } else if (e.vertical_alignment == align::kTop) {
    t.vertical_alignment = align::kBottom;
  }
  return t;
}

DrawingDocument with_readable_text(const DrawingDocument& doc) {
  DrawingDocument out = doc;
  for (std::size_t i = 0; i < doc.entities().size(); ++i) {
    const Entity& e = doc.entities()[i];
    if (e.kind != EntityKind::text || !reads_upside_down(e.rotation)) continue;
    const Entity t = readable_text(e);
    const EntityRef ref{i};
    out.set_rotation(ref, t.rotation);
    out.set_horizontal_alignment(ref, t.horizontal_alignment);
    out.set_vertical_alignment(ref, t.vertical_alignment);
    out.set_text_alignment_point(ref, t.alignment_point);
  }
  return out;
}

}  // namespace lumora::cad
