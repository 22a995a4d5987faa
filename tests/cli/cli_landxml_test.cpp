// lumora-cli with LandXML alignments.
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
#include "text/numeric.h"

namespace fs = std::filesystem;

namespace {

using Run = lumora::testing::CliRun;

Run run(const std::string& args) {
  return lumora::testing::run_cli(args);
}

const std::string kRamps = std::string(LUMORA_SOURCE_DIR) + "/examples/ramps.xml";

std::vector<std::vector<std::string>> rows(const std::string& out) {
  std::vector<std::vector<std::string>> r;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) r.push_back(lumora::text::split_fields(l));
  return r;
}

}  // namespace

TEST(CliLandXml, SeveralAlignmentsAreListedAndOneIsChosenByName) {
  const auto listed = run("alignment --landxml " + kRamps);
  EXPECT_EQ(listed.code, 1);
  EXPECT_EQ(listed.out,
            "A匝道\t单位 meter，起点桩号 0.000 m\nB匝道\t单位 meter，起点桩号 1000.000 m\n");
  EXPECT_NE(listed.err.find("--alignment"), std::string::npos);

  const auto b = run("alignment --landxml " + kRamps + " --alignment B匝道");
  ASSERT_EQ(b.code, 0) << b.err;
  const auto t = rows(b.out);
  ASSERT_EQ(t.size(), 8u);  // header, 5 elements, the end, the units
  EXPECT_EQ(t[7][0], "#");
  EXPECT_EQ(t[0],
            (std::vector<std::string>{"k", "r1", "r2", "len", "chainage", "x", "y", "azimuth"}));
  EXPECT_EQ(t[2][2], "-250.000000");  // a left-hand entry spiral
  EXPECT_EQ(t[1][4], "1000.000000");
  EXPECT_EQ(t[6][4], "1390.000000");
  // The end of the line agrees with the file's last End to 1 mm.
  EXPECT_NEAR(lumora::text::numeric_value(t[6][5]), 3412582.2956, 1e-3);
  EXPECT_NEAR(lumora::text::numeric_value(t[6][6]), 499254.5380, 1e-3);

  const auto p = run("point --landxml " + kRamps + " --alignment A匝道 0 670");
  ASSERT_EQ(p.code, 0) << p.err;
  EXPECT_EQ(p.out.substr(0, 32), "0\t0.000000\t3412580.123400\t498765");

  const auto missing = run("alignment --landxml " + kRamps + " --alignment C");
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("「A匝道」, 「B匝道」"), std::string::npos);
}

TEST(CliLandXml, Usage) {
  EXPECT_EQ(run("alignment --alignment A --elements " + kRamps).code, 2);
  EXPECT_EQ(run("alignment --landxml " + kRamps + " --pi " + kRamps).code, 2);
}
