// Chain breaks (断链) of a main line and the chainage texts built on them.
//
// At a chain break the stationing jumps: the break point has the back
// chainage in the numbering of the segment before it and the ahead chainage
// in the numbering of the segment after it. n breaks cut the line into n + 1
// chainage segments, marked A, B, C ... in order. The continuous chainage is
// the numbering of segment A carried on through every break; all geometry
// works in it. A value v in the numbering of segment s lies at the continuous
// chainage
//   c = v − Σ (ahead_chainage(k) − back_chainage(k)),  k = 1 … s − 1.
// Where ahead > back the values strictly between them do not exist on the
// line (a gap); where ahead < back the values ahead … back occur in two
// segments (an overlap) and a plain number needs its segment letter.
//
// The table keeps the breaks in slots 1 … n; slot 0 holds 0 and slot n + 1
// the continuous end chainage of the line. A continuous chainage is placed by
// walking the breaks in order and crossing break k when the value, already
// carried into segment k's numbering, lies strictly beyond its back chainage;
// so a point exactly at a break belongs to the segment before it.
//
// Accuracy: the conversions only add and subtract the table's values, so a
// round trip text -> continuous -> text is exact up to a few units in the
// last place (below 1e-9 m for chainages under 1e6 m); texts are rounded to
// 1 mm ("0.000", "K0+000.000").
//
// Example:
//   auto t = ChainBreakTable::read({"1200 1180", "2500 2550"}, 0, 3000, "a.dl");
//   t.sj_dlstr_k(1210);   // "BK1+190.000"
//   t.resolve("3000");    // "C3000" -> continuous 2970
//   t.zh_dlstr("1190");   // throws DataCheckError: 1190 exists in A and in B
//
// A table is a plain value: build it once per initialization and share it
// read-only.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::chainage {

/// The most chain breaks a line may carry (segments A … T).
constexpr int kMaxChainBreaks = 19;

class ChainBreakTable {
 public:
  ChainBreakTable() = default;  // no breaks; start 0, end 0

  /// A table without breaks for a line from qdzh to the continuous end
  /// chainage.
  static ChainBreakTable none(double qdzh, double end_chainage);

  /// Reads the decoded lines of a chain-break file: one break per line,
  /// "back ahead [ignored ...]", blanks or tabs between the fields, up to the
  /// first blank line. A first back chainage of exactly −1 declares a line
  /// without breaks. Throws DataFormatError naming the file and line for a
  /// line with fewer than two fields, a field that is not a number, or more
  /// than kMaxChainBreaks lines.
  static ChainBreakTable read(const std::vector<std::string>& lines, double qdzh,
                              double end_chainage, const std::string& file);

  int chain_break_count() const { return count_; }
  /// Slots k = 0 … n + 1 (0: zero; n + 1: continuous end chainage).
  double back_chainage(int k) const;
  double ahead_chainage(int k) const;
  /// First and last chainage of segment s = 1 … n + 1, in its own numbering.
  double segment_start(int s) const;
  double segment_end(int s) const;
  /// The letter of segment s: 1 -> "A", 2 -> "B", … (s = 1 … 26).
  static std::string segment_letter(int s);

  /// Checks a chainage text typed with a segment letter: the letter must name
  /// an existing segment and the number must lie within that segment. Texts
  /// without a letter (and the empty text) pass. Throws DataCheckError with
  /// the sentence shown to the user.
  void dlstr_check(std::string_view text) const;
  /// dlstr_check with kEndTolerance at both ends of the segment; returns the
  /// number of a lettered text clamped to the segment's bounds (nullopt for
  /// a text without a letter).
  std::optional<double> dlstr_check_clamped(std::string_view text) const;

  /// Value of continuous chainage c in the numbering of its segment, and the
  /// segment number.
  struct Walk {
    double value;
    int segment;
  };
  Walk segment_walk(double c) const;

