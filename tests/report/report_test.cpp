// The calculation report: its numbers are the result file's, its chapters are
// those with data, and it is never written over an input.
#include "report.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/cli_run.h"
#include "plan_painter.h"
#include "session/scripted_interface.h"
#include "session/session.h"
#include "temp_dir_test.h"
#include "text/encoding.h"

namespace lumora {
namespace {

using testing::run_cli;

const std::string kSrc = LUMORA_SOURCE_DIR;
const std::string kLine = "--pi " + kSrc + "/examples/mainline.jdx --chain-breaks " + kSrc +
                          "/examples/mainline.dl --sight-file " + kSrc +
                          "/examples/sight-limits.txt --interval 20";

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The text of the PDF as pdftotext lays it out, compatibility characters
// folded (the CJK font maps some ideographs to their radicals), pages
// separated by form feeds.
std::string shell(const std::string& cmd) {
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

std::string pdf_text(const std::filesystem::path& pdf) {
  const std::string out = shell("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null");
  return QString::fromStdString(out).normalized(QString::NormalizationForm_KC).toStdString();
}

std::vector<std::string> tokens(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> t;
  for (std::string w; in >> w;) t.push_back(w);
  return t;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == sep) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

bool have_pdftotext() {
  return std::system("pdftotext -v >/dev/null 2>&1") == 0;
}

class Report : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    if (!have_pdftotext()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  }
};

TEST_F(Report, ExampleHoldsTheNumbersOfTheResultFile) {
  const auto pdf = dir / "report.pdf";
  const auto result = dir / "result.txt";
  const auto r =
      run_cli("report " + kLine + " --result " + result.string() + " -o " + pdf.string());
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // The run's result file is the one `clearance` writes.
  const auto c = run_cli("clearance " + kLine);
  ASSERT_EQ(c.code, 0);
  EXPECT_EQ(slurp(result), c.out);

  const std::string text = pdf_text(pdf);
  std::set<std::vector<std::string>> lines;
  for (const auto& l : split(text, '\n')) lines.insert(tokens(l));

  // The per-curve summary, built from the result file as the results panel
  // builds it, stands in the report cell for cell.
  session::ScriptedInterface ui;
  session::Session s(ui);
  ui.answer(kSrc + "/examples/mainline.jdx");
  ui.answer(kSrc + "/examples/mainline.dl");
  ASSERT_TRUE(s.initialize({}));
  const auto rows =
      session::read_result_file(text::read_text_lines(result), "result.txt", *s.chain_breaks());
  const auto curves = session::curves_of(*s.main_line(), *s.chain_breaks());
  const auto summary = session::summary_table(session::summarize_curves(curves, rows), rows);
  ASSERT_FALSE(summary.cells.empty());
  for (const auto& row : summary.cells) {
    EXPECT_TRUE(lines.count(row)) << "summary row of " << row[0] << " missing";
  }
  // Every line of the result file is a row of the appendix.
  std::size_t n = 0;
  for (const auto& l : split(slurp(result), '\n')) {
    const auto t = tokens(l);
    if (t.empty()) continue;
    ++n;
    EXPECT_TRUE(lines.count(t)) << l;
  }
  EXPECT_EQ(n, rows.size());

  // The appendix repeats its header on every page it fills.
  const auto pages = split(text, '\f');
  bool in_appendix = false;
  int appendix_pages = 0;
  for (std::size_t k = 1; k < pages.size(); ++k) {  // the cover lists the appendix
    const std::string& p = pages[k];
    if (p.find("附录A") != std::string::npos) in_appendix = true;
    if (!in_appendix || p.find_first_not_of(" \n") == std::string::npos) continue;
    ++appendix_pages;
    EXPECT_NE(p.find("视线起点桩号"), std::string::npos) << p.substr(0, 400);
  }
  EXPECT_GT(appendix_pages, 1);
  // Every input is named with its SHA-256.
  EXPECT_NE(text.find("mainline.jdx"), std::string::npos);
  EXPECT_NE(text.find("SHA-256"), std::string::npos);
}

// The example with its profile and obstructions: the sight check's result
// file is the one `sight-check` writes, and the report lists its deficient
// ranges with the numbers of the summary, and every row in the appendix.
TEST_F(Report, SightCheckChapterHoldsTheDeficienciesOfTheResultFile) {
  const auto pdf = dir / "report.pdf";
  const auto sight = dir / "sight.txt";
  const std::string extra = " --profile " + kSrc +
                            "/examples/mainline-profile.txt --obstructions " + kSrc +
                            "/examples/mainline-obstructions.txt --direction both";
  const auto r = run_cli("report " + kLine + extra + " --sight-result " + sight.string() + " -o " +
                         pdf.string());
  ASSERT_EQ(r.code, 0) << r.err;
  const auto c = run_cli("sight-check " + kLine + extra);
  ASSERT_EQ(c.code, 0) << c.err;
  EXPECT_EQ(slurp(sight), c.out);
  EXPECT_EQ(r.out, c.err);  // the summary, which sight-check puts after its file

  const std::string text = pdf_text(pdf);
  std::set<std::vector<std::string>> lines;
  for (const auto& l : split(text, '\n')) lines.insert(tokens(l));
  EXPECT_NE(text.find("视距检查"), std::string::npos);
  EXPECT_NE(text.find("mainline-obstructions.txt"), std::string::npos);
  // "  A1 ~ A2  最小可用视距 ASD (C)  要求视距 R  控制因素 X" is the row
  // "k A1 A2 ASD C R X" of its direction's table.
  int k = 0, ranges = 0;
  for (const auto& l : split(r.out, '\n')) {
    const auto t = tokens(l);
    if (t.size() == 4 && t[3] == "处") k = 0;  // "顺: 视距不足路段 n 处" begins a direction
    if (t.size() != 10 || t[1] != "~") continue;
    ++ranges;
    const std::vector<std::string> row = {
        std::to_string(++k), t[0], t[2], t[4], t[5].substr(1, t[5].size() - 2), t[7], t[9]};
    EXPECT_TRUE(lines.count(row)) << l;
  }
  EXPECT_GT(ranges, 0);
  // The plan has a detail of each range, about its sight line.
  std::size_t details = 0;
  for (auto at = text.find("视距不足 "); at != std::string::npos;
       at = text.find("视距不足 ", at + 1)) {
    ++details;
  }
  EXPECT_EQ(details, static_cast<std::size_t>(ranges));
  // Every row of the result file is a row of the appendix.
  std::size_t n = 0;
  for (const auto& l : text::read_text_lines(sight)) {
    const auto t = tokens(l);
    if (t.empty() || t[0] == "桩号") continue;
    ++n;
    EXPECT_TRUE(lines.count(t)) << l;
  }
  EXPECT_GT(n, 100u);
}

// A ramp without profile or obstructions: the chapters it has data for, each
// with content on the page where the contents say it starts.
TEST_F(Report, ChaptersOnlyWhereTheirDataExist) {
  const auto pdf = dir / "ramp.pdf";
  const auto r =
      run_cli("report --elements " + kSrc + "/examples/ramp.txt --interval 10 -o " + pdf.string());
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string text = pdf_text(pdf);
  const auto pages = split(text, '\f');
  ASSERT_GT(pages.size(), 3u);
  std::vector<std::string> titles;
  for (const auto& l : split(pages[0], '\n')) {
    const auto t = tokens(l);
    if (t.size() < 3 || t.back().find_first_not_of("0123456789") != std::string::npos) continue;
    titles.push_back(t[1]);
    const std::size_t page = std::stoul(t.back());
    ASSERT_LT(page, pages.size() + 1);
    const std::string& p = pages[page - 1];
    EXPECT_NE(p.find(t[1]), std::string::npos) << t[1] << " not on page " << page;
    std::size_t ink = 0;
    for (char ch : p) ink += !std::isspace(static_cast<unsigned char>(ch));
    EXPECT_GT(ink, 120u) << t[1] << " is empty";
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"输入文件与计算设置", "平面线形", "横净距计算结果",
                                              "平面图", "横净距计算结果表"}));
  EXPECT_EQ(text.find("纵断面"), std::string::npos);
  EXPECT_EQ(text.find("视距检查"), std::string::npos);
}

