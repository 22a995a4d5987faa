// The profile: worked crest and sag curves against hand-computed elevations,
// the refusals of the file reader, and grades across chain breaks.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "chainage/chain_breaks.h"
#include "error.h"
#include "profile/profile_file.h"

using lumora::DataCheckError;
using lumora::DataFormatError;
using lumora::chainage::ChainBreakTable;
using lumora::profile::Profile;
using lumora::profile::read_profile_file;

namespace {

Profile read(const std::vector<std::string>& lines,
             const ChainBreakTable& breaks = ChainBreakTable::none(0, 3000)) {
  return read_profile_file(lines, "p.txt", breaks);
}

std::string refusal(const std::vector<std::string>& lines) {
  try {
    read(lines);
  } catch (const DataFormatError& e) {
    return e.detail();
  }
  return "accepted";
}

}  // namespace

// Grades 1 % and −1 %, R 10000: L 200, T 100, E 0.5.
TEST(Profile, WorkedCrest) {
  const Profile p = read({"crest", "0 100 0", "1000 110 10000", "2000 100 0"});
  ASSERT_EQ(p.curves().size(), 1u);
  const auto& c = p.curves()[0];
  EXPECT_TRUE(c.crest());
  EXPECT_DOUBLE_EQ(c.length(), 200);
  EXPECT_DOUBLE_EQ(c.bvc(), 900);
  EXPECT_DOUBLE_EQ(c.evc(), 1100);
  EXPECT_DOUBLE_EQ(c.external(), 0.5);
  EXPECT_EQ(p.title(), "crest");
  const struct {
    double s, z, g;
  } points[] = {{900, 109, 0.01},        {950, 109.375, 0.005}, {1000, 109.5, 0},
                {1050, 109.375, -0.005}, {1100, 109, -0.01},    {500, 105, 0.01},
                {-100, 99, 0.01},        {2500, 95, -0.01}};
  for (const auto& q : points) {
    EXPECT_NEAR(p.elevation_at(q.s), q.z, 1e-9) << q.s;
    EXPECT_NEAR(p.grade_at(q.s), q.g, 1e-12) << q.s;
  }
}

// Grades −1 % and 1.1 %, R 4500: L 94.5, T 47.25, E 47.25²/9000.
TEST(Profile, WorkedSag) {
  const Profile p = read({"sag", "0 100 0", "600 94 4500", "1500 103.9 0"});
  ASSERT_EQ(p.curves().size(), 1u);
  const auto& c = p.curves()[0];
  EXPECT_FALSE(c.crest());
  EXPECT_NEAR(c.tangent_in(), 47.25, 1e-9);
  EXPECT_NEAR(c.external(), 0.2480625, 1e-12);
  EXPECT_NEAR(p.elevation_at(552.75), 94.4725, 1e-9);
  EXPECT_NEAR(p.elevation_at(600), 94.2480625, 1e-9);
  EXPECT_NEAR(p.elevation_at(647.25), 94.51975, 1e-9);
  // 67.25 m after BVC: 94.4725 − 0.6725 + 67.25²/9000.
  EXPECT_NEAR(p.elevation_at(620), 94.302506944444, 1e-9);
  EXPECT_NEAR(p.grade_at(620), -0.01 + 67.25 / 4500, 1e-12);
}

TEST(Profile, Refusals) {
  // Curves at PVIs 2 and 3 overlap by 50 m (EVC 450, BVC 400).
  const std::string overlap =
      refusal({"t", "0 100 0", "300 106 10000", "500 104 10000", "900 108 0"});
  EXPECT_NE(overlap.find("p.txt 第4行"), std::string::npos) << overlap;
  EXPECT_NE(overlap.find("50.000 m"), std::string::npos) << overlap;
  // Touching curves are accepted (EVC of the first = BVC of the second).
  EXPECT_EQ(refusal({"t", "0 100 0", "300 106 10000", "550 103.5 10000", "900 107 0"}), "accepted");
  // A curve reaching past its neighbouring PVI.
  EXPECT_NE(refusal({"t", "0 100 0", "50 101 10000", "1000 90 0"}).find("第3行"),
            std::string::npos);
  EXPECT_NE(refusal({"t", "0 100 500", "100 101 0"}).find("第2行"), std::string::npos);
  EXPECT_NE(refusal({"t", "0 100 0", "500 101 0", "500 102 0"}).find("第4行"), std::string::npos);
  EXPECT_NE(refusal({"t", "0 100 0", "500 101 -3", "900 102 0"}).find("不能为负"),
            std::string::npos);
  EXPECT_NE(refusal({"t", "0 100 0", "500 x 0"}).find("第3行"), std::string::npos);
  EXPECT_NE(refusal({"t", "0 100"}).find("第2行"), std::string::npos);
  EXPECT_NE(refusal({"t", "0 100 0"}).find("两个"), std::string::npos);
  EXPECT_NE(refusal({}).find("标题"), std::string::npos);
  // An empty line ends the file; radius 0 and a PVI on a straight grade have
  // no curve.
  const Profile p = read({"t", "0 100 0", "100 101 0", "200 102 3000", "300 103 0", "", "400 0 0"});
  EXPECT_EQ(p.pvis().size(), 4u);
  EXPECT_TRUE(p.curves().empty());
}

