// SVG preview of the drawing.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <string_view>

#include "cad/legible.h"
#include "cad/write_atomic.h"
#include "cad/writers.h"
#include "error.h"
#include "text/format.h"

namespace lumora::cad {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMargin = 10;    // drawing units around the extents
constexpr double kPixels = 1600;  // size of the longer side on screen
constexpr double kTitlePixels = 28;

// Chinese names need a CJK font; the list names the usual ones of Linux,
// Windows and macOS before the generic family, since renderers do not all
// fall back per character.
constexpr const char* kFontFamily =
    "'Noto Sans CJK SC', 'Source Han Sans SC', 'WenQuanYi Micro Hei', 'Microsoft YaHei', "
    "'PingFang SC', 'SimSun', 'Noto Sans', sans-serif";

struct Palette {
  const char* background;
  Rgb background_rgb;
  const char* title;
  bool for_paper;  // colours too pale for white paper are darkened
};

Palette palette(SvgBackground b) {
  if (b == SvgBackground::light) return {"#ffffff", {255, 255, 255}, "#000000", true};
  return {"#212830", {0x21, 0x28, 0x30}, "#ffffff", false};
}

std::string num(double v) {
  return text::format_fixed(v, 3);
}

// Valid UTF-8 without the control characters XML forbids, with the XML
// special characters escaped. Bytes that are not UTF-8 become U+FFFD.
std::string xml_text(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      switch (b) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          out += (b < 0x20 && b != '\t') ? ' ' : static_cast<char>(b);
      }
      ++i;
      continue;
    }
    std::size_t len = 0;
    char32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      c = b & 0x07;
    }
    bool ok = len > 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto cb = static_cast<unsigned char>(s[i + k]);
      ok = (cb & 0xC0) == 0x80;
      c = (c << 6) | (cb & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    ok = ok && !(len == 3 && c < 0x800) && !(len == 4 && (c < 0x10000 || c > 0x10FFFF)) &&
         !(c >= 0xD800 && c <= 0xDFFF) && c != 0xFFFE && c != 0xFFFF;
    if (ok) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

std::string colour(int index, const Layer& layer, bool for_paper, const Rgb& background) {
  if (index == kColorByLayer) index = layer.color;
  auto rgb = aci_rgb(index);
  if (for_paper) {
    // As CAD programs do on a white background: colour 7 (white) is drawn
    // black, and bright colours (yellow, cyan, green) are darkened to a
    // luminance that reads on paper, keeping their hue.
    if (index == 7) rgb = {0, 0, 0};
    const double lum = (0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2]) / 255;
    if (lum > 0.55) {
      const double k = 0.45 / lum;
      for (auto& c : rgb) c = static_cast<std::uint8_t>(std::lround(c * k));
    }
  }
  rgb = visible_colour(rgb, background);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s = "#";
  for (auto c : rgb) {
    s += kHex[c >> 4];
    s += kHex[c & 15];
  }
  return s;
}

// Width on the sheet in pixels of the nominal size: a CAD line weight is in
// hundredths of a millimetre, and 0.25 mm shows as one pixel.
double stroke_pixels(int weight, const Layer& layer) {
  if (weight == kLineWeightByLayer) weight = layer.line_weight;
  return weight > 0 ? std::max(1.0, weight / 25.0) : 1.0;
}

struct Frame {
  double ox, oy;  // drawing point shown at the top left corner of the drawing
  double top;     // height of the title band above it
  double scale;   // pixels of the picture per drawing unit
  int digits;     // decimals of a pixel that keep 1 mm of the drawing
  bool for_paper;
  Rgb background;
  std::string len(double v) const { return text::format_fixed(v * scale, digits); }
  std::string x(double dx) const { return len(dx - ox); }
  std::string y(double dy) const { return text::format_fixed((oy - dy) * scale + top, digits); }
};

