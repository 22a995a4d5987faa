#include "page_writer.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRegularExpression>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "error.h"

namespace lumora::report {
namespace {

constexpr int kResolution = 600;  // dots per inch of the PDF's coordinates
const QColor kRule(90, 90, 90);
const QColor kHeaderFill(225, 225, 225);

bool is_number(const QString& s) {
  static const QRegularExpression number("^[A-Z]?-?[0-9]+(\\.[0-9]+)?$");
  return number.match(s).hasMatch();
}

}  // namespace

PageWriter::PageWriter(QPdfWriter& pdf, QString title, int total_pages, QString document)
    : pdf_(pdf), title_(std::move(title)), total_(total_pages), document_(std::move(document)) {
  pdf_.setResolution(kResolution);
  pdf_.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                 QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
  units_per_mm_ = kResolution / 25.4;
  if (!painter_.begin(&pdf_)) {
    throw CancelledError(CancelledError::Kind::save, "计算书无法写入");
  }
  painter_.setRenderHint(QPainter::Antialiasing);
  painter_.setRenderHint(QPainter::TextAntialiasing);
  furniture();
}

PageWriter::~PageWriter() {
  if (painter_.isActive()) painter_.end();
}

QRectF PageWriter::rect_mm(double x, double y, double w, double h) const {
  return QRectF(mm(x), mm(y), mm(w), mm(h));
}

QFont PageWriter::font(double pt, bool bold, bool mono) const {
  QFont f;
  if (mono) {
    f.setFamilies({"Noto Sans Mono CJK SC", "DejaVu Sans Mono", "monospace"});
  } else {
    f.setFamilies(
        {"DejaVu Sans", "Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei", "sans-serif"});
  }
  f.setPointSizeF(pt);
  f.setBold(bold);
  return f;
}

void PageWriter::furniture() {
  painter_.save();
  painter_.setPen(QPen(kRule, mm(0.2)));
  const QFont small = font(7.5);
  painter_.setFont(small);
  const double left = kMargin, right = kPageWidth - kMargin;
  if (header_shown_) {
    const QRectF band = rect_mm(left, 10, right - left, 6);
    painter_.drawText(band, Qt::AlignLeft | Qt::AlignBottom, title_);
    painter_.drawText(band, Qt::AlignRight | Qt::AlignBottom, document_);
    painter_.drawLine(QPointF(mm(left), mm(16.8)), QPointF(mm(right), mm(16.8)));
  }
  painter_.drawLine(QPointF(mm(left), mm(kPageHeight - 16)),
                    QPointF(mm(right), mm(kPageHeight - 16)));
  const QRectF foot = rect_mm(left, kPageHeight - 15.5, right - left, 5);
  painter_.drawText(foot, Qt::AlignLeft | Qt::AlignTop, "Lumora");
  const QString page = total_ > 0 ? QString("第 %1 页 共 %2 页").arg(page_).arg(total_)
                                  : QString("第 %1 页").arg(page_);
  painter_.drawText(foot, Qt::AlignRight | Qt::AlignTop, page);
  painter_.restore();
  y_ = kBodyTop;
}

void PageWriter::new_page() {
  if (!pdf_.newPage()) throw CancelledError(CancelledError::Kind::save, "计算书无法写入");
  ++page_;
  header_shown_ = true;
  furniture();
  if (on_new_page) on_new_page();
}

void PageWriter::ensure(double height) {
  if (height > remaining() && y_ > kBodyTop + 0.1) new_page();
}

double PageWriter::take(double height) {
  ensure(height);
  const double top = y_;
  y_ += height;
  return top;
}

void PageWriter::heading(const QString& text, int level) {
  const double pt = level == 1 ? 15 : 11.5;
  if (level == 1) {
    if (y_ > kBodyTop + 0.1) new_page();
  } else {
    ensure(30);  // a section heading is not left alone at the foot of a page
  }
  const QFont f = font(pt, true);
  const double h = QFontMetricsF(f, &pdf_).height() / units_per_mm_;
  const double top = take(h + (level == 1 ? 4 : 2));
  painter_.setFont(f);
  painter_.setPen(Qt::black);
  painter_.drawText(rect_mm(kMargin, top, body_width(), h), Qt::AlignLeft | Qt::AlignVCenter, text);
  if (level == 1) {
    painter_.setPen(QPen(Qt::black, mm(0.4)));
    painter_.drawLine(QPointF(mm(kMargin), mm(top + h + 1)),
                      QPointF(mm(kMargin + body_width()), mm(top + h + 1)));
  }
  skip(2);
}

void PageWriter::paragraph(const QString& text, double pt, bool mono) {
  const QFont f = font(pt, false, mono);
  painter_.setFont(f);
  painter_.setPen(Qt::black);
  const QFontMetricsF fm(f, &pdf_);
  for (const QString& para : text.split('\n')) {
    QTextLayout layout(para, f, &pdf_);
    layout.beginLayout();
    std::vector<QString> lines;
    for (;;) {
      QTextLine line = layout.createLine();
      if (!line.isValid()) break;
      line.setLineWidth(mm(body_width()));
      lines.push_back(para.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    if (lines.empty()) lines.emplace_back();
    const double h = fm.height() / units_per_mm_ * 1.15;
    for (const QString& l : lines) {
      const double top = take(h);
      painter_.setFont(f);
      painter_.setPen(Qt::black);
      painter_.drawText(rect_mm(kMargin, top, body_width(), h), Qt::AlignLeft | Qt::AlignVCenter,
                        l);
    }
  }
  skip(1.5);
}

void PageWriter::key_values(const std::vector<std::pair<QString, QString>>& items) {
  const QFont f = font(9.5);
  const QFont fb = font(9.5, true);
  const QFontMetricsF fm(f, &pdf_);
  double key_w = 0;
  for (const auto& [k, v] : items) {
    key_w = std::max(key_w, QFontMetricsF(fb, &pdf_).horizontalAdvance(k) / units_per_mm_);
  }
  key_w = std::min(key_w + 4, body_width() * 0.45);
  const double value_w = body_width() - key_w;
  const double line_h = fm.height() / units_per_mm_ * 1.2;
  for (const auto& [k, v] : items) {
    const QRectF bound =
        fm.boundingRect(QRectF(0, 0, mm(value_w), 1e9), Qt::TextWordWrap | Qt::AlignLeft, v);
    const double h = std::max(line_h, bound.height() / units_per_mm_ * 1.1);
    const double top = take(h + 0.8);
    painter_.setPen(Qt::black);
    painter_.setFont(fb);
    painter_.drawText(rect_mm(kMargin, top, key_w, line_h), Qt::AlignLeft | Qt::AlignVCenter, k);
    painter_.setFont(f);
    painter_.drawText(rect_mm(kMargin + key_w, top, value_w, h),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, v);
  }
  skip(2);
}

void PageWriter::table(const session::TextTable& table, const TableStyle& style) {
  const std::size_t ncol = table.header.size();
  if (ncol == 0) return;
  auto widths_at = [&](const QFont& f, const QFont& fb) {
    std::vector<double> w(ncol, 0);
    const QFontMetricsF fm(f, &pdf_), fmb(fb, &pdf_);
    for (std::size_t c = 0; c < ncol; ++c) {
      w[c] = fmb.horizontalAdvance(QString::fromStdString(table.header[c]));
    }
    for (const auto& row : table.cells) {
      for (std::size_t c = 0; c < ncol && c < row.size(); ++c) {
        w[c] = std::max(w[c], fm.horizontalAdvance(QString::fromStdString(row[c])));
      }
    }
    for (double& x : w) x = x / units_per_mm_ + 2.4;  // 1.2 mm padding each side
    return w;
  };
  // The largest font (down to the smallest allowed) at which the table fits
  // across the body; otherwise groups of columns at the smallest font.
  double pt = style.font_pt;
  std::vector<double> w;
  const std::size_t keys = std::min<std::size_t>(style.key_columns, ncol);
  auto needed = [&] {
    double key_w = 0, sum = 0;
    for (std::size_t c = 0; c < keys; ++c) key_w += w[c];
    if (style.groups.empty()) {
      for (double x : w) sum += x;
      return sum;
    }
    for (const auto& g : style.groups) {
      double gs = key_w;
      for (std::size_t c : g) gs += c < w.size() ? w[c] : 0;
      sum = std::max(sum, gs);
    }
    return sum;
  };
  for (;;) {
    w = widths_at(font(pt), font(pt, true));
    if (needed() <= body_width() || pt <= style.min_font_pt) break;
    pt = std::max(style.min_font_pt, pt - 0.5);
  }
  std::vector<std::vector<std::size_t>> groups;
  {
    double key_w = 0;
    for (std::size_t c = 0; c < keys; ++c) key_w += w[c];
    std::vector<std::size_t> cur;
    double cur_w = 0;
    for (std::size_t c = keys; c < ncol; ++c) {
      if (!cur.empty() && key_w + cur_w + w[c] > body_width()) {
        groups.push_back(cur);
        cur.clear();
        cur_w = 0;
      }
      cur.push_back(c);
      cur_w += w[c];
    }
    if (!cur.empty() || groups.empty()) groups.push_back(cur);
    if (!style.groups.empty()) groups = style.groups;
    for (auto& g : groups) {
      std::vector<std::size_t> with_keys;
      for (std::size_t c = 0; c < keys; ++c) with_keys.push_back(c);
      with_keys.insert(with_keys.end(), g.begin(), g.end());
      g = with_keys;
    }
  }
  for (std::size_t g = 0; g < groups.size(); ++g) {
    TableStyle part = style;
    if (groups.size() > 1 && !style.caption.isEmpty()) {
      part.caption = QString("%1（%2/%3）").arg(style.caption).arg(g + 1).arg(groups.size());
    }
    // Columns share out what the body has left, so that narrow tables still
    // read as tables across the page.
    std::vector<double> gw;
    double sum = 0;
    for (std::size_t c : groups[g]) {
      gw.push_back(w[c]);
      sum += w[c];
    }
    if (sum < body_width()) {
      const double extra = std::min((body_width() - sum) / gw.size(), 12.0);
      for (double& x : gw) x += extra;
    }
    table_part(table, groups[g], gw, font(pt), part);
  }
}

void PageWriter::table_part(const session::TextTable& table,
                            const std::vector<std::size_t>& columns,
                            const std::vector<double>& widths, const QFont& f,
                            const TableStyle& style) {
  QFont fb = f;
  fb.setBold(true);
  const double row_h = QFontMetricsF(f, &pdf_).height() / units_per_mm_ * 1.45;
  double total_w = 0;
  for (double x : widths) total_w += x;
  const double left = kMargin;

  auto draw_caption = [&](bool continued) {
    if (style.caption.isEmpty()) return;
    const QFont cf = font(9, true);
    const double h = QFontMetricsF(cf, &pdf_).height() / units_per_mm_ * 1.3;
    const double top = take(h);
    painter_.setFont(cf);
    painter_.setPen(Qt::black);
    painter_.drawText(rect_mm(left, top, body_width(), h), Qt::AlignLeft | Qt::AlignVCenter,
                      continued ? style.caption + "（续）" : style.caption);
  };
  auto draw_row = [&](const std::vector<std::string>& cells, bool header, bool shaded) {
    const double top = take(row_h);
    if (header || shaded) {
      painter_.fillRect(rect_mm(left, top, total_w, row_h),
                        header ? kHeaderFill : QColor(244, 244, 244));
    }
    painter_.setFont(header ? fb : f);
    painter_.setPen(Qt::black);
    double x = left;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const std::size_t c = columns[i];
      const QString s = c < cells.size() ? QString::fromStdString(cells[c]) : QString();
      const Qt::Alignment a = header         ? Qt::AlignHCenter
                              : is_number(s) ? Qt::AlignRight
                                             : Qt::AlignLeft;
      painter_.drawText(rect_mm(x + 1.2, top, widths[i] - 2.4, row_h), a | Qt::AlignVCenter, s);
      x += widths[i];
    }
    if (header) {
      painter_.setPen(QPen(Qt::black, mm(0.25)));
      painter_.drawLine(QPointF(mm(left), mm(top)), QPointF(mm(left + total_w), mm(top)));
      painter_.drawLine(QPointF(mm(left), mm(top + row_h)),
                        QPointF(mm(left + total_w), mm(top + row_h)));
    }
  };

  // Caption, header and at least three rows together.
  ensure(row_h * 5 + 6);
  draw_caption(false);
  draw_row(table.header, true, false);
  for (std::size_t r = 0; r < table.cells.size(); ++r) {
    if (row_h > remaining()) {
      painter_.setPen(QPen(Qt::black, mm(0.25)));
      painter_.drawLine(QPointF(mm(left), mm(y_)), QPointF(mm(left + total_w), mm(y_)));
      new_page();
      draw_caption(true);
      draw_row(table.header, true, false);
    }
    // Every other group of five rows lightly shaded, to guide the eye.
    draw_row(table.cells[r], false, (r / 5) % 2 == 1);
  }
  painter_.setPen(QPen(Qt::black, mm(0.25)));
  painter_.drawLine(QPointF(mm(left), mm(y_)), QPointF(mm(left + total_w), mm(y_)));
  skip(4);
}

}  // namespace lumora::report
