// The frame 视距检查 and its results tab, through the real main window on the
// example main line, every dialog answered by FakeDialogs.
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "drawing_view.h"
#include "drawing_window.h"
#include "fake_dialogs.h"
#include "main_window.h"

using lumora::app::MainWindow;

namespace {

QString example(const char* name) {
  return QString(LUMORA_SOURCE_DIR "/examples/") + name;
}

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class SightCheckWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void the_frame_writes_what_the_command_line_writes_and_fills_its_tab() {
    FakeDialogs dialogs;
    MainWindow w(dialogs);
    QTemporaryDir tmp;
    auto* command = w.findChild<QPushButton*>("CommandSight");
    QVERIFY(command && !command->isEnabled());
    dialogs.files << example("mainline.jdx") << example("mainline.dl");
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(command->isEnabled());

    w.findChild<QRadioButton*>("Option6")->setChecked(true);
    w.findChild<QLineEdit*>("Text2")->setText("200");
    w.findChild<QLineEdit*>("Text3")->setText("160");
    w.findChild<QLineEdit*>("ObstructionFile")->setText(example("mainline-obstructions.txt"));
    w.findChild<QComboBox*>("SightDirection")->setCurrentIndex(2);  // 双向
    const QString out = tmp.filePath("sight.txt");
    dialogs.files << out;
    QTest::mouseClick(command, Qt::LeftButton);
    QCOMPARE(w.findChild<QLabel*>("Label2")->text(), QString("视距检查完成！"));

    QProcess p;
    p.start(LUMORA_CLI,
            {"sight-check", "--pi", example("mainline.jdx"), "--chain-breaks",
             example("mainline.dl"), "--obstructions", example("mainline-obstructions.txt"),
             "--sight", "160", "--direction", "both", "--interval", "200"});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(read_all(out), p.readAllStandardOutput());

    // The tab: both directions' rows, the drawing, a row's sight line.
    auto* view = w.sight_view();
    QVERIFY(!w.sight_dock()->isHidden());
    QVERIFY(view->rows().size() > 100);
    QCOMPARE(view->rows_view()->model()->rowCount(), static_cast<int>(view->rows().size()));
    QVERIFY(w.drawing_window());
    view->select_row(11);
    const auto highlight = w.drawing_window()->view()->highlight();
    QVERIFY(highlight.has_value());
    // From the eye to the hidden target: the chord of the eye path's ASD.
    const double asd = view->rows()[11].sight.asd;
    QVERIFY(highlight->length() <= asd + 1e-6 && highlight->length() > 0.9 * asd);

    // 结果 → 生成计算书… after the check alone: the report of the check.
    auto* report = w.findChild<QAction*>("GenerateReport");
    QVERIFY(report && report->isEnabled());
    const QString pdf = tmp.filePath("sight.pdf");
    dialogs.files << pdf;
    report->trigger();
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(read_all(pdf).startsWith("%PDF-"));
    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    if (text.waitForFinished(60000) && text.exitCode() == 0) {
      const QString t =
          QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
      QVERIFY(t.contains("视距检查计算书"));
      QVERIFY(t.contains("mainline-obstructions.txt"));
    }
  }
};

QTEST_MAIN(SightCheckWindowTest)
#include "sight_check_window_test.moc"
