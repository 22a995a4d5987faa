#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "error.h"
#include "interchange/interchange.h"
#include "text/encoding.h"

using lumora::DataFormatError;
using namespace lumora::htbas;

namespace {

// The detail of the DataFormatError that reading (and building) the lines
// gives, or "ok".
std::string format_error(const std::vector<std::string>& lines) {
  try {
    Interchange::build(read_ht_file(lines, "r.txt"));
  } catch (const DataFormatError& e) {
    EXPECT_EQ(e.message(), "数据文件格式有误或操作有误！");
    return e.detail();
  }
  return "ok";
}

bool has(const std::string& s, const std::string& piece) {
  return s.find(piece) != std::string::npos;
}

}  // namespace

TEST(HtFileRead, HeaderFreeFormatAndElementLines) {
  // Header spread over lines with commas and a blank line; the rest of the
  // line holding the fourth number is not an element line.
  const auto f = read_ht_file(
      {"  100.5,", "", "3000 , 5000", "-45.3020 9999 9999 77", "9999\t9999   100 comment",
       "\t300  300\t50", "-300 -300 50", "   \t ", "9999 300 60"},
      "r.txt");
  EXPECT_EQ(f.ht_start_chainage, 100.5);
  EXPECT_EQ(f.ht_start_x, 3000);
  EXPECT_EQ(f.ht_start_y, 5000);
  EXPECT_EQ(f.ht_start_azimuth, -45.302);
  ASSERT_EQ(f.ht_elements_read.size(), 3u);  // the blank line ends the list
  EXPECT_EQ(f.ht_elements_read[0].r1, 9999);
  EXPECT_EQ(f.ht_elements_read[0].len, 100);
  EXPECT_EQ(f.ht_elements_read[0].line, 5);
  EXPECT_EQ(f.ht_elements_read[1].r2, 300);  // tabs read as blanks
  EXPECT_EQ(f.ht_elements_read[2].r1, -300);
  EXPECT_EQ(f.ht_elements_read[2].line, 7);

  // A header followed directly by the end of the file: a line without
  // elements, starting and ending at the same chainage.
  const auto empty = Interchange::build(read_ht_file({"250 1 2 0"}, "r.txt"));
  EXPECT_EQ(empty.ht_count(), 0);
  EXPECT_EQ(empty.start_chainage(), 250);
  EXPECT_EQ(empty.end_chainage(), 250);
}

TEST(HtFileRead, MalformedInputNamesFileAndLine) {
  const std::string h = "0 0 0 0.0000";
  EXPECT_TRUE(has(format_error({h, "9999 9999 10", "0 300 20"}), "r.txt 第3行: 半径为0"));
  EXPECT_TRUE(has(format_error({h, "300 0 20"}), "第2行: 半径为0"));
  EXPECT_TRUE(has(format_error({h, "9999 9999 -5"}), "第2行: 长度为负"));
  EXPECT_TRUE(has(format_error({h, "9999 9999 10", "9999 9999 abc"}), "第3行: 字段3「abc」不是数"));
  EXPECT_TRUE(has(format_error({h, "9999 9999 1e999"}), "字段3「1e999」不是数"));
  EXPECT_TRUE(has(format_error({h, "9999 9999"}), "第2行: 少于三个字段"));
  EXPECT_TRUE(has(format_error({"0 0", "0"}), "第2行后文件结束, 缺少表头的起点方位角"));
  EXPECT_TRUE(has(format_error({}), "文件为空"));
  EXPECT_TRUE(has(format_error({"0,,0,0"}), "第1行: 缺少表头的起点X坐标"));
  EXPECT_TRUE(has(format_error({"0 0 x1 0"}), "第1行: 起点Y坐标「x1」不是数"));

  // 1000 element lines are fine, the 1001st (file line 1002) is not.
  std::vector<std::string> lines{h};
  lines.insert(lines.end(), 1000, "9999 9999 1");
  EXPECT_EQ(format_error(lines), "ok");
  lines.push_back("9999 9999 1");
  EXPECT_TRUE(has(format_error(lines), "第1002行: 单元多于1000个"));

  // 999 lines, two of them S-shaped: 1001 elements after splitting; the
  // error names the S-shaped line that overflows.
  lines.assign(1, h);
  lines.insert(lines.end(), 997, "9999 9999 1");
  lines.push_back("300 -600 90");
  lines.push_back("-300 600 90");
  EXPECT_TRUE(has(format_error(lines), "r.txt 第1000行: 拆分S形缓和曲线后单元多于1000个"));
}

TEST(HtFileRead, BuildRejectsRowsMadeByAProgram) {
  HtFile f;
  f.file = "p";
  f.ht_elements_read = {{9999, 9999, std::nan(""), 4}};
  EXPECT_THROW(Interchange::build(f), DataFormatError);
  f.ht_elements_read = {{0, 9999, 10, 4}};
  EXPECT_THROW(Interchange::build(f), DataFormatError);
  // Geometry that overflows must not leave the build as infinity or NaN.
  f.ht_elements_read = {{1e-300, 1e-300, 1e300, 7}};
  try {
    Interchange::build(f);
    ADD_FAILURE() << "no error";
  } catch (const DataFormatError& e) {
    EXPECT_TRUE(has(e.detail(), "p 第7行")) << e.detail();
  }
  f.ht_elements_read = {{9999, 1, 1000, 8}};  // a spiral of 80 full turns
  EXPECT_THROW(Interchange::build(f), DataFormatError);
  f.ht_elements_read.clear();
  f.ht_start_x = INFINITY;
  EXPECT_THROW(Interchange::build(f), DataFormatError);
}

TEST(HtExampleFile, LoopRampReadsAndBuilds) {
  const std::string path = std::string(LUMORA_SOURCE_DIR) + "/examples/ramp.txt";
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(bytes.find("\r\n"), std::string::npos);  // CR LF line ends

  const auto file = read_ht_file(lumora::text::read_text_lines(path), "ramp.txt");
  const auto ramp = Interchange::build(file);
  const int n = ramp.ht_count();
  EXPECT_EQ(n, static_cast<int>(file.ht_elements_read.size()) + 1);  // one S-shaped spiral
  double length = 0;
  double turn = 0;
  bool reverse = false;
  for (int k = 1; k <= n; ++k) {
    length += ramp.ht_len(k);
    turn += ramp.ht_deflection(k);
    reverse |= ramp.kind(k) == HtKind::arc && ramp.ht_r1(k) < 0;
  }
  EXPECT_TRUE(reverse);
  EXPECT_NEAR(ramp.end_chainage() - ramp.start_chainage(), length, 1e-9);
  EXPECT_NEAR(turn, 1.5 * M_PI, 0.1);  // a loop: three quarters of a turn
  EXPECT_EQ(ramp.kind(1), HtKind::straight);
  EXPECT_EQ(ramp.kind(n), HtKind::straight);
  for (int k = 1; k <= n; ++k) {
    double x, y, az;
    ramp.element_point(k, ramp.ht_len(k), x, y, az);
    EXPECT_NEAR(x, ramp.ht_x(k + 1), 1e-6);
    EXPECT_NEAR(y, ramp.ht_y(k + 1), 1e-6);
  }
}
