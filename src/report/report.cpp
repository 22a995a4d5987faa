#include "report.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <cstdio>

#include "cad/write_atomic.h"
#include "error.h"
#include "page_writer.h"

namespace lumora::report {
QString document_name(const ReportData& d) {
  if (!d.sight) return "最大横净距计算书";
  return d.rows.empty() ? "视距检查计算书" : "最大横净距及视距检查计算书";
}

namespace {

struct ContentsLine {
  QString heading;
  int page = 0;
};

// The cover: what the report is, for which line, by which program, when; the
// boxes the designer and the checker sign; the contents.
void cover(PageWriter& w, const ReportData& d, const std::vector<ContentsLine>& contents) {
  QPainter& p = w.painter();
  const double left = PageWriter::kMargin, width = w.body_width();
  p.setPen(Qt::black);
  p.setFont(w.font(24, true));
  p.drawText(w.rect_mm(left, 45, width, 14), Qt::AlignCenter, document_name(d));
  p.setFont(w.font(15));
  p.drawText(w.rect_mm(left, 64, width, 10), Qt::AlignCenter, d.title);
  p.setPen(QPen(Qt::black, w.mm(0.5)));
  p.drawLine(QPointF(w.mm(left + 30), w.mm(78)), QPointF(w.mm(left + width - 30), w.mm(78)));

  w.skip(90 - w.y());
  w.key_values({{"计算程序", QString("%1 %2").arg(d.program, d.version)},
                {"计算日期", d.date},
                {"计算点数", QString::number(d.rows.size())}});

  // Signature boxes.
  const double top = w.take(26) + 2;
  const char* roles[] = {"计算", "复核", "审核"};
  const double bw = width / 3;
  p.setPen(QPen(Qt::black, w.mm(0.25)));
  p.setFont(w.font(9.5));
  for (int i = 0; i < 3; ++i) {
    const QRectF box = w.rect_mm(left + i * bw, top, bw, 20);
    p.drawRect(box);
    p.drawText(w.rect_mm(left + i * bw + 2, top + 1, bw - 4, 6), Qt::AlignLeft | Qt::AlignVCenter,
               QString("%1：").arg(roles[i]));
    p.drawText(w.rect_mm(left + i * bw + 2, top + 13, bw - 4, 6), Qt::AlignLeft | Qt::AlignVCenter,
               "日期：");
  }
  w.skip(6);

  if (contents.empty()) return;
  w.heading("目录", 2);
  const QFont f = w.font(10);
  const QFontMetricsF fm(f, p.device());
  for (const auto& line : contents) {
    const double t = w.take(7);
    p.setFont(f);
    p.setPen(Qt::black);
    const QRectF r = w.rect_mm(left + 4, t, width - 8, 7);
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, line.heading);
    p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, QString::number(line.page));
    p.setPen(QPen(QColor(120, 120, 120), w.mm(0.15), Qt::DotLine));
    const double x0 = r.left() + fm.horizontalAdvance(line.heading) + w.mm(3);
    const double x1 = r.right() - fm.horizontalAdvance(QString::number(line.page)) - w.mm(3);
    if (x1 > x0)
      p.drawLine(QPointF(x0, r.center().y() + w.mm(1)), QPointF(x1, r.center().y() + w.mm(1)));
  }
}

// Lays the whole report out on `pdf`; returns the number of pages and the
// page where each chapter begins.
int lay_out(QPdfWriter& pdf, const ReportData& d,
            const std::vector<std::unique_ptr<Chapter>>& chapters,
            const std::vector<ContentsLine>& contents, int total,
            std::vector<ContentsLine>* found) {
  PageWriter w(pdf, d.title, total, document_name(d));
  w.set_header_shown(false);
  cover(w, d, contents);
  int number = 0, letter = 0;
  for (const auto& c : chapters) {
    const int n = c->appendix() ? ++letter : ++number;
    w.new_page();
    if (found) {
      const QString head = c->appendix()
                               ? QString("附录%1  %2").arg(QChar('A' + n - 1)).arg(c->title())
                               : QString("%1  %2").arg(n).arg(c->title());
      found->push_back({head, w.page()});
    }
    c->write(w, n);
  }
  return w.page();
}

}  // namespace

void ensure_application() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  if (QCoreApplication::instance()) {
    throw DataFormatError("计算书需要图形界面环境 (QApplication)");
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A run without a screen: the platform's notes ("XDG_RUNTIME_DIR not
  // set", "does not support propagateSizeHints()") are not the user's
  // business; only Qt's critical messages reach standard error.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
  });
  static int argc = 1;
  static char name[] = "lumora-cli";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

void write_report(const ReportData& data, const std::filesystem::path& path) {
  ensure_application();
  const auto chapters = chapters_of(data);
  // First pass: the pages of the chapters, for the contents and "共 N 页".
  std::vector<ContentsLine> contents;
  int total = 0;
  {
    QBuffer scratch;
    scratch.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&scratch);
    total = lay_out(pdf, data, chapters, {}, 0, &contents);
  }
  cad::write_file_atomically(path, [&](const std::string& temp) {
    QFile file(QString::fromStdString(temp));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      throw CancelledError(CancelledError::Kind::save, file.errorString().toStdString());
    }
    {
      QPdfWriter pdf(&file);
      pdf.setTitle(document_name(data) + " — " + data.title);
      pdf.setCreator(QString("%1 %2").arg(data.program, data.version));
      lay_out(pdf, data, chapters, contents, total, nullptr);
    }
    if (!file.flush() || file.error() != QFileDevice::NoError) {
      throw CancelledError(CancelledError::Kind::save, file.errorString().toStdString());
    }
    file.close();
  });
}

}  // namespace lumora::report
