// The chapters of the report, each made from the data it needs.
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QImage>
#include <algorithm>

#include "page_writer.h"
#include "plan_painter.h"
#include "profile_chart.h"
#include "report.h"
#include "sight_check_view.h"
#include "text/format.h"

namespace lumora::report {
namespace {

QString numbered(int number, const QString& title) {
  return QString("%1  %2").arg(number).arg(title);
}

// A caption below a figure, centred.
void figure_caption(PageWriter& w, const QString& text) {
  const QFont f = w.font(8.5);
  const double h = 5;
  const double top = w.take(h);
  w.painter().setFont(f);
  w.painter().setPen(Qt::black);
  w.painter().drawText(w.rect_mm(PageWriter::kMargin, top, w.body_width(), h), Qt::AlignCenter,
                       text);
  w.skip(2);
}

class InputsChapter : public Chapter {
 public:
  explicit InputsChapter(const ReportData& d) : d_(d) {}
  QString title() const override { return "输入文件与计算设置"; }
  void write(PageWriter& w, int n) const override {
    w.heading(numbered(n, title()), 1);
    w.heading(QString("%1.1  输入文件").arg(n), 2);
    w.paragraph(
        "计算所用的全部文件。SHA-256 "
        "为文件内容的摘要：复核时对同名文件重新计算，摘要相同即为同一数据。",
        8.5);
    for (const FileFacts& f : d_.files) {
      w.ensure(18);
      const QString size = f.size >= 0 ? QString("%1 字节").arg(f.size) : QString("无法读取");
      w.key_values({{f.role, QString("%1（%2）").arg(f.name, size)}});
      w.skip(-2);
      w.paragraph("路径：" + f.path, 7.5);
      w.paragraph("SHA-256：" + (f.sha256.isEmpty() ? QString("—") : f.sha256), 7.5, true);
      w.skip(1.5);
    }
    w.heading(QString("%1.2  计算设置").arg(n), 2);
    w.key_values(d_.settings);
  }

 private:
  const ReportData& d_;
};

class AlignmentChapter : public Chapter {
 public:
  explicit AlignmentChapter(const ReportData& d) : d_(d) {}
  QString title() const override { return "平面线形"; }
  void write(PageWriter& w, int n) const override {
    w.heading(numbered(n, title()), 1);
    if (d_.main_line) {
      w.paragraph(
          "交点法主线的交点及主点，与 lumora-cli alignment 的输出相同。jd_k 交点桩号；t1、t2 "
          "切线长；l 曲线长；k_zh … k_hz 主点 ZH、HY、QZ、YH、HZ 的连续桩号；x、y 主点坐标"
          "（x 北，y 东）。长度单位 m。",
          8.5);
      // Chainages, then the coordinates of ZH, HY, QZ and of YH, HZ: each
      // part a whole idea, with the PI's number and name in front.
      TableStyle st{QString("表 %1-1  交点及主点").arg(n), 2};
      st.groups = {{2, 3, 4, 5, 6, 7, 8, 9, 10}, {11, 12, 13, 14, 15, 16}, {17, 18, 19, 20}};
      w.table(d_.alignment, st);
    } else {
      w.paragraph(
          "积木法互通的线元，与 lumora-cli alignment 的输出相同。r1、r2 线元起点、终点半径"
          "（9999 为直线，负值左转）；len 线元长；chainage 起点连续桩号；x、y 起点坐标（x 北，"
          "y 东）；azimuth 起点方位角（弧度）。末行为路线终点。",
          8.5);
      TableStyle st{QString("表 %1-1  线元").arg(n), 1};
      w.table(d_.alignment, st);
    }
  }