// Breaks 1200/1180 and 2500/2550: grades over continuous chainage.
TEST(Profile, ChainBreaksInsideTheProfile) {
  const auto breaks = ChainBreakTable::read({"1200 1180", "2500 2550"}, 0, 3000, "a.dl");
  const Profile p = read({"t", "1000 100 0", "B1380 104 0", "C2600 108 0"}, breaks);
  EXPECT_DOUBLE_EQ(p.pvis()[1].chainage, 1400);
  EXPECT_DOUBLE_EQ(p.pvis()[2].chainage, 2570);
  EXPECT_DOUBLE_EQ(p.grade(0), 0.01);
  EXPECT_NEAR(p.elevation_at(breaks.resolve("B1280")), 103, 1e-12);
  EXPECT_NEAR(p.grade(1), 4.0 / 1170, 1e-15);
  // A plain 1190 lies in both A and B: refused with the system's sentence.
  EXPECT_THROW(read({"t", "1000 100 0", "1190 104 0"}, breaks), DataCheckError);
}

// Random profiles against the closed form evaluated the plain way: every
// curve tried in turn, else the grade line of the last PVI not beyond s.
TEST(Profile, AgainstAStraightforwardReference) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> u(0, 1);
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<std::string> lines{"random"};
    std::vector<double> s{1000 * u(rng)}, z{100 + 50 * u(rng)};
    for (int k = 1; k < 12; ++k) {
      s.push_back(s.back() + 200 + 600 * u(rng));
      z.push_back(z.back() + (s[k] - s[k - 1]) * (0.06 * u(rng) - 0.03));
    }
    std::vector<double> radius(s.size(), 0.0);
    for (std::size_t k = 1; k + 1 < s.size(); ++k) {
      const double w =
          (z[k + 1] - z[k]) / (s[k + 1] - s[k]) - (z[k] - z[k - 1]) / (s[k] - s[k - 1]);
      // Half the shorter neighbouring distance at most, so curves never meet.
      const double room = std::min(s[k] - s[k - 1], s[k + 1] - s[k]);
      radius[k] = std::floor(std::min(30000 * u(rng), room / std::fabs(w)));
    }
    for (std::size_t k = 0; k < s.size(); ++k) {
      lines.push_back(fmt::format("{:.17g} {:.17g} {:.17g}", s[k], z[k], radius[k]));
    }
    const Profile p = read(lines, ChainBreakTable::none(0, 1e6));
    auto grade = [&](std::size_t k) { return (z[k + 1] - z[k]) / (s[k + 1] - s[k]); };
    for (int q = 0; q < 400; ++q) {
      const double c = s.front() - 500 + (s.back() - s.front() + 1000) * u(rng);
      double ref = 0, ref_grade = 0;
      bool on_curve = false;
      for (std::size_t k = 1; k + 1 < s.size() && !on_curve; ++k) {
        const double i1 = grade(k - 1), i2 = grade(k), w = i2 - i1;
        const double l = radius[k] * std::fabs(w), t = l / 2;
        if (radius[k] > 0 && c >= s[k] - t && c <= s[k] + t) {
          ref = z[k] + i1 * (c - s[k]) + w * (c - s[k] + t) * (c - s[k] + t) / (2 * l);
          ref_grade = i1 + w * (c - s[k] + t) / l;
          on_curve = true;
        }
      }
      if (!on_curve) {
        std::size_t k = 0;
        while (k + 2 < s.size() && s[k + 1] <= c) ++k;
        ref = z[k] + grade(k) * (c - s[k]);
        ref_grade = grade(k);
      }
      ASSERT_NEAR(p.elevation_at(c), ref, 1e-9) << trial << " " << c;
      ASSERT_NEAR(p.grade_at(c), ref_grade, 1e-12) << trial << " " << c;
    }
  }
}
