#include "sight_check_view.h"

#include <QAbstractTableModel>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "text/format.h"

namespace lumora::app {

using session::SightRow;
using visibility::Direction;

// The rows of the result file, with the file's columns.
class SightRowsModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  std::vector<SightRow> rows;

  void set(std::vector<SightRow> r) {
    beginResetModel();
    rows = std::move(r);
    endResetModel();
  }
  int rowCount(const QModelIndex& = {}) const override { return static_cast<int>(rows.size()); }
  int columnCount(const QModelIndex& = {}) const override { return 9; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const SightRow& r = rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::ForegroundRole && r.deficient()) return QColor(0xC0, 0x10, 0x10);
    if (role == Qt::TextAlignmentRole && index.column() >= 2 && index.column() != 5) {
      return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    const QStringList fields = QString::fromStdString(session::format_sight_line(r)).split('\t');
    return index.column() < fields.size() ? fields[index.column()] : QString();
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return QString::fromUtf8(session::kSightFileHeader).split('\t').value(section);
  }
};

// The deficient ranges.
class SightRangesModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  std::vector<session::DeficientRange> ranges;
  const std::vector<SightRow>* rows = nullptr;

  void set(std::vector<session::DeficientRange> g, const std::vector<SightRow>* r) {
    beginResetModel();
    ranges = std::move(g);
    rows = r;
    endResetModel();
  }
  int rowCount(const QModelIndex& = {}) const override { return static_cast<int>(ranges.size()); }
  int columnCount(const QModelIndex& = {}) const override { return 7; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || role != Qt::DisplayRole || !rows) return {};
    const auto& g = ranges[static_cast<std::size_t>(index.row())];
    const auto& rs = *rows;
    switch (index.column()) {
      case 0:
        return QString::fromUtf8(session::direction_text(g.direction));
      case 1:
        return QString::fromStdString(rs[g.first].chainage_text);
      case 2:
        return QString::fromStdString(rs[g.last].chainage_text);
      case 3:
        return QString::fromStdString(text::format_fixed3(rs[g.least].sight.asd));
      case 4:
        return QString::fromStdString(rs[g.least].chainage_text);
      case 5:
        return g.required_min == g.required_max
                   ? QString::fromStdString(text::format_shortest(g.required_min))
                   : QString::fromStdString(text::format_shortest(g.required_min) + "~" +
                                            text::format_shortest(g.required_max));
      default: {
        QStringList c;
        for (const auto& s : g.causes) c << QString::fromStdString(s);
        return c.join("、");
      }
    }
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* names[] = {"方向", "起点桩号", "终点桩号", "最小可用视距",
                                  "位置", "要求视距", "控制因素"};
    return QString::fromUtf8(names[section]);
  }
};

SightCheckView::SightCheckView(QWidget* parent) : QWidget(parent) {
  setObjectName("SightCheckView");
  caption_ = new QLabel(this);
  chart_ = new QChartView(this);
  chart_->setObjectName("SightCheckChart");
  chart_->setRenderHint(QPainter::Antialiasing);
  chart_->setMinimumHeight(260);
  rows_ = new SightRowsModel(this);
  ranges_ = new SightRangesModel(this);
  rows_view_ = new QTableView(this);
  rows_view_->setObjectName("SightRows");
  rows_view_->setModel(rows_);
  ranges_view_ = new QTableView(this);
  ranges_view_->setObjectName("SightRanges");
  ranges_view_->setModel(ranges_);
  for (QTableView* v : {rows_view_, ranges_view_}) {
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 6);
    v->verticalHeader()->hide();
    v->horizontalHeader()->setStretchLastSection(true);
  }
  auto* tables = new QSplitter(Qt::Horizontal, this);
  tables->addWidget(rows_view_);
  tables->addWidget(ranges_view_);
  tables->setStretchFactor(0, 3);
  tables->setStretchFactor(1, 2);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(chart_);
  split->addWidget(tables);
  auto* v = new QVBoxLayout(this);
  v->addWidget(caption_);
  v->addWidget(split, 1);

  connect(rows_view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) emit row_selected(current.row());
          });
  connect(ranges_view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!current.isValid()) return;
            select_row(
                static_cast<int>(ranges_->ranges[static_cast<std::size_t>(current.row())].least));
          });
  rebuild_chart();
}

const std::vector<SightRow>& SightCheckView::rows() const {
  return rows_->rows;
}

void SightCheckView::set_result(const session::SightCheckResult& result, const QString& source) {
  rows_->set(result.rows);
  ranges_->set(result.ranges, &rows_->rows);
  rows_view_->resizeColumnsToContents();
  ranges_view_->resizeColumnsToContents();
  QStringList counts;
  for (const auto& line : result.summary) {
    if (line.rfind("  ", 0) != 0) counts << QString::fromStdString(line);
  }
  caption_->setText((source.isEmpty() ? QString() : source + "    ") + counts.join("    "));
  rebuild_chart();
}