 private:
  const ReportData& d_;
};

// The plot's size on the screen it is laid out for: about the results
// panel's, so that its texts come out at 7 pt across the page.
const QSize kChart(860, 470);

class ClearanceChapter : public Chapter {
 public:
  explicit ClearanceChapter(const ReportData& d) : d_(d) {}
  QString title() const override { return "横净距计算结果"; }
  void write(PageWriter& w, int n) const override {
    w.heading(numbered(n, title()), 1);
    w.heading(QString("%1.1  横净距沿桩号分布").arg(n), 2);
    const double h = w.body_width() * kChart.height() / kChart.width();
    const double top = w.take(h);
    draw_chart(w, w.rect_mm(PageWriter::kMargin, top, w.body_width(), h));
    figure_caption(
        w, QString("图 %1-1  最大横净距（实线，左轴）与视距（虚线，右轴）；灰带为曲线范围").arg(n));
    w.paragraph(
        "横净距为视点轨迹至视线障碍清除边界的距离，正值在视点轨迹左侧，负值表示控制视线从视点轨迹"
        "右侧通过。",
        8.5);
    w.heading(QString("%1.2  各曲线最大横净距").arg(n), 2);
    const auto summary = session::summarize_curves(d_.curves, d_.rows);
    w.table(session::summary_table(summary, d_.rows),
            TableStyle{QString("表 %1-1  各曲线最大横净距（m）").arg(n), 1, 8.5});
    w.paragraph(
        "最大横净距为曲线起终点之间各计算桩号横净距绝对值最大者；所在桩号与视距为该桩号的计算"
        "条件。全部计算结果见附录。",
        8.5);
  }

 private:
  // The results panel's plot, drawn by its own class, into a picture at
  // 300 dpi on paper.
  void draw_chart(PageWriter& w, const QRectF& target) const {
    app::ClearanceChart chart;
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    chart.set_print_style();
    const QSize logical = kChart;
    chart.resize(logical);
    chart.set_data(d_.rows, d_.curves, d_.segments);
    chart.show();
    QApplication::processEvents();
    const double ratio = target.width() / w.mm(25.4) * 300 / logical.width();
    QImage image(logical * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      chart.render(&p, QRectF(QPointF(0, 0), QSizeF(logical)), chart.viewport()->rect());
    }
    chart.hide();
    const QSizeF fit = QSizeF(logical).scaled(target.size(), Qt::KeepAspectRatio);
    const QRectF at(target.center() - QPointF(fit.width() / 2, fit.height() / 2), fit);
    w.painter().drawImage(at, image);
  }

