// The workflow through the real main window on the bundled examples, with
// every dialog answered by FakeDialogs.
#include "main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "cad/document.h"
#include "drawing_view.h"
#include "drawing_window.h"
#include "fake_dialogs.h"
#include "results_panel.h"
#include "status_strip.h"

using lumora::app::MainWindow;
using lumora::app::MessageKind;
using lumora::app::UnsavedAnswer;

namespace {

QString example(const char* name) {
  return QString(LUMORA_SOURCE_DIR "/examples/") + name;
}

QByteArray read_all(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

// Runs lumora-cli and returns its standard output.
QByteArray cli(const QStringList& args) {
  QProcess p;
  p.start(LUMORA_CLI, args);
  p.waitForFinished(120000);
  return p.readAllStandardOutput();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  FakeDialogs* dialogs = nullptr;
  MainWindow* w = nullptr;
  QTemporaryDir tmp;

  template <class T>
  T* get(const char* name) {
    T* c = w->findChild<T*>(name);
    if (!c) qFatal("no control %s", name);
    return c;
  }
  QLineEdit* text(const char* name) { return get<QLineEdit>(name); }
  QString status() { return get<QLabel>("Label2")->text(); }
  void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }

  // Initializes the example main line (with its chain breaks).
  void init_main_line() {
    dialogs->files << example("mainline.jdx") << example("mainline.dl");
    click("Command1");
    QCOMPARE(status(), QString("初始化完成！"));
  }

 private slots:
  void init() {
    dialogs = new FakeDialogs;
    w = new MainWindow(*dialogs);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
  }
  void cleanup() {
    delete w;
    delete dialogs;
  }

  // 设计速度 and 规范 fill 视距限值; typing returns the choice to "—"; the
  // profile file is asked for after the alignment's files when ticked.
  void design_speed_and_profile() {
    auto* speed = get<QComboBox>("DesignSpeed");
    auto* standard = get<QComboBox>("Standard");
    QVERIFY(!speed->isEnabled());  // like 视距限值 before initialization
    get<QCheckBox>("CheckProfile")->setChecked(true);
    dialogs->files << example("mainline.jdx") << example("mainline.dl")
                   << example("mainline-profile.txt");
    click("Command1");
    QCOMPARE(status(), QString("初始化完成！"));
    QCOMPARE(dialogs->titles().last(), QString("读取纵断面资料"));
    QVERIFY(w->session().profile() && w->results_panel()->profile_chart()->has_profile());
    QVERIFY(speed->isEnabled());
    speed->setCurrentText("100");
    QCOMPARE(text("Text3")->text(), QString("160"));
    standard->setCurrentIndex(1);  // AASHTO 2018 keeps the speed
    QCOMPARE(text("Text3")->text(), QString("185"));
    QTest::keyClick(text("Text3"), Qt::Key_5);
    QCOMPARE(speed->currentIndex(), 0);
    get<QCheckBox>("Check3")->setChecked(true);
    QVERIFY(!speed->isEnabled());
  }

  void starts_uninitialized_with_the_defaults() {
    QCOMPARE(w->windowTitle(), QString("Lumora V2.0"));
    QCOMPARE(status(), QString("需初始化！"));
    QCOMPARE(text("Text1")->text(), QString("-7.25"));
    QCOMPARE(text("Text2")->text(), QString("100"));
    QCOMPARE(text("Text3")->text(), QString("110"));
    QVERIFY(get<QRadioButton>("Option7")->isChecked());
    QVERIFY(get<QRadioButton>("Option4")->isChecked());
    QVERIFY(get<QRadioButton>("Option2")->isChecked());
    QVERIFY(get<QCheckBox>("Check1")->isChecked() && get<QCheckBox>("Check2")->isChecked());
    QVERIFY(!get<QCheckBox>("Check3")->isChecked() && !get<QCheckBox>("Check4")->isChecked());
    for (const char* off : {"Text2", "Text3", "Text4", "Text6", "Text10", "Text11"}) {
      QVERIFY2(!text(off)->isEnabled(), off);
    }
    for (const char* off : {"Command2", "xpcmdbutton1", "xpcmdbutton2"}) {
      QVERIFY2(!get<QPushButton>(off)->isEnabled(), off);
    }
    QCOMPARE(get<QPushButton>("Command1")->text(), QString("  初 始 化"));
    QCOMPARE(get<QPushButton>("xpcmdbutton4")->text(), QString("  帮  助"));
  }

  void inputs_before_initialization_change_nothing() {
    QTest::mouseClick(get<QRadioButton>("Option6"), Qt::LeftButton);
    QVERIFY(!text("Text2")->isEnabled());
    get<QCheckBox>("Check3")->setChecked(true);
    get<QCheckBox>("Check3")->setChecked(false);
    QVERIFY(!text("Text3")->isEnabled());
    get<QCheckBox>("Check4")->setChecked(true);
    QVERIFY(!text("Text1")->isEnabled());
    QCOMPARE(status(), QString("需初始化！"));
    get<QCheckBox>("Check4")->setChecked(false);
    QVERIFY(text("Text1")->isEnabled());
  }

  void enter_in_the_chainage_box_computes_the_single_clearance() {
    init_main_line();
    QCOMPARE(dialogs->titles(), QStringList({"读取平面资料", "读取断链资料"}));
    QCOMPARE(dialogs->asked[0].filter, QString("文本文件 (*.txt *.jdx);;所有文件 (*)"));
    QCOMPARE(text("Text10")->text(), QString("1234.567"));
    // The end chainage is unique on the line: no segment letter.
    QCOMPARE(text("Text11")->text(), QString("12545.347"));
    QVERIFY(text("Text4")->isEnabled() && text("Text6")->isEnabled());
    QVERIFY(text("Text3")->isEnabled() && !text("Text2")->isEnabled());
    QVERIFY(get<QPushButton>("Command2")->isEnabled());

    text("Text4")->setFocus();
    text("Text4")->setText("A2500");
    QTest::keyClick(text("Text4"), Qt::Key_Return);
    const QByteArray expected = cli({"clearance", "--pi", example("mainline.jdx"), "--chain-breaks",
                                     example("mainline.dl"), "--at", "A2500"});
    QCOMPARE(text("Text6")->text().toUtf8() + "\n", expected);
    QCOMPARE(text("Text6")->text(), QString("-1.268"));
    text("Text6")->clear();
    click("Command2");  // the button computes the same
    QCOMPARE(text("Text6")->text(), QString("-1.268"));
    QCOMPARE(status(), QString("初始化完成！"));  // a single chainage leaves the status
    // Typing a new chainage empties the result.
    QTest::keyClick(text("Text4"), Qt::Key_0);
    QVERIFY(text("Text6")->text().isEmpty());

    // A chainage beyond the line: the check's message, and the box gets the
    // focus back.
    w->activateWindow();
    text("Text4")->setText("A100");
    click("Command2");
    QCOMPARE(dialogs->messages.size(), 1);
    QCOMPARE(dialogs->messages[0].title, QString("数据有误"));
    QCOMPARE(dialogs->messages[0].text, QString("桩号A100超出平面数据文件，请修改！"));
    QVERIFY(text("Text6")->text().isEmpty());
  }

  void changing_the_eye_offset_needs_a_new_initialization() {
    init_main_line();
    text("Text1")->setFocus();
    QTest::keyClick(text("Text1"), Qt::Key_5);
    QCOMPARE(status(), QString("需初始化！"));
    QVERIFY(!get<QPushButton>("Command2")->isEnabled());
    QVERIFY(!get<QPushButton>("xpcmdbutton1")->isEnabled());
    QVERIFY(!text("Text4")->isEnabled());
    QVERIFY(text("Text3")->isEnabled());  // keeps its enabling
    QVERIFY(!w->session().initialized());
    // The mode options do nothing until the next initialization.
    get<QRadioButton>("Option6")->setChecked(true);
    QVERIFY(!text("Text2")->isEnabled());
    // Ticking the eye-offset file resets an initialization too.
    text("Text1")->setText("-7.25");
    init_main_line();
    QVERIFY(text("Text2")->isEnabled());
    get<QCheckBox>("Check4")->setChecked(true);
    QCOMPARE(status(), QString("需初始化！"));
    QVERIFY(!get<QPushButton>("xpcmdbutton2")->isEnabled() && !text("Text2")->isEnabled());
  }

  void mode_options_switch_their_inputs() {
    init_main_line();
    get<QRadioButton>("Option6")->setChecked(true);
    QVERIFY(text("Text2")->isEnabled() && text("Text10")->isEnabled());
    QVERIFY(!text("Text4")->isEnabled() && !text("Text6")->isEnabled());
    get<QRadioButton>("Option5")->setChecked(true);
    QVERIFY(!text("Text2")->isEnabled() && !text("Text11")->isEnabled());
    QVERIFY(!text("Text4")->isEnabled());
    get<QCheckBox>("Check3")->setChecked(true);
    QVERIFY(!text("Text3")->isEnabled());
    get<QCheckBox>("Check3")->setChecked(false);
    QVERIFY(text("Text3")->isEnabled());
  }

  void text_boxes_select_all_and_turn_green_on_focus() {
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QLineEdit* t1 = text("Text1");
    const QColor normal = t1->palette().color(QPalette::Base);
    t1->setFocus();
    QTRY_VERIFY(t1->hasFocus());
    QTRY_COMPARE(t1->selectedText(), QString("-7.25"));
    QCOMPARE(t1->palette().color(QPalette::Base), QColor(0xC0, 0xFF, 0xC0));
    get<QCheckBox>("Check4")->setFocus();
    QTRY_VERIFY(!t1->hasFocus());
    QCOMPARE(t1->palette().color(QPalette::Base), normal);
  }

  void list_and_interval_runs_write_what_the_command_line_writes_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("files");
    QTest::newRow("interval 100") << "100" << false;
    QTest::newRow("interval 50, limit and eye-offset files") << "50" << true;
    QTest::newRow("chainage list") << "list" << true;
  }
  void list_and_interval_runs_write_what_the_command_line_writes() {
    QFETCH(QString, mode);
    QFETCH(bool, files);
    QStringList args{"clearance", "--pi", example("mainline.jdx"), "--chain-breaks",
                     example("mainline.dl")};
    dialogs->files << example("mainline.jdx") << example("mainline.dl");
    if (files) {
      get<QCheckBox>("Check4")->setChecked(true);
      dialogs->files << example("eye-offsets.txt");
      args << "--eye-offset-file" << example("eye-offsets.txt");
    }
    click("Command1");
    QCOMPARE(status(), QString("初始化完成！"));
    if (files) {
      get<QCheckBox>("Check3")->setChecked(true);
      dialogs->files << example("sight-limits.txt");
      args << "--sight-file" << example("sight-limits.txt");
    }
    if (mode == "list") {
      get<QRadioButton>("Option5")->setChecked(true);
      dialogs->files << example("chainages.txt");
      args << "--list" << example("chainages.txt");
    } else {
      get<QRadioButton>("Option6")->setChecked(true);
      text("Text2")->setText(mode);
      args << "--interval" << mode;
    }
    const QString out = tmp.filePath("window-" + mode + ".txt");
    dialogs->files << out;
    QSignalSpy written(w, &MainWindow::results_changed);
    click("Command2");
    QVERIFY2(dialogs->messages.isEmpty(),
             qPrintable(dialogs->messages.value(0).text + dialogs->messages.value(0).detail));
    QCOMPARE(status(), QString("计算完成！"));
    QCOMPARE(written.count(), 1);
    QCOMPARE(dialogs->asked.last().title, QString("保存最大横净距文件"));
    QVERIFY(dialogs->asked.last().save);
    // Every dialog after the first opens in the folder of the file before.
    QCOMPARE(dialogs->asked.last().folder, QString(LUMORA_SOURCE_DIR "/examples"));
    const QByteArray mine = read_all(out);
    QVERIFY(!mine.isEmpty());
    QCOMPARE(mine, cli(args));
    QCOMPARE(get<QProgressBar>("ProgressBar")->value(),
             get<QProgressBar>("ProgressBar")->maximum());
    QVERIFY(!w->session().last_result().empty());
  }

