// The long section (纵断面): the design elevation against the chainage, with
// the grade lines between the PVIs, each PVI marked and named (chainage and
// elevation), each vertical curve's BVC and EVC marked on the design line
// and the curve labelled with its R, T and E; the grade of each tangent;
// the ground line where the LandXML file gives one; and, where the line has
// chain breaks, the segment letters (A, B, C …) with a dashed line at each
// break, as on the clearance plot. Chainage ticks are round in each
// segment's own numbering.
//
// The wheel zooms the chainage axis about the pointer, a drag with the left
// button pans, a double click shows the whole profile again. The elevation
// axis follows the part shown. The same painting makes the screen, the PNG
// (twice the screen resolution) and the SVG.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "chainage/chain_breaks.h"
#include "clearance_chart.h"
#include "profile/profile.h"

namespace lumora::session {
class Session;
}

namespace lumora::app {

class ProfileChart : public QWidget {
  Q_OBJECT
 public:
  explicit ProfileChart(QWidget* parent = nullptr);

  /// Shows the session's profile, or a note that none was read.
  void show_session(const session::Session& s);
  /// Shows a profile over the chain breaks and segments of its line
  /// (nullopt: none).
  void set_profile(std::optional<profile::Profile> p, chainage::ChainBreakTable breaks,
                   std::vector<ChainSegment> segments);
  bool has_profile() const { return profile_.has_value(); }

  /// The chainage range shown; the whole range.
  std::pair<double, double> x_range() const { return {x0_, x1_}; }
  void reset_zoom();

  /// Paints the section into `area` (screen, image or SVG).
  void paint(QPainter& p, const QRectF& area) const;

  /// PNG at twice the screen resolution, SVG; each replaces the file only
  /// when complete. false when it cannot be written.
  bool export_png(const QString& path) const;
  bool export_svg(const QString& path, const QString& title) const;

  QSize sizeHint() const override { return {1000, 520}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QRectF plot_area(const QRectF& area) const;
  std::string stake(double c) const;

  std::optional<profile::Profile> profile_;
  chainage::ChainBreakTable breaks_;
  std::vector<ChainSegment> segments_;
  double full0_ = 0, full1_ = 1;
  double x0_ = 0, x1_ = 1;
  double drag_x_ = 0;
  double drag_lo_ = 0;
};

}  // namespace lumora::app
