// The open drawing: a CadHost that keeps everything it is given, for the
// writers (DXF, SVG) to save.
//
// DrawingDocument plays the CAD host's open drawing. It lives from one
// drawing command to the next: layers, coordinate systems and text styles
// are looked up by name (case-insensitively, as a CAD host does) and added
// only once, while entities are appended, so drawing twice draws everything
// twice. A new document has the layer "0" (current), the text style
// "Standard" and no named coordinate system.
//
// Geometry is stored exactly as passed, in drawing (world) coordinates. The
// current coordinate system is recorded and written with the drawing but
// does not transform what is added: callers pass drawing coordinates for
// every entity, including polylines and arcs.
//
// Accuracy: coordinates are kept as doubles; extents() is exact for points,
// lines, polylines and arcs and approximates texts by a box of 1.0 (wide
// characters) or 0.75 (others) times the height per character.
//
// Example:
//   std::unique_ptr<DrawingDocument> doc;
//   DrawingDocument& d = cad_connect(doc);   // opens a new drawing
//   d.set_active_layer(d.add_layer("标注"));
//   auto t = d.add_text("QD K0+000.000", {0, 0, 0}, 4);
//   d.set_horizontal_alignment(t, align::kCenter);
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cad/host.h"

namespace lumora::cad {

struct Layer {
  std::string name;
  int color = 7;
  int line_weight = -3;  // the host's default line weight
};

struct CoordinateSystem {
  std::string name;
  Point3 origin;
  Point3 x_direction;  // unit vectors
  Point3 y_direction;
};

struct TextStyle {
  std::string name;
  std::string font_file;
  std::string big_font_file;
};

enum class EntityKind { point, line, polyline, arc, text };

struct Entity {
  EntityKind kind = EntityKind::point;
  std::size_t layer = 0;  // index into layers()
  int color = kColorByLayer;
  int line_weight = kLineWeightByLayer;
  // point: 1; line: start, end; polyline: the vertices; arc: the centre;
  // text: the insertion point.
  std::vector<Point3> points;
  // Arc.
  double radius = 0;
  double start_angle = 0;
  double end_angle = 0;
  // Text.
  std::string text;
  double height = 0;
  double width_factor = 1;
  std::string style = "Standard";
  double rotation = 0;
  int vertical_alignment = align::kBaseline;
  int horizontal_alignment = align::kLeft;
  Point3 alignment_point;
};

/// The smallest box holding the drawing; empty() for a drawing without
/// entities.
struct Extents {
  double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
  bool valid = false;
  bool empty() const { return !valid; }
  void add(double x, double y);
};

class DrawingDocument : public CadHost {
 public:
  DrawingDocument();

  LayerRef add_layer(const std::string& name) override;
  void set_active_layer(LayerRef layer) override;
  UcsRef add_ucs(const Point3& origin, const Point3& x_axis_point, const Point3& y_axis_point,
                 const std::string& name) override;
  void set_active_ucs(UcsRef ucs) override;
  TextStyleRef add_text_style(const std::string& name) override;
  void set_font_file(TextStyleRef style, const std::string& file) override;
  void set_big_font_file(TextStyleRef style, const std::string& file) override;

  EntityRef add_point(const Point3& p) override;
  EntityRef add_line(const Point3& start, const Point3& end) override;
  EntityRef add_light_weight_polyline(const std::vector<double>& vertices) override;
  EntityRef add_arc(const Point3& centre, double radius, double start_angle,
                    double end_angle) override;
  EntityRef add_text(const std::string& text, const Point3& insertion, double height) override;

  void set_color(EntityRef entity, int color) override;
  void set_line_weight(EntityRef entity, int line_weight) override;
  void set_scale_factor(EntityRef text, double width_factor) override;
  void set_style_name(EntityRef text, const std::string& style) override;
  void set_rotation(EntityRef text, double angle) override;
  void set_vertical_alignment(EntityRef text, int code) override;
  void set_horizontal_alignment(EntityRef text, int code) override;
  void set_text_alignment_point(EntityRef text, const Point3& p) override;

  std::string caption() const override { return "Lumora - Drawing1"; }

  /// The name of what the drawing shows (the alignment's title), which the
  /// SVG writer puts on the sheet; the DXF does not carry it.
  void set_title(const std::string& title) { title_ = title; }
  const std::string& title() const { return title_; }
  void send_command(const std::string& keys) override;

  // What the document holds, for the writers and for checks.
  const std::vector<Layer>& layers() const { return layers_; }
  const std::vector<CoordinateSystem>& coordinate_systems() const { return ucs_; }
  const std::vector<TextStyle>& text_styles() const { return styles_; }
  const std::vector<Entity>& entities() const { return entities_; }
  const Layer& active_layer() const { return layers_[active_layer_]; }
  /// The current named coordinate system; nullptr while the world system is
  /// current.
  const CoordinateSystem* active_ucs() const;
  /// Commands sent to the host, in order.
  const std::vector<std::string>& commands() const { return commands_; }

  /// The box around every entity (see the accuracy note above).
  Extents extents() const;
  /// The box around the entities first … end-1 (those one command added).
  Extents extents(std::size_t first, std::size_t end) const;

 private:
  Entity& entity(EntityRef ref, const char* what);
  Entity& text_entity(EntityRef ref, const char* what);
  EntityRef add_entity(Entity e);

  std::vector<Layer> layers_;
  std::size_t active_layer_ = 0;
  std::vector<CoordinateSystem> ucs_;
  std::optional<std::size_t> active_ucs_;
  std::vector<TextStyle> styles_;
  std::vector<Entity> entities_;
  std::vector<std::string> commands_;
  std::string title_;
};

/// Attaches to the open drawing, or opens a new one when there is none, and
/// returns it. The document stays open (and keeps its content) for the next
/// drawing command.
DrawingDocument& cad_connect(std::unique_ptr<DrawingDocument>& current);

/// Approximate advance of one character of a text, in text heights before
/// the width factor: 1.0 for wide (CJK) characters, 0.75 for others.
double text_width(const std::string& utf8, double height, double width_factor);

}  // namespace lumora::cad