  void cancelled_dialogs_end_with_their_message() {
    // The first dialog cancelled: the status keeps its text.
    click("Command1");
    QCOMPARE(dialogs->messages.size(), 1);
    QCOMPARE(dialogs->messages[0].kind, MessageKind::critical);
    QCOMPARE(dialogs->messages[0].title, QString("错误"));
    QCOMPARE(dialogs->messages[0].text, QString("读取文件被取消！"));
    QCOMPARE(status(), QString("需初始化！"));
    // The chain-break dialog cancelled: the commands stay disabled.
    dialogs->files << example("mainline.jdx") << QString();
    click("Command1");
    QCOMPARE(dialogs->messages.size(), 2);
    QCOMPARE(dialogs->messages[1].text, QString("读取文件被取消！"));
    QCOMPARE(dialogs->titles().last(), QString("读取断链资料"));
    QVERIFY(!get<QPushButton>("Command2")->isEnabled());
    // The save dialog of a run cancelled: "保存文件被取消！", no result.
    init_main_line();
    get<QRadioButton>("Option6")->setChecked(true);
    text("Text2")->setText("500");
    click("Command2");
    QCOMPARE(dialogs->messages.last().text, QString("保存文件被取消！"));
    QVERIFY(w->session().last_result().empty());
  }