// With a profile the report has its chapter, and the vertical curves are
// those `lumora-cli profile` prints, with the standard's minimums and flags.
TEST_F(Report, ProfileChapterHoldsTheVerticalCurves) {
  const auto pdf = dir / "profile.pdf";
  const std::string line = "--pi " + kSrc + "/examples/mainline.jdx --chain-breaks " + kSrc +
                           "/examples/mainline.dl --profile " + kSrc +
                           "/examples/mainline-profile.txt --design-speed 100";
  const auto r = run_cli("report " + line + " --interval 50 -o " + pdf.string());
  ASSERT_EQ(r.code, 0) << r.err;
  const auto printed = run_cli("profile " + line);
  ASSERT_EQ(printed.code, 0) << printed.err;
  const std::string text = pdf_text(pdf);
  std::set<std::vector<std::string>> lines;
  for (const auto& l : split(text, '\n')) lines.insert(tokens(l));
  const auto rows = split(printed.out, '\n');
  ASSERT_GT(rows.size(), 3u);
  std::size_t checked = 0;
  for (std::size_t k = 1; k < rows.size(); ++k) {
    const auto t = tokens(rows[k]);
    if (t.empty()) continue;
    // The table is set in two parts, each led by pvi and chainage.
    std::vector<std::string> first(t.begin(), t.begin() + std::min<std::size_t>(t.size(), 12));
    std::vector<std::string> second = {t[0], t[1]};
    second.insert(second.end(), t.begin() + std::min<std::size_t>(t.size(), 12), t.end());
    const bool whole = lines.count(t) > 0;
    EXPECT_TRUE(whole || (lines.count(first) && lines.count(second))) << rows[k];
    ++checked;
  }
  EXPECT_GT(checked, 2u);
  EXPECT_NE(text.find("纵断面"), std::string::npos);
  EXPECT_NE(text.find("设计速度"), std::string::npos);
}