void write_entity(std::string& out, const Frame& f, const Entity& e, const Layer& layer) {
  const std::string stroke = colour(e.color, layer, f.for_paper, f.background);
  // Widths fixed on the screen or the sheet (pixels of the picture), not in
  // metres of the drawing: a zoomed-in view keeps thin lines apart.
  const std::string style = " stroke=\"" + stroke + "\" stroke-width=\"" +
                            num(stroke_pixels(e.line_weight, layer)) +
                            "\" vector-effect=\"non-scaling-stroke\"";
  const Point3& p = e.points.front();
  switch (e.kind) {
    case EntityKind::point:
      out += "<circle cx=\"" + f.x(p.x) + "\" cy=\"" + f.y(p.y) + "\" r=\"1.5\" fill=\"" + stroke +
             "\"/>\n";
      break;
    case EntityKind::line: {
      const Point3& q = e.points[1];
      out += "<line x1=\"" + f.x(p.x) + "\" y1=\"" + f.y(p.y) + "\" x2=\"" + f.x(q.x) + "\" y2=\"" +
             f.y(q.y) + "\"" + style + "/>\n";
      break;
    }
    case EntityKind::polyline: {
      out += "<polyline points=\"";
      for (std::size_t i = 0; i < e.points.size(); ++i) {
        if (i) out += ' ';
        out += f.x(e.points[i].x) + "," + f.y(e.points[i].y);
      }
      out += "\"" + style + "/>\n";
      break;
    }
    case EntityKind::arc: {
      double sweep = std::fmod(e.end_angle - e.start_angle, 2 * kPi);
      if (sweep < 0) sweep += 2 * kPi;
      if (sweep < 1e-12) {
        // The host reads equal start and end angles as a whole circle.
        out += "<circle cx=\"" + f.x(p.x) + "\" cy=\"" + f.y(p.y) + "\" r=\"" + f.len(e.radius) +
               "\"" + style + "/>\n";
        break;
      }
      const double a0 = e.start_angle, a1 = e.start_angle + sweep;
      // Counter-clockwise with north up is clockwise on the screen, whose y
      // axis points down: sweep flag 0.
      out += "<path d=\"M " + f.x(p.x + e.radius * std::cos(a0)) + " " +
             f.y(p.y + e.radius * std::sin(a0)) + " A " + f.len(e.radius) + " " + f.len(e.radius) +
             " 0 " + (sweep > kPi ? "1" : "0") + " 0 " + f.x(p.x + e.radius * std::cos(a1)) + " " +
             f.y(p.y + e.radius * std::sin(a1)) + "\"" + style + "/>\n";
      break;
    }
    case EntityKind::text: {
      const bool aligned =
          e.horizontal_alignment != align::kLeft || e.vertical_alignment != align::kBaseline;
      const Point3& a = aligned ? e.alignment_point : p;
      const char* anchor = e.horizontal_alignment == align::kCenter  ? "middle"
                           : e.horizontal_alignment == align::kRight ? "end"
                                                                     : "start";
      // The height of a CAD text is its capital height, about 0.7 of the
      // font size; the anchor's vertical place is set by moving the baseline
      // (renderers differ in their support of dominant-baseline).
      const double drop = e.vertical_alignment == align::kTop      ? e.height
                          : e.vertical_alignment == align::kMiddle ? e.height / 2
                                                                   : 0;
      out += "<text transform=\"translate(" + f.x(a.x) + " " + f.y(a.y) + ") rotate(" +
             num(-e.rotation * 180 / kPi) + ") scale(" + num(e.width_factor) + " 1)\" y=\"" +
             num(drop) + "\" font-size=\"" + num(e.height / 0.7) + "\" text-anchor=\"" + anchor +
             "\" fill=\"" + stroke + "\">" + xml_text(e.text) + "</text>\n";
      break;
    }
  }
}

}  // namespace

std::string svg_text(const DrawingDocument& doc, const SvgOptions& options) {
  Extents box = doc.extents();
  if (box.empty()) {
    box.add(0, 0);
    box.add(420, 297);
  }
  const Palette pal = palette(options.background);
  const double w = box.max_x - box.min_x + 2 * kMargin;
  const double h0 = box.max_y - box.min_y + 2 * kMargin;
  // The picture is drawn in its own pixels, so that stroke widths and the
  // title are pixels for every renderer, with or without vector-effect.
  const double scale = kPixels / std::max(w, h0);
  const int digits = std::clamp(static_cast<int>(std::ceil(std::log10(1000 / scale))), 3, 9);
  const std::string title = doc.title().empty() ? doc.caption() : doc.title();
  // The title stands in a band above the drawing.
  const double band = doc.title().empty() ? 0 : 2 * kTitlePixels;
  const std::string pw = num(w * scale);
  const std::string ph = num(h0 * scale + band);
  const Frame f{box.min_x - kMargin, box.max_y + kMargin, band, scale, digits,
                pal.for_paper,       pal.background_rgb};

  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" viewBox=\"0 0 " + pw + " " +
         ph + "\" width=\"" + pw + "\" height=\"" + ph + "\">\n";
  out += "<title>" + xml_text(title) + "</title>\n";
  out += "<rect x=\"0\" y=\"0\" width=\"" + pw + "\" height=\"" + ph + "\" fill=\"" +
         pal.background + "\"/>\n";
  if (band > 0) {
    out += "<text id=\"title\" x=\"" + num(kTitlePixels) + "\" y=\"" + num(1.4 * kTitlePixels) +
           "\" font-size=\"" + num(kTitlePixels) + "\" font-family=\"" + kFontFamily +
           "\" fill=\"" + pal.title + "\">" + xml_text(title) + "</text>\n";
  }
  for (std::size_t l = 0; l < doc.layers().size(); ++l) {
    const Layer& layer = doc.layers()[l];
    bool any = false;
    for (const Entity& e : doc.entities()) any = any || e.layer == l;
    if (!any) continue;
    out += "<g id=\"layer" + std::to_string(l) + "\" data-layer=\"" + xml_text(layer.name) +
           "\" fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" font-family=\"" +
           kFontFamily + "\">\n";
    for (const Entity& e : doc.entities()) {
      if (e.layer != l) continue;
      if (options.readable_text) {
        write_entity(out, f, readable_text(e), layer);
      } else {
        write_entity(out, f, e, layer);
      }
    }
    out += "</g>\n";
  }
  out += "</svg>\n";
  return out;
}

void write_svg(const DrawingDocument& doc, const std::filesystem::path& path,
               const SvgOptions& options) {
  const std::string content = svg_text(doc, options);
  write_file_atomically(path, [&](const std::string& temp) {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) throw CancelledError(CancelledError::Kind::save, temp + ": 无法写入");
  });
}

}  // namespace lumora::cad
