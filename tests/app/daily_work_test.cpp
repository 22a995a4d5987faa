// The window for a day's work, through the real main window: number boxes
// that refuse mistyped numbers, the envelope fitted in the drawing, settings
// kept between sessions, results marked once they belong to an earlier
// initialization.
#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "cad/document.h"
#include "drawing_view.h"
#include "drawing_window.h"
#include "fake_dialogs.h"
#include "main_window.h"
#include "number_box.h"
#include "results_panel.h"

using lumora::app::MainWindow;
using lumora::app::number_box_invalid;

namespace {
QString example(const char* name) {
  return QString(LUMORA_SOURCE_DIR "/examples/") + name;
}
}  // namespace

class DailyWorkTest : public QObject {
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
  void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
  void open_window() {
    w = new MainWindow(*dialogs);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
  }
  void init_main_line() {
    get<QRadioButton>("Option7")->setChecked(true);
    dialogs->files << example("mainline.jdx") << example("mainline.dl");
    click("Command1");
    QVERIFY(w->session().initialized());
  }
  void run_interval(const QString& d, const QString& out) {
    get<QRadioButton>("Option6")->setChecked(true);
    text("Text2")->setText(d);
    dialogs->files << out;
    click("Command2");
    QVERIFY(!w->session().last_result().empty());
  }

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("LumoraTest");
    QCoreApplication::setApplicationName("daily_work_test");
  }
  void init() {
    QSettings().clear();
    dialogs = new FakeDialogs;
    open_window();
  }
  void cleanup() {
    delete w;
    delete dialogs;
  }

  void number_boxes_refuse_mistyped_numbers() {
    init_main_line();
    get<QRadioButton>("Option6")->setChecked(true);
    struct Box {
      const char* name;
      const char* caption;
    };
    for (const Box& b : {Box{"Text3", "视距"}, Box{"Text2", "固定桩号间距"}}) {
      for (const char* bad : {"1O0", "160m", "20abc", "abc"}) {
        text(b.name)->setText(bad);
        QVERIFY2(number_box_invalid(text(b.name)), bad);
        QVERIFY(!text(b.name)->styleSheet().isEmpty());  // the red frame
        const int asked = static_cast<int>(dialogs->asked.size());
        dialogs->messages.clear();
        click("Command2");
        QCOMPARE(dialogs->messages.size(), 1);
        QCOMPARE(dialogs->messages[0].detail, QString("%1「%2」不是数").arg(b.caption, bad));
        QCOMPARE(static_cast<int>(dialogs->asked.size()), asked);  // no file dialog
        QVERIFY(get<QLabel>("Label2")->text().startsWith("计算失败"));
      }
      for (const char* good : {" 110 ", "-7,25"}) {
        text(b.name)->setText(good);
        QVERIFY2(!number_box_invalid(text(b.name)), good);
        QVERIFY(text(b.name)->styleSheet().isEmpty());
      }
      text(b.name)->setText("100");
    }
    // The sight distance typed with blanks and a decimal comma computes as
    // the plain number.
    get<QRadioButton>("Option4")->setChecked(true);
    text("Text4")->setText("A2000");
    text("Text3")->setText(" 110 ");
    click("Command2");
    const QString plain = text("Text6")->text();
    QVERIFY(!plain.isEmpty());
    text("Text3")->setText("110,0");
    click("Command2");
    QCOMPARE(text("Text6")->text(), plain);
    // The eye offset: refused before the alignment dialog.
    for (const char* bad : {"1O0", "160m", "20abc", "abc"}) {
      text("Text1")->setText(bad);
      QVERIFY(number_box_invalid(text("Text1")));
      dialogs->messages.clear();
      dialogs->files << example("mainline.jdx") << example("mainline.dl");
      click("Command1");
      QCOMPARE(dialogs->messages.size(), 1);
      QCOMPARE(dialogs->messages[0].detail, QString("司机视点距设计线的距离「%1」不是数").arg(bad));
      dialogs->files.clear();
    }
    text("Text1")->setText("-7,25");
    QVERIFY(!number_box_invalid(text("Text1")));
  }

  void the_envelope_is_fitted_and_old_rows_draw_nothing() {
    init_main_line();
    run_interval("100", tmp.filePath("main.txt"));
    dialogs->files << tmp.filePath("main.txt");
    click("xpcmdbutton1");
    lumora::app::DrawingView* view = w->drawing_window()->view();
    const lumora::cad::DrawingDocument* doc = w->session().drawing();
    // The box of entities first … end on the screen: inside the view, and
    // filling it in one direction.
    auto fitted = [&](std::size_t first) {
      const auto box = doc->extents(first, doc->entities().size());
      const QRectF r =
          QRectF(view->to_screen(box.min_x, box.min_y), view->to_screen(box.max_x, box.max_y))
              .normalized();
      return QRectF(view->rect()).adjusted(-2, -2, 2, 2).contains(r) &&
             std::max(r.width() / view->width(), r.height() / view->height()) > 0.8;
    };
    QVERIFY(fitted(0));

    // The panel's rows belong to the main line: after the ramp is loaded
    // they are marked, and selecting one draws no sight line.
    auto* panel = w->results_panel();
    panel->select_row(3);
    QVERIFY(view->highlight().has_value());
    get<QRadioButton>("Option3")->setChecked(true);
    dialogs->files << example("ramp.txt");
    click("Command1");
    QVERIFY(w->session().interchange());
    QVERIFY(panel->stale());
    QVERIFY(!view->highlight().has_value());
    panel->select_row(5);
    QVERIFY(!view->highlight().has_value());

    // The ramp's envelope, far from the main line, is shown whole.
    view->set_view(QPointF(0, 0), 1e-3);
    run_interval("20", tmp.filePath("ramp-result.txt"));
    QVERIFY(!panel->stale());
    const std::size_t before = doc->entities().size();
    dialogs->files << tmp.filePath("ramp-result.txt");
    click("xpcmdbutton1");
    QVERIFY(fitted(before));
  }

  void warnings_go_to_the_list_in_order() {
    QVERIFY(!w->warnings_dock()->isVisible());
    w->interface().begin_command();
    w->warnings_panel()->begin("横净距计算");
    w->interface().warn("第一条");
    w->interface().warn("第二条");
    QVERIFY(w->warnings_dock()->isVisible());
    QCOMPARE(w->warnings_panel()->warning_count(), 2);
    const QStringList lines = w->warnings_panel()->text().split('\n');
    QCOMPARE(lines.size(), 3);  // the command's heading, then the warnings
    QVERIFY(lines[0].contains("横净距计算"));
    QCOMPARE(lines.mid(1), QStringList({"第一条", "第二条"}));
    const QString out = tmp.filePath("warnings.txt");
    dialogs->files << out;
    QVERIFY(w->warnings_panel()->save_as());
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), w->warnings_panel()->text() + "\n");
  }

  void settings_are_kept_between_sessions() {
    text("Text3")->setText("160");
    text("Text1")->setText("-3.5");
    get<QRadioButton>("Option6")->setChecked(true);
    get<QRadioButton>("Option1")->setChecked(true);
    get<QCheckBox>("Check2")->setChecked(false);
    init_main_line();
    w->resize(700, 560);
    w->close();
    delete w;
    open_window();
    QCOMPARE(text("Text3")->text(), QString("160"));
    QCOMPARE(text("Text1")->text(), QString("-3.5"));
    QVERIFY(get<QRadioButton>("Option6")->isChecked());
    QVERIFY(get<QRadioButton>("Option1")->isChecked());
    QVERIFY(!get<QCheckBox>("Check2")->isChecked());
    QCOMPARE(w->size(), QSize(700, 560));
    // The alignment dialog opens on the file used last time.
    dialogs->files << QString();
    click("Command1");
    QCOMPARE(dialogs->asked.last().folder, example("mainline.jdx"));
  }
};

QTEST_MAIN(DailyWorkTest)
#include "daily_work_test.moc"