  const ReportData& d_;
};

class SightCheckChapter : public Chapter {
 public:
  explicit SightCheckChapter(const SightData& d) : d_(d) {}
  QString title() const override { return "视距检查"; }
  void write(PageWriter& w, int n) const override {
    w.heading(numbered(n, title()), 1);
    w.paragraph(
        "可用视距为视点（路面以上视点高）沿本方向视点轨迹看向前方物点（路面以上物高）时，最近一个"
        "看不见的物点到视点的视点轨迹长度；视线被路面或障碍物遮挡的为看不见。富余 = 可用视距 − "
        "要求视距，富余为负的计算点视距不足。",
        8.5);
    w.heading(QString("%1.1  可用视距沿桩号分布").arg(n), 2);
    int fig = 1;
    for (auto d : {visibility::Direction::forward, visibility::Direction::backward}) {
      if ((d == visibility::Direction::forward && !d_.forward) ||
          (d == visibility::Direction::backward && !d_.backward)) {
        continue;
      }
      const double h = w.body_width() * kChart.height() / kChart.width();
      w.ensure(h + 8);
      const double top = w.take(h);
      draw_chart(w, w.rect_mm(PageWriter::kMargin, top, w.body_width(), h), d);
      figure_caption(w,
                     QString("图 %1-%2  %3向可用视距（实线）与要求视距（虚线）；灰带为视距不足路段")
                         .arg(n)
                         .arg(fig++)
                         .arg(QString::fromUtf8(session::direction_text(d))));
    }
    w.heading(QString("%1.2  视距不足路段").arg(n), 2);
    w.paragraph(
        "同一方向上连续的视距不足计算点合为一段：起终点桩号、段内最小可用视距及其桩号、要求视距、"
        "段内各点的控制因素（路面或障碍物名称），与 lumora-cli sight-check 的汇总相同。",
        8.5);
    int table = 1;
    for (const auto& line : d_.summary) {
      if (line.rfind("  ", 0) == 0) continue;  // a range: in the table below
      w.paragraph(QString::fromStdString(line), 9.5);
      const bool forward =
          line.rfind(session::direction_text(visibility::Direction::forward), 0) == 0;
      const auto dir = forward ? visibility::Direction::forward : visibility::Direction::backward;
      session::TextTable t;
      t.header = {"序号",     "起点桩号", "终点桩号", "最小可用视距",
                  "所在桩号", "要求视距", "控制因素"};
      int k = 0;
      for (const auto& g : d_.ranges) {
        if (g.direction != dir) continue;
        const auto& least = d_.rows[g.least];
        std::string causes;
        for (const auto& c : g.causes) causes += (causes.empty() ? "" : "、") + c;
        t.cells.push_back(
            {std::to_string(++k), d_.rows[g.first].chainage_text, d_.rows[g.last].chainage_text,
             text::format_fixed3(least.sight.asd), least.chainage_text,
             g.required_min == g.required_max ? text::format_shortest(g.required_min)
                                              : text::format_shortest(g.required_min) + "~" +
                                                    text::format_shortest(g.required_max),
             causes});
      }
      if (t.cells.empty()) continue;
      w.table(t, TableStyle{QString("表 %1-%2  %3向视距不足路段（m）")
                                .arg(n)
                                .arg(table++)
                                .arg(QString::fromUtf8(session::direction_text(dir))),
                            1, 8.5});
    }
    w.heading(QString("%1.3  障碍物").arg(n), 2);
    if (d_.obstructions.cells.empty()) {
      w.paragraph("未给障碍物：只检查路面对视线的遮挡。", 8.5);
    } else {
      w.paragraph(
          "障碍物文件的各行与读取的 DXF 图层：偏距以设计线左侧为正（m），沿连续桩号线性变化；"
          "高度为路面以上的顶高（m），不限为视线不能越过（墙、挖方边坡、密植）。",
          8.5);
      w.table(d_.obstructions, TableStyle{QString("表 %1-%2  障碍物").arg(n).arg(table), 1, 8.5});
    }
  }

 private:
  // The results panel's plot, made by its own function, into a picture at
  // 300 dpi on paper.
  void draw_chart(PageWriter& w, const QRectF& target, visibility::Direction d) const {
    QChartView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.setRenderHint(QPainter::Antialiasing);
    view.setChart(app::make_sight_check_chart(d_.rows, d_.ranges, d, true));
    const QSize logical = kChart;
    view.resize(logical);
    view.show();
    QApplication::processEvents();
    const double ratio = target.width() / w.mm(25.4) * 300 / logical.width();
    QImage image(logical * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      view.render(&p, QRectF(QPointF(0, 0), QSizeF(logical)), view.viewport()->rect());
    }
    view.hide();
    const QSizeF fit = QSizeF(logical).scaled(target.size(), Qt::KeepAspectRatio);
    const QRectF at(target.center() - QPointF(fit.width() / 2, fit.height() / 2), fit);
    w.painter().drawImage(at, image);
  }

  const SightData& d_;
};

class SightRowsAppendix : public Chapter {
 public:
  explicit SightRowsAppendix(const SightData& d) : d_(d) {}
  QString title() const override { return "视距检查结果表"; }
  bool appendix() const override { return true; }
  void write(PageWriter& w, int n) const override {
    const QString letter(QChar('A' + n - 1));
    w.heading(QString("附录%1  %2").arg(letter, title()), 1);
    w.paragraph(
        "与视距检查结果文件逐行相同：桩号、方向、可用视距、要求视距、富余、控制因素、遮挡目标桩号、"
        "遮挡点 X（北）、Y（东）（m）。",
        8.5);
    session::TextTable t;
    t.header = text_fields(session::kSightFileHeader);
    for (const auto& r : d_.rows) t.cells.push_back(text_fields(session::format_sight_line(r)));
    w.table(t, TableStyle{QString("表 %1-1  视距检查结果（m）").arg(letter), 2, 8.5});
  }

