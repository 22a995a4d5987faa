#include "sight/eye_offsets.h"

#include <gtest/gtest.h>

#include "error.h"
#include "text/numeric.h"

using lumora::DataCheckError;
using lumora::DataFormatError;
using lumora::sight::EyeOffsetTable;

namespace {

// Chainage texts as plain numbers; "gap" stands for a text that the chain
// breaks cannot place.
double plain(std::string_view t) {
  if (t == "gap") throw DataCheckError("程序不能判断桩号gap");
  return lumora::text::to_number(t, "桩号");
}

EyeOffsetTable table(const std::vector<std::string>& lines) {
  return EyeOffsetTable::read(lines, "eye.txt", plain);
}

std::string format_error(const std::vector<std::string>& lines) {
  try {
    table(lines);
  } catch (const DataFormatError& e) {
    return e.detail();
  }
  return "no error";
}

}  // namespace

TEST(EyeOffsetTable, InterpolatesAndHoldsTheEnds) {
  const auto t = table({"0 -7.5", "1000 -3.5"});
  EXPECT_DOUBLE_EQ(t.sdjljs(500), -5.5);
  EXPECT_DOUBLE_EQ(t.sdjljs(250), -6.5);
  EXPECT_DOUBLE_EQ(t.sdjljs(0), -7.5);
  EXPECT_DOUBLE_EQ(t.sdjljs(-200), -7.5);
  EXPECT_DOUBLE_EQ(t.sdjljs(1000), -3.5);
  EXPECT_DOUBLE_EQ(t.sdjljs(5000), -3.5);

  const auto one = table({"300 2.25"});
  EXPECT_DOUBLE_EQ(one.sdjljs(-1e6), 2.25);
  EXPECT_DOUBLE_EQ(one.sdjljs(300), 2.25);
  EXPECT_DOUBLE_EQ(one.sdjljs(1e6), 2.25);

  // Three rows: each interval has its own slope.
  const auto three = table({"0 0", "100 10", "300 0"});
  EXPECT_DOUBLE_EQ(three.sdjljs(50), 5);
  EXPECT_DOUBLE_EQ(three.sdjljs(100), 10);
  EXPECT_DOUBLE_EQ(three.sdjljs(200), 5);
}

TEST(EyeOffsetTable, EqualChainagesMakeAStep) {
  const auto t = table({"0 -7", "100 -7", "100 -3", "200 -3"});
  EXPECT_DOUBLE_EQ(t.sdjljs(0), -7);
  EXPECT_DOUBLE_EQ(t.sdjljs(99.9), -7);
  EXPECT_DOUBLE_EQ(t.sdjljs(100), -3);
  EXPECT_DOUBLE_EQ(t.sdjljs(150), -3);
  // A step at the first row: the first row's value holds at its chainage.
  const auto first = table({"0 -7", "0 -3", "100 -1"});
  EXPECT_DOUBLE_EQ(first.sdjljs(0), -7);
  EXPECT_DOUBLE_EQ(first.sdjljs(50), -2);
}

TEST(EyeOffsetTable, ReadsFieldsLikeTheOtherDataFiles) {
  const auto t = table({"  0\t\t-7.25  note", "500   3.5m", "900 abc", "", "2000 9"});
  ASSERT_EQ(t.rows().size(), 3u);  // the blank line ends the file
  EXPECT_EQ(t.rows()[0].text, "0");
  EXPECT_DOUBLE_EQ(t.rows()[0].value, -7.25);
  EXPECT_DOUBLE_EQ(t.rows()[1].value, 3.5);
  EXPECT_DOUBLE_EQ(t.rows()[2].value, 0);
  EXPECT_EQ(t.rows()[2].line, 3);
  EXPECT_DOUBLE_EQ(t.rows()[2].chainage, 900);
}

TEST(EyeOffsetTable, BadFilesAreReportedWithTheirPlace) {
  EXPECT_NE(format_error({"0 -7", "100"}).find("eye.txt 第2行"), std::string::npos);
  EXPECT_NE(format_error({}).find("eye.txt"), std::string::npos);
  EXPECT_NE(format_error({"", "0 -7"}).find("eye.txt"), std::string::npos);
  // Chainages going back would leave chainages no interval holds.
  EXPECT_NE(format_error({"0 -7", "200 -7", "100 -3"}).find("第3行"), std::string::npos);
  // A text that is no number at all.
  EXPECT_NE(format_error({"0 -7", "K1 -3"}).find("第2行"), std::string::npos);
  // The chain-break check's own message passes through.
  EXPECT_THROW(table({"0 -7", "gap -3"}), DataCheckError);
}