void SightCheckView::select_row(int index) {
  if (index < 0 || index >= rows_->rowCount()) {
    rows_view_->clearSelection();
    return;
  }
  rows_view_->selectRow(index);
  rows_view_->scrollTo(rows_->index(index, 0));
}

void SightCheckView::rebuild_chart() {
  QChart* old = chart_->chart();
  chart_->setChart(make_sight_check_chart(rows_->rows, ranges_->ranges));
  delete old;
}

QChart* make_sight_check_chart(const std::vector<SightRow>& all_rows,
                               const std::vector<session::DeficientRange>& ranges,
                               std::optional<Direction> only, bool print) {
  auto* chart = new QChart;
  chart->setTitle(
      only ? QString("可用视距（%1）").arg(QString::fromUtf8(session::direction_text(*only)))
           : QString("可用视距"));
  chart->legend()->setAlignment(Qt::AlignBottom);
  auto* x = new QValueAxis;
  x->setTitleText("桩号 (连续里程, m)");
  x->setLabelFormat("%.0f");
  auto* y = new QValueAxis;
  y->setTitleText("视距 (m)");
  y->setLabelFormat("%.0f");
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  auto shown = [&](const SightRow& r) { return !only || r.direction == *only; };
  const auto& rows = all_rows;
  double x0 = 0, x1 = 1, ymax = 1;
  bool any = false;
  for (const auto& r : rows) {
    if (!shown(r)) continue;
    if (!any) x0 = x1 = r.sight.c;
    any = true;
    x0 = std::min(x0, r.sight.c);
    x1 = std::max(x1, r.sight.c);
    ymax = std::max({ymax, r.sight.asd, r.required});
  }
  // Round numbers on the distance axis (every 50 m, or 100 m on a long
  // printed axis), the shaded bands up to its top.
  const double step = print && ymax * 1.04 > 500 ? 100 : 50;
  ymax = std::ceil(ymax * 1.04 / step) * step;
  if (x1 <= x0) x1 = x0 + 1;

  auto attach = [&](QAbstractSeries* s) {
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
  };
  // Deficient ranges, shaded under everything else.
  bool first_band = true;
  for (const auto& g : ranges) {
    if (only && g.direction != *only) continue;
    auto* lower = new QLineSeries;
    auto* upper = new QLineSeries;
    double a = rows[g.first].sight.c, b = rows[g.last].sight.c;
    // A range of one or two rows stays visible: on paper at least 0.5 % of
    // the axis.
    const double least = (x1 - x0) / (print ? 200 : 500);
    if (b - a < least) {
      const double pad = (least - (b - a)) / 2;
      a -= pad;
      b += pad;
    }
    lower->append(a, 0);
    lower->append(b, 0);
    upper->append(a, ymax);
    upper->append(b, ymax);
    auto* band = new QAreaSeries(upper, lower);
    band->setName(first_band ? "视距不足" : QString());
    band->setColor(print                               ? QColor(0, 0, 0, 45)
                   : g.direction == Direction::forward ? QColor(255, 90, 90, 70)
                                                       : QColor(255, 160, 60, 70));
    band->setPen(Qt::NoPen);
    attach(band);
    if (!first_band) chart->legend()->markers(band).value(0)->setVisible(false);
    first_band = false;
  }
  auto* fw = new QLineSeries;
  fw->setName("顺 可用视距");
  fw->setPen(QPen(print ? QColor(Qt::black) : QColor(30, 90, 200), 1.6));
  auto* bw = new QLineSeries;
  bw->setName("逆 可用视距");
  bw->setPen(QPen(print ? QColor(Qt::black) : QColor(230, 120, 20), 1.6));
  auto* req = new QLineSeries;
  req->setName("要求视距");
  QPen rp(print ? QColor(90, 90, 90) : QColor(200, 20, 20), 1.4);
  rp.setStyle(Qt::DashLine);
  req->setPen(rp);
  // The required distance as steps, from the rows of one direction.
  const bool has_forward = std::any_of(rows.begin(), rows.end(), [&](const SightRow& s) {
    return shown(s) && s.direction == Direction::forward;
  });
  double last_req = -1;
  for (const auto& r : rows) {
    if (!shown(r)) continue;
    (r.direction == Direction::forward ? fw : bw)->append(r.sight.c, r.sight.asd);
    if ((r.direction == Direction::forward) == has_forward) {
      if (r.required != last_req && last_req >= 0) req->append(r.sight.c, last_req);
      req->append(r.sight.c, r.required);
      last_req = r.required;
    }
  }
  if (fw->count() > 0)
    attach(fw);
  else
    delete fw;
  if (bw->count() > 0)
    attach(bw);
  else
    delete bw;
  if (req->count() > 0)
    attach(req);
  else
    delete req;
  x->setRange(x0, x1);
  y->setRange(0, ymax);
  const int ticks = static_cast<int>(std::lround(ymax / step)) + 1;
  y->setTickCount(ticks > 11 ? 6 : ticks);
  return chart;
}

}  // namespace lumora::app
