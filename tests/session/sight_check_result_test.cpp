// The sight-check result file and the summary of the deficient ranges.
#include "session/sight_check_result.h"

#include <gtest/gtest.h>

#include "text/encoding.h"

namespace lumora::session {
namespace {

using visibility::CauseKind;
using visibility::Direction;
using visibility::Sight;

Sight sight(double c, double asd, CauseKind cause = CauseKind::none, int obstruction = -1) {
  Sight s;
  s.c = c;
  s.asd = asd;
  s.d_max = 320;
  s.cause = cause;
  s.obstruction = obstruction;
  s.target_chainage = c + asd;
  s.block = {3000.0004, -0.0004};
  return s;
}

const auto kBreaks = chainage::ChainBreakTable::read({"300 280"}, 0, 1000, "dl");
const std::vector<std::string> kNames = {"中分带护栏", "边坡"};

SightRow row(const char* text, Direction d, Sight s, double required = 160) {
  return make_sight_row(text, d, s, required, kNames, kBreaks);
}

TEST(SightCheckFile, HeaderRowsAndFields) {
  const std::vector<SightRow> rows = {
      row("100", Direction::forward, sight(100, 320)),
      row("100", Direction::backward, sight(100, 159.9996, CauseKind::road)),
      row("100.0005", Direction::forward, sight(100.0005, 1)),  // repeats 100: dropped
      row("100.0005", Direction::backward, sight(100.0005, 1)),
      row("B290", Direction::forward, sight(310, 150.25, CauseKind::obstruction, 1)),
  };
  const std::string file = format_sight_file(rows);
  EXPECT_EQ(file,
            "桩号\t方向\t可用视距\t要求视距\t富余\t控制因素\t遮挡目标桩号\t遮挡点X\t遮挡点Y\r\n"
            "100\t顺\t320.000\t160.000\t160.000\t无\t-\t-\t-\r\n"
            // 159.9996 prints 160.000: the margin is that of the printed value.
            "100\t逆\t160.000\t160.000\t0.000\t路面\tA260.000\t3000.000\t0.000\r\n"
            "B290\t顺\t150.250\t160.000\t-9.750\t边坡\tB440.250\t3000.000\t0.000\r\n");
  EXPECT_EQ(text::decode_file_bytes(sight_file_bytes(rows)), file);  // GBK on disk
  EXPECT_FALSE(rows[1].deficient());
  EXPECT_TRUE(rows[4].deficient());
}

TEST(SightCheckFile, DeficientRangesPerDirectionAndSummary) {
  std::vector<SightRow> rows;
  // Forward: deficient at 20 … 40 (least at 30, road then barrier) and at 80;
  // backward: never.
  const double asd[] = {200, 150, 120, 150, 200, 200, 200, 200, 100.5, 200};
  for (int k = 0; k < 10; ++k) {
    const double c = 10.0 * k;
    const std::string t = std::to_string(10 * k);
    const CauseKind cause = k == 3 ? CauseKind::obstruction : CauseKind::road;
    rows.push_back(
        row(t.c_str(), Direction::forward, sight(c, asd[k], cause, 0), k < 5 ? 160 : 170));
    rows.push_back(row(t.c_str(), Direction::backward, sight(c, 320)));
  }
  const auto ranges = deficient_ranges(rows);
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(rows[ranges[0].first].chainage_text, "10");
  EXPECT_EQ(rows[ranges[0].last].chainage_text, "30");
  EXPECT_EQ(rows[ranges[0].least].chainage_text, "20");
  EXPECT_EQ(ranges[0].causes, (std::vector<std::string>{"路面", "中分带护栏"}));
  EXPECT_EQ(rows[ranges[1].first].chainage_text, "80");
  EXPECT_EQ(ranges[1].first, ranges[1].last);
  const auto lines = summary_lines(rows, ranges, true, true);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "顺: 视距不足路段 2 处");
  EXPECT_EQ(lines[1],
            "  10 ~ 30  最小可用视距 120.000 (20)  要求视距 160  控制因素 路面、中分带护栏");
  EXPECT_EQ(lines[2], "  80 ~ 80  最小可用视距 100.500 (80)  要求视距 170  控制因素 路面");
  EXPECT_EQ(lines[3], "逆: 视距不足路段 0 处");
}

}  // namespace
}  // namespace lumora::session
