// The example PI data file and chain-break file shipped with the program.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "mainline/mainline.h"
#include "mainline_test_util.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/numeric.h"

namespace lumora::zxbas {
namespace {

const std::string kDir = LUMORA_SOURCE_DIR "/examples/";

std::string raw_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

MainLine example_line() {
  return MainLine::build(
      read_pi_file(text::read_text_lines(kDir + "mainline.jdx"), "mainline.jdx"));
}

TEST(Examples, MainLineFileIsGbkWithCrLf) {
  const auto bytes = raw_bytes(kDir + "mainline.jdx");
  ASSERT_FALSE(bytes.empty());
  EXPECT_NE(text::decode_file_bytes(bytes), bytes);  // Chinese text in GBK, not UTF-8
  std::size_t lf = 0, crlf = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') continue;
    ++lf;
    if (i > 0 && bytes[i - 1] == '\r') ++crlf;
  }
  EXPECT_GT(lf, 20u);
  EXPECT_EQ(lf, crlf);
}

TEST(Examples, MainLineBuildsIntoARealisticLine) {
  const MainLine line = example_line();
  EXPECT_TRUE(line.warnings().empty());
  ASSERT_GE(line.jd_count(), 10);
  EXPECT_EQ(line.jd(1).jd_name, "起点");
  EXPECT_EQ(line.jd(line.jd_count()).jd_name, "终点");
  EXPECT_EQ(line.qdzh(), 1234.567);
  const double length = line.end_chainage() - line.start_chainage();
  EXPECT_GT(length, 8000);
  EXPECT_LT(length, 12000);
  bool unequal = false, symmetric = false, incomplete = false, left = false, right = false;
  for (int i = 2; i < line.jd_count(); ++i) {
    const Jd& j = line.jd(i);
    EXPECT_GE(j.jd_r, 400);
    EXPECT_LE(j.jd_r, 3000);
    EXPECT_EQ(j.jd_ht, 0);
    unequal = unequal || j.jd_ls1 != j.jd_ls2;
    symmetric = symmetric || (j.jd_ls1 == j.jd_ls2 && j.jd_ls1 > 0);
    incomplete = incomplete || j.jd_rs1 != 0 || j.jd_rs2 != 0;
    (j.jd_right ? right : left) = true;
  }
  EXPECT_TRUE(unequal && symmetric && incomplete && left && right);
  for (int i = 1; i < line.jd_count(); ++i) EXPECT_GT(line.jd(i).jd_straight, 50) << i;
  test::expect_main_points_on_line(line, 1e-6);
  EXPECT_EQ(
      test::sweep_failures(line, line.start_chainage() - 100, line.end_chainage() + 100, 1.0, 400),
      0);
  double x, y, az;
  line.zx_point(line.end_chainage(), x, y, az);
  EXPECT_NEAR(x, line.jd(line.jd_count()).jd_x, 1e-6);
  EXPECT_NEAR(y, line.jd(line.jd_count()).jd_y, 1e-6);
}

// One backward and one forward break, each inside the line in the numbering
// of its own segment.
TEST(Examples, ChainBreakFileFitsTheExampleLine) {
  const auto bytes = raw_bytes(kDir + "mainline.dl");
  EXPECT_NE(bytes.find("\r\n"), std::string::npos);
  const auto lines = text::read_text_lines(kDir + "mainline.dl");
  ASSERT_EQ(lines.size(), 2u);
  double back[2], ahead[2];
  for (int k = 0; k < 2; ++k) {
    const auto f = text::split_fields(lines[k]);
    ASSERT_GE(f.size(), 2u);
    back[k] = text::to_number(f[0], "mainline.dl");
    ahead[k] = text::to_number(f[1], "mainline.dl");
  }
  EXPECT_LT(ahead[0], back[0]);  // numbering jumps back
  EXPECT_GT(ahead[1], back[1]);  // numbering jumps forward
  const MainLine line = example_line();
  const double shift = ahead[0] - back[0];
  EXPECT_GT(back[0], line.start_chainage());
  EXPECT_GT(back[1], ahead[0]);                     // segment B runs forward
  EXPECT_LT(back[1] - shift, line.end_chainage());  // break 2 lies on the line
  EXPECT_GT(line.end_chainage() - shift - (ahead[1] - back[1]), ahead[1]);  // segment C exists
}

}  // namespace
}  // namespace lumora::zxbas
