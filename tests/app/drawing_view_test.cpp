// The drawing viewer: fitting, zooming about the cursor, panning, the fit on
// every "zoom e", and what it paints.
#include "drawing_view.h"

#include <QImage>
#include <QWheelEvent>
#include <QtTest>

#include "cad/document.h"

using lumora::app::DrawingView;
using lumora::cad::DrawingDocument;
namespace align = lumora::cad::align;

namespace {

// Bright pixels (any channel above 128) of an image, as a bounding box.
QRect bright_box(const QImage& img) {
  QRect box;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const QColor c = img.pixelColor(x, y);
      if (c.red() > 128 || c.green() > 128 || c.blue() > 128) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

}  // namespace

class DrawingViewTest : public QObject {
  Q_OBJECT
 private slots:
  void fits_zooms_about_the_cursor_and_pans() {
    DrawingDocument doc;
    // Survey coordinates: precision must survive the large offsets.
    doc.add_line({500000, 3400000, 0}, {501000, 3400500, 0});
    DrawingView view;
    view.resize(400, 300);
    view.set_document(&doc);
    view.zoom_extents();
    const QPointF a = view.to_screen(500000, 3400000);
    const QPointF b = view.to_screen(501000, 3400500);
    QVERIFY(std::abs((a.x() + b.x()) / 2 - 200) < 1e-6);
    QVERIFY(std::abs((a.y() + b.y()) / 2 - 150) < 1e-6);
    QVERIFY(a.x() >= 0 && b.x() <= 400 && b.y() < a.y());  // north is up
    QVERIFY(std::abs((b.x() - a.x()) - 0.95 * 400) < 1e-6);

    // The drawing point under the cursor stays there.
    const QPointF cursor(97, 211);
    const QPointF under = view.to_drawing(cursor);
    const double s = view.scale();
    view.zoom_at(cursor, 8);
    QCOMPARE(view.scale(), 8 * s);
    const QPointF again = view.to_screen(under.x(), under.y());
    QVERIFY(std::abs(again.x() - cursor.x()) < 1e-6 && std::abs(again.y() - cursor.y()) < 1e-6);

    QWheelEvent wheel(cursor, view.mapToGlobal(cursor), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    QVERIFY(view.scale() < 8 * s);
    const QPointF still = view.to_screen(under.x(), under.y());
    QVERIFY(std::abs(still.x() - cursor.x()) < 1e-6);

    // Dragging moves the drawing with the mouse; the cursor's drawing point
    // is reported on the way.
    QSignalSpy moved(&view, &DrawingView::cursor_moved);
    const QPointF before = view.to_screen(500500, 3400250);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&view, QPoint(130, 90));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(130, 90));
    const QPointF after = view.to_screen(500500, 3400250);
    QVERIFY(std::abs(after.x() - before.x() - 30) < 1e-6);
    QVERIFY(std::abs(after.y() - before.y() + 10) < 1e-6);
    QVERIFY(!moved.isEmpty());
  }

  void fits_again_only_on_a_new_zoom_extents() {
    DrawingDocument doc;
    doc.add_line({0, 0, 0}, {100, 100, 0});
    DrawingView view;
    view.resize(300, 300);
    view.set_document(&doc);
    view.zoom_extents();
    view.pan({50, 0});
    const QPointF moved = view.centre();
    doc.add_line({100, 100, 0}, {1000, 1000, 0});
    view.refresh();
    QCOMPARE(view.centre(), moved);  // no "zoom e" yet
    doc.send_command("zoom e ");
    view.refresh();
    QVERIFY(std::abs(view.centre().x() - 500) < 1e-9 && std::abs(view.centre().y() - 500) < 1e-9);
    view.pan({50, 0});
    view.refresh();  // the same command is not applied twice
    QVERIFY(view.centre().x() < 500);
    // A new drawing starts its list of commands afresh.
    doc = DrawingDocument();
    doc.add_line({0, 0, 0}, {10, 0, 0});
    doc.send_command("zoom e ");
    view.refresh();
    QVERIFY(std::abs(view.centre().x() - 5) < 1e-9);
  }

  void paints_colours_and_aligned_texts_on_a_dark_background() {
    DrawingDocument doc;
    auto line = doc.add_line({0, 50, 0}, {100, 50, 0});
    doc.set_color(line, 1);
    DrawingView view;
    view.resize(200, 200);
    view.set_document(&doc);
    view.set_view({50, 50}, 2);  // 100 x 100 units in view
    QImage img = view.grab().toImage();
    QCOMPARE(img.pixelColor(5, 5), QColor(0x21, 0x28, 0x30));
    // An antialiased line of one pixel, on the border of two pixel rows.
    const QColor up = img.pixelColor(100, 99), down = img.pixelColor(100, 100);
    QVERIFY(up.red() + down.red() > 250);
    QVERIFY(up.green() + down.green() < 160 && up.blue() + down.blue() < 160);

    // A centred text hanging from its alignment point (top): its glyphs lie
    // left and right of the point and below it.
    DrawingDocument texts;
    auto t = texts.add_text("K12", {0, 0, 0}, 10);
    texts.set_color(t, 7);
    texts.set_horizontal_alignment(t, align::kCenter);
    texts.set_vertical_alignment(t, align::kTop);
    texts.set_text_alignment_point(t, {50, 50, 0});
    view.set_document(&texts);
    view.set_view({50, 50}, 2);
    QRect box = bright_box(view.grab().toImage());
    QVERIFY(!box.isEmpty());
    QVERIFY2(box.left() < 95 && box.right() > 105, qPrintable(QString::number(box.left())));
    QVERIFY(std::abs((box.left() + box.right()) / 2 - 100) < 6);
    QVERIFY(box.top() >= 99 && box.top() < 106);
    QVERIFY(std::abs(box.height() - 20) < 8);  // 10 units high at 2 px per unit

    // Rotated by 90°: the text reads upwards, so its box is tall and narrow.
    texts.set_rotation(t, 3.14159265358979 / 2);
    view.update();
    box = bright_box(view.grab().toImage());
    QVERIFY(box.height() > 2 * box.width());
    QVERIFY(box.left() >= 99);  // hanging to the right of the point, now "below"

    // Chinese texts are drawn too (in the CJK font).
    DrawingDocument chinese;
    chinese.add_text("横净距", {10, 40, 0}, 10);
    view.set_document(&chinese);
    view.set_view({50, 50}, 2);
    QVERIFY(bright_box(view.grab().toImage()).width() > 40);
  }
};

QTEST_MAIN(DrawingViewTest)
#include "drawing_view_test.moc"
