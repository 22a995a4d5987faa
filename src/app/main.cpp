// lumora: the desktop window of Lumora.
//
//   lumora                                   the main window
//   lumora --screenshots OUT --examples DIR  runs the workflow on the example
//                                            files and saves pictures of the
//                                            main window and the drawing
//                                            window into OUT (for the docs)
#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QDockWidget>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "dialog_provider.h"
#include "drawing_view.h"
#include "drawing_window.h"
#include "main_window.h"
#include "results_panel.h"
#include "status_strip.h"

namespace {

using namespace lumora::app;

// Answers the dialogs of the screenshot run from a table of file names.
class ExampleDialogs : public DialogProvider {
 public:
  QMap<QString, QString> files;  // dialog title -> file

  QString open_file(QWidget*, const QString& title, const QString&, const QString&) override {
    return files.value(title);
  }
  QString save_file(QWidget*, const QString& title, const QString&, const QString&) override {
    return files.value(title);
  }
  void message(QWidget*, MessageKind, const QString& title, const QString& text,
               const QString& detail) override {
    std::fprintf(stderr, "%s: %s %s\n", qPrintable(title), qPrintable(text), qPrintable(detail));
  }
  std::optional<int> choose_item(QWidget*, const QString&, const QString&,
                                 const QStringList&) override {
    return 0;
  }
  UnsavedAnswer ask_unsaved(QWidget*, const QString&, const QString&) override {
    return UnsavedAnswer::discard;
  }
  void about(QWidget*, const QString&, const QString&) override {}
  bool open_url(const QUrl&) override { return false; }
};

void settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool save(QWidget* w, const QString& file) {
  settle();
  const bool ok = w->grab().save(file);
  std::fprintf(stderr, "%s %s\n", ok ? "saved" : "failed to save", qPrintable(file));
  return ok;
}

int screenshots(const QString& out, const QString& examples) {
  ExampleDialogs dialogs;
  QTemporaryDir tmp;
  const QDir ex(examples);
  dialogs.files["读取平面资料"] = ex.filePath("mainline.jdx");
  dialogs.files["读取断链资料"] = ex.filePath("mainline.dl");
  dialogs.files["读取视距限值文件"] = ex.filePath("sight-limits.txt");
  dialogs.files["读取纵断面资料"] = ex.filePath("mainline-profile.txt");
  dialogs.files["保存最大横净距文件"] = tmp.filePath("clearance.txt");
  dialogs.files["读取最大横净距文件"] = tmp.filePath("clearance.txt");
  QDir().mkpath(out);

  MainWindow w(dialogs);
  w.show();
  settle();
  auto find_text = [&](const char* name) { return w.findChild<QLineEdit*>(name); };
  w.findChild<QCheckBox*>("CheckProfile")->setChecked(true);
  w.initialize();
  w.findChild<QRadioButton*>("Option6")->setChecked(true);
  find_text("Text2")->setText("20");
  w.findChild<QCheckBox*>("Check3")->setChecked(true);
  w.compute_clearance();
  w.draw_envelope();
  w.draw_design_line();
  settle();
  if (auto* strip = w.status_strip()) strip->close();
  w.show();
  w.findChild<QRadioButton*>("Option4")->setChecked(true);
  find_text("Text4")->setText("A2500");
  w.compute_clearance();
  find_text("Text4")->setFocus();
  // The main window alone; the results panel gets its own picture.
  if (w.results_dock()) w.results_dock()->hide();
  w.adjustSize();
  bool ok = save(&w, QDir(out).filePath("main-window.png"));

  DrawingWindow* d = w.drawing_window();
  if (!d) return 1;
  d->resize(1200, 800);
  d->show();
  settle();
  d->view()->zoom_extents();
  ok = save(d, QDir(out).filePath("drawing-window.png")) && ok;
  // A closer look at one curve with its stakes, sight lines and envelope.
  d->view()->set_view(QPointF(499400, 3402380), 1.6);
  ok = save(d, QDir(out).filePath("drawing-detail.png")) && ok;

  // The results of the 20 m run, with the row of the largest clearance of
  // the third curve selected (marked in the plot).
  QDockWidget* dock = w.results_dock();
  ResultsPanel* panel = w.results_panel();
  if (!dock || !panel) return 1;
  dock->setFloating(true);
  dock->show();
  dock->resize(1400, 900);
  settle();
  panel->summary_view()->setCurrentIndex(panel->summary_view()->model()->index(2, 0));
  ok = save(panel, QDir(out).filePath("results-panel.png")) && ok;
  // The drawing centred on that row, its sight line highlighted.
  d->view()->set_view(d->view()->centre(), 2.5);
  ok = save(d, QDir(out).filePath("drawing-sight-line.png")) && ok;
  // The long section of the example profile.
  panel->plot_tabs()->setCurrentWidget(panel->profile_chart());
  ok = save(panel, QDir(out).filePath("profile-view.png")) && ok;
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Q_INIT_RESOURCE(lumora);  // the icon, compiled into the window's library
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lumora");
  QApplication::setApplicationVersion(LUMORA_VERSION);
  QApplication::setWindowIcon(QIcon(":/lumora/lumora.png"));
  // Chinese captions in a font that has every glyph of them.
  if (QFontDatabase::families().contains("Noto Sans CJK SC")) {
    QFont f = QApplication::font();
    f.setFamilies({"Noto Sans CJK SC"});
    QApplication::setFont(f);
  }

  // The window speaks Chinese; so do Qt's own dialogs (file dialogs,
  // buttons) when their translations are installed.
  QTranslator qt_texts;
  if (qt_texts.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qt_texts);
  }

  QCommandLineParser parser;
  parser.setApplicationDescription("Lumora: 公路平面最大横净距");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption shots("screenshots", "Save pictures of the windows into DIR.", "DIR");
  QCommandLineOption examples("examples", "Folder of the example files.", "DIR", "examples");
  parser.addOption(shots);
  parser.addOption(examples);
  parser.process(app);
  if (parser.isSet(shots)) return screenshots(parser.value(shots), parser.value(examples));

  QApplication::setQuitOnLastWindowClosed(false);
  QtDialogProvider dialogs;
  MainWindow w(dialogs);
  QObject::connect(&w, &MainWindow::closed, &app, &QApplication::quit);
  w.show();
  return app.exec();
}
