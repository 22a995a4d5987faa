// lumora-cli sight-check end to end on a small ramp: a right-hand arc of
// radius 500 with an unlimited cut slope 5 m inside the forward eye path.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_run.h"
#include "text/encoding.h"
#include "text/fields.h"

namespace fs = std::filesystem;

namespace {

using lumora::testing::run_cli;

struct Files {
  fs::path dir;
  fs::path ramp, obstructions, bad, dxf;
  Files() {
    dir = fs::temp_directory_path() / ("lumora-sight-cli-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // Straight 300 m, arc R 500 (right) 600 m, straight 300 m.
    ramp = write("ramp.txt", "0 1000.0 1000.0 0.0000\n9999 9999 300\n500 500 600\n9999 9999 300\n");
    // Eye path 3.75 m right: the slope at 8.75 m right lies 5 m inside it.
    obstructions = write("obs.txt", "边坡 250 950 -8.75 -8.75 -\n");
    bad = write("bad.txt", "边坡 250 950 -8.75 -8.75 -\n护栏 300 200 0 0 1\n");
    dxf = write("site.dxf",
                "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nX\n10\n0\n20\n0\n11\n1\n21\n1\n"
                "0\nENDSEC\n0\nEOF\n");
  }
  ~Files() { fs::remove_all(dir); }
  fs::path write(const std::string& name, const std::string& content) {
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  std::string line() const { return "--elements " + ramp.string() + " --eye-offset -3.75"; }
};

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(lumora::text::decode_file_bytes(s));
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
  }
  return out;
}

std::vector<std::string> tabs(const std::string& line) {
  std::vector<std::string> f;
  std::size_t start = 0;
  for (std::size_t end; (end = line.find('\t', start)) != std::string::npos; start = end + 1) {
    f.push_back(line.substr(start, end - start));
  }
  f.push_back(line.substr(start));
  return f;
}

TEST(CliSightCheck, BothDirectionsOnACurveAgainstTheClosedForm) {
  const Files f;
  const auto r = run_cli("sight-check " + f.line() + " --obstructions " + f.obstructions.string() +
                         " --sight 160 --direction both --at 600");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto rows = lines_of(r.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0],
            "桩号\t方向\t可用视距\t要求视距\t富余\t控制因素\t遮挡目标桩号\t遮挡点X\t遮挡点Y");
  const auto fw = tabs(rows[1]);
  const auto bw = tabs(rows[2]);
  ASSERT_EQ(fw.size(), 9u);
  EXPECT_EQ(fw[0], "600");
  EXPECT_EQ(fw[1], "顺");
  EXPECT_EQ(bw[1], "逆");
  // 2R'·arccos(1 − m/R'): R' = 496.25, m = 5 forward; R' = 503.75, m = 12.5
  // backward on the other side of the line.
  EXPECT_NEAR(std::stod(fw[2]), 141.009, 0.05);
  EXPECT_NEAR(std::stod(bw[2]), 224.910, 0.05);
  EXPECT_EQ(fw[3], "160.000");
  EXPECT_DOUBLE_EQ(std::stod(fw[4]), std::stod(fw[2]) - 160);
  EXPECT_EQ(fw[5], "边坡");
  EXPECT_EQ(bw[5], "边坡");
  // The summary follows on standard error when the file goes to stdout.
  EXPECT_NE(r.err.find("顺: 视距不足路段 1 处"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("逆: 视距不足路段 0 处"), std::string::npos) << r.err;
}

TEST(CliSightCheck, IntervalRunWritesFileSummaryAndDrawing) {
  const Files f;
  const fs::path out = f.dir / "result.txt";
  const fs::path svg = f.dir / "sight.svg";
  const auto r = run_cli("sight-check " + f.line() + " --obstructions " + f.obstructions.string() +
                         " --sight 100 --max-distance 150 --interval 50 --from 400 --to 600 -o " +
                         out.string() + " --drawing " + svg.string() + " --drawing-interval 2");
  ASSERT_EQ(r.code, 0) << r.err;
  std::ifstream in(out, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const auto rows = lines_of(ss.str());
  ASSERT_EQ(rows.size(), 6u);  // header, 400 … 600 forward only
  for (std::size_t k = 1; k < rows.size(); ++k) {
    const auto fields = tabs(rows[k]);
    EXPECT_EQ(fields[1], "顺");
    EXPECT_EQ(fields[3], "100.000");
  }
  EXPECT_EQ(tabs(rows[1])[0], "400");
  EXPECT_NE(r.out.find("顺: 视距不足路段 0 处"), std::string::npos) << r.out;
  ASSERT_TRUE(fs::exists(svg));
  std::ifstream s(svg);
  std::stringstream sv;
  sv << s.rdbuf();
  EXPECT_NE(sv.str().find("可用视距线"), std::string::npos);
  EXPECT_NE(sv.str().find("边坡"), std::string::npos);
}

TEST(CliSightCheck, BadObstructionsAndMissingLayersWriteNothing) {
  const Files f;
  const fs::path out = f.dir / "none.txt";
  auto r = run_cli("sight-check " + f.line() + " --obstructions " + f.bad.string() +
                   " --at 600 -o " + out.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("数据文件格式有误或操作有误！"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("bad.txt 第2行 第3个字段（终点桩号）"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));

  r = run_cli("sight-check " + f.line() + " --obstructions-dxf " + f.dxf.string() +
              " --layer 护栏=0.8 --at 600 -o " + out.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("图层「护栏」"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));

  // A layer without a DXF file is wrong usage.
  r = run_cli("sight-check " + f.line() + " --layer X --at 600");
  EXPECT_EQ(r.code, 2);
}

}  // namespace