 private:
  static std::vector<std::string> text_fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t a = 0;
    for (;;) {
      const auto b = line.find('\t', a);
      out.push_back(line.substr(a, b == std::string::npos ? std::string::npos : b - a));
      if (b == std::string::npos) return out;
      a = b + 1;
    }
  }
  const SightData& d_;
};

class ProfileChapter : public Chapter {
 public:
  explicit ProfileChapter(const ReportData& d) : d_(d) {}
  QString title() const override { return "纵断面"; }
  void write(PageWriter& w, int n) const override {
    w.heading(numbered(n, title()), 1);
    w.heading(QString("%1.1  纵断面图").arg(n), 2);
    const double h = w.body_width() * 0.55;
    const double top = w.take(h);
    draw_section(w, w.rect_mm(PageWriter::kMargin, top, w.body_width(), h));
    figure_caption(w, QString("图 %1-1  纵断面：设计线、变坡点与竖曲线（R、T、E）").arg(n));
    w.heading(QString("%1.2  竖曲线").arg(n), 2);
    w.paragraph(
        "与 lumora-cli profile 的输出相同：变坡点桩号与高程，前后纵坡（%），竖曲线半径 R、"
        "切线长 T、外距 E、曲线长 L，起终点 BVC、EVC，凸形 crest / 凹形 sag；给出设计速度时"
        "列出规范的最小半径与长度（极限值、一般值）及不满足之处（flags）。",
        8.5);
    // The curves, then the standard's minimums and flags, each part led by
    // the PVI's number and chainage.
    TableStyle st{QString("表 %1-1  变坡点及竖曲线").arg(n), 2};
    const std::size_t cols = d_.vertical_curves.header.size();
    if (cols > 12) {
      st.groups = {{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {}};
      for (std::size_t c = 12; c < cols; ++c) st.groups[1].push_back(c);
    }
    w.table(d_.vertical_curves, st);
  }

 private:
  // The results panel's long section, drawn by its own class, into a
  // picture at 300 dpi on paper.
  void draw_section(PageWriter& w, const QRectF& target) const {
    app::ProfileChart chart;
    chart.set_profile(d_.profile, d_.breaks, d_.segments);
    const QSize logical(860, static_cast<int>(860 * target.height() / target.width()));
    const double ratio = target.width() / w.mm(25.4) * 300 / logical.width();
    QImage image(logical * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      chart.paint(p, QRectF(QPointF(0, 0), QSizeF(logical)));
    }
    w.painter().drawImage(target, image);
  }

  const ReportData& d_;
};

class PlanChapter : public Chapter {
 public:
  explicit PlanChapter(const ReportData& d) : d_(d) {}
  QString title() const override { return "平面图"; }
  void write(PageWriter& w, int n) const override {
    w.heading(numbered(n, title()), 1);
    const cad::Extents box = d_.plan->extents();
    const double legend = 14;
    const double h = w.remaining() - legend - 8;
    const double top = w.take(h);
    PlanFrame f;
    f.frame = w.rect_mm(PageWriter::kMargin, top, w.body_width(), h);
    const double pad = 0.03 * std::max(box.max_x - box.min_x, box.max_y - box.min_y);
    f.min_x = box.min_x - pad;
    f.min_y = box.min_y - pad;
    f.max_x = box.max_x + pad;
    f.max_y = box.max_y + pad;
    f.stake_texts = false;
    f.marks = d_.curve_marks;
    const double scale = paint_plan(w.painter(), *d_.plan, f, w.mm(1));
    figure_caption(w, QString("图 %1-1  设计线与视距包络图（比例 1:%2）")
                          .arg(n)
                          .arg(QString::number(scale, 'f', 0)));
    legend_row(w);
    int k = 2;
    for (const PlanDetail& det : d_.details) {
      // As tall as the stretch needs at the scale its length sets, with room
      // for the stake labels, the north arrow and the scale bar: two or three
      // details a page.
      const double most = (PageWriter::kBodyBottom - PageWriter::kBodyTop) / 2 - 16;
      const double ww = det.max_x - det.min_x, wh = det.max_y - det.min_y;
      const double scale = round_scale(std::max(ww * 1000 / w.body_width(), wh * 1000 / most));
      const double dh = std::clamp(wh * 1000 / scale + 40, 70.0, most);
      w.ensure(dh + 14);
      const double dtop = w.take(dh);
      PlanFrame d;
      d.frame = w.rect_mm(PageWriter::kMargin, dtop, w.body_width(), dh);
      d.min_x = det.min_x;
      d.min_y = det.min_y;
      d.max_x = det.max_x;
      d.max_y = det.max_y;
      d.rotation = det.rotation;
      d.highlight = det.sight_line;
      const double s = paint_plan(w.painter(), *d_.plan, d, w.mm(1));
      figure_caption(w, QString("图 %1-%2  %3，比例 1:%4")
                            .arg(n)
                            .arg(k++)
                            .arg(det.caption)
                            .arg(QString::number(s, 'f', 0)));
      figure_caption(w, det.note.isEmpty()
                            ? QString("粗虚线：结果文件记于桩号 %1 的视线").arg(det.sight_label)
                            : det.note);
    }
  }

