// The results view of a sight check: the available sight distance against
// the chainage for both directions with the required sight distance and the
// deficient ranges shaded, the rows of the result file, and the list of the
// deficient ranges.
//
// Selecting a row (or a deficient range: its row of least ASD) reports it,
// so that the drawing can show its sight line.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "session/sight_check.h"

class QChart;
class QChartView;
class QLabel;
class QTableView;

namespace lumora::app {

/// The plot of the view: the available sight distance against the
/// continuous chainage, the required sight distance as a dashed step line,
/// the deficient ranges shaded. `only` keeps the rows and ranges of one
/// direction (the report draws one plot per direction); `print` sets it in
/// black and greys for paper. The caller owns the chart.
QChart* make_sight_check_chart(const std::vector<session::SightRow>& rows,
                               const std::vector<session::DeficientRange>& ranges,
                               std::optional<visibility::Direction> only = std::nullopt,
                               bool print = false);

class SightRowsModel;
class SightRangesModel;

class SightCheckView : public QWidget {
  Q_OBJECT
 public:
  explicit SightCheckView(QWidget* parent = nullptr);

  /// Shows a result; `source` names the file it was saved to.
  void set_result(const session::SightCheckResult& result, const QString& source);

  const std::vector<session::SightRow>& rows() const;
  QChartView* chart_view() const { return chart_; }
  QTableView* rows_view() const { return rows_view_; }
  QTableView* ranges_view() const { return ranges_view_; }

  /// Selects row `index` of the rows (-1 clears).
  void select_row(int index);

 signals:
  void row_selected(int index);

 private:
  void rebuild_chart();

  QChartView* chart_;
  QLabel* caption_;
  SightRowsModel* rows_;
  SightRangesModel* ranges_;
  QTableView* rows_view_;
  QTableView* ranges_view_;
};

}  // namespace lumora::app
