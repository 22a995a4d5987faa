#include "results_panel.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <map>

#include "error.h"
#include "session/session.h"
#include "text/format.h"

namespace lumora::app {
namespace {

QTableView* make_table(QWidget* parent, QAbstractItemModel* model) {
  auto* view = new QTableView(parent);
  view->setModel(model);
  view->setSortingEnabled(true);
  view->setSelectionBehavior(QAbstractItemView::SelectItems);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setAlternatingRowColors(true);
  view->setWordWrap(false);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view->horizontalHeader()->setStretchLastSection(true);
  view->setContextMenuPolicy(Qt::ActionsContextMenu);
  return view;
}

QWidget* titled(const QString& title, QWidget* content, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  auto* label = new QLabel("<b>" + title + "</b>", box);
  layout->addWidget(label);
  layout->addWidget(content, 1);
  return box;
}

std::filesystem::path fs_path(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

ResultsPanel::ResultsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("ResultsPanel");
  chart_ = new ClearanceChart(this);
  profile_chart_ = new ProfileChart(this);
  plots_ = new QTabWidget(this);
  plots_->addTab(chart_, "横净距");
  plots_->addTab(profile_chart_, "纵断面");
  rows_ = new ResultRowsModel(this);
  summary_ = new CurveSummaryModel(this);
  rows_sorted_ = new QSortFilterProxyModel(this);
  rows_sorted_->setSourceModel(rows_);
  rows_sorted_->setSortRole(Qt::UserRole);
  summary_sorted_ = new QSortFilterProxyModel(this);
  summary_sorted_->setSourceModel(summary_);
  summary_sorted_->setSortRole(Qt::UserRole);
  rows_view_ = make_table(this, rows_sorted_);
  rows_view_->setObjectName("ResultRows");
  rows_view_->sortByColumn(-1, Qt::AscendingOrder);  // the file's order
  summary_view_ = make_table(this, summary_sorted_);
  summary_view_->setObjectName("CurveSummary");
  summary_view_->sortByColumn(-1, Qt::AscendingOrder);
  for (QTableView* view : {rows_view_, summary_view_}) {
    view->installEventFilter(this);
    auto* copy = new QAction("复制", view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this, view] { copy_selection(view); });
    view->addAction(copy);
    auto* all = new QAction("全部复制（含表头）", view);
    connect(all, &QAction::triggered, this, [this, view] {
      const session::TextTable& t = view == rows_view_ ? rows_->table() : summary_->table();
      std::vector<std::vector<std::string>> cells{t.header};
      cells.insert(cells.end(), t.cells.begin(), t.cells.end());
      QGuiApplication::clipboard()->setText(QString::fromStdString(session::tsv_text(cells)));
    });
    view->addAction(all);
  }