  void a_data_error_is_shown_with_its_detail() {
    const QString bad = tmp.filePath("bad.jdx");
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("title\n1000\nstart\n3000 5000 0 0 0\nJD1\n3800 x 800 120 120\nend\n5200 6100 0 0 0\n");
    f.close();
    dialogs->files << bad;
    click("Command1");
    QCOMPARE(dialogs->messages.size(), 1);
    QCOMPARE(dialogs->messages[0].kind, MessageKind::critical);
    QCOMPARE(dialogs->messages[0].text, QString("数据文件格式有误或操作有误！"));
    QVERIFY2(dialogs->messages[0].detail.contains("bad.jdx"),
             qPrintable(dialogs->messages[0].detail));
    QVERIFY2(dialogs->messages[0].detail.contains("6"), qPrintable(dialogs->messages[0].detail));
    QCOMPARE(status(), QString("需初始化！"));
  }

  void an_interchange_never_asks_for_chain_breaks() {
    get<QRadioButton>("Option3")->setChecked(true);
    dialogs->files << example("ramp.txt");
    click("Command1");
    QCOMPARE(status(), QString("初始化完成！"));
    QCOMPARE(dialogs->titles(), QStringList({"读取平面资料"}));
    QCOMPARE(text("Text10")->text(), QString("100"));
    QVERIFY(QRegularExpression("^\\d+\\.\\d{3}$").match(text("Text11")->text()).hasMatch());

    // Its design line goes the same way as a main line's.
    click("xpcmdbutton2");
    QCOMPARE(status(), QString("设计线完成！"));
    QCOMPARE(w->status_strip()->text(), QString("设计线绘制完毕，双击返回"));
    QVERIFY(!w->session().drawing()->entities().empty());

    // A result file with too few fields: the message names the line, and
    // the drawing keeps what it held.
    const QString bad = tmp.filePath("short.txt");
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("200  1.000  -7.250\n");
    f.close();
    const auto before = w->session().drawing()->entities().size();
    dialogs->files << bad;
    click("xpcmdbutton1");
    QCOMPARE(dialogs->messages.size(), 1);
    QCOMPARE(dialogs->messages[0].text, QString("数据文件格式有误或操作有误！"));
    QVERIFY2(dialogs->messages[0].detail.contains("short.txt"),
             qPrintable(dialogs->messages[0].detail));
    QCOMPARE(w->session().drawing()->entities().size(), before);
    QCOMPARE(status(), QString("设计线完成！"));
  }

