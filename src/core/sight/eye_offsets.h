// The driver-eye offset (司机视点距设计线的距离): how far the driver's eye
// lies beside the design line, positive to the left of the direction of
// increasing chainage, negative to the right.
//
// EyeOffsetTable holds the rows of a driver-eye offset file (chainage text,
// offset in metres) and gives the offset at any continuous chainage by
// linear interpolation between neighbouring rows (sdjljs). Before the first
// row and beyond the last the offset is held at that row's value. Two rows
// with the same chainage make a step: at that chainage and beyond, the later
// row's value applies (the interval test C(k) ≤ c < C(k+1) is half open).
//
// EyeOffset is the offset in force for a line: one constant (the window's
// text, "-7.25" by default) or a table.
//
// Accuracy: the interpolation is exact to rounding (relative 1e-15 of the
// offsets); no smoothing is applied, so the offset has kinks at the rows and
// jumps at the steps.
//
// Algorithm: piecewise linear interpolation; the interval is found by binary
// search, which for non-decreasing chainages picks the same row as a scan
// for the first k with C(k) ≤ c < C(k+1).
//
// Example:
//   auto t = EyeOffsetTable::read({"0 -7.5", "1000 -3.5"}, "eye.txt", resolve);
//   t.sdjljs(500);      // -5.5
//   t.sdjljs(5000);     // -3.5
//   auto off = EyeOffset::table(std::move(t));
//   off.at(250);        // -6.5
//
// Both classes are plain values, built once per initialization and read-only
// afterwards.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::sight {

/// One row of the driver-eye offset file.
struct EyeOffsetRow {
  double chainage = 0;  // continuous chainage
  std::string text;     // chainage text exactly as read (field 1)
  double value = 0;     // offset in metres, positive to the left
  int line = 0;         // 1-based line number in the file
};

class EyeOffsetTable {
 public:
  /// Reads the decoded lines of a driver-eye offset file: field 1 the
  /// chainage text, field 2 the offset (its leading number; a field without
  /// one counts as 0); further fields are ignored. Reading stops at the first
  /// blank line. `resolve` turns a chainage text into a continuous chainage;
  /// what it throws for a text in a gap or an overlap of the chain breaks
  /// (DataCheckError) passes through. Throws DataFormatError naming the file
  /// and line for a line with only one field, for a chainage smaller than the
  /// previous row's, and for a file without any row.
  static EyeOffsetTable read(const std::vector<std::string>& lines, const std::string& file,
                             const std::function<double(std::string_view)>& resolve);

  /// Builds a table from rows already resolved (chainages non-decreasing,
  /// at least one row); throws DataFormatError otherwise.
  static EyeOffsetTable from_rows(std::vector<EyeOffsetRow> rows, const std::string& file = {});

  /// The offset at continuous chainage c.
  double sdjljs(double c) const;

  const std::vector<EyeOffsetRow>& rows() const { return rows_; }

 private:
  std::vector<EyeOffsetRow> rows_;
  std::vector<double> chainages_;  // rows_[k].chainage, for the search
};

/// The driver-eye offset in force: a constant or an EyeOffsetTable.
class EyeOffset {
 public:
  static EyeOffset constant(double d);
  static EyeOffset table(EyeOffsetTable t);

  /// The offset at continuous chainage c: sdjljs(c) of the table, or the
  /// constant.
  double at(double c) const { return table_ ? table_->sdjljs(c) : constant_; }
  bool from_table() const { return table_.has_value(); }
  /// The constant (0 when the offset comes from a table).
  double constant_value() const { return constant_; }
  /// The table, or nullptr for a constant offset.
  const EyeOffsetTable* offset_table() const { return table_ ? &*table_ : nullptr; }

 private:
  double constant_ = 0;
  std::optional<EyeOffsetTable> table_;
};

}  // namespace lumora::sight