  /// Continuous chainage -> value in its segment (no letter).
  double sj_dlzh(double c) const;
  /// Continuous chainage -> letter (only when breaks exist) + "0.000".
  std::string sj_dlstr_num(double c) const;
  /// Continuous chainage -> letter (only when breaks exist) + "K0+000.000".
  std::string sj_dlstr_k(double c) const;
  /// Continuous chainage -> letter (only when breaks exist) + number, whole
  /// numbers (within 0.00001) without decimals, others with three.
  std::string sj_dlstr_1(double c) const;
  /// Continuous chainage -> number (whole numbers without decimals), with the
  /// letter only where the number alone lies in a gap or an overlap.
  std::string sj_dlstr_5(double c) const;

  /// Chainage text (plain number or stake, with or without a letter) ->
  /// continuous chainage.
  /// Trusts its input: a letter beyond the last segment is treated as the
  /// last segment's numbering carried through every existing break.
  double dlstr_sj(std::string_view text) const;
  /// Segment s and value v in its numbering -> continuous chainage.
  double dlzh_sj(int s, double v) const;

  /// Gives a plain chainage text its segment letter (texts already marked,
  /// empty texts and every text of a line without breaks come back as they
  /// are, trimmed). Throws DataCheckError (title "数据有误") when the number
  /// lies in a gap or in an overlap of the breaks.
  std::string zh_dlstr(std::string_view text) const;
  /// zh_dlstr without a message: nullopt where the number lies in a gap or an
  /// overlap.
  std::optional<std::string> zh_dlstr_2(std::string_view text) const;

  /// zh_dlstr then dlstr_sj: the continuous chainage of a text read from a
  /// file or typed by the user.
  double resolve(std::string_view text) const;

  /// True for a chainage text: an optional segment letter A … Z, then a
  /// plain decimal number (optional sign, digits, at most one point, no
  /// exponent) or the stake form "K1+250.5" (kilometres, optionally
  /// signed, "+", metres below 1000: "BK4+100.000", "AK-0+090.000"),
  /// blanks around it allowed.
  static bool is_chainage_text(std::string_view text);

  /// A chainage text taken apart: its segment (0 without a letter) and its
  /// value in that segment's numbering; stake tells the stake form. The
  /// plus sign tells a stake from segment K ("K1+250" is 1250 without a
  /// letter, "K1250" is 1250 in segment K). Lenient like dlstr_sj: a text
  /// that is neither gives its leading number.
  struct Text {
    int segment = 0;
    double value = 0;
    bool stake = false;
  };
  static Text split_text(std::string_view text);

  /// How much of dlstr_check a text read from a file or typed must pass.
  enum class Check {
    letter,   // the letter must name a segment of the line
    segment,  // ... and the number must lie within that segment
  };
  /// Half the displayed precision (0.0005 m): a text that shows a segment or
  /// line end rounded to the millimetre ("C12545.347") lies within it of
  /// the true end.
  static constexpr double kEndTolerance = 0.0005;

  /// The continuous chainage of a chainage text read from a file or typed by
  /// the user, with every check: the text must be a chainage text
  /// (DataFormatError otherwise) with a value of at most kMaxDataMagnitude;
  /// its letter is checked as dlstr_check does (DataCheckError), with
  /// Check::segment also its number against the segment's bounds, each end
  /// with kEndTolerance, a number within the tolerance beyond an end being
  /// taken at that end; a plain number is resolved by zh_dlstr
  /// (DataCheckError in a gap or an overlap).
  double resolve_checked(std::string_view text, Check check) const;

 private:
  using Slots = std::array<double, kMaxChainBreaks + 2>;

  // Result of placing a plain number against the breaks.
  enum class Placement { ok, gap, overlap };
  struct Placed {
    Placement placement;
    int segment;  // ok: segment holding the number; gap/overlap: the break
  };
  Placed place(double v) const;
  double carry_back(int s, double v) const;
  std::string number_letter(int s) const;

  int count_ = 0;
  Slots back_{};
  Slots ahead_{};
  Slots seg_start_{};
  Slots seg_end_{};
};

}  // namespace lumora::chainage