 private:
  static void legend_row(PageWriter& w) {
    const double top = w.take(6);
    QPainter& p = w.painter();
    const double u = w.mm(1);
    struct Item {
      const char* name;
      QPen pen;
    };
    QPen centre(Qt::black, 0.25 * u);
    centre.setDashPattern({14, 3, 2, 3});
    QPen eye(QColor(40, 40, 40), 0.2 * u);
    eye.setDashPattern({8, 4});
    const Item items[] = {{"设计线（中线）", centre},
                          {"视点轨迹", eye},
                          {"视距包络线", QPen(Qt::black, 0.45 * u)},
                          {"视线", QPen(QColor(175, 175, 175), 0.15 * u)}};
    p.setFont(w.font(8));
    double x = PageWriter::kMargin + 2;
    for (const auto& it : items) {
      p.setPen(it.pen);
      p.drawLine(QPointF(w.mm(x), w.mm(top + 3)), QPointF(w.mm(x + 10), w.mm(top + 3)));
      p.setPen(Qt::black);
      p.drawText(w.rect_mm(x + 12, top, 30, 6), Qt::AlignLeft | Qt::AlignVCenter, it.name);
      x += 43;
    }
  }

  const ReportData& d_;
};

class RowsAppendix : public Chapter {
 public:
  explicit RowsAppendix(const ReportData& d) : d_(d) {}
  QString title() const override { return "横净距计算结果表"; }
  bool appendix() const override { return true; }
  void write(PageWriter& w, int n) const override {
    const QString letter(QChar('A' + n - 1));
    w.heading(QString("附录%1  %2").arg(letter, title()), 1);
    w.paragraph(
        "与最大横净距文件逐行相同：桩号、最大横净距、视点偏距、视线起点与终点的视点偏距及桩号、"
        "视距（m）。",
        8.5);
    w.table(session::result_table(d_.rows),
            TableStyle{QString("表 %1-1  横净距计算结果（m）").arg(letter), 1, 8.5});
  }

 private:
  const ReportData& d_;
};

}  // namespace

std::vector<std::unique_ptr<Chapter>> chapters_of(const ReportData& d) {
  std::vector<std::unique_ptr<Chapter>> out;
  out.push_back(std::make_unique<InputsChapter>(d));
  if (!d.alignment.cells.empty()) out.push_back(std::make_unique<AlignmentChapter>(d));
  if (!d.rows.empty()) out.push_back(std::make_unique<ClearanceChapter>(d));
  if (d.sight) out.push_back(std::make_unique<SightCheckChapter>(*d.sight));
  if (d.profile) out.push_back(std::make_unique<ProfileChapter>(d));
  if (d.plan && !d.plan->extents().empty()) out.push_back(std::make_unique<PlanChapter>(d));
  if (!d.rows.empty()) out.push_back(std::make_unique<RowsAppendix>(d));
  if (d.sight) out.push_back(std::make_unique<SightRowsAppendix>(*d.sight));
  return out;
}

}  // namespace lumora::report
