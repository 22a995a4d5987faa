#include <gtest/gtest.h>

#include "error.h"
#include "text/encoding.h"
#include "text/fields.h"
#include "text/format.h"
#include "text/numeric.h"

using namespace lumora::text;

TEST(Fields, NormalisesTabsAndRunsOfBlanks) {
  const auto f = split_fields("  100.0\t\t200.0    500   60  60 ");
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0], "100.0");
  EXPECT_EQ(f[4], "60");
  EXPECT_TRUE(split_fields(" \t ").empty());
  EXPECT_EQ(normalize_line("a \t b"), "a b");
}

TEST(Numeric, LeadingNumberAndStrictConversion) {
  EXPECT_DOUBLE_EQ(numeric_value("3.5m"), 3.5);
  EXPECT_DOUBLE_EQ(numeric_value("  -7.25"), -7.25);
  EXPECT_DOUBLE_EQ(numeric_value("abc"), 0);
  EXPECT_DOUBLE_EQ(numeric_value(""), 0);
  EXPECT_DOUBLE_EQ(numeric_value("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(numeric_value("+.5x"), 0.5);
  EXPECT_EQ(parse_number("1e3"), 1000);
  EXPECT_EQ(parse_number(" 12.5 "), 12.5);
  EXPECT_FALSE(parse_number("12a"));
  EXPECT_FALSE(parse_number(""));
  EXPECT_FALSE(parse_number("nan"));
  EXPECT_FALSE(parse_number("inf"));
  EXPECT_FALSE(parse_number("+-1"));
  EXPECT_THROW(to_number("x1", "line 3"), lumora::DataFormatError);
}

TEST(Format, FixedStakeAndShortest) {
  EXPECT_EQ(format_fixed3(-0.0001), "0.000");
  EXPECT_EQ(format_fixed3(-0.0), "0.000");
  EXPECT_EQ(format_fixed3(-1.2345678), "-1.235");
  EXPECT_EQ(format_fixed3(12), "12.000");
  EXPECT_EQ(format_whole(-0.4), "0");
  EXPECT_EQ(format_whole(1190.0000001), "1190");
  EXPECT_EQ(format_stake(1234.5678), "K1+234.568");
  EXPECT_EQ(format_stake(50), "K0+050.000");
  EXPECT_EQ(format_stake(0), "K0+000.000");
  EXPECT_EQ(format_stake(999.9996), "K1+000.000");
  EXPECT_EQ(format_stake(12345678.9), "K12345+678.900");
  EXPECT_EQ(format_shortest(1234.5), "1234.5");
  EXPECT_EQ(format_shortest(3), "3");
  EXPECT_EQ(format_shortest(0.1 + 0.2), "0.3");
  EXPECT_EQ(format_shortest(-0.25), "-0.25");
  EXPECT_EQ(format_shortest(110.5), "110.5");
  EXPECT_EQ(format_shortest(1e-7), "0.0000001");
}

TEST(Encoding, DetectsUtf8AndGbk) {
  const std::string utf8 = "起点";
  EXPECT_EQ(decode_file_bytes(utf8), utf8);
  EXPECT_EQ(decode_file_bytes("\xEF\xBB\xBF" + utf8), utf8);
  const std::string gbk = utf8_to_gbk(utf8);
  EXPECT_EQ(gbk, "\xC6\xF0\xB5\xE3");
  EXPECT_EQ(decode_file_bytes(gbk), utf8);
  const auto lines = split_lines("a\r\nb\nc\rd");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "b");
  EXPECT_EQ(split_lines("x\r\n").size(), 1u);
  EXPECT_THROW(read_text_lines(""), lumora::CancelledError);
  EXPECT_THROW(read_text_lines("/nonexistent/file.txt"), lumora::CancelledError);
}
