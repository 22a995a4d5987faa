// The main window of Lumora: the inputs of initialization and of the
// clearance and drawing commands, grouped in their frames, the status label,
// the progress of long runs with its cancel button, and the seven command
// buttons. The commands themselves are the Session's; the window supplies
// their options from its controls and keeps the enabling rules:
//
// - before initialization (and after any change of the eye offset) the
//   computing and drawing commands and the mode inputs are disabled and the
//   status reads "需初始化！";
// - after it, the chainage mode options switch the single-chainage and
//   interval inputs on and off.
//
// Controls carry the object names of the window's design (Option7, Text4,
// Command2, xpcmdbutton1, …), by which scripts and tests find them.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTextBrowser>
#include <memory>

#include "drawing_window.h"
#include "elided_label.h"
#include "qt_interface.h"
#include "results_panel.h"
#include "session/session.h"
#include "sight_check_frame.h"
#include "sight_check_view.h"
#include "status_strip.h"
#include "warnings_panel.h"

class QCheckBox;
class QDockWidget;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace lumora::app {

class DialogProvider;

/// The name of the help document shipped beside the program.
inline constexpr const char* kHelpFileName = "lumora-help.html";

/// The help file in `folder`: the folder and the file name, with exactly one
/// separator between them (also for a root folder such as "/").
QString help_file_path(const QString& folder, const QString& name = kHelpFileName);

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(DialogProvider& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  session::Session& session() { return session_; }
  QtInterface& interface() { return ui_; }

  /// The drawing window (created by the first drawing command) and the
  /// drawing-status strip (created by the first design-line drawing).
  DrawingWindow* drawing_window() const { return drawing_; }
  StatusStrip* status_strip() const { return strip_; }
  QTextBrowser* help_window() const { return help_; }

  /// Places a results panel (plot, table, summary) in the window's dock area
  /// and lets the menu "结果" show and hide it. The window takes ownership.
  void set_results_panel(QWidget* panel);
  QDockWidget* results_dock() const { return results_dock_; }
  QMenu* results_menu() const { return results_menu_; }
  /// The results panel the window makes for itself (plot, rows, summary).
  /// Null once set_results_panel() has replaced it.
  ResultsPanel* results_panel() const { return results_panel_.data(); }

  /// The help document the help button opens: beside the program, else in
  /// the installed data folder.
  QString help_path() const;
  /// Overrides the program's folder (for tests and relocated installs).
  void set_program_folder(const QString& folder) { program_folder_ = folder; }

  /// Moves the window to the horizontal centre and a third of the way down
  /// the screen.
  void centre_on_screen();

  /// True while a list or interval run is in progress.
  bool busy() const { return busy_; }

  /// The 警告 list and its dock.
  WarningsPanel* warnings_panel() const { return warnings_; }
  QDockWidget* warnings_dock() const { return warnings_dock_; }
  /// The loaded alignment as the window shows it (file, kind, name, start
  /// and end chainage); empty before initialization.
  QString loaded_text() const { return loaded_->full_text(); }
  /// Saves the inputs, the window's geometry and the drawing options
  /// (also done when the window closes).
  void save_settings() const;

 public slots:
  void initialize();
  void compute_clearance();
  void draw_envelope();
  void draw_design_line();
  void show_about();
  void show_help();
  void cancel_run();
  /// "结果 → 打开结果文件…": reads a result file as the envelope does and
  /// shows it in the results panel.
  void open_result_file();
  /// "视距检查": the sight check with the chainage mode and sight distance
  /// of the clearance frame and the inputs of the frame 视距检查.
  void check_sight();

 signals:
  /// A list or interval run has written its result file
  /// (session().last_result() holds its rows).
  void results_changed();
  /// The user ended the program (退出, or the window was closed).
  void closed();

 protected:
  void closeEvent(QCloseEvent*) override;
  void showEvent(QShowEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  void invalidate();
  void apply_mode();
  void set_commands_enabled(bool on);
  void set_busy(bool on);
  void show_warnings();
  void show_loaded();
  void report_failure(const QString& command);
  DrawingWindow& ensure_drawing_window();
  StatusStrip& ensure_strip();
  void show_results();
  void show_row_in_drawing(const session::ResultRow& row);
  session::ClearanceOptions clearance_options() const;

  DialogProvider& dialogs_;
  QtInterface ui_;
  session::Session session_;
  QString program_folder_;
  bool busy_ = false;
  bool close_after_run_ = false;
  bool centred_ = false;

  QPointer<DrawingWindow> drawing_;
  QPointer<StatusStrip> strip_;
  QPointer<QTextBrowser> help_;
  QDockWidget* results_dock_ = nullptr;
  QMenu* results_menu_ = nullptr;
  QAction* results_placeholder_ = nullptr;
  QAction* report_action_ = nullptr;  // "生成计算书…"
  QPointer<ResultsPanel> results_panel_;
  WarningsPanel* warnings_ = nullptr;
  QDockWidget* warnings_dock_ = nullptr;
  ElidedLabel* loaded_ = nullptr;
  // Bumped by every initialization: the rows shown belong to the
  // initialization they were computed or opened on.
  int generation_ = 0;
  int results_generation_ = 0;
  int sight_generation_ = 0;  // the initialization the sight-check view's rows belong to
  bool failure_shown_ = false;  // the status label names a failure

  // Frame "初始化".
  QGroupBox* frame3_;
  QRadioButton* option7_;  // 交点法—主线
  QRadioButton* option3_;  // 积木法—互通
  QLineEdit* text1_;       // eye offset
  QCheckBox* check4_;      // eye offset file
  // Frame "最大横净距计算选项".
  QGroupBox* frame4_;
  QRadioButton* option4_;  // single chainage
  QRadioButton* option5_;  // chainage list file
  QRadioButton* option6_;  // fixed interval
  QLineEdit* text2_;       // interval
  QRadioButton* option1_;  // 中央带
  QRadioButton* option2_;  // 弯道内侧
  QLineEdit* text4_;       // single chainage
  QLineEdit* text6_;       // its clearance
  QLineEdit* text10_;      // start chainage
  QLineEdit* text11_;      // end chainage
  QLineEdit* text3_;       // sight distance
  QCheckBox* check3_;      // sight-distance limit file
  // Frame "视距包络图选项".
  QGroupBox* frame5_;
  QCheckBox* check1_;  // sight lines
  QCheckBox* check2_;  // trajectory
  // Status and buttons.
  QLabel* label2_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  QWidget* buttons_;
  QPushButton* command1_;
  QPushButton* command2_;
  QPushButton* xpcmdbutton1_;
  QPushButton* xpcmdbutton2_;
  QPushButton* xpcmdbutton3_;
  QPushButton* xpcmdbutton4_;
  QPushButton* xpcmdbutton5_;
  QList<QLineEdit*> focus_boxes_;
  // "读取纵断面文件" in 初始化; 设计速度 and 规范 beside 视距限值, which fill
  // the sight distance.
  QCheckBox* check_profile_;
  class DesignSpeedBox* design_speed_;
  // Frame "视距检查" and its results tab.
  SightCheckFrame* sight_frame_ = nullptr;
  SightCheckView* sight_view_ = nullptr;
  QDockWidget* sight_dock_ = nullptr;

 public:
  SightCheckFrame* sight_frame() const { return sight_frame_; }
  SightCheckView* sight_view() const { return sight_view_; }
  QDockWidget* sight_dock() const { return sight_dock_; }
};

}  // namespace lumora::app
