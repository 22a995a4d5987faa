// Numbers and files at and beyond the bounds the program accepts.
#include "bounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "error.h"
#include "text/encoding.h"
#include "text/format.h"
#include "text/numeric.h"

using namespace lumora;
using namespace lumora::text;

TEST(Bounds, NumbersBeyondADouble) {
  // More digits than a double holds: infinite, which callers refuse, rather
  // than a silent 0.
  EXPECT_EQ(numeric_value(std::string(400, '9')), HUGE_VAL);
  EXPECT_EQ(numeric_value("-" + std::string(400, '9')), -HUGE_VAL);
  EXPECT_EQ(numeric_value("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_DOUBLE_EQ(window_number(" 3.5m", "视距"), 3.5);
  EXPECT_DOUBLE_EQ(window_number("abc", "视距"), 0.0);  // no number: 0, as a window reads it
  for (const char* t : {"nan", "NaN", "-inf", "+Infinity", "inf5"}) {
    EXPECT_THROW(window_number(t, "视距"), DataFormatError) << t;
  }
  try {
    window_number("1" + std::string(400, '0'), "视距");
    FAIL();
  } catch (const DataFormatError& e) {
    // The message quotes the text shortened, not all 401 digits.
    EXPECT_EQ(e.detail(), "视距「1" + std::string(39, '0') + "…」不是有限数");
  }
  EXPECT_DOUBLE_EQ(to_data_number("-1e9", "f"), -1e9);
  EXPECT_THROW(to_data_number("1.0000001e9", "f"), DataFormatError);
  EXPECT_THROW(to_number("1e400", "f"), DataFormatError);
}

TEST(Bounds, ExcerptCountsCharactersNotBytes) {
  EXPECT_EQ(excerpt("short"), "short");
  EXPECT_EQ(excerpt(std::string(40, 'x')), std::string(40, 'x'));
  EXPECT_EQ(excerpt(std::string(41, 'x')), std::string(40, 'x') + "…");
  std::string cjk;
  for (int i = 0; i < 45; ++i) cjk += "桩";
  std::string cut;
  for (int i = 0; i < 40; ++i) cut += "桩";
  EXPECT_EQ(excerpt(cjk), cut + "…");
}

TEST(Bounds, StakeTextsOfHugeChainages) {
  // Found by fuzzing: a start chainage of 1.1e105 made the millimetre count
  // overflow its integer conversion. The texts stay well formed.
  EXPECT_EQ(format_stake(1234.5678), "K1+234.568");
  EXPECT_EQ(format_stake(9e12), "K9000000000+000.000");
  EXPECT_EQ(format_stake(1.1e105).substr(0, 3), "K11");
  EXPECT_EQ(format_stake(-1e300).substr(0, 3), "K-1");
  EXPECT_EQ(format_stake(HUGE_VAL), "Kinf");
  EXPECT_EQ(format_stake(std::nan("")), "Knan");
}

TEST(Bounds, OverlongLinesAreRefused) {
  const auto p = std::filesystem::temp_directory_path() / "lumora-bounds-long.txt";
  {
    std::ofstream out(p, std::ios::binary);
    out << "1500\n" << std::string(kMaxLineBytes + 1, '1') << "\n";
  }
  try {
    read_text_lines(p);
    FAIL();
  } catch (const DataFormatError& e) {
    EXPECT_NE(e.detail().find("第2行"), std::string::npos) << e.detail();
    EXPECT_NE(e.detail().find("1 MiB"), std::string::npos) << e.detail();
  }
  std::filesystem::remove(p);
  // split_lines stops once it has more lines than asked for.
  EXPECT_EQ(split_lines("a\nb\nc\nd\n", 2).size(), 3u);
}
