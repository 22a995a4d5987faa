// Renders the results panel after the bundled example's 20 m run (main line
// with chain breaks and sight-distance limits) into a PNG:
//   results_panel_shot OUT.png [RESULT-FILE]
// The row of the largest clearance of the third curve is selected, so the
// picture shows the mark in the plot as well. The result file is written to
// RESULT-FILE (default: a temporary file).
#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTimer>
#include <iostream>

#include "results_panel.h"
#include "session/scripted_interface.h"
#include "session/session.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::cerr << "usage: results_panel_shot OUT.png [RESULT-FILE]\n";
    return 2;
  }
  const std::string src = LUMORA_SOURCE_DIR;
  const std::string result =
      argc > 2 ? argv[2] : QDir::temp().filePath("lumora-results-shot.txt").toStdString();

  lumora::session::ScriptedInterface ui;
  lumora::session::Session s(ui);
  ui.answer(src + "/examples/mainline.jdx");
  ui.answer(src + "/examples/mainline.dl");
  if (!s.initialize({})) return 1;
  lumora::session::ClearanceOptions c;
  c.mode = lumora::session::ChainageMode::interval;
  c.interval_text = "20";
  c.sight_file = true;
  ui.answer(src + "/examples/sight-limits.txt");
  ui.answer(result);
  if (!s.clearance(c)) {
    for (const auto& m : ui.messages) std::cerr << m.message << " " << m.detail << "\n";
    return 1;
  }

  lumora::app::ResultsPanel panel;
  panel.setWindowTitle("Lumora — 结果");
  panel.resize(1400, 900);
  panel.show_session(s);
  panel.show();
  QTimer::singleShot(300, [&] {
    panel.summary_view()->setCurrentIndex(panel.summary_view()->model()->index(2, 0));
    QTimer::singleShot(300, [&] {
      const bool ok = panel.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
      app.exit(ok ? 0 : 1);
    });
  });
  return app.exec();
}