  tools_ = new QToolBar(this);
  tools_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  open_ = tools_->addAction("打开结果文件…", this, &ResultsPanel::open_requested);
  tools_->addSeparator();
  tools_->addAction("全图", chart_, &ClearanceChart::reset_zoom);
  tools_->addAction("导出图 PNG…", this, [this] { export_plot(false); });
  tools_->addAction("导出图 SVG…", this, [this] { export_plot(true); });
  tools_->addAction("导出表格 CSV…", this, [this] { export_table(false); });
  tools_->addAction("导出汇总 CSV…", this, [this] { export_table(true); });
  caption_ = new QLabel("尚无结果", this);
  caption_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* tables = new QSplitter(Qt::Horizontal, this);
  tables->addWidget(titled("计算结果", rows_view_, tables));
  tables->addWidget(titled("各曲线最大横净距", summary_view_, tables));
  tables->setStretchFactor(0, 3);
  tables->setStretchFactor(1, 2);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(plots_);
  split->addWidget(tables);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  split->setSizes({560, 340});
  split->setChildrenCollapsible(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(tools_);
  layout->addWidget(caption_);
  layout->addWidget(split, 1);

  connect(rows_view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { on_current_row(current); });
  connect(summary_view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { on_summary_row(current); });
  connect(chart_, &ClearanceChart::chainage_clicked, this, &ResultsPanel::on_chart_click);
}

std::vector<ChainSegment> ResultsPanel::segments_of(const session::Session& s) {
  std::vector<ChainSegment> out;
  const auto* breaks = s.chain_breaks();
  const auto* line = s.alignment();
  if (!breaks || !line) return out;
  const int n = breaks->chain_break_count();
  for (int k = 1; k <= n + 1; ++k) {
    ChainSegment seg;
    seg.start = k == 1 ? line->start_chainage() : breaks->dlzh_sj(k, breaks->ahead_chainage(k - 1));
    seg.end = k == n + 1 ? line->end_chainage() : breaks->dlzh_sj(k, breaks->back_chainage(k));
    seg.letter = QString::fromStdString(chainage::ChainBreakTable::segment_letter(k));
    out.push_back(seg);
  }
  return out;
}

void ResultsPanel::show_session(const session::Session& s) {
  std::vector<session::Curve> curves;
  if (const auto* m = s.main_line()) {
    curves = session::curves_of(*m, *s.chain_breaks());
  } else if (const auto* h = s.interchange()) {
    curves = session::curves_of(*h, *s.chain_breaks());
  }
  const QString source = s.last_result_path().empty()
                             ? QString()
                             : QString::fromStdString(s.last_result_path().filename().string());
  set_results(s.last_result(), std::move(curves), segments_of(s), source);
  show_profile(s);
}

void ResultsPanel::show_profile(const session::Session& s) {
  profile_chart_->show_session(s);
}

void ResultsPanel::set_results(std::vector<session::ResultRow> rows,
                               std::vector<session::Curve> curves,
                               std::vector<ChainSegment> segments, const QString& source) {
  selected_ = -1;
  source_ = source;
  auto summary = session::summarize_curves(curves, rows);
  rows_view_->sortByColumn(-1, Qt::AscendingOrder);
  summary_view_->sortByColumn(-1, Qt::AscendingOrder);
  rows_->set_rows(std::move(rows));
  summary_->set_summary(std::move(summary), rows_->rows());
  chart_->set_data(rows_->rows(), curves, std::move(segments));
  rows_view_->resizeColumnsToContents();
  summary_view_->resizeColumnsToContents();
  const auto& r = rows_->rows();
  if (r.empty()) {
    caption_->setText("尚无结果");
  } else {
    std::size_t on_curves = 0;
    for (const auto& s : summary_->summary()) on_curves += s.row_count ? 1 : 0;
    caption_->setText(QString("%1　%2 行，桩号 %3 至 %4；%5 条曲线，%6 条含计算点")
                          .arg(source.isEmpty() ? QString("计算结果") : source)
                          .arg(r.size())
                          .arg(QString::fromStdString(r.front().chainage_text),
                               QString::fromStdString(r.back().chainage_text))
                          .arg(summary_->summary().size())
                          .arg(on_curves));
  }
}

void ResultsPanel::select_row(int index) {
  if (index < 0 || index >= rows_->rowCount()) {
    rows_view_->clearSelection();
    selected_ = -1;
    chart_->mark(std::nullopt);
    return;
  }
  const QModelIndex at = rows_sorted_->mapFromSource(rows_->index(index, 0));
  rows_view_->setCurrentIndex(at);
  rows_view_->selectionModel()->select(
      at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  rows_view_->scrollTo(at);
}

void ResultsPanel::on_current_row(const QModelIndex& current) {
  if (!current.isValid()) return;
  const int index = rows_sorted_->mapToSource(current).row();
  if (index < 0 || index >= rows_->rowCount()) return;
  selected_ = index;
  const session::ResultRow& row = rows_->rows()[static_cast<std::size_t>(index)];
  chart_->mark(row.chainage, QString::fromStdString(row.chainage_text + "  " +
                                                    text::format_fixed3(row.clearance)));
  emit row_selected(index, row);
}

void ResultsPanel::on_summary_row(const QModelIndex& current) {
  if (!current.isValid()) return;
  const int k = summary_sorted_->mapToSource(current).row();
  if (k < 0 || k >= summary_->rowCount()) return;
  const auto& s = summary_->summary()[static_cast<std::size_t>(k)];
  if (s.row) select_row(static_cast<int>(*s.row));
}

void ResultsPanel::on_chart_click(double chainage) {
  const auto& rows = rows_->rows();
  int best = -1;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (best < 0 || std::fabs(rows[k].chainage - chainage) <
                        std::fabs(rows[static_cast<std::size_t>(best)].chainage - chainage)) {
      best = static_cast<int>(k);
    }
  }
  if (best >= 0) select_row(best);
}

QString ResultsPanel::copy_selection(QTableView* view) {
  const QModelIndexList selected = view->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return {};
  // The bounding block of the selection, in the order shown; cells outside
  // the selection stay empty, as a spreadsheet copies them.
  int r0 = INT_MAX, r1 = -1, c0 = INT_MAX, c1 = -1;
  for (const QModelIndex& i : selected) {
    r0 = std::min(r0, i.row());
    r1 = std::max(r1, i.row());
    c0 = std::min(c0, i.column());
    c1 = std::max(c1, i.column());
  }
  std::vector<std::vector<std::string>> cells(
      static_cast<std::size_t>(r1 - r0 + 1),
      std::vector<std::string>(static_cast<std::size_t>(c1 - c0 + 1)));
  for (const QModelIndex& i : selected) {
    cells[static_cast<std::size_t>(i.row() - r0)][static_cast<std::size_t>(i.column() - c0)] =
        i.data(Qt::DisplayRole).toString().toStdString();
  }
  const QString tsv = QString::fromStdString(session::tsv_text(cells));
  QGuiApplication::clipboard()->setText(tsv);
  return tsv;
}

bool ResultsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    if (watched == rows_view_ || watched == summary_view_) {
      copy_selection(static_cast<QTableView*>(watched));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool ResultsPanel::export_rows_csv(const QString& path) {
  try {
    session::write_file_atomically(fs_path(path), session::csv_text(rows_->table()));
    return true;
  } catch (const LumoraError&) {
    return false;
  }
}

bool ResultsPanel::export_summary_csv(const QString& path) {
  try {
    session::write_file_atomically(fs_path(path), session::csv_text(summary_->table()));
    return true;
  } catch (const LumoraError&) {
    return false;
  }
}

void ResultsPanel::export_plot(bool svg) {
  if (plots_->currentWidget() == profile_chart_) {
    const QString path = QFileDialog::getSaveFileName(
        this, svg ? "导出纵断面图 (SVG)" : "导出纵断面图 (PNG)", svg ? "纵断面.svg" : "纵断面.png",
        svg ? "SVG 图形 (*.svg)" : "PNG 图片 (*.png)");
    if (path.isEmpty()) return;
    const bool ok =
        svg ? profile_chart_->export_svg(path, "纵断面") : profile_chart_->export_png(path);
    if (!ok) QMessageBox::critical(this, kTitleError, QString("无法写入 %1").arg(path));
    return;
  }
  const QString base = source_.isEmpty() ? "横净距" : QFileInfo(source_).completeBaseName();
  const QString path = QFileDialog::getSaveFileName(this, svg ? "导出图 (SVG)" : "导出图 (PNG)",
                                                    base + (svg ? ".svg" : ".png"),
                                                    svg ? "SVG 图形 (*.svg)" : "PNG 图片 (*.png)");
  if (path.isEmpty()) return;
  const bool ok = svg ? chart_->export_svg(path, caption_->text()) : chart_->export_png(path);
  if (!ok) QMessageBox::critical(this, kTitleError, QString("无法写入 %1").arg(path));
}

void ResultsPanel::export_table(bool summary) {
  const QString base = source_.isEmpty() ? "横净距" : QFileInfo(source_).completeBaseName();
  const QString path =
      QFileDialog::getSaveFileName(this, summary ? "导出汇总 (CSV)" : "导出表格 (CSV)",
                                   base + (summary ? "-曲线汇总.csv" : ".csv"), "CSV 表格 (*.csv)");
  if (path.isEmpty()) return;
  const bool ok = summary ? export_summary_csv(path) : export_rows_csv(path);
  if (!ok) QMessageBox::critical(this, kTitleError, QString("无法写入 %1").arg(path));
}

}  // namespace lumora::app