TEST_F(Report, WithoutResultsOnlyInputsAndAlignment) {
  session::ScriptedInterface ui;
  session::Session s(ui);
  ui.answer(kSrc + "/examples/ramp.txt");
  session::InitOptions init;
  init.kind = session::AlignmentKind::interchange;
  ASSERT_TRUE(s.initialize(init));
  report::ensure_application();
  const auto data = report::collect(s, {});
  std::vector<QString> titles;
  for (const auto& c : report::chapters_of(data)) titles.push_back(c->title());
  EXPECT_EQ(titles, (std::vector<QString>{"输入文件与计算设置", "平面线形"}));
  ASSERT_EQ(data.files.size(), 1u);
  EXPECT_EQ(data.files[0].sha256.size(), 64);
}

// The window's report after a sight check alone: the session keeps the
// check, the report has its chapter and lists the obstruction file; a new
// initialization forgets it.
TEST_F(Report, SessionKeepsTheLastSightCheckForTheReport) {
  session::ScriptedInterface ui;
  session::Session s(ui);
  ui.answer(kSrc + "/examples/mainline.jdx");
  ui.answer(kSrc + "/examples/mainline.dl");
  ASSERT_TRUE(s.initialize({}));
  session::SightCheckOptions o;
  o.mode = session::ChainageMode::interval;
  o.interval_text = "500";
  o.obstruction_files = {kSrc + "/examples/mainline-obstructions.txt"};
  o.directions = session::SightDirections::both;
  o.save = false;
  const auto r = s.sight_check(o);
  ASSERT_TRUE(r);
  ASSERT_NE(s.last_sight_check(), nullptr);
  report::ensure_application();
  const auto data = report::collect(s, {});
  ASSERT_TRUE(data.sight);
  EXPECT_EQ(data.sight->rows.size(), r->rows.size());
  EXPECT_EQ(data.sight->obstructions.cells.size(), 3u);
  std::vector<QString> titles;
  for (const auto& c : report::chapters_of(data)) titles.push_back(c->title());
  EXPECT_EQ(titles,
            (std::vector<QString>{"输入文件与计算设置", "平面线形", "视距检查", "视距检查结果表"}));
  EXPECT_TRUE(std::any_of(data.files.begin(), data.files.end(), [](const report::FileFacts& f) {
    return f.name == "mainline-obstructions.txt" && f.sha256.size() == 64;
  }));
  ui.answer(kSrc + "/examples/mainline.jdx");
  ui.answer(kSrc + "/examples/mainline.dl");
  ASSERT_TRUE(s.initialize({}));
  EXPECT_EQ(s.last_sight_check(), nullptr);
  EXPECT_FALSE(report::collect(s, {}).sight);
}

