// lumora-cli as scripts use it: output formats, exit codes and messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_run.h"
#include "text/fields.h"

namespace fs = std::filesystem;

namespace {

using Run = lumora::testing::CliRun;

Run run(const std::string& args) {
  return lumora::testing::run_cli(args);
}

std::string example(const std::string& name) {
  return std::string(LUMORA_SOURCE_DIR) + "/examples/" + name;
}

fs::path temp_file(const std::string& name, const std::string& content) {
  const fs::path p = fs::temp_directory_path() / ("lumora-cli-" + name);
  std::ofstream(p, std::ios::binary) << content;
  return p;
}

std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

std::vector<std::string> tabs(const std::string& l) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const auto end = l.find('\t', start);
    out.push_back(l.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

TEST(Cli, AlignmentTableOfTheExampleMainLine) {
  const auto r = run("alignment --pi " + example("mainline.jdx") + " --chain-breaks " +
                     example("mainline.dl"));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto ls = lines(r.out);
  ASSERT_GE(ls.size(), 10u);
  EXPECT_EQ(
      ls[0],
      "i\tname\tjd_k\tt1\tt2\tl\tk_zh\tk_hy\tk_qz\tk_yh\tk_hz\tx_zh\ty_zh\tx_hy\ty_hy\tx_qz\ty_"
      "qz\tx_yh\ty_yh\tx_hz\ty_hz");
  const auto first = tabs(ls[1]);
  ASSERT_EQ(first.size(), 21u);
  EXPECT_EQ(first[1], "起点");
  EXPECT_EQ(first[6], "");  // no element chainages at the start point
  const auto pi = tabs(ls[2]);
  ASSERT_EQ(pi.size(), 21u);
  EXPECT_NE(pi[6], "");
  EXPECT_EQ(pi[6].size() - pi[6].find('.'), 7u);  // six decimals
  EXPECT_EQ(tabs(ls.back())[1], "终点");
}

TEST(Cli, PointResolvesChainageTexts) {
  const auto line = temp_file("p.jdx", "t\n1000\nQD\n0 0 0 0 0\nZD\n0 1000 0 0 0\n");
  const auto dl = temp_file("p.dl", "1200 1180\n");
  auto r =
      run("point --pi " + line.string() + " --chain-breaks " + dl.string() + " 1100 B1190 -500");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto ls = lines(r.out);
  ASSERT_EQ(ls.size(), 3u);
  EXPECT_EQ(ls[0], "1100\t1100.000000\t0.000000\t100.000000\t1.570796327");
  EXPECT_EQ(ls[1], "B1190\t1210.000000\t0.000000\t210.000000\t1.570796327");
  EXPECT_EQ(ls[2], "-500\t-500.000000\t0.000000\t-1500.000000\t1.570796327");

  // A text in the overlap of the back break: the system's message, exit 1.
  r = run("point --pi " + line.string() + " --chain-breaks " + dl.string() + " 1190");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("程序不能判断桩号1190所属的断链区间"), std::string::npos);
  r = run("point --pi " + line.string() + " D100");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("有误，不存在断链，请修改！"), std::string::npos);
}

TEST(Cli, ErrorsAndUsage) {
  auto r = run("alignment --pi /nonexistent.jdx");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("读取文件被取消！"), std::string::npos);

  const auto bad =
      temp_file("bad.jdx", "t\n0\nQD\n0 0 0 0 0\nJD1\n100 1o0 300 0 0\nZD\n0 0 0 0 0\n");
  r = run("alignment --pi " + bad.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("数据文件格式有误或操作有误！"), std::string::npos);
  EXPECT_NE(r.err.find("lumora-cli-bad.jdx"), std::string::npos);

  EXPECT_EQ(run("").code, 2);
  EXPECT_EQ(run("alignment").code, 2);
  EXPECT_EQ(run("clearance --pi x --at 1 --list y").code, 2);
  EXPECT_EQ(run("frobnicate").code, 2);
  r = run("clearance --help");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("--interval"), std::string::npos);
}

TEST(Cli, ClearanceModes) {
  const std::string line =
      "--pi " + example("mainline.jdx") + " --chain-breaks " + example("mainline.dl");
  auto r = run("clearance " + line + " --interval 500");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto ls = lines(r.out);
  ASSERT_GE(ls.size(), 10u);
  for (const auto& l : ls) {
    EXPECT_EQ(l.back(), '\r');
    EXPECT_EQ(lumora::text::split_fields(l).size(), 8u) << l;
  }
  // A chainage far outside the line.
  r = run("clearance " + line + " --at 99999999");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("超出平面数据文件，请修改！"), std::string::npos);

  // The result file is written atomically: a failed run leaves the old one.
  const auto out = temp_file("out.txt", "old\r\n");
  const auto list = temp_file("list.txt", "x\n");
  r = run("clearance " + line + " --list " + list.string() + " --sight-file " +
          temp_file("lim.txt", "99999999 110\n").string() + " -o " + out.string());
  EXPECT_EQ(r.code, 1);
  std::ifstream in(out);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "old\r");
}

}  // namespace

namespace {

TEST(Cli, InterchangeTableAndClearance) {
  const auto r = run("alignment --elements " + example("ramp.txt"));
  ASSERT_EQ(r.code, 0) << r.err;
  const auto ls = lines(r.out);
  ASSERT_GE(ls.size(), 3u);
  EXPECT_EQ(ls[0], "k\tr1\tr2\tlen\tchainage\tx\ty\tazimuth");
  const auto last = tabs(ls.back());
  ASSERT_EQ(last.size(), 8u);
  EXPECT_EQ(last[1], "-");
  EXPECT_EQ(last[3], "-");
  EXPECT_EQ(last[7].size() - last[7].find('.'), 10u);  // nine decimals

  // On the R = 60 loop with the eye 7.25 m inside, the clearance is close to
  // the middle ordinate R'(1 - cos(S / 2R')) of the eye path, R' = 52.75.
  const auto c = run("clearance --elements " + example("ramp.txt") + " --at 300 --sight 75");
  ASSERT_EQ(c.code, 0) << c.err;
  const double expected = -52.75 * (1 - std::cos(75 / (2 * 52.75)));
  EXPECT_NEAR(std::stod(c.out), expected, 0.005);
  EXPECT_EQ(
      run("clearance --elements " + example("ramp.txt") + " --at 300 --sight 75 --side median").out,
      "0.000\n");
}

}  // namespace

TEST(Cli, SvgBackgroundForPrint) {
  const std::string line = "--pi " + example("mainline.jdx");
  const fs::path light = fs::temp_directory_path() / "lumora-cli-light.svg";
  const fs::path dark = fs::temp_directory_path() / "lumora-cli-dark.svg";
  ASSERT_EQ(run("design-line " + line + " --svg-background light -o " + light.string()).code, 0);
  ASSERT_EQ(run("design-line " + line + " -o " + dark.string()).code, 0);
  auto slurp = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  const std::string l = slurp(light), d = slurp(dark);
  EXPECT_NE(l.find("fill=\"#ffffff\"/>"), std::string::npos);
  EXPECT_NE(d.find("fill=\"#212830\"/>"), std::string::npos);
  // The title line of the PI data file names the sheet.
  EXPECT_NE(l.find("<title>某高速公路主线平面交点数据</title>"), std::string::npos);
  EXPECT_EQ(run("design-line " + line + " --svg-background grey -o " + light.string()).code, 2);
  fs::remove(light);
  fs::remove(dark);
}
