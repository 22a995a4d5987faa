// LandXML profiles: each kind of vertical curve against its closed form, the
// choice of ProfAlign, the ground line, and the real exports where present.
#include "landxml/landxml_profile.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "error.h"
#include "landxml/landxml.h"

using namespace lumora;

namespace {

// A straight alignment of 1000 m with the given Profile content.
std::string with_profile(const std::string& profile) {
  return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">\n"
         "<Alignments><Alignment name=\"A\" staStart=\"0\" length=\"1000\"><CoordGeom>\n"
         "<Line length=\"1000\"><Start>0 0</Start><End>1000 0</End></Line></CoordGeom>\n"
         "<Profile>\n" +
         profile + "</Profile></Alignment></Alignments></LandXML>\n";
}

// Grades 2 %, −1 %, 1.6 %, −4/300; a ParaCurve of 200 m at 300, an
// UnsymParaCurve of 60 + 140 m at 600, a CircCurve of R 5000 at 850.
std::string three_curves(double circ_length) {
  return fmt::format(
      "<ProfAlign name=\"design\"><PVI>0 100</PVI>\n"
      "<ParaCurve length=\"200\">300 106</ParaCurve>\n"
      "<UnsymParaCurve lengthIn=\"60\" lengthOut=\"140\">600 103</UnsymParaCurve>\n"
      "<CircCurve radius=\"-5000\" length=\"{:.6f}\">850 107</CircCurve>\n"
      "<PVI>1000 105</PVI></ProfAlign>\n"
      "<ProfAlign name=\"other\"><PVI>0 50</PVI><PVI>1000 60</PVI></ProfAlign>\n"
      "<ProfSurf name=\"ground\"><PntList2D>0 99.5 500 -\n1.5 1000 104</PntList2D></ProfSurf>\n",
      circ_length);
}

const double kI3 = 0.016, kI4 = -2.0 / 150;

profile::Profile read(const std::string& xml, const std::string& name = "") {
  auto p = landxml::read_profile(xml, "p.xml", 1.0, 0, name);
  if (!p) throw std::runtime_error("no profile");
  return *p;
}

}  // namespace

TEST(LandXmlProfile, CurvesAgainstTheirClosedForms) {
  const double arc = 5000 * std::fabs(std::atan(kI4) - std::atan(kI3));
  const profile::Profile p = read(with_profile(three_curves(arc)));
  ASSERT_EQ(p.curves().size(), 3u);
  EXPECT_EQ(p.title(), "design");

  // ParaCurve: BVC 200 (z 104), z = 104 + 0.02x − 0.03x²/400.
  EXPECT_DOUBLE_EQ(p.curves()[0].bvc(), 200);
  EXPECT_NEAR(p.elevation_at(250), 104.8125, 1e-12);
  EXPECT_NEAR(p.elevation_at(300), 106 - 0.03 * 200 / 8, 1e-12);

  // UnsymParaCurve: e = ω·l1·l2/(2(l1 + l2)) = 0.546 under the PVI; each
  // half a parabola from its own end.
  EXPECT_DOUBLE_EQ(p.curves()[1].bvc(), 540);
  EXPECT_DOUBLE_EQ(p.curves()[1].evc(), 740);
  EXPECT_NEAR(p.elevation_at(600), 103.546, 1e-12);
  EXPECT_NEAR(p.elevation_at(570), 103.6 - 0.01 * 30 + 0.546 * 0.25, 1e-12);
  EXPECT_NEAR(p.elevation_at(670), 105.24 - 0.016 * 70 + 0.546 * 0.25, 1e-12);
  EXPECT_NEAR(p.grade_at(600 - 1e-9), p.grade_at(600 + 1e-9), 1e-9);  // the common tangent

  // CircCurve: the centre lies R below both grade lines (a crest); every
  // point of the curve lies R from it, and the curve meets the grades.
  const auto& c = p.curves()[2];
  const double a1 = std::atan(kI3), a2 = std::atan(kI4);
  // n·(C − PVI) = R for the downward normals n = (sin a, −cos a).
  const double det = std::sin(a1) * -std::cos(a2) + std::cos(a1) * std::sin(a2);
  const double cs = 850 + 5000 * (-std::cos(a2) + std::cos(a1)) / det;
  const double cz = 107 + 5000 * (std::sin(a1) - std::sin(a2)) / det;
  for (double f : {0.0, 0.1, 0.5, 0.77, 1.0}) {
    const double s = c.bvc() + f * c.length();
    EXPECT_NEAR(std::hypot(s - cs, p.elevation_at(s) - cz), 5000, 1e-7) << f;
  }
  EXPECT_NEAR(p.grade_at(c.bvc()), kI3, 1e-9);
  EXPECT_NEAR(p.grade_at(c.evc()), kI4, 1e-9);
  EXPECT_NEAR(c.tangent_in(), 5000 * std::tan(std::fabs(a2 - a1) / 2) * std::cos(a1), 1e-9);

  // The ground line, with a minus sign wrapped away from its digits.
  ASSERT_EQ(p.ground().size(), 3u);
  EXPECT_DOUBLE_EQ(p.ground()[1].elevation, -1.5);
}

TEST(LandXmlProfile, ChoiceAndRefusals) {
  const double arc = 5000 * std::fabs(std::atan(kI4) - std::atan(kI3));
  const std::string xml = with_profile(three_curves(arc));
  EXPECT_DOUBLE_EQ(read(xml, "other").elevation_at(500), 55);
  try {
    read(xml, "nope");
    FAIL();
  } catch (const DataFormatError& e) {
    EXPECT_NE(e.detail().find("「design」"), std::string::npos) << e.detail();
  }
  // A CircCurve whose length fits neither its arc nor its projection.
  EXPECT_THROW(read(with_profile(three_curves(arc + 3))), DataFormatError);
  // No profile at all.
  EXPECT_FALSE(landxml::read_profile(with_profile(""), "p.xml", 1.0, 0, ""));
}

// The real exports: every profile reads, and its curves meet their grade
// lines at both ends.
TEST(LandXmlProfile, RealExports) {
  const std::filesystem::path dir = std::string(LUMORA_SOURCE_DIR) + "/../shared/landxml";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no " << dir;
  int profiles = 0;
  for (const auto& f : std::filesystem::directory_iterator(dir)) {
    if (f.path().extension() != ".xml") continue;
    const std::string bytes = landxml::read_file_bytes(f.path());
    const auto doc = landxml::Document::parse(bytes, f.path().filename().string());
    for (std::size_t i = 0; i < doc.names().size(); ++i) {
      const auto p = landxml::read_profile(bytes, f.path().filename().string(), doc.unit(), i, "");
      if (!p) continue;
      ++profiles;
      for (std::size_t k = 0; k < p->curves().size(); ++k) {
        const auto& c = p->curves()[k];
        const auto& v = p->pvis()[p->curve_pvi(k)];
        EXPECT_NEAR(c.elevation_at(c.bvc()), v.elevation + c.grade_in() * (c.bvc() - v.chainage),
                    1e-8)
            << f.path() << " " << v.text;
        EXPECT_NEAR(c.elevation_at(c.evc()), v.elevation + c.grade_out() * (c.evc() - v.chainage),
                    1e-8)
            << f.path() << " " << v.text;
      }
    }
  }
  EXPECT_GE(profiles, 20);
}
