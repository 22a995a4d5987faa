// The results panel on a run of a two-curve line with a chain break: what
// the tables and the plot hold, sorting, copying, selection and the exports.
#include "results_panel.h"

#include <QCategoryAxis>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineSeries>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QSvgRenderer>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <fstream>

#include "session/scripted_interface.h"
#include "session/session.h"
#include "text/format.h"

using namespace lumora;
using lumora::app::ResultsPanel;

class ResultsPanelTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  session::ScriptedInterface ui_;
  std::unique_ptr<session::Session> s_;
  std::unique_ptr<ResultsPanel> panel_;

  std::string path(const char* name) { return dir_.filePath(name).toStdString(); }
  void write(const char* name, const char* content) {
    std::ofstream(path(name), std::ios::binary) << content;
  }
  QString cell(QTableView* v, int r, int c) { return v->model()->index(r, c).data().toString(); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // JD1 turns right by 60° (R 500), JD2 back left (R 800); one break.
    write("two.jdx",
          "两曲线,0\nQD\n0 0 0 0 0\nJD1\n1000 0 500 0 0\n"
          "JD2\n1750 1299.0381 800 0 0\nZD\n2750 1299.0381 0 0 0\n");
    write("two.dl", "200 180\n");
    s_ = std::make_unique<session::Session>(ui_);
    ui_.answer(path("two.jdx"));
    ui_.answer(path("two.dl"));
    QVERIFY(s_->initialize(session::InitOptions{}));
    session::ClearanceOptions c;
    c.mode = session::ChainageMode::interval;
    c.interval_text = "20";
    ui_.answer(path("r.txt"));
    QVERIFY(s_->clearance(c).has_value());
    panel_ = std::make_unique<ResultsPanel>();
    panel_->resize(1000, 700);
    panel_->show_session(*s_);
  }

  void tablesAndPlotHoldTheRun() {
    const auto& rows = s_->last_result();
    QCOMPARE(panel_->rows_view()->model()->rowCount(), static_cast<int>(rows.size()));
    QCOMPARE(cell(panel_->rows_view(), 0, 0), QString::fromStdString(rows[0].chainage_text));
    QCOMPARE(cell(panel_->rows_view(), 3, 1),
             QString::fromStdString(text::format_fixed3(rows[3].clearance)));
    QCOMPARE(panel_->rows_view()->model()->headerData(0, Qt::Horizontal).toString(),
             QString("桩号"));

    // Summary: the right-hand curve's largest clearance is the middle
    // ordinate of the eye circle, to the right of the eye.
    QTableView* sv = panel_->summary_view();
    QCOMPARE(sv->model()->rowCount(), 2);
    QCOMPARE(cell(sv, 0, 0), QString("JD1"));
    QCOMPARE(cell(sv, 0, 4), QString("500"));
    const double rp = 500 - 7.25;
    QVERIFY(std::fabs(cell(sv, 0, 5).toDouble() + rp * (1 - std::cos(110 / (2 * rp)))) < 0.002);
    QCOMPARE(cell(sv, 1, 5), QString("0.000"));

    auto* chart = panel_->chart();
    QCOMPARE(chart->clearance_series()->count(), static_cast<int>(rows.size()));
    QCOMPARE(chart->sight_series()->count(), static_cast<int>(rows.size()));
    QCOMPARE(chart->curves().size(), std::size_t{2});
    QVERIFY(chart->segment_axis() != nullptr);
    QCOMPARE(chart->segment_axis()->categoriesLabels(), (QStringList{"A", "B"}));
    QVERIFY(panel_->chart()->grab().width() > 0);  // paints bands and labels
  }

  void sortsByValueAndCopiesLikeASpreadsheet() {
    QTableView* v = panel_->rows_view();
    v->sortByColumn(1, Qt::AscendingOrder);
    double lowest = 0;
    for (const auto& r : s_->last_result()) lowest = std::min(lowest, r.clearance);
    QCOMPARE(cell(v, 0, 1), QString::fromStdString(text::format_fixed3(lowest)));
    // By chainage as a number, not as text: "B1000" after "B980".
    v->sortByColumn(0, Qt::AscendingOrder);
    QCOMPARE(cell(v, 0, 0), QString::fromStdString(s_->last_result()[0].chainage_text));

    v->clearSelection();
    auto* sel = v->selectionModel();
    sel->select(v->model()->index(1, 0), QItemSelectionModel::Select);
    sel->select(v->model()->index(2, 1), QItemSelectionModel::Select);
    const QString tsv = panel_->copy_selection(v);
    const QString want = cell(v, 1, 0) + "\t\n\t" + cell(v, 2, 1) + "\n";
    QCOMPARE(tsv, want);
    QCOMPARE(QGuiApplication::clipboard()->text(), want);
    v->sortByColumn(-1, Qt::AscendingOrder);
  }

  void selectingARowMarksItAndReportsIt() {
    QSignalSpy spy(panel_.get(), &ResultsPanel::row_selected);
    // Through the summary: the row of JD1's largest clearance.
    panel_->summary_view()->setCurrentIndex(panel_->summary_view()->model()->index(0, 0));
    QCOMPARE(spy.count(), 1);
    const int index = spy.at(0).at(0).toInt();
    const auto& row = s_->last_result()[static_cast<std::size_t>(index)];
    QCOMPARE(QString::fromStdString(text::format_fixed3(row.clearance)),
             cell(panel_->summary_view(), 0, 5));
    QCOMPARE(panel_->selected_row(), index);
    QVERIFY(panel_->chart()->marked().has_value());
    QCOMPARE(*panel_->chart()->marked(), row.chainage);
    // A click in the plot picks the nearest row.
    emit panel_->chart()->chainage_clicked(s_->last_result()[5].chainage + 3);
    QCOMPARE(panel_->selected_row(), 5);
    panel_->select_row(-1);
    QVERIFY(!panel_->chart()->marked().has_value());
  }

  void zoomsAndPansTheChainageAxis() {
    auto* chart = panel_->chart();
    const auto [a, b] = chart->full_x_range();
    chart->reset_zoom();
    const auto [lo, hi] = chart->x_range();
    QVERIFY(lo <= a && hi >= b);
    chart->zoom_x(4, (a + b) / 2);
    const auto [zlo, zhi] = chart->x_range();
    QVERIFY(std::fabs((zhi - zlo) - (hi - lo) / 4) < 1e-6);
    chart->pan_x(100);
    QVERIFY(std::fabs(chart->x_range().first - (zlo + 100)) < 1e-6);
    // A mark outside the view brings it into view.
    chart->mark(a + 1, "A1");
    QVERIFY(chart->x_range().first <= a + 1 && chart->x_range().second >= a + 1);
    chart->reset_zoom();
    QCOMPARE(chart->x_range().first, lo);
  }

  void exportsPlotAndTables() {
    const QString png = dir_.filePath("plot.png"), svg = dir_.filePath("plot.svg");
    QVERIFY(panel_->chart()->export_png(png));
    QImage image(png);
    QCOMPARE(image.width(), panel_->chart()->width() * 2);
    QVERIFY(panel_->chart()->export_svg(svg, "两曲线"));
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QFile f(svg);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("<title>两曲线</title>"));

    const QString rows = dir_.filePath("rows.csv"), sum = dir_.filePath("sum.csv");
    QVERIFY(panel_->export_rows_csv(rows));
    QVERIFY(panel_->export_summary_csv(sum));
    QFile r(rows), s(sum);
    QVERIFY(r.open(QIODevice::ReadOnly) && s.open(QIODevice::ReadOnly));
    const QByteArray rb = r.readAll(), sb = s.readAll();
    QVERIFY(rb.startsWith("\xEF\xBB\xBF桩号,最大横净距,"));
    QCOMPARE(rb.count("\r\n"), static_cast<qsizetype>(s_->last_result().size() + 1));
    QVERIFY(sb.startsWith("\xEF\xBB\xBF曲线,"));
    QVERIFY(sb.contains("\r\nJD1,ZY-YZ,"));
    QVERIFY(!panel_->export_rows_csv(dir_.filePath("no/such/dir/x.csv")));
  }

  // The 纵断面 tab: a note without a profile; with one, PNG and SVG.
  void profileViewAndItsExports() {
    auto* chart = panel_->profile_chart();
    QVERIFY(!chart->has_profile());
    std::vector<profile::Pvi> v(3);
    for (int k = 0; k < 3; ++k) {
      v[k].chainage = 1000.0 * k;
      v[k].elevation = k == 1 ? 110 : 100;
    }
    v[1].radius = 10000;
    chart->set_profile(profile::Profile::build(v, "p"), *s_->chain_breaks(),
                       ResultsPanel::segments_of(*s_));
    chart->resize(900, 500);
    QVERIFY(chart->has_profile());
    const QString png = dir_.filePath("profile.png"), svg = dir_.filePath("profile.svg");
    QVERIFY(chart->export_png(png));
    QCOMPARE(QImage(png).width(), 1800);
    QVERIFY(chart->export_svg(svg, "纵断面"));
    QVERIFY(QSvgRenderer(svg).isValid());
    QFile f(svg);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("R=10000"));
    QVERIFY(!chart->export_png(dir_.filePath("no/such/dir/p.png")));
  }

  void opensAResultFileAndEmptiesOnNoRows() {
    ui_.answer(path("r.txt"));
    QVERIFY(s_->open_result());
    panel_->show_session(*s_);
    QCOMPARE(panel_->rows_view()->model()->rowCount(), static_cast<int>(s_->last_result().size()));
    panel_->set_results({}, {}, {}, {});
    QCOMPARE(panel_->rows_view()->model()->rowCount(), 0);
    QCOMPARE(panel_->summary_view()->model()->rowCount(), 0);
    QVERIFY(panel_->chart()->segment_axis() == nullptr);
  }
};

QTEST_MAIN(ResultsPanelTest)
#include "results_panel_test.moc"
