// The results panel: the clearance profile over the chainage, the rows of the
// result file and the largest clearance of every curve, filled after every
// list or interval run and by opening a result file.
//
// Selecting a row (in the table, through its curve in the summary, or by a
// click in the plot) marks its chainage in the plot and reports the row, so
// that a drawing of the envelope can be centred on its sight line. The
// tables sort by a click on their header and copy the selected cells as a
// spreadsheet does (Ctrl+C: tab-separated, one line per row). The plot
// exports as PNG or SVG, the tables as CSV.
#pragma once

#include <QWidget>
#include <vector>

#include "clearance_chart.h"
#include "profile_chart.h"
#include "result_models.h"

class QLabel;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;
class QToolBar;

namespace lumora::session {
class Session;
}

namespace lumora::app {

class ResultsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit ResultsPanel(QWidget* parent = nullptr);

  /// Fills the panel from the session: its last result rows, the curves of
  /// its alignment and the segments of its chain breaks. Empties it when the
  /// session holds no rows.
  void show_session(const session::Session& s);

  void set_results(std::vector<session::ResultRow> rows, std::vector<session::Curve> curves,
                   std::vector<ChainSegment> segments, const QString& source);

  /// Selects row `index` of the rows as given (not as sorted); -1 clears.
  void select_row(int index);
  /// The selected row as given, or -1.
  int selected_row() const { return selected_; }

  /// The selected cells of a table as tab-separated text, which also goes to
  /// the clipboard.
  QString copy_selection(QTableView* view);

  bool export_rows_csv(const QString& path);
  bool export_summary_csv(const QString& path);

  /// The long section of the session's profile (the tab "纵断面" beside the
  /// clearance plot), filled by show_session() and show_profile().
  void show_profile(const session::Session& s);
  ProfileChart* profile_chart() const { return profile_chart_; }
  QTabWidget* plot_tabs() const { return plots_; }

  ClearanceChart* chart() const { return chart_; }
  QTableView* rows_view() const { return rows_view_; }
  QTableView* summary_view() const { return summary_view_; }
  ResultRowsModel* rows_model() const { return rows_; }
  CurveSummaryModel* summary_model() const { return summary_; }
  QToolBar* tool_bar() const { return tools_; }
  QAction* open_action() const { return open_; }

  /// The segments of a session's chain breaks (one segment without breaks).
  static std::vector<ChainSegment> segments_of(const session::Session& s);

 signals:
  /// A row was selected: its index in the rows as given, and the row.
  void row_selected(int index, const lumora::session::ResultRow& row);
  /// "打开结果文件…" in the panel's tool bar.
  void open_requested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void on_current_row(const QModelIndex& current);
  void on_summary_row(const QModelIndex& current);
  void on_chart_click(double chainage);
  void export_plot(bool svg);
  void export_table(bool summary);

  ClearanceChart* chart_;
  ProfileChart* profile_chart_;
  QTabWidget* plots_;
  ResultRowsModel* rows_;
  CurveSummaryModel* summary_;
  QSortFilterProxyModel* rows_sorted_;
  QSortFilterProxyModel* summary_sorted_;
  QTableView* rows_view_;
  QTableView* summary_view_;
  QLabel* caption_;
  QToolBar* tools_;
  QAction* open_;
  QString source_;
  int selected_ = -1;
};

}  // namespace lumora::app