  void drawings_go_into_the_drawing_window() {
    init_main_line();
    get<QRadioButton>("Option6")->setChecked(true);
    const QString result = tmp.filePath("for-envelope.txt");
    dialogs->files << result;
    click("Command2");
    QCOMPARE(status(), QString("计算完成！"));

    // The envelope: the drawing window comes up with the drawing.
    dialogs->files << result;
    click("xpcmdbutton1");
    QCOMPARE(status(), QString("包络图完成！"));
    QCOMPARE(dialogs->asked.last().title, QString("读取最大横净距文件"));
    auto* drawing = w->drawing_window();
    QVERIFY(drawing && drawing->isVisible());
    const auto* doc = w->session().drawing();
    QVERIFY(doc && drawing->view()->document() == doc);
    const std::size_t envelope_entities = doc->entities().size();
    QVERIFY(envelope_entities > 0);
    QVERIFY(drawing->has_unsaved_drawing());

    // The design line: the strip shows the stages while the main window is
    // hidden; a double-click on the strip's text brings it back.
    QStringList stages;
    bool main_hidden_while_drawing = true;
    bool locked_while_drawing = true;
    click("xpcmdbutton2");  // creates the strip on first use; drawn again below
    auto* strip = w->status_strip();
    QVERIFY(strip);
    connect(strip, &lumora::app::StatusStrip::text_changed, this, [&](const QString& t) {
      stages << t;
      main_hidden_while_drawing = main_hidden_while_drawing && !w->isVisible();
      locked_while_drawing = locked_while_drawing && !drawing->new_drawing_action()->isEnabled();
    });
    QVERIFY(strip->isVisible() && !w->isVisible());
    QCOMPARE(strip->text(), QString("设计线绘制完毕，双击返回"));
    QCOMPARE(status(), QString("设计线完成！"));
    const std::size_t once = doc->entities().size() - envelope_entities;
    QTest::mouseDClick(strip->label(), Qt::LeftButton);
    QVERIFY(!strip->isVisible());
    QVERIFY(w->isVisible());

    // Drawing again draws everything again, into the same drawing.
    click("xpcmdbutton2");
    QVERIFY(main_hidden_while_drawing);
    QVERIFY(locked_while_drawing);
    QVERIFY(drawing->new_drawing_action()->isEnabled());
    QVERIFY(stages.contains("正在生成设计线"));
    QVERIFY(stages.contains("正在标注断链"));
    QCOMPARE(stages.last(), QString("设计线绘制完毕，双击返回"));
    QCOMPARE(doc->entities().size(), envelope_entities + 2 * once);
    // The last "zoom e" fitted the view to the drawing.
    auto* view = drawing->view();
    const double fitted = view->scale();
    const auto box = doc->extents();
    const QPointF mid = view->to_screen((box.min_x + box.max_x) / 2, (box.min_y + box.max_y) / 2);
    QVERIFY(std::abs(mid.x() - view->width() / 2.0) < 1);
    QVERIFY(std::abs(mid.y() - view->height() / 2.0) < 1);
    QVERIFY(fitted * (box.max_x - box.min_x) <= view->width() + 1);
    QVERIFY(fitted * (box.max_y - box.min_y) <= view->height() + 1);
    QTest::mouseDClick(strip, Qt::LeftButton);
    QVERIFY(w->isVisible());

    // 新建图形 asks first: cancel keeps the drawing, saving writes a DXF and
    // then empties it.
    dialogs->unsaved_answers << UnsavedAnswer::cancel;
    drawing->new_drawing_action()->trigger();
    QCOMPARE(dialogs->unsaved_questions, 1);
    QVERIFY(!doc->entities().empty());
    const QString dxf = tmp.filePath("drawing");  // the suffix is added
    dialogs->unsaved_answers << UnsavedAnswer::save;
    dialogs->files << dxf;
    drawing->new_drawing_action()->trigger();
    QVERIFY(read_all(dxf + ".dxf").contains("AC1015"));
    QVERIFY(doc->entities().empty());
    QVERIFY(!drawing->has_unsaved_drawing());

    // 用CAD程序打开 saves a DXF and opens it with the desktop's program.
    click("xpcmdbutton2");
    QTest::mouseDClick(strip, Qt::LeftButton);
    drawing->open_in_cad_action()->trigger();
    QCOMPARE(dialogs->opened.size(), 1);
    QVERIFY(read_all(dialogs->opened[0].toLocalFile()).contains("AC1015"));
    QFile::remove(dialogs->opened[0].toLocalFile());

    // Leaving with unsaved drawing asks; cancel keeps the program running.
    QSignalSpy closed(w, &MainWindow::closed);
    dialogs->unsaved_answers << UnsavedAnswer::cancel;
    click("xpcmdbutton5");
    QCOMPARE(closed.count(), 0);
    QVERIFY(w->isVisible());
    dialogs->unsaved_answers << UnsavedAnswer::discard;
    click("xpcmdbutton5");
    QCOMPARE(closed.count(), 1);
  }

