// Gathering a report's data from the session: the files with their
// fingerprints, the settings as the user gave them, the tables, and the plan
// drawn afresh (design line and envelope) so that the open drawing of the
// window is left as it is.
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "cad/drawings.h"
#include "cad/envelope.h"
#include "error.h"
#include "report.h"
#include "results_panel.h"
#include "session/alignment_table.h"
#include "session/vertical_curve_table.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/format.h"

namespace lumora::report {
namespace {

constexpr double kPi = 3.14159265358979323846;

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

FileFacts facts_of(const QString& role, const std::filesystem::path& path) {
  FileFacts f;
  f.role = role;
  const QString p = q(path.string());
  const QFileInfo info(p);
  f.name = info.fileName();
  f.path = info.absoluteFilePath();
  QFile file(p);
  if (file.open(QIODevice::ReadOnly)) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (hash.addData(&file)) {
      f.size = file.size();
      f.sha256 = QString::fromLatin1(hash.result().toHex());
    }
  }
  return f;
}

// "读取平面资料" -> "平面资料": the dialog's title names what the file is.
QString role_of(const std::string& dialog_title) {
  QString r = q(dialog_title);
  if (r.startsWith("读取")) r = r.mid(2);
  return r;
}

// The drawing point `w` metres to the left of the design line at chainage c.
QPointF drawing_point(const Alignment& line, double c, double w) {
  const Pose p = line.point_at(c);
  return {p.y + std::sin(p.azimuth - kPi / 2) * w, p.x + std::cos(p.azimuth - kPi / 2) * w};
}

std::vector<std::pair<QString, QString>> settings_of(const session::Session& s,
                                                     const session::RunRecord& rec,
                                                     std::size_t rows) {
  std::vector<std::pair<QString, QString>> out;
  const auto& init = rec.init;
  out.push_back({"路线", q(s.title())});
  out.push_back(
      {"路线类型", init.kind == session::AlignmentKind::main_line ? "交点法—主线" : "积木法—互通"});
  out.push_back({"起点桩号", q(s.start_text())});
  out.push_back({"终点桩号", q(s.end_text())});
  const int breaks = s.chain_breaks() ? s.chain_breaks()->chain_break_count() : 0;
  out.push_back({"断链", breaks == 0 ? QString("无") : QString("%1 处").arg(breaks)});
  out.push_back(
      {"司机视点距设计线的距离",
       init.eye_offset_file
           ? QString("按司机视点距离文件（见输入文件）")
           : QString("%1 m（正值在设计线左侧，负值在右侧）").arg(q(init.eye_offset_text))});
  if (rec.clearance) {
    const auto& c = *rec.clearance;
    out.push_back({"视距", c.sight_file ? QString("按视距限值文件（见输入文件）")
                                        : QString("%1 m").arg(q(c.sight_text))});
    out.push_back({"横净距位置", c.side == sight::Side::median ? "中央带" : "弯道内侧"});
    if (c.mode == session::ChainageMode::list) {
      out.push_back({"计算桩号", "读取桩号文件（见输入文件）"});
    } else if (c.mode == session::ChainageMode::interval) {
      const QString from = q(c.from_text.empty() ? s.start_text() : c.from_text);
      const QString to = q(c.to_text.empty() ? s.end_text() : c.to_text);
      out.push_back({"计算桩号",
                     QString("固定桩号间距 %1 m，自 %2 至 %3").arg(q(c.interval_text), from, to)});
    }
  } else {
    out.push_back({"计算结果", "读取的最大横净距文件（计算设置见该文件的来源）"});
  }
  out.push_back({"计算点数", QString::number(rows)});
  return out;
}

// The settings of the sight check, as the user gave them.
void sight_settings(std::vector<std::pair<QString, QString>>& out,
                    const session::SightCheckOptions& o, const session::SightCheckResult& r) {
  const QString dirs = r.forward && r.backward ? "顺、逆两个方向"
                       : r.forward             ? "顺（桩号增加方向）"
                                               : "逆（桩号减小方向）";
  out.push_back({"视距检查方向", dirs});
  if (r.backward) {
    out.push_back({"逆向视点轨迹",
                   !o.backward_offset_file.empty() ? QString("按逆向司机视点距离文件（见输入文件）")
                   : o.backward_offset
                       ? QString("%1 m").arg(q(text::format_fixed3(*o.backward_offset)))
                       : QString("正向视点偏距取反（对向车道）")});
  }
  out.push_back({"视点高、物高", QString("%1 m、%2 m")
                                     .arg(q(text::format_shortest(o.heights.eye)),
                                          q(text::format_shortest(o.heights.object)))});
  out.push_back({"要求视距（视距检查）", o.sight_file ? QString("按视距限值文件（见输入文件）")
                                                      : QString("%1 m").arg(q(o.sight_text))});
  out.push_back({"最大搜索距离", o.max_distance > 0
                                     ? QString("%1 m").arg(q(text::format_shortest(o.max_distance)))
                                     : QString("要求视距的 2 倍")});
  out.push_back({"路面", r.on_profile ? "按纵断面（无横坡）" : "水平（未给纵断面）"});
  out.push_back({"视距检查点数", QString::number(r.rows.size())});
}

// The obstructions as the user gave them: each line of the obstruction
// files, and each DXF layer asked for.
session::TextTable obstruction_table(const session::SightCheckOptions& o) {
  session::TextTable t;
  t.header = {"名称", "起点桩号", "终点桩号", "起点偏距", "终点偏距", "高度", "来源"};
  for (const auto& path : o.obstruction_files) {
    std::vector<std::string> lines;
    try {
      lines = text::read_text_lines(path);
    } catch (const std::exception&) {
      t.cells.push_back({"（文件无法读取）", "", "", "", "", "", path.filename().string()});
      continue;
    }
    for (const auto& line : lines) {
      auto f = text::split_fields(line);
      if (f.empty()) break;  // an empty line ends the list
      if (f.size() != 6) continue;
      if (f[5] == "-") f[5] = "不限";
      f.push_back(path.filename().string());
      t.cells.push_back(std::move(f));
    }
  }
  for (const auto& dxf : o.obstruction_dxf) {
    for (const auto& l : dxf.layers) {
      std::string top = "不限";
      if (l.top == obstruction::TopKind::above_road) top = text::format_shortest(l.height);
      if (l.top == obstruction::TopKind::absolute) top = "顶点高程";
      t.cells.push_back({l.name, "—", "—", "—", "—", top, dxf.file.filename().string()});
    }
  }
  return t;
}

QPointF drawing_of(zxbas::Vec2 p) {
  return {p.y, p.x};
}

// The sight check on the plan: the obstructions as lines, and for each
// deficient range a detail about its row of least ASD with the governing
// sight line, from the eye to the first hidden target.
void add_sight_details(ReportData& d, cad::DrawingDocument& doc,
                       const session::SightCheckResult& sc, const Alignment& line) {
  for (const auto& o : sc.obstructions) {
    doc.set_active_layer(doc.add_layer(o.name));
    std::vector<double> v;
    v.reserve(2 * o.plan.size());
    for (const auto& p : o.plan) v.insert(v.end(), {p.y, p.x});
    const auto e = doc.add_light_weight_polyline(v);
    doc.set_line_weight(e, 35);
  }
  for (const auto& g : sc.ranges) {
    const auto& r = sc.rows[g.least];
    const QPointF eye = drawing_of(r.sight.eye), target = drawing_of(r.sight.target);
    double turn = -std::atan2(target.y() - eye.y(), target.x() - eye.x());
    if (turn > kPi / 2) turn -= kPi;
    if (turn <= -kPi / 2) turn += kPi;
    const double cr = std::cos(turn), sr = std::sin(turn);
    cad::Extents box;
    auto add = [&](const QPointF& p) { box.add(p.x() * cr - p.y() * sr, p.x() * sr + p.y() * cr); };
    add(eye);
    add(target);
    const double a = std::min(r.sight.c, r.sight.target_chainage) - 10;
    const double b = std::max(r.sight.c, r.sight.target_chainage) + 10;
    for (int k = 0; k <= 40; ++k) {
      const double c = std::clamp(a + (b - a) * k / 40, line.start_chainage(), line.end_chainage());
      add(drawing_point(line, c, 0));
    }
    PlanDetail det;
    det.rotation = turn;
    det.sight_line = QLineF(eye, target);
    const QString dir = QString::fromUtf8(session::direction_text(r.direction));
    QString causes;
    for (const auto& c : g.causes) causes += (causes.isEmpty() ? "" : "、") + q(c);
    det.name = q(r.chainage_text);
    det.sight_label =
        QString("%1  %2 m").arg(q(r.chainage_text), q(text::format_fixed3(r.sight.asd)));
    det.caption = QString("%1向视距不足 %2 — %3，最小可用视距 %4 m（%5），控制因素 %6")
                      .arg(dir, q(sc.rows[g.first].chainage_text), q(sc.rows[g.last].chainage_text),
                           q(text::format_fixed3(r.sight.asd)), q(r.chainage_text), causes);
    det.note = QString("粗虚线：桩号 %1 %2向视点至第一个看不见的物点（%3）的视线")
                   .arg(q(r.chainage_text), dir, q(r.target_text));
    const double pad = 0.03 * std::max(box.max_x - box.min_x, box.max_y - box.min_y) + 3;
    det.min_x = box.min_x - pad;
    det.min_y = box.min_y - pad;
    det.max_x = box.max_x + pad;
    det.max_y = box.max_y + pad;
    d.details.push_back(det);
  }
}

}  // namespace

