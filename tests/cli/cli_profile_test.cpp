// lumora-cli profile and the design-speed options: the example profile's
// table and flags, elevations at chainages, a LandXML profile, refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli_run.h"

namespace {

using lumora::testing::run_cli;

std::string line_args() {
  const std::string ex = std::string(LUMORA_SOURCE_DIR) + "/examples/";
  return "--pi " + ex + "mainline.jdx --chain-breaks " + ex + "mainline.dl --profile " + ex +
         "mainline-profile.txt";
}

// Row `pvi` (1-based) of a table, tab-separated.
std::vector<std::string> row(const std::string& out, int pvi) {
  std::istringstream in(out);
  std::string l;
  for (int k = 0; k <= pvi && std::getline(in, l); ++k) {
  }
  std::vector<std::string> f;
  std::istringstream ls(l);
  for (std::string x; std::getline(ls, x, '\t');) f.push_back(x);
  return f;
}

}  // namespace

TEST(CliProfile, ExampleTableAndFlags) {
  const auto r = run_cli("profile " + line_args() + " --design-speed 100");
  ASSERT_EQ(r.code, 0) << r.err;
  // PVI 6 (B6100): a crest of R 6000 below the 极限值 6500; PVI 4 below the
  // 一般值 only; PVI 2 meets both.
  EXPECT_EQ(row(r.out, 6)[1], "BK6+100.000");
  EXPECT_EQ(row(r.out, 6).back(), "R<极限值,L<一般值");
  EXPECT_EQ(row(r.out, 4).back(), "R<一般值");
  EXPECT_EQ(row(r.out, 2).back(), "-");
  EXPECT_EQ(row(r.out, 4)[8], "380.000");  // L = 9500 · 4 %
  const auto us = run_cli("profile " + line_args() + " --design-speed 100 --standard aashto");
  EXPECT_EQ(row(us.out, 3).back(), "K<最小值");  // sag K 42 < 45

  const auto at = run_cli("profile " + line_args() + " --at B3600 1234.567");
  ASSERT_EQ(at.code, 0) << at.err;
  // At the crest's PVI: 134.360 − E (T = 190, R = 9500: E = 1.9).
  EXPECT_EQ(at.out,
            "B3600\t3620.000000\t132.460000\t-0.200000\n"
            "1234.567\t1234.567000\t120.000000\t1.998468\n");
}

TEST(CliProfile, Refusals) {
  const auto speed = run_cli("profile " + line_args() + " --design-speed 90");
  EXPECT_EQ(speed.code, 1);
  EXPECT_NE(speed.err.find("120, 100, 80, 60, 40, 30, 20"), std::string::npos) << speed.err;
  EXPECT_EQ(run_cli("profile " + line_args() +
                    " --design-speed 100 --standard aashto "
                    "--vehicle truck")
                .code,
            1);
  const std::string ex = std::string(LUMORA_SOURCE_DIR) + "/examples/";
  EXPECT_EQ(run_cli("profile --pi " + ex + "mainline.jdx").code, 1);  // no profile
  EXPECT_EQ(run_cli("clearance --pi " + ex +
                    "mainline.jdx --at 2000 --sight 110 "
                    "--design-speed 100")
                .code,
            2);
  // The design speed gives the sight distance of the table.
  EXPECT_EQ(run_cli("clearance --pi " + ex + "mainline.jdx --at 2000 --design-speed 100").out,
            run_cli("clearance --pi " + ex + "mainline.jdx --at 2000 --sight 160").out);
}

TEST(CliProfile, LandXml) {
  const std::string f = std::string(LUMORA_SOURCE_DIR) + "/../shared/landxml/j_landxml_sample.xml";
  if (!std::filesystem::exists(f)) GTEST_SKIP() << "no " << f;
  const auto r = run_cli("profile --landxml '" + f + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  // Internal station 300 lies after the equation 289.625 → 290.
  EXPECT_EQ(row(r.out, 2)[1], "BK0+300.375");
  EXPECT_EQ(row(r.out, 2)[3], "-2.1000");
}
