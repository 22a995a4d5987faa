// The clearance profile: the maximum lateral clearance of every result row
// against its continuous chainage, with the sight distance used on a second
// axis at the right. The curves of the line are shaded bands with their
// names; where the line has chain breaks a second chainage axis names the
// segments (A, B, C …) and a dashed line marks each break. A chosen chainage
// is marked by a vertical line with its text.
//
// Zoom and pan work on the chainage axis: drag with the left button to zoom
// into a range, the wheel zooms about the pointer, drag with the middle
// button (or Ctrl and the left button) to pan, the right button zooms out,
// a double click or Home shows everything again; the arrow keys pan and +/−
// zoom. A click without a drag reports the chainage under the pointer.
#pragma once

#include <QChartView>
#include <QString>
#include <optional>
#include <vector>

#include "session/curves.h"
#include "session/result_file.h"

class QLineSeries;
class QValueAxis;
class QCategoryAxis;

namespace lumora::app {

/// A chainage segment between chain breaks, continuous chainages.
struct ChainSegment {
  double start = 0;
  double end = 0;
  QString letter;
};

class ClearanceChart : public QChartView {
  Q_OBJECT
 public:
  explicit ClearanceChart(QWidget* parent = nullptr);

  /// Shows the rows (any order), the curves as bands and, when there is more
  /// than one segment, the segment letters.
  void set_data(const std::vector<session::ResultRow>& rows,
                const std::vector<session::Curve>& curves, std::vector<ChainSegment> segments);

  /// Colours for paper (the calculation report): black and greys that read
  /// the same in a black-and-white print, the clearance solid and the sight
  /// distance dashed, the curves as grey bands.
  void set_print_style();

  /// Marks a chainage (nullopt clears the mark).
  void mark(std::optional<double> chainage, const QString& label = {});
  std::optional<double> marked() const { return mark_; }

  /// The chainage range shown, and the whole range of the data.
  std::pair<double, double> x_range() const;
  std::pair<double, double> full_x_range() const { return full_x_; }
  /// Zooms the chainage axis by `factor` (> 1 zooms in) about the chainage
  /// `at`; pans by a number of chainage metres.
  void zoom_x(double factor, double at);
  void pan_x(double metres);
  void reset_zoom();

  /// The plot as a picture: PNG at twice the screen resolution, SVG through
  /// Qt's SVG generator. Both replace the file only when complete; false
  /// when it cannot be written.
  bool export_png(const QString& path);
  bool export_svg(const QString& path, const QString& title);

  QLineSeries* clearance_series() const { return clearance_; }
  QLineSeries* sight_series() const { return sight_; }
  QCategoryAxis* segment_axis() const { return segment_axis_; }
  const std::vector<session::Curve>& curves() const { return curves_; }

 signals:
  /// A click (without a drag) in the plot, at this chainage.
  void chainage_clicked(double chainage);

 protected:
  void drawForeground(QPainter* painter, const QRectF& rect) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  double x_at(double view_x) const;
  void set_x_range(double lo, double hi);
  void set_ticks(double lo, double hi);

  QLineSeries* clearance_;
  QLineSeries* sight_;
  QValueAxis* x_axis_;
  QValueAxis* y_axis_;
  QValueAxis* sight_axis_;
  QCategoryAxis* segment_axis_ = nullptr;
  std::vector<session::Curve> curves_;
  std::vector<ChainSegment> segments_;
  std::optional<double> mark_;
  QString mark_label_;
  bool print_ = false;
  std::pair<double, double> full_x_{0, 1};
  QPoint press_pos_;
  bool panning_ = false;
  QPoint pan_last_;
};

}  // namespace lumora::app