ReportData collect(const session::Session& s, const CollectOptions& options) {
  if (!s.initialized()) throw DataFormatError("尚未初始化");
  ReportData d;
  d.title = q(s.title());
  d.version = options.version;
  d.date = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm");

  const auto rec = s.run_record();
  // Each file once, under the role it was first read in.
  std::vector<std::filesystem::path> seen;
  for (const auto& f : rec.files) {
    if (std::find(seen.begin(), seen.end(), f.path) != seen.end()) continue;
    seen.push_back(f.path);
    d.files.push_back(facts_of(role_of(f.role), f.path));
  }
  if (rec.clearance && !s.last_result_path().empty() && !options.result_is_scratch) {
    d.files.push_back(facts_of("最大横净距文件（本次计算结果）", s.last_result_path()));
  }
  const auto* sc = s.last_sight_check();
  if (sc && !sc->path.empty() && !options.sight_result_is_scratch) {
    d.files.push_back(facts_of("视距检查结果文件（本次计算结果）", sc->path));
  }
  d.rows = s.last_result();
  d.settings = settings_of(s, rec, d.rows.size());

  const Alignment& line = *s.alignment();
  const auto& breaks = *s.chain_breaks();
  if (const auto* m = s.main_line()) {
    d.main_line = true;
    d.alignment = session::alignment_table(*m);
    d.curves = session::curves_of(*m, breaks);
  } else {
    d.main_line = false;
    d.alignment = session::alignment_table(*s.interchange());
    d.curves = session::curves_of(*s.interchange(), breaks);
  }
  d.segments = app::ResultsPanel::segments_of(s);
  d.breaks = breaks;
  if (const auto* p = s.profile()) {
    d.profile = *p;
    d.vertical_curves = session::vertical_curve_table(*p, breaks, options.requirement);
  }
  if (options.requirement) {
    const auto& r = *options.requirement;
    d.settings.insert(d.settings.end() - 1,
                      {"设计速度", QString("%1 km/h（%2），停车视距 %3 m")
                                       .arg(q(text::format_shortest(r.speed)),
                                            q(standards::standard_name(r.standard)),
                                            q(text::format_shortest(r.sight_distance)))});
  }

  if (sc && rec.sight_check) {
    sight_settings(d.settings, *rec.sight_check, *sc);
    SightData sd;
    sd.rows = sc->rows;
    sd.ranges = sc->ranges;
    sd.summary = sc->summary;
    sd.forward = sc->forward;
    sd.backward = sc->backward;
    sd.obstructions = obstruction_table(*rec.sight_check);
    d.sight = std::move(sd);
  }

  for (const auto& c : d.curves) {
    d.curve_marks.push_back({q(c.name), drawing_point(line, (c.start + c.end) / 2, 0)});
  }
  d.curve_marks.push_back({"起点", drawing_point(line, line.start_chainage(), 0)});
  d.curve_marks.push_back({"终点", drawing_point(line, line.end_chainage(), 0)});
  if (d.rows.empty()) return d;

  // The plan: the design line, then the envelope with sight lines and eye
  // path, as 设计线 and 视距包络图 draw them.
  auto doc = std::make_shared<cad::DrawingDocument>();
  doc->set_title(s.title());
  const auto no_stage = [](const std::string&) {};
  if (const auto* m = s.main_line()) {
    cad::draw_design_line(*doc, *m, breaks, no_stage);
  } else {
    cad::draw_design_line(*doc, *s.interchange(), breaks, no_stage);
  }
  std::vector<cad::EnvelopeRow> env;
  for (const auto& r : d.rows) {
    env.push_back({r.chainage, r.clearance, r.offset, r.offset_start, r.offset_end,
                   r.start_chainage, r.end_chainage});
  }
  cad::draw_envelope(*doc, line, env, true, true);
  d.plan = doc;

  // A detail of every curve that needs a clearance: 0.9 sight distances
  // about its largest one, with centre line, eye path, envelope and the
  // sight line the result file holds there.
  const auto summary = session::summarize_curves(d.curves, d.rows);
  for (const auto& cs : summary) {
    if (!cs.row || d.rows[*cs.row].clearance == 0) continue;
    const auto& c = cs.curve;
    const auto& top = d.rows[*cs.row];
    const double half = 0.45 * std::max(top.sight_distance, 20.0);
    const double from = top.chainage - half, to = top.chainage + half;
    // Turned so that the stretch runs across the page, texts kept upright.
    const QPointF p0 = drawing_point(line, from, 0), p1 = drawing_point(line, to, 0);
    double turn = -std::atan2(p1.y() - p0.y(), p1.x() - p0.x());
    if (turn > kPi / 2) turn -= kPi;
    if (turn <= -kPi / 2) turn += kPi;
    const double cr = std::cos(turn), sr = std::sin(turn);
    cad::Extents box;
    auto add = [&](const QPointF& p) { box.add(p.x() * cr - p.y() * sr, p.x() * sr + p.y() * cr); };
    const int n = 40;
    for (int k = 0; k <= n; ++k) {
      add(drawing_point(line, from + (to - from) * k / n, 0));
    }
    for (const auto& r : d.rows) {
      if (r.chainage < from || r.chainage > to) continue;
      for (double w : {r.offset, r.offset + r.clearance}) add(drawing_point(line, r.chainage, w));
    }
    PlanDetail det;
    det.rotation = turn;
    det.sight_line = QLineF(drawing_point(line, top.start_chainage, top.offset_start),
                            drawing_point(line, top.end_chainage, top.offset_end));
    det.sight_label =
        QString("%1  %2 m").arg(q(top.chainage_text), q(text::format_fixed3(top.clearance)));
    det.name = q(c.name);
    det.caption = QString("%1（%2，%3 — %4，R = %5）于最大横净距处")
                      .arg(q(c.name), q(c.kind), q(c.start_text), q(c.end_text), q(c.radius_text));
    const double pad = 0.03 * std::max(box.max_x - box.min_x, box.max_y - box.min_y) + 3;
    det.min_x = box.min_x - pad;
    det.min_y = box.min_y - pad;
    det.max_x = box.max_x + pad;
    det.max_y = box.max_y + pad;
    d.details.push_back(det);
  }
  if (sc) add_sight_details(d, *doc, *sc, line);
  return d;
}

}  // namespace lumora::report
