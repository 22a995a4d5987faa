// The pages of a report: A4 portrait with 20 mm margins, a running header
// (the alignment's title and the kind of document) and a footer with the
// program and "第 n 页 共 N 页", headings, paragraphs, key–value lists and
// tables that continue over pages with their header repeated.
//
// Layout is in millimetres from the top left corner of the body; the writer
// converts to the device's units (mm()). Texts use one CJK font, Noto Sans
// CJK SC, which the PDF embeds; numbers use the same font, right-aligned.
// Everything is black, grey or white, so that a black-and-white print reads
// like the screen.
//
// The total of pages is known only once a report has been laid out: the
// report is laid out twice, first to count (total 0: the footer omits it).
//
// Example:
//   QPdfWriter pdf(file);
//   PageWriter w(pdf, "某高速公路主线", 0);
//   w.heading("1  输入", 1);
//   w.paragraph("计算依据的文件与设置。");
//   w.table(session::result_table(rows), {});
#pragma once

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "session/curves.h"

namespace lumora::report {

/// How a table is set: its caption, the columns repeated in every column
/// group when the table is too wide for the page, and the smallest font.
struct TableStyle {
  QString caption;
  int key_columns = 1;
  double font_pt = 8.5;
  double min_font_pt = 6.5;
  /// Column groups chosen by the caller (the key columns are put in front of
  /// each); empty: as many columns as fit.
  std::vector<std::vector<std::size_t>> groups = {};
};

class PageWriter {
 public:
  static constexpr double kPageWidth = 210;  // A4, mm
  static constexpr double kPageHeight = 297;
  static constexpr double kMargin = 20;
  static constexpr double kBodyTop = 22;  // below the running header
  static constexpr double kBodyBottom = kPageHeight - 20;

  /// Begins painting on `pdf` (A4 portrait). Throws CancelledError (save)
  /// when the device cannot be painted on.
  /// `document` is the kind of document, at the right of the running header.
  PageWriter(QPdfWriter& pdf, QString title, int total_pages,
             QString document = "最大横净距计算书");
  ~PageWriter();
  PageWriter(const PageWriter&) = delete;
  PageWriter& operator=(const PageWriter&) = delete;

  QPainter& painter() { return painter_; }
  /// Device units of `millimetres`.
  double mm(double millimetres) const { return millimetres * units_per_mm_; }
  /// A rectangle given in millimetres of the page, in device units.
  QRectF rect_mm(double x, double y, double w, double h) const;

  double body_width() const { return kPageWidth - 2 * kMargin; }
  /// The current position below the body's top, mm from the page's top.
  double y() const { return y_; }
  double remaining() const { return kBodyBottom - y_; }
  int page() const { return page_; }

  void new_page();
  /// A new page unless `height` millimetres remain on this one.
  void ensure(double height);
  /// Reserves `height` millimetres of the body (on a new page when they do
  /// not fit) and returns their top.
  double take(double height);
  void skip(double height) { y_ += height; }

  QFont font(double pt, bool bold = false, bool mono = false) const;

  /// Level 1: a chapter, on a new page; level 2: a section.
  void heading(const QString& text, int level);
  /// Text wrapped to the body's width.
  void paragraph(const QString& text, double pt = 9.5, bool mono = false);
  /// Pairs set as two columns: the names at the left, the values wrapped.
  void key_values(const std::vector<std::pair<QString, QString>>& items);
  /// A table of texts: numbers right-aligned, the header repeated on every
  /// page; a table too wide for the body is set in groups of columns, each
  /// with the style's key columns in front.
  void table(const session::TextTable& table, const TableStyle& style);

  /// Called on every new page after the running header is drawn (a chapter
  /// that continues may repeat its own heading).
  std::function<void()> on_new_page;
  /// The cover page has no running header.
  void set_header_shown(bool shown) { header_shown_ = shown; }

 private:
  void furniture();
  void table_part(const session::TextTable& table, const std::vector<std::size_t>& columns,
                  const std::vector<double>& widths, const QFont& font, const TableStyle& style);

  QPdfWriter& pdf_;
  QPainter painter_;
  QString title_;
  int total_ = 0;
  int page_ = 1;
  double units_per_mm_ = 1;
  double y_ = kBodyTop;
  bool header_shown_ = true;
  QString document_;
};

}  // namespace lumora::report
