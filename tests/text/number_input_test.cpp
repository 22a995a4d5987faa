#include "text/number_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error.h"

using namespace lumora;
using namespace lumora::text;

TEST(NumberInput, AcceptsOnlyOneNumber) {
  EXPECT_EQ(read_input_number(" 110 ").value, 110.0);
  EXPECT_EQ(read_input_number("-7,25").value, -7.25);
  EXPECT_EQ(read_input_number("+0,125").value, 0.125);
  EXPECT_EQ(read_input_number("\t.5").value, 0.5);
  EXPECT_EQ(read_input_number("1.5e2").value, 150.0);
  EXPECT_EQ(read_input_number("1e-400").value, 0.0);
  for (const char* t : {"1O0", "160m", "20abc", "abc", "-", ".", "1.2.3", "1 2", "7,2,5", "1e",
                        "--1", "0x10", "１１０"}) {
    EXPECT_EQ(read_input_number(t).fault, InputNumberFault::not_number) << t;
  }
  EXPECT_EQ(read_input_number("  ").fault, InputNumberFault::empty);
  // A comma before three digits may be a thousands separator: not guessed.
  EXPECT_EQ(read_input_number("1,200").fault, InputNumberFault::ambiguous);
  for (const std::string& t :
       std::vector<std::string>{"nan", "-Infinity", "1e400", "1" + std::string(400, '0')}) {
    EXPECT_EQ(read_input_number(t).fault, InputNumberFault::not_finite) << t;
  }
  EXPECT_EQ(normalized_input_number(" -7,25 "), "-7.25");
  EXPECT_FALSE(normalized_input_number("160m"));
}

TEST(NumberInput, MessagesNameTheBoxAndQuoteTheText) {
  auto detail = [](const std::string& t) {
    try {
      input_number(t, "视距");
    } catch (const DataFormatError& e) {
      return e.detail();
    }
    return std::string("accepted");
  };
  EXPECT_EQ(detail("1O0"), "视距「1O0」不是数");
  EXPECT_EQ(detail(" abc "), "视距「abc」不是数");
  EXPECT_EQ(detail("nan"), "视距「nan」不是有限数");
  EXPECT_EQ(detail(""), "视距为空，请输入数值");
  EXPECT_EQ(detail("1" + std::string(400, '0')),
            "视距「1" + std::string(39, '0') + "…」不是有限数");
}
