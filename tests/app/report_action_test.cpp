// 结果 → 生成计算书… through the real main window, every dialog answered by
// FakeDialogs.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "fake_dialogs.h"
#include "main_window.h"

class ReportActionTest : public QObject {
  Q_OBJECT

 private slots:
  void writes_the_report_of_the_run_and_never_over_an_input() {
    QTemporaryDir tmp;
    const QString jdx = tmp.filePath("line.jdx");
    QVERIFY(QFile::copy(LUMORA_SOURCE_DIR "/examples/mainline.jdx", jdx));
    FakeDialogs dialogs;
    lumora::app::MainWindow w(dialogs);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* report = w.findChild<QAction*>("GenerateReport");
    QVERIFY(report);
    QVERIFY(!report->isEnabled());  // no results yet

    dialogs.files << jdx << LUMORA_SOURCE_DIR "/examples/mainline.dl";
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    w.findChild<QRadioButton*>("Option6")->setChecked(true);
    w.findChild<QLineEdit*>("Text2")->setText("200");
    dialogs.files << tmp.filePath("result.txt");
    QTest::mouseClick(w.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QCOMPARE(w.findChild<QLabel*>("Label2")->text(), QString("计算完成！"));
    QVERIFY(report->isEnabled());

    const QString pdf = tmp.filePath("计算书.pdf");
    dialogs.files << pdf;
    report->trigger();
    QCOMPARE(dialogs.asked.last().title, QString("保存计算书"));
    QVERIFY(dialogs.asked.last().save);
    QVERIFY(dialogs.messages.isEmpty());
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.read(5) == "%PDF-");

    // The alignment file, and the result file, are inputs of the report.
    const QByteArray before = [&] {
      QFile in(jdx);
      return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }();
    for (const QString& input : {jdx, tmp.filePath("result.txt")}) {
      dialogs.files << input;
      report->trigger();
      QCOMPARE(dialogs.messages.size(), 1);
      QCOMPARE(dialogs.messages.last().text, QString("保存文件被取消！"));
      dialogs.messages.clear();
    }
    QFile in(jdx);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), before);
  }
};

QTEST_MAIN(ReportActionTest)
#include "report_action_test.moc"
