// The window that takes the CAD program's place: it shows the open drawing
// (DrawingView) and saves it as DXF or SVG, empties it for a new drawing, and
// hands it to the desktop's CAD program.
#pragma once

#include <QMainWindow>
#include <functional>

namespace lumora::cad {
class DrawingDocument;
}

class QAction;

namespace lumora::app {

class DialogProvider;
class DrawingView;
class QtInterface;

class DrawingWindow : public QMainWindow {
  Q_OBJECT
 public:
  /// `document` gives the open drawing (null before the first drawing).
  DrawingWindow(DialogProvider& dialogs, QtInterface& ui,
                std::function<cad::DrawingDocument*()> document, QWidget* parent = nullptr);

  DrawingView* view() const { return view_; }

  /// Shows the window in front, with the current state of the drawing
  /// ("cad_connect").
  void bring_to_front();
  /// Repaints after the drawing changed (fits on a new "zoom e").
  void refresh();

  /// Enables or disables the actions (while a drawing is being made).
  void set_actions_enabled(bool on);

  /// True when the drawing holds entities added since it was last saved.
  bool has_unsaved_drawing() const;
  /// Asks what to do with unsaved drawing. True when the caller may go on
  /// (nothing unsaved, saved now, or thrown away by the user).
  bool confirm_discard(QWidget* parent);

  /// Saves as DXF or SVG (by the suffix of the chosen name; `suffix` is
  /// added when the name has none); `light` gives an SVG the light
  /// background for printing. False when cancelled or failed.
  bool save_as(const QString& suffix, bool light = false);
  /// Empties the drawing, asking first if it holds unsaved drawing.
  void new_drawing();
  /// Saves a DXF into the temporary folder and opens it with the desktop's
  /// program for DXF files.
  void open_in_cad();

  QAction* save_dxf_action() const { return save_dxf_; }
  QAction* save_svg_action() const { return save_svg_; }
  QAction* save_svg_print_action() const { return save_svg_print_; }
  QAction* zoom_extents_action() const { return zoom_extents_; }
  QAction* new_drawing_action() const { return new_drawing_; }
  QAction* open_in_cad_action() const { return open_in_cad_; }
  QAction* readable_text_action() const { return readable_text_; }

 private:
  void mark_saved();
  void update_title();

  DialogProvider& dialogs_;
  QtInterface& ui_;
  std::function<cad::DrawingDocument*()> document_;
  DrawingView* view_;
  QAction* save_dxf_;
  QAction* save_svg_;
  QAction* save_svg_print_;
  QAction* zoom_extents_;
  QAction* new_drawing_;
  QAction* open_in_cad_;
  QAction* readable_text_;
  const cad::DrawingDocument* saved_doc_ = nullptr;
  std::size_t saved_entities_ = 0;
  bool placed_ = false;
};

}  // namespace lumora::app