TEST_F(Report, NeverOverAnInputAndAClearMessageOnFailure) {
  const auto jdx = write("line.jdx", slurp(kSrc + "/examples/mainline.jdx"));
  const std::string before = slurp(jdx);
  const std::string line =
      "--pi " + jdx.string() + " --chain-breaks " + kSrc + "/examples/mainline.dl --interval 100";
  auto r = run_cli("report " + line + " -o " + jdx.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("保存文件被取消"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(jdx), before);

  const auto missing = dir / "no-such-folder" / "report.pdf";
  r = run_cli("report " + line + " -o " + missing.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(missing.string()), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(missing));

  r = run_cli("report " + line + " --at 2000 -o " + (dir / "x.pdf").string());
  EXPECT_EQ(r.code, 2);
}

// The settings name what the run was given, and every file carries the
// digest that sha256sum gives.
TEST_F(Report, SettingsAndDigestsOfAListRun) {
  session::ScriptedInterface ui;
  session::Session s(ui);
  ui.answer(kSrc + "/examples/mainline.jdx");
  ui.answer(kSrc + "/examples/mainline.dl");
  ASSERT_TRUE(s.initialize({}));
  session::ClearanceOptions c;
  c.mode = session::ChainageMode::list;
  c.side = sight::Side::median;
  c.sight_text = "120";
  ui.answer(kSrc + "/examples/chainages.txt");
  ui.answer(dir / "result.txt");
  ASSERT_TRUE(s.clearance(c));
  report::ensure_application();
  const auto d = report::collect(s, {});
  std::vector<QString> roles;
  for (const auto& f : d.files) roles.push_back(f.role);
  EXPECT_EQ(roles, (std::vector<QString>{"平面资料", "断链资料", "桩号文件",
                                         "最大横净距文件（本次计算结果）"}));
  for (const auto& f : d.files) {
    const auto digest = tokens(shell("sha256sum '" + f.path.toStdString() + "'"));
    ASSERT_FALSE(digest.empty());
    EXPECT_EQ(digest[0], f.sha256.toStdString()) << f.path.toStdString();
    EXPECT_EQ(f.size, static_cast<qint64>(std::filesystem::file_size(f.path.toStdString())));
  }
  auto setting = [&](const QString& key) {
    for (const auto& [k, v] : d.settings) {
      if (k == key) return v;
    }
    return QString();
  };
  EXPECT_EQ(setting("横净距位置"), "中央带");
  EXPECT_EQ(setting("视距"), "120 m");
  EXPECT_EQ(setting("断链"), "2 处");
  EXPECT_EQ(setting("计算点数"), QString::number(s.last_result().size()));
}

// The plan is drawn at the scale it states: the largest round scale that
// shows the window, and 100 m of line are 100 mm on paper at 1:1000.
TEST(PlanPainter, ScaleIsRoundAndExact) {
  EXPECT_EQ(report::round_scale(706), 1000);
  EXPECT_EQ(report::round_scale(1000), 1000);
  EXPECT_EQ(report::round_scale(1001), 2000);
  EXPECT_EQ(report::round_scale(2400), 2500);
  EXPECT_EQ(report::round_scale(2600), 3000);
  EXPECT_EQ(report::round_scale(3001), 5000);
  report::ensure_application();
  cad::DrawingDocument doc;
  doc.set_active_layer(doc.add_layer("视距包络图"));
  doc.add_line({1000, 2000, 0}, {1100, 2000, 0});
  QImage image(2000, 1200, QImage::Format_RGB32);
  image.fill(Qt::white);
  report::PlanFrame f;
  f.frame = QRectF(100, 100, 1700, 1000);  // 170 mm by 100 mm at 10 pixels a millimetre
  f.min_x = 990;
  f.max_x = 1110;
  f.min_y = 1995;
  f.max_y = 2005;
  {
    QPainter p(&image);
    EXPECT_EQ(report::paint_plan(p, doc, f, 10), 1000);
  }
  int first = -1, last = -1;
  for (int x = 110; x < 1790; ++x) {
    if (qGray(image.pixel(x, 600)) < 128) {
      if (first < 0) first = x;
      last = x;
    }
  }
  EXPECT_NEAR(first, 450, 1);  // the window's centre (1050) is the frame's (950)
  EXPECT_NEAR(last - first + 1, 1000, 2);
}

}  // namespace
}  // namespace lumora