  void a_long_run_stays_responsive_and_can_be_cancelled() {
    init_main_line();
    get<QRadioButton>("Option6")->setChecked(true);
    text("Text2")->setText("1");
    const QString out = tmp.filePath("cancelled.txt");
    dialogs->files << out;
    QString seen_status;
    bool inputs_locked = false;
    // The click arrives through the event loop, which only a run that lets
    // the window handle its events delivers.
    QTimer::singleShot(0, this, [&] {
      seen_status = status();
      inputs_locked = !get<QPushButton>("Command1")->isEnabled();
      QTest::mouseClick(get<QPushButton>("CancelButton"), Qt::LeftButton);
    });
    click("Command2");
    QVERIFY2(QRegularExpression("^\\d+/\\d+$").match(seen_status).hasMatch(),
             qPrintable(seen_status));
    QVERIFY(inputs_locked);
    QCOMPARE(status(), QString("计算已取消！"));
    QVERIFY(!QFile::exists(out));
    QCOMPARE(dialogs->titles().last(), QString("读取断链资料"));  // no save dialog
    QVERIFY(dialogs->messages.isEmpty());
    QVERIFY(w->interface().event_rounds() >= 1);
    QVERIFY(get<QPushButton>("Command1")->isEnabled());
    QVERIFY(!get<QPushButton>("CancelButton")->isEnabled());

    // Closing the window during a run ends the run first, then the program.
    QSignalSpy closed(w, &MainWindow::closed);
    QTimer::singleShot(0, w, &QWidget::close);
    click("Command2");
    QCOMPARE(status(), QString("计算已取消！"));
    QCOMPARE(closed.count(), 1);
    QVERIFY(!QFile::exists(out));
  }

