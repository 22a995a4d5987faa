// The drawing host: the operations every drawing of the program is made of.
//
// A host holds one open drawing with its layers, coordinate systems, text
// styles and model-space entities. Drawings are built by a fixed sequence of
// calls: add a layer and make it current, add an entity, then set its colour,
// line weight and (for texts) the text properties one by one. Adding a layer,
// a coordinate system or a text style that already exists returns the
// existing one, so a drawing can be repeated into the same document.
//
// Coordinates are drawing coordinates: drawing x is the easting (the
// alignment's Y), drawing y the northing (the alignment's X), z is 0. Angles
// are radians, counter-clockwise from drawing x. Colours are the CAD colour
// index (1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta, 7 white/black,
// 250 a grey; 256 = by layer), line weights hundredths of a millimetre.
//
// A call that cannot be carried out (an unknown text style, a colour outside
// 0 … 256, a coordinate that is not a finite number) throws DataFormatError;
// nothing is retried.
//
// Example:
//   CadHost& h = ...;
//   h.set_active_layer(h.add_layer("中心线"));
//   auto line = h.add_line({0, 0, 0}, {100, 0, 0});
//   h.set_color(line, 5);
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "error.h"  // DataFormatError, thrown by every host

namespace lumora::cad {

/// A point in drawing coordinates.
struct Point3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

/// Handles of the host's objects. They stay valid as long as the document.
struct LayerRef {
  std::size_t index = 0;
};
struct UcsRef {
  std::size_t index = 0;
};
struct TextStyleRef {
  std::size_t index = 0;
};
struct EntityRef {
  std::size_t index = 0;
};

/// Text alignment codes of the host.
namespace align {
inline constexpr int kLeft = 0;
inline constexpr int kCenter = 1;
inline constexpr int kRight = 2;
inline constexpr int kBaseline = 0;
inline constexpr int kBottom = 1;
inline constexpr int kMiddle = 2;
inline constexpr int kTop = 3;
}  // namespace align

/// Colour index meaning "the colour of the entity's layer".
inline constexpr int kColorByLayer = 256;
/// Line weight meaning "the line weight of the entity's layer".
inline constexpr int kLineWeightByLayer = -1;

class CadHost {
 public:
  virtual ~CadHost() = default;

  // Layers: the layer of that name, added when it does not exist yet.
  virtual LayerRef add_layer(const std::string& name) = 0;
  virtual void set_active_layer(LayerRef layer) = 0;

  // Coordinate systems: origin, a point on the x axis, a point on the y axis
  // and the name; the existing one when the name exists.
  virtual UcsRef add_ucs(const Point3& origin, const Point3& x_axis_point,
                         const Point3& y_axis_point, const std::string& name) = 0;
  virtual void set_active_ucs(UcsRef ucs) = 0;

  // Text styles: the style of that name (existing or new), then its font
  // file and big-font file.
  virtual TextStyleRef add_text_style(const std::string& name) = 0;
  virtual void set_font_file(TextStyleRef style, const std::string& file) = 0;
  virtual void set_big_font_file(TextStyleRef style, const std::string& file) = 0;

  // Model-space entities, placed on the current layer.
  virtual EntityRef add_point(const Point3& p) = 0;
  virtual EntityRef add_line(const Point3& start, const Point3& end) = 0;
  /// An open polyline through the vertices x0, y0, x1, y1, … in order.
  virtual EntityRef add_light_weight_polyline(const std::vector<double>& vertices) = 0;
  /// An arc counter-clockwise from the start angle to the end angle.
  virtual EntityRef add_arc(const Point3& centre, double radius, double start_angle,
                            double end_angle) = 0;
  virtual EntityRef add_text(const std::string& text, const Point3& insertion, double height) = 0;

  // Properties set after creation.
  virtual void set_color(EntityRef entity, int color) = 0;
  virtual void set_line_weight(EntityRef entity, int line_weight) = 0;
  virtual void set_scale_factor(EntityRef text, double width_factor) = 0;
  virtual void set_style_name(EntityRef text, const std::string& style) = 0;
  virtual void set_rotation(EntityRef text, double angle) = 0;
  virtual void set_vertical_alignment(EntityRef text, int code) = 0;
  virtual void set_horizontal_alignment(EntityRef text, int code) = 0;
  /// With a non-default alignment the text is anchored at this point.
  virtual void set_text_alignment_point(EntityRef text, const Point3& p) = 0;

  /// Title of the host's window (used to bring it to the front).
  virtual std::string caption() const = 0;
  /// Keystrokes sent to the host's command line, e.g. "zoom e ".
  virtual void send_command(const std::string& keys) = 0;
};

}  // namespace lumora::cad
