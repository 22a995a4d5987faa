// The Qt user interface of the commands: filters, the folder of the last
// file, messages, choices, progress, and the placement helpers.
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

#include "fake_dialogs.h"
#include "main_window.h"
#include "qt_interface.h"
#include "status_strip.h"

using lumora::app::MessageKind;
using lumora::app::qt_filter;
using lumora::app::QtInterface;

class InterfaceTest : public QObject {
  Q_OBJECT
 private slots:
  void filters_become_qt_filters() {
    QCOMPARE(qt_filter("文本文件(*.txt;*.jdx)|*.txt;*.jdx|所有文件（*.*)|*.*"),
             QString("文本文件 (*.txt *.jdx);;所有文件 (*)"));
    QCOMPARE(qt_filter("桩号文件(*.txt)|*.txt|所有文件(*.*)|*.*"),
             QString("桩号文件 (*.txt);;所有文件 (*)"));
    // A description without its own pattern list, an empty pattern, and a
    // missing last pattern.
    QCOMPARE(qt_filter("DXF|*.dxf"), QString("DXF (*.dxf)"));
    QCOMPARE(qt_filter("任意|"), QString("任意 (*)"));
    QCOMPARE(qt_filter("只有说明"), QString());
  }

  void help_path_has_one_separator() {
    using lumora::app::help_file_path;
    QCOMPARE(help_file_path("/"), QString("/lumora-help.html"));
    QCOMPARE(help_file_path("/opt/lumora/bin"), QString("/opt/lumora/bin/lumora-help.html"));
    QCOMPARE(help_file_path("/opt/lumora/bin/"), QString("/opt/lumora/bin/lumora-help.html"));
    QCOMPARE(help_file_path("C:\\", "kvtr.chm"), QString("C:\\kvtr.chm"));
  }

  void dialogs_open_in_the_folder_of_the_last_file() {
    FakeDialogs d;
    QtInterface ui(d, nullptr);
    d.files << "/data/road/line.jdx" << QString() << "/other/out.txt";
    const auto first = ui.choose_file({"读取平面资料", "文本文件(*.txt)|*.txt", false});
    QVERIFY(first && *first == "/data/road/line.jdx");
    QCOMPARE(d.asked[0].folder, QString());
    // A cancelled dialog answers nothing and keeps the folder.
    QVERIFY(!ui.choose_file({"读取断链资料", "文本文件(*.txt)|*.txt", false}));
    QCOMPARE(d.asked[1].folder, QString("/data/road"));
    const auto saved = ui.choose_file({"保存最大横净距文件", "文本文件(*.txt)|*.txt", true});
    QVERIFY(saved && d.asked[2].save);
    QCOMPARE(d.asked[2].folder, QString("/data/road"));
    QCOMPARE(ui.last_folder(), QString("/other"));
    // Non-ASCII names survive the round trip to a file-system path.
    d.files << "/数据/主线.jdx";
    QCOMPARE(QString::fromStdString(ui.choose_file({"t", "", false})->string()),
             QString("/数据/主线.jdx"));
  }

  void messages_choices_and_warnings() {
    FakeDialogs d;
    QtInterface ui(d, nullptr);
    ui.show_message("错误", "数据文件格式有误或操作有误！", "line.jdx 第6行");
    ui.show_message("数据有误", "桩号A100超出平面数据文件，请修改！", "");
    QCOMPARE(d.messages[0].kind, MessageKind::critical);
    QCOMPARE(d.messages[0].detail, QString("line.jdx 第6行"));
    QCOMPARE(d.messages[1].kind, MessageKind::warning);

    d.item_answer = 1;
    QCOMPARE(ui.choose_item("选择线形", {"主线", "匝道A"}), std::optional<std::size_t>(1));
    QCOMPARE(d.items_offered, QStringList({"主线", "匝道A"}));
    d.item_answer = std::nullopt;
    QVERIFY(!ui.choose_item("选择线形", {"主线"}));
    d.item_answer = 5;  // out of range: treated as cancelled
    QVERIFY(!ui.choose_item("选择线形", {"主线"}));

    ui.warn("交点JD3与JD4的曲线重叠");
    QCOMPARE(ui.warnings().size(), 1);
    ui.begin_command();
    QVERIFY(ui.warnings().isEmpty());
  }

  void progress_moves_the_bar_and_handles_events_now_and_then() {
    FakeDialogs d;
    QtInterface ui(d, nullptr);
    QLabel label;
    QProgressBar bar;
    ui.set_status_label(&label);
    ui.set_progress_bar(&bar);
    ui.begin_command();
    int timer_runs = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++timer_runs; });
    timer.start(0);
    constexpr int n = 200000;
    for (int k = 1; k <= n; ++k) {
      ui.set_status(std::to_string(k) + "/" + std::to_string(n));
      ui.progress(k, n);
    }
    QCOMPARE(bar.maximum(), n);
    QCOMPARE(bar.value(), n);
    QCOMPARE(label.text(), QString("200000/200000"));
    // The last report always lets events through; the others only about 30
    // times a second, so a fast run is not slowed down by them.
    QVERIFY(ui.event_rounds() >= 1);
    QVERIFY(ui.event_rounds() < 1000);
    QVERIFY(timer_runs >= 1);

    QVERIFY(!ui.cancel_requested());
    ui.request_cancel();
    QVERIFY(ui.cancel_requested());
    ui.begin_command();
    QVERIFY(!ui.cancel_requested());
  }

  void strip_sits_centred_a_third_down() {
    using lumora::app::centred_position;
    QCOMPARE(centred_position(QRect(0, 0, 1600, 900), QSize(400, 60)), QPoint(600, 280));
    QCOMPARE(centred_position(QRect(100, 50, 1000, 600), QSize(200, 30)), QPoint(500, 240));
  }
};

QTEST_MAIN(InterfaceTest)
#include "interface_test.moc"