  void help_and_about() {
    QTemporaryDir folder;
    QFile::copy(QString(LUMORA_SOURCE_DIR "/src/app/help/lumora-help.html"),
                folder.filePath("lumora-help.html"));
    w->set_program_folder(folder.path() + "/");
    QCOMPARE(w->help_path(), folder.path() + "/lumora-help.html");
    click("xpcmdbutton4");
    QVERIFY(w->help_window() && w->help_window()->isVisible());
    QVERIFY(w->help_window()->toPlainText().contains("横净距"));

    // Installed: the program in bin/, the help in share/lumora/.
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath("bin") && QDir(prefix.path()).mkpath("share/lumora"));
    QFile::copy(folder.filePath("lumora-help.html"),
                prefix.filePath("share/lumora/lumora-help.html"));
    w->set_program_folder(prefix.filePath("bin"));
    QCOMPARE(QFileInfo(w->help_path()).canonicalFilePath(),
             QFileInfo(prefix.filePath("share/lumora/lumora-help.html")).canonicalFilePath());

    w->set_program_folder(tmp.filePath("nowhere"));
    w->help_window()->hide();
    click("xpcmdbutton4");
    QCOMPARE(dialogs->messages.size(), 1);
    QVERIFY(dialogs->messages[0].detail.endsWith("nowhere/lumora-help.html"));

