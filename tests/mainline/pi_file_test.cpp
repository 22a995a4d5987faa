#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error.h"
#include "mainline/mainline.h"

namespace lumora::zxbas {
namespace {

using Lines = std::vector<std::string>;

// The detail of the DataFormatError that reading (and building) `lines`
// raises; empty when there is none.
std::string format_error(const Lines& lines, bool build = false) {
  try {
    auto pi = read_pi_file(lines, "a.jdx");
    if (build) MainLine::build(std::move(pi));
  } catch (const DataFormatError& e) {
    EXPECT_EQ(e.message(), "数据文件格式有误或操作有误！");
    return e.detail();
  }
  return {};
}

TEST(PiFile, RecordsFieldsAndLineNumbers) {
  const auto pi = read_pi_file({"某公路,1000", "  QD ", "  100.0\t\t200.0    500   60  60 ", "JD1",
                                "300 400 500 60 80 1200 900", "ZD", "500 600 0 0 0"},
                               "a.jdx");
  EXPECT_EQ(pi.qdzh, 1000);
  EXPECT_EQ(pi.file, "a.jdx");
  ASSERT_EQ(pi.jd.size(), 3u);
  const Jd& q = pi.jd[0];
  EXPECT_EQ(q.jd_name, "QD");
  EXPECT_EQ(q.line, 2);
  EXPECT_EQ(q.jd_x, 100);
  EXPECT_EQ(q.jd_y, 200);
  EXPECT_EQ(q.jd_r, 500);
  EXPECT_EQ(q.jd_ls1, 60);
  EXPECT_EQ(q.jd_ls2, 60);
  EXPECT_EQ(q.jd_rs1, 0);
  EXPECT_EQ(q.jd_rs2, 0);
  EXPECT_EQ(pi.jd[1].line, 4);
  EXPECT_EQ(pi.jd[1].jd_ls2, 80);
  EXPECT_EQ(pi.jd[1].jd_rs1, 1200);
  EXPECT_EQ(pi.jd[1].jd_rs2, 900);
  EXPECT_EQ(pi.jd[2].jd_name, "ZD");
}

TEST(PiFile, HeaderForms) {
  // Title and start chainage on one line, or the chainage on the next line.
  EXPECT_EQ(read_pi_file({"title,1000", "QD", "0 0 0 0 0"}, "a").qdzh, 1000);
  EXPECT_EQ(read_pi_file({"title", "1000", "QD", "0 0 0 0 0"}, "a").qdzh, 1000);
  EXPECT_EQ(read_pi_file({"某高速公路主线", " 1234.567 ", "QD", "0 0 0 0 0"}, "a").qdzh, 1234.567);
  // A title that ends with a comma: the chainage stands on the next line.
  EXPECT_EQ(read_pi_file({"title,", "-20", "QD", "0 0 0 0 0"}, "a").qdzh, -20);
  // Only the header: no records.
  EXPECT_TRUE(read_pi_file({"title", "0"}, "a").jd.empty());
}

TEST(PiFile, AnEmptyNameLineEndsTheList) {
  const auto pi =
      read_pi_file({"t", "0", "QD", "0 0 0 0 0", "ZD", "0 100 0 0 0", "   ", "JD9", "x y"}, "a");
  EXPECT_EQ(pi.jd.size(), 2u);
  // End of file after a complete record ends it too.
  EXPECT_EQ(read_pi_file({"t", "0", "QD", "0 0 0 0 0"}, "a").jd.size(), 1u);
}

TEST(PiFile, HairpinFlagsFromTheName) {
  int ht, in, out;
  hairpin_flags("jd3ht01", ht, in, out);
  EXPECT_EQ(ht, 1);
  EXPECT_EQ(in, 0);
  EXPECT_EQ(out, 1);
  hairpin_flags("HT", ht, in, out);
  EXPECT_EQ(ht, 1);
  EXPECT_EQ(in, 0);
  EXPECT_EQ(out, 0);
  hairpin_flags("JD5HT11", ht, in, out);
  EXPECT_EQ(ht + in + out, 3);
  hairpin_flags("JD5Ht10", ht, in, out);
  EXPECT_EQ(ht, 1);
  EXPECT_EQ(in, 1);
  EXPECT_EQ(out, 0);
  hairpin_flags("JD11", ht, in, out);  // no "HT": the digits mean nothing
  EXPECT_EQ(ht + in + out, 0);
  // Flags are characters, not bytes: "1" before a Chinese character is the
  // second-to-last character.
  hairpin_flags("回头HT1弯", ht, in, out);
  EXPECT_EQ(ht, 1);
  EXPECT_EQ(in, 1);
  EXPECT_EQ(out, 0);
  const auto pi = read_pi_file({"t", "0", "JD2HT01", "1 2 30 20 20"}, "a");
  EXPECT_EQ(pi.jd[0].jd_ht, 1);
  EXPECT_EQ(pi.jd[0].jd_ht_out, 1);
}

TEST(PiFile, MalformedFilesAreFormatErrorsNamingTheLine) {
  // Empty file, and a file of blank lines.
  EXPECT_NE(format_error({}).find("a.jdx"), std::string::npos);
  EXPECT_NE(format_error({"", "  "}), "");
  // Missing header value.
  EXPECT_NE(format_error({"title"}).find("第2行"), std::string::npos);
  EXPECT_NE(format_error({"title", "abc"}).find("第2行"), std::string::npos);
  EXPECT_NE(format_error({"title,1k"}).find("第1行"), std::string::npos);
  // Short data line, letters in a number, six fields, eight fields.
  EXPECT_NE(format_error({"t", "0", "QD", "0 0 0"}).find("a.jdx 第4行"), std::string::npos);
  const auto letters = format_error({"t", "0", "QD", "0 0 0 0 0", "JD1", "10 2O 300 0 0"});
  EXPECT_NE(letters.find("第6行"), std::string::npos);
  EXPECT_NE(letters.find("字段2"), std::string::npos);
  EXPECT_NE(letters.find("2O"), std::string::npos);
  EXPECT_NE(format_error({"t", "0", "QD", "0 0 0 0 0 0"}).find("第4行"), std::string::npos);
  EXPECT_NE(format_error({"t", "0", "QD", "0 0 0 0 0 0 0 0"}).find("第4行"), std::string::npos);
  EXPECT_NE(format_error({"t", "0", "QD", ""}).find("第4行"), std::string::npos);
  EXPECT_NE(format_error({"t", "0", "QD", "1,2,3,4,5"}).find("第4行"), std::string::npos);
  // A name line at the end of the file without its data line.
  const auto truncated = format_error({"t", "0", "QD", "0 0 0 0 0", "ZD"});
  EXPECT_NE(truncated.find("第5行"), std::string::npos);
  EXPECT_NE(truncated.find("ZD"), std::string::npos);
  // Numbers that are not finite.
  EXPECT_NE(format_error({"t", "0", "QD", "1e999 0 0 0 0"}), "");
}

TEST(PiFile, CapacityOfOneThousandRecords) {
  Lines lines{"t", "0"};
  for (int i = 0; i < 1000; ++i) {
    // Appended, not "P" + text: g++ 12 at -O3 warns falsely (-Wrestrict)
    // about the insertion at the front that operator+ makes.
    std::string name = "P";
    name += std::to_string(i);
    lines.push_back(name);
    lines.push_back(std::to_string(i) + " " + std::to_string(i % 2 ? 0 : 10) + " 1 0 0");
  }
  EXPECT_EQ(format_error(lines), "");
  EXPECT_EQ(read_pi_file(lines, "a").jd.size(), 1000u);
  lines.push_back("P1000");
  lines.push_back("2000 0 0 0 0");
  const auto e = format_error(lines);
  EXPECT_NE(e.find("第2003行"), std::string::npos) << e;
  EXPECT_NE(e.find("1000"), std::string::npos);
}

TEST(PiFile, NumbersBeyondAnyRoad) {
  // Found by fuzzing: a start chainage of 1.1e105 built a line whose stake
  // texts overflowed. Such numbers are refused where they are read.
  const std::string huge = "1" + std::string(104, '0');
  const auto e = format_error({"title," + huge, "QD", "0 0 0 0 0", "ZD", "500 500 0 0 0"});
  EXPECT_NE(e.find("起点桩号"), std::string::npos) << e;
  EXPECT_NE(e.find("超出范围"), std::string::npos) << e;
  EXPECT_NE(format_error({"t", "0", "QD", "0 0 0 0 0", "ZD", "2e9 0 0 0 0"}).find("字段1"),
            std::string::npos);
  EXPECT_EQ(format_error({"t", "-1e9", "QD", "0 0 0 0 0", "ZD", "1e9 0 0 0 0"}), "");
}

TEST(PiFile, TooFewRecordsForALine) {
  EXPECT_NE(format_error({"t", "0"}, true), "");
  EXPECT_NE(format_error({"t", "0", "QD", "0 0 0 0 0"}, true), "");
  EXPECT_EQ(format_error({"t", "0", "QD", "0 0 0 0 0", "ZD", "0 10 0 0 0"}, true), "");
}

}  // namespace
}  // namespace lumora::zxbas