    click("xpcmdbutton3");
    QCOMPARE(dialogs->about_texts.size(), 1);
    QVERIFY(dialogs->about_texts[0].contains("Lumora V2.0"));
    QVERIFY(dialogs->about_texts[0].contains("Qt") && dialogs->about_texts[0].contains("LGPL"));
  }

  void results_fill_the_panel_and_a_row_centres_the_drawing() {
    auto* panel = w->results_panel();
    QVERIFY(panel && w->results_dock() && !w->results_dock()->isVisible());
    init_main_line();
    get<QRadioButton>("Option6")->setChecked(true);
    text("Text2")->setText("100");
    const QString result = tmp.filePath("panel.txt");
    dialogs->files << result;
    click("Command2");
    QCOMPARE(status(), QString("计算完成！"));
    const int rows = static_cast<int>(w->session().last_result().size());
    QVERIFY(rows > 50);
    QVERIFY(w->results_dock()->isVisible());
    QCOMPARE(panel->rows_model()->rowCount(), rows);
    QCOMPARE(panel->summary_model()->rowCount(), 9);

    // 结果 → 打开结果文件…: a file the envelope refuses gives its message
    // and keeps the rows shown; a good one fills the panel.
    QAction* open = w->findChild<QAction*>("OpenResultFile");
    QVERIFY(open);
    const QString bad = tmp.filePath("bad.txt");
    {
      QFile f(bad);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("1300 1 2 3\r\n");
    }
    dialogs->files << bad;
    open->trigger();
    QCOMPARE(dialogs->messages.last().text, QString("数据文件格式有误或操作有误！"));
    QCOMPARE(panel->rows_model()->rowCount(), rows);
    dialogs->files << result;
    open->trigger();
    QCOMPARE(dialogs->asked.last().title, QString("读取最大横净距文件"));
    QCOMPARE(panel->rows_model()->rowCount(), rows);

    // Before an envelope is drawn a selection leaves the drawing alone; after
    // it the view centres on the row's eye point and highlights its sight line.
    dialogs->files << result;
    click("xpcmdbutton1");
    QCOMPARE(status(), QString("包络图完成！"));
    auto* view = w->drawing_window()->view();
    QVERIFY(!view->highlight());
    panel->select_row(10);
    QVERIFY(view->highlight().has_value());
    const auto& row = w->session().last_result()[10];
    const auto* line = w->session().alignment();
    const auto eye = line->point_at(row.chainage);
    const double a = eye.azimuth - M_PI / 2;
    QVERIFY(std::fabs(view->centre().x() - (eye.y + std::sin(a) * row.offset)) < 1e-6);
    QVERIFY(std::fabs(view->centre().y() - (eye.x + std::cos(a) * row.offset)) < 1e-6);
    QVERIFY(view->highlight()->length() > 100);  // a sight line of 110 m or more

    // The drawing saved for print: the light background.
    const QString svg = tmp.filePath("print.svg");
    dialogs->files << svg;
    w->drawing_window()->save_svg_print_action()->trigger();
    QVERIFY(read_all(svg).contains("fill=\"#ffffff\""));
  }

  void results_panel_has_its_place() {
    QVERIFY(w->results_menu());
    auto* panel = new QLabel("panel");
    w->set_results_panel(panel);
    QVERIFY(w->results_dock() && w->results_dock()->widget() == panel);
    QVERIFY(!w->results_menu()->actions().isEmpty());
    QVERIFY(w->results_menu()->actions().last()->isEnabled());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
