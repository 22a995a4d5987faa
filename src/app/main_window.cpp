#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "cad/document.h"
#include "design_speed_box.h"
#include "dialog_provider.h"
#include "drawing_view.h"
#include "drawing_window.h"
#include "number_box.h"
#include "report_action.h"
#include "results_panel.h"
#include "screen_fit.h"
#include "session/dialogs.h"
#include "status_strip.h"
#include "window_settings.h"

#ifndef LUMORA_VERSION
#define LUMORA_VERSION "0.0.0"
#endif
#ifndef LUMORA_DATA_DIR
#define LUMORA_DATA_DIR "../share/lumora"
#endif

namespace lumora::app {

namespace {

const QColor kFocusBackground(0xC0, 0xFF, 0xC0);

// Button captions are shown after two blanks.
QPushButton* command_button(const char* name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton("  " + caption, parent);
  b->setObjectName(name);
  b->setFlat(false);
  b->setMinimumWidth(b->fontMetrics().horizontalAdvance("  横净距计算") + 36);
  b->setMinimumHeight(b->fontMetrics().height() + 14);
  return b;
}

QLineEdit* text_box(const char* name, const QString& text, QWidget* parent) {
  auto* t = new QLineEdit(text, parent);
  t->setObjectName(name);
  t->setMinimumWidth(t->fontMetrics().horizontalAdvance("K000+000.000") + 16);
  return t;
}

QLabel* label(const char* name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

}  // namespace

QString help_file_path(const QString& folder, const QString& name) {
  if (folder.endsWith('/') || folder.endsWith('\\')) return folder + name;
  return folder + '/' + name;
}

MainWindow::MainWindow(DialogProvider& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), ui_(dialogs, this), session_(ui_) {
  setObjectName("Form1");
  setWindowTitle("Lumora V2.0");
  setWindowIcon(QIcon(":/lumora/lumora.png"));
  program_folder_ = QCoreApplication::applicationDirPath();
  build();
  ui_.set_status_label(label2_);
  ui_.set_progress_bar(progress_);
  ui_.set_stage_sink([this](const QString& text) {
    if (strip_) strip_->set_text(text);
    if (drawing_) drawing_->refresh();
  });
}

MainWindow::~MainWindow() {
  delete drawing_;
  delete strip_;
  delete help_;
}

void MainWindow::build() {
  // The inputs scroll where the screen is too small for them (a small
  // screen, a large scale factor).
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("InputsScroll");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* central = new QWidget(scroll);
  scroll->setWidget(central);
  setCentralWidget(scroll);

  // Frame "初始化".
  frame3_ = new QGroupBox("初始化", central);
  frame3_->setObjectName("Frame3");
  option7_ = new QRadioButton("交点法—主线", frame3_);
  option7_->setObjectName("Option7");
  option7_->setChecked(true);
  option3_ = new QRadioButton("积木法—互通", frame3_);
  option3_->setObjectName("Option3");
  text1_ = text_box("Text1", "-7.25", frame3_);
  check4_ = new QCheckBox("读取司机视点距设计线的距离文件", frame3_);
  check4_->setObjectName("Check4");
  check_profile_ = new QCheckBox("读取纵断面文件", frame3_);
  check_profile_->setObjectName("CheckProfile");
  {
    auto* g = new QGridLayout(frame3_);
    g->addWidget(option7_, 0, 0);
    g->addWidget(option3_, 0, 1);
    g->addWidget(label("Label1", "司机视点距设计线的距离", frame3_), 1, 0);
    g->addWidget(text1_, 1, 1);
    g->addWidget(check4_, 2, 0, 1, 2);
    g->addWidget(check_profile_, 3, 0, 1, 2);
    // What the last initialization loaded.
    loaded_ = new ElidedLabel(frame3_);
    loaded_->setObjectName("LoadedAlignment");
    g->addWidget(loaded_, 4, 0, 1, 2);
    g->setColumnStretch(1, 1);
  }

  // Frame "最大横净距计算选项", with the mode frame and the side frame.
  frame4_ = new QGroupBox("最大横净距计算选项", central);
  frame4_->setObjectName("Frame4");
  auto* frame1 = new QGroupBox("桩号", frame4_);
  frame1->setObjectName("Frame1");
  option4_ = new QRadioButton("单个桩号", frame1);
  option4_->setObjectName("Option4");
  option4_->setChecked(true);
  option5_ = new QRadioButton("读取桩号文件", frame1);
  option5_->setObjectName("Option5");
  option6_ = new QRadioButton("固定桩号间距", frame1);
  option6_->setObjectName("Option6");
  text2_ = text_box("Text2", "100", frame1);
  text2_->setMinimumWidth(text2_->fontMetrics().horizontalAdvance("00000.0") + 16);
  {
    auto* g = new QGridLayout(frame1);
    g->addWidget(option4_, 0, 0);
    g->addWidget(option5_, 1, 0);
    g->addWidget(option6_, 2, 0);
    g->addWidget(text2_, 2, 1);
    g->addWidget(new QLabel("m", frame1), 2, 2);
    g->setColumnStretch(1, 1);
  }
  auto* frame2 = new QGroupBox("计算位置", frame4_);
  frame2->setObjectName("Frame2");
  option1_ = new QRadioButton("中央带", frame2);
  option1_->setObjectName("Option1");
  option2_ = new QRadioButton("弯道内侧", frame2);
  option2_->setObjectName("Option2");
  option2_->setChecked(true);
  {
    auto* v = new QVBoxLayout(frame2);
    v->addWidget(option1_);
    v->addWidget(option2_);
    v->addStretch(1);
  }
  text4_ = text_box("Text4", "", frame4_);
  text6_ = text_box("Text6", "", frame4_);
  text6_->setReadOnly(true);
  text10_ = text_box("Text10", "", frame4_);
  text11_ = text_box("Text11", "", frame4_);
  text3_ = text_box("Text3", "110", frame4_);
  check3_ = new QCheckBox("读取视距限值文件", frame4_);
  check3_->setObjectName("Check3");
  design_speed_ = new DesignSpeedBox(text3_, frame4_);
  {
    auto* g = new QGridLayout(frame4_);
    g->addWidget(frame1, 0, 0, 1, 2);
    g->addWidget(frame2, 0, 2, 1, 2);
    g->addWidget(label("Label6", "单个桩号", frame4_), 1, 0);
    g->addWidget(text4_, 1, 1);
    g->addWidget(label("Label5", "最大横净距", frame4_), 1, 2);
    g->addWidget(text6_, 1, 3);
    g->addWidget(label("Label11", "起点桩号", frame4_), 2, 0);
    g->addWidget(text10_, 2, 1);
    g->addWidget(label("Label10", "终点桩号", frame4_), 2, 2);
    g->addWidget(text11_, 2, 3);
    g->addWidget(label("Label7", "视距限值", frame4_), 3, 0);
    g->addWidget(text3_, 3, 1);
    g->addWidget(check3_, 3, 2, 1, 2);
    g->addWidget(design_speed_, 4, 0, 1, 4);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
  }

  // Frame "视距包络图选项".
  frame5_ = new QGroupBox("视距包络图选项", central);
  frame5_->setObjectName("Frame5");
  check1_ = new QCheckBox("绘制视距线", frame5_);
  check1_->setObjectName("Check1");
  check1_->setChecked(true);
  check2_ = new QCheckBox("绘制轨迹线", frame5_);
  check2_->setObjectName("Check2");
  check2_->setChecked(true);
  {
    auto* h = new QHBoxLayout(frame5_);
    h->addWidget(check1_);
    h->addWidget(check2_);
    h->addStretch(1);
  }

  // The command buttons.
  buttons_ = new QWidget(central);
  command1_ = command_button("Command1", "初 始 化", buttons_);
  command2_ = command_button("Command2", "横净距计算", buttons_);
  xpcmdbutton1_ = command_button("xpcmdbutton1", "视距包络图", buttons_);
  xpcmdbutton2_ = command_button("xpcmdbutton2", "设计线", buttons_);
  xpcmdbutton3_ = command_button("xpcmdbutton3", "更多软件", buttons_);
  xpcmdbutton4_ = command_button("xpcmdbutton4", "帮  助", buttons_);
  xpcmdbutton5_ = command_button("xpcmdbutton5", "退  出", buttons_);
  {
    auto* v = new QVBoxLayout(buttons_);
    v->setContentsMargins(0, 8, 0, 0);
    v->addWidget(command1_);
    v->addWidget(command2_);
    v->addSpacing(6);
    v->addWidget(xpcmdbutton1_);
    v->addWidget(xpcmdbutton2_);
    v->addStretch(1);
    v->addWidget(xpcmdbutton3_);
    v->addWidget(xpcmdbutton4_);
    v->addWidget(xpcmdbutton5_);
  }

  // Status label, progress and cancel.
  label2_ = label("Label2", session::kStatusUninitialized, central);
  label2_->setFrameShape(QFrame::StyledPanel);
  label2_->setFrameShadow(QFrame::Sunken);
  label2_->setMinimumWidth(label2_->fontMetrics().horizontalAdvance("000000/000000") + 20);
  label2_->setAlignment(Qt::AlignCenter);
  // A long failure text does not widen the window; the tooltip holds it.
  label2_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  progress_ = new QProgressBar(central);
  progress_->setObjectName("ProgressBar");
  progress_->setTextVisible(false);
  progress_->setRange(0, 1);
  progress_->setValue(0);
  cancel_ = new QPushButton("取消计算", central);
  cancel_->setObjectName("CancelButton");
  cancel_->setEnabled(false);

  auto* left = new QVBoxLayout;
  left->addWidget(frame3_);
  left->addWidget(frame4_);
  left->addWidget(frame5_);
  sight_frame_ = new SightCheckFrame(dialogs_, central);
  left->addWidget(sight_frame_);
  left->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 1);
  top->addWidget(buttons_);
  auto* status = new QHBoxLayout;
  status->addWidget(label2_, 1);
  status->addWidget(progress_, 1);
  status->addWidget(cancel_);
  auto* outer = new QVBoxLayout(central);
  outer->addLayout(top, 1);
  outer->addLayout(status);

  // Menus: the results panel, the windows, help.
  results_menu_ = menuBar()->addMenu("结果");
  results_placeholder_ = results_menu_->addAction("结果面板");
  results_placeholder_->setEnabled(false);
  auto* open_result = results_menu_->addAction("打开结果文件…");
  open_result->setObjectName("OpenResultFile");
  connect(open_result, &QAction::triggered, this, &MainWindow::open_result_file);
  report_action_ = results_menu_->addAction("生成计算书…");
  report_action_->setObjectName("GenerateReport");
  report_action_->setEnabled(false);  // after a run, or a result file opened
  connect(report_action_, &QAction::triggered, this, [this] {
    if (!busy_) generate_report(this, dialogs_, session_);
  });
  results_menu_->addSeparator();
  results_panel_ = new ResultsPanel;
  connect(results_panel_, &ResultsPanel::open_requested, this, &MainWindow::open_result_file);
  connect(results_panel_, &ResultsPanel::row_selected, this,
          [this](int, const session::ResultRow& row) { show_row_in_drawing(row); });
  connect(this, &MainWindow::results_changed, this, &MainWindow::show_results);
  set_results_panel(results_panel_);
  results_dock_->hide();  // until there are results
  // The sight check's results: a tab beside the results panel.
  sight_view_ = new SightCheckView;
  sight_dock_ = new QDockWidget("视距检查", this);
  sight_dock_->setObjectName("SightCheckDock");
  sight_dock_->setWidget(sight_view_);
  addDockWidget(Qt::RightDockWidgetArea, sight_dock_);
  tabifyDockWidget(results_dock_, sight_dock_);
  sight_dock_->hide();
  sight_dock_->toggleViewAction()->setText("视距检查结果");
  results_menu_->addAction(sight_dock_->toggleViewAction());
  connect(sight_view_, &SightCheckView::row_selected, this, [this](int k) {
    const auto& rows = sight_view_->rows();
    // Rows of a sight check on an earlier initialization belong to another
    // line: they are not drawn on this one.
    if (sight_generation_ != generation_) return;
    if (!drawing_ || k < 0 || static_cast<std::size_t>(k) >= rows.size()) return;
    const auto& s = rows[static_cast<std::size_t>(k)].sight;
    DrawingView* view = drawing_->view();
    view->set_highlight(QLineF(QPointF(s.eye.y, s.eye.x), QPointF(s.target.y, s.target.x)));
    view->set_view(QPointF(s.eye.y, s.eye.x), view->scale());
  });
  connect(sight_frame_, &SightCheckFrame::run_requested, this, &MainWindow::check_sight);
  // The 警告 list, below; it comes up when a command warns.
  warnings_ = new WarningsPanel(dialogs_);
  warnings_dock_ = new QDockWidget("警告", this);
  warnings_dock_->setObjectName("WarningsDock");
  warnings_dock_->setWidget(warnings_);
  addDockWidget(Qt::BottomDockWidgetArea, warnings_dock_);
  warnings_dock_->hide();
  ui_.set_warning_sink([this](const QString& w) { warnings_->add(w); });
  connect(warnings_, &WarningsPanel::warned, this, [this] {
    if (!warnings_dock_->isVisible()) warnings_dock_->show();
  });
  auto* windows = menuBar()->addMenu("窗口");
  warnings_dock_->toggleViewAction()->setText("警告列表");
  windows->addAction(warnings_dock_->toggleViewAction());
  auto* show_drawing = windows->addAction("图形窗口");
  connect(show_drawing, &QAction::triggered, this,
          [this] { ensure_drawing_window().bring_to_front(); });
  auto* help = menuBar()->addMenu("帮助");
  connect(help->addAction("帮助"), &QAction::triggered, this, &MainWindow::show_help);
  connect(help->addAction("关于 Lumora"), &QAction::triggered, this, &MainWindow::show_about);

  // Initial enabling.
  for (QWidget* w :
       std::initializer_list<QWidget*>{text2_, text4_, text6_, text10_, text11_, text3_, command2_,
                                       xpcmdbutton1_, xpcmdbutton2_}) {
    w->setEnabled(false);
  }

  // Events.
  connect(text1_, &QLineEdit::textChanged, this, [this] { invalidate(); });
  connect(check4_, &QCheckBox::toggled, this, [this](bool on) {
    text1_->setEnabled(!on);
    invalidate();
  });
  connect(check3_, &QCheckBox::toggled, this,
          [this](bool on) { text3_->setEnabled(!on && session_.initialized()); });
  for (QRadioButton* o : {option4_, option5_, option6_}) {
    connect(o, &QRadioButton::toggled, this, [this](bool on) {
      if (on) apply_mode();
    });
  }
  connect(text4_, &QLineEdit::textChanged, text6_, &QLineEdit::clear);
  connect(text4_, &QLineEdit::returnPressed, this, [this] {
    if (command2_->isEnabled()) compute_clearance();
  });
  focus_boxes_ = {text1_, text2_, text3_, text4_, text6_, text10_, text11_};
  for (QLineEdit* t : focus_boxes_) t->installEventFilter(this);

  connect(command1_, &QPushButton::clicked, this, &MainWindow::initialize);
  connect(command2_, &QPushButton::clicked, this, &MainWindow::compute_clearance);
  connect(xpcmdbutton1_, &QPushButton::clicked, this, &MainWindow::draw_envelope);
  connect(xpcmdbutton2_, &QPushButton::clicked, this, &MainWindow::draw_design_line);
  connect(xpcmdbutton3_, &QPushButton::clicked, this, &MainWindow::show_about);
  connect(xpcmdbutton4_, &QPushButton::clicked, this, &MainWindow::show_help);
  connect(xpcmdbutton5_, &QPushButton::clicked, this, &QWidget::close);
  connect(cancel_, &QPushButton::clicked, this, &MainWindow::cancel_run);

  watch_number_box(text1_, "司机视点距设计线的距离");
  watch_number_box(text2_, "固定桩号间距");
  watch_number_box(text3_, "视距限值");
  // A new limit file is asked for once the box is ticked again.
  connect(check3_, &QCheckBox::toggled, this, [this] { session_.forget_sight_limits(); });
  restore_inputs(this);
  show_loaded();
  adjustSize();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* box = qobject_cast<QLineEdit*>(watched);
  if (box && focus_boxes_.contains(box)) {
    if (event->type() == QEvent::FocusIn) {
      QPalette p = box->palette();
      p.setColor(QPalette::Base, kFocusBackground);
      box->setPalette(p);
      box->selectAll();
      // A click that gives the focus places the cursor after this event;
      // select again once it has.
      QTimer::singleShot(0, box, [box] {
        if (box->hasFocus()) box->selectAll();
      });
    } else if (event->type() == QEvent::FocusOut) {
      QPalette p = box->palette();
      p.setColor(QPalette::Base, QApplication::palette(box).color(QPalette::Base));
      box->setPalette(p);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::invalidate() {
  for (QWidget* w :
       std::initializer_list<QWidget*>{text4_, text6_, text2_, text10_, text11_, xpcmdbutton1_,
                                       xpcmdbutton2_, command2_, sight_frame_->command()}) {
    w->setEnabled(false);
  }
  session_.invalidate();
}

void MainWindow::apply_mode() {
  if (!session_.initialized()) return;
  const bool single = option4_->isChecked();
  const bool interval = option6_->isChecked();
  text4_->setEnabled(single);
  text6_->setEnabled(single);
  text2_->setEnabled(interval);
  text10_->setEnabled(interval);
  text11_->setEnabled(interval);
}

void MainWindow::set_commands_enabled(bool on) {
  command2_->setEnabled(on);
  xpcmdbutton1_->setEnabled(on);
  xpcmdbutton2_->setEnabled(on);
  sight_frame_->command()->setEnabled(on);
}

void MainWindow::set_busy(bool on) {
  busy_ = on;
  frame3_->setEnabled(!on);
  frame4_->setEnabled(!on);
  frame5_->setEnabled(!on);
  sight_frame_->setEnabled(!on);
  buttons_->setEnabled(!on);
  menuBar()->setEnabled(!on);
  cancel_->setEnabled(on);
  if (on) {
    progress_->setRange(0, 1);
    progress_->setValue(0);
  }
}

void MainWindow::show_warnings() {
  // The warnings are in the 警告 list already, as they came.
  if (ui_.warnings().isEmpty()) return;
  warnings_dock_->show();
  warnings_dock_->raise();
}

void MainWindow::report_failure(const QString& command) {
  // The status names what went wrong; a deliberate cancel says so.
  const QString m = ui_.last_message();
  QString text;
  if (ui_.last_was_cancel()) {
    text = m;
  } else {
    text = command + "失败" + (m.isEmpty() ? QString() : "：" + m);
  }
  label2_->setText(text);
  label2_->setToolTip(text);
  failure_shown_ = true;
}

void MainWindow::show_loaded() {
  if (!session_.initialized()) {
    loaded_->set_full_text("尚未初始化");
    return;
  }
  const bool main = session_.main_line() != nullptr;
  const QString file = QString::fromStdString(session_.alignment_file());
  const QString title = QString::fromStdString(session_.title());
  QStringList parts;
  parts << file << (main ? "交点法—主线" : "积木法—互通");
  // Both ends with their segment letters where the line has chain breaks
  // ("C12545.347").
  const auto* breaks = session_.chain_breaks();
  const auto* line = session_.alignment();
  auto station = [&](double c) { return QString::fromStdString(breaks->sj_dlstr_num(c)); };
  parts << station(line->start_chainage()) + " ～ " + station(line->end_chainage());
  // The title last: a long one is what the narrow window cuts.
  if (!title.isEmpty() && title != file) parts << "「" + title + "」";
  loaded_->set_full_text("已载入：" + parts.join("　"));
}

void MainWindow::initialize() {
  if (busy_) return;
  ui_.begin_command();
  warnings_->begin("初始化");
  session::InitOptions o;
  o.kind = option7_->isChecked() ? session::AlignmentKind::main_line
                                 : session::AlignmentKind::interchange;
  o.eye_offset_file = check4_->isChecked();
  o.eye_offset_text = text1_->text().toStdString();
  o.read_chain_breaks = true;
  o.read_profile = check_profile_->isChecked();
  const bool ok = session_.initialize(o);
  show_warnings();
  if (!ok) {
    report_failure("初始化");
    return;
  }
  ++generation_;
  failure_shown_ = false;
  show_loaded();
  // The rows shown were computed on the previous initialization.
  if (results_panel_ && results_generation_ != generation_) {
    results_panel_->set_stale(true);
    if (drawing_) drawing_->view()->set_highlight(std::nullopt);
  }
  if (sight_generation_ != generation_) sight_view_->setEnabled(false);
  if (results_panel_) results_panel_->show_profile(session_);
  save_settings();
  text10_->setText(QString::fromStdString(session_.start_text()));
  text11_->setText(QString::fromStdString(session_.end_text()));
  if (option4_->isChecked()) {
    text4_->setEnabled(true);
    text6_->setEnabled(true);
    text6_->clear();
  }
  if (option6_->isChecked()) {
    text2_->setEnabled(true);
    text10_->setEnabled(true);
    text11_->setEnabled(true);
  }
  // The single sight distance is of use only while no limit file is read.
  text3_->setEnabled(!check3_->isChecked());
  set_commands_enabled(true);
}

session::ClearanceOptions MainWindow::clearance_options() const {
  session::ClearanceOptions o;
  o.mode = option4_->isChecked()   ? session::ChainageMode::single
           : option5_->isChecked() ? session::ChainageMode::list
                                   : session::ChainageMode::interval;
  o.single_chainage = text4_->text().toStdString();
  o.interval_text = text2_->text().toStdString();
  o.from_text = text10_->text().toStdString();
  o.to_text = text11_->text().toStdString();
  // An emptied start or end box means the line's start or end.
  o.sight_file = check3_->isChecked();
  o.sight_text = text3_->text().toStdString();
  o.side = option1_->isChecked() ? sight::Side::median : sight::Side::inside;
  return o;
}

void MainWindow::compute_clearance() {
  if (busy_ || !session_.initialized()) return;
  ui_.begin_command();
  warnings_->begin("横净距计算");
  const session::ClearanceOptions o = clearance_options();
  if (o.mode == session::ChainageMode::single) {
    text6_->clear();
    const auto r = session_.clearance(o);
    show_warnings();
    if (r) {
      text6_->setText(QString::fromStdString(*r));
      // A single chainage leaves the status, unless it shows a failure.
      if (failure_shown_) label2_->setText(session::kStatusInitialized);
      failure_shown_ = false;
    } else {
      report_failure("计算");
      text4_->setFocus();
    }
    return;
  }
  set_busy(true);
  const auto r = session_.clearance(o);
  set_busy(false);
  show_warnings();
  if (r) {
    failure_shown_ = false;
    results_generation_ = generation_;
    emit results_changed();
  } else if (label2_->text() == session::kStatusCancelled) {
    progress_->setRange(0, 1);
    progress_->setValue(0);
  } else {
    progress_->setRange(0, 1);
    progress_->setValue(0);
    report_failure("计算");
  }
  save_settings();
  if (close_after_run_) {
    close_after_run_ = false;
    close();
  }
}

void MainWindow::check_sight() {
  if (busy_ || !session_.initialized()) return;
  ui_.begin_command();
  const session::ClearanceOptions c = clearance_options();
  session::SightCheckOptions o;
  o.mode = c.mode;
  o.single_chainage = c.single_chainage;
  o.interval_text = c.interval_text;
  o.from_text = c.from_text;
  o.to_text = c.to_text;
  o.sight_file = c.sight_file;
  o.sight_text = c.sight_text;
  o.draw = true;
  o.elevation = &session_.elevation();
  if (!sight_frame_->fill(o)) return;
  set_busy(true);
  const auto r = session_.sight_check(o);
  set_busy(false);
  show_warnings();
  if (r) {
    sight_view_->set_result(*r, QString::fromStdString(r->path.filename().string()));
    sight_generation_ = generation_;
    sight_view_->setEnabled(true);
    report_action_->setEnabled(true);
    sight_dock_->show();
    sight_dock_->raise();
    ensure_drawing_window().bring_to_front();
    drawing_->view()->set_highlight(std::nullopt);
  }
  if (close_after_run_) {
    close_after_run_ = false;
    close();
  }
}

DrawingWindow& MainWindow::ensure_drawing_window() {
  if (!drawing_) {
    drawing_ = new DrawingWindow(dialogs_, ui_, [this] { return session_.drawing(); });
    drawing_->setWindowIcon(windowIcon());
  }
  return *drawing_;
}

StatusStrip& MainWindow::ensure_strip() {
  if (!strip_) {
    strip_ = new StatusStrip;
    connect(strip_, &StatusStrip::returned, this, [this] {
      show();
      raise();
      activateWindow();
    });
  }
  return *strip_;
}

void MainWindow::draw_envelope() {
  if (busy_ || !session_.initialized()) return;
  ui_.begin_command();
  warnings_->begin("视距包络图");
  const cad::DrawingDocument* before = session_.drawing();
  const std::size_t count = before ? before->entities().size() : 0;
  const bool ok = session_.envelope(check1_->isChecked(), check2_->isChecked());
  const cad::DrawingDocument* doc = session_.drawing();
  // The drawing window comes up once the drawing was reached, also when the
  // drawing failed part way (what was drawn stays, as in CAD).
  if (ok || (doc && (doc != before || doc->entities().size() != count))) {
    DrawingWindow& drawing = ensure_drawing_window();
    drawing.bring_to_front();
    // Shown whole: the drawing may hold another alignment far away.
    if (ok) drawing.view()->zoom_entities(doc == before ? count : 0);
  }
  show_warnings();
  if (!ok) report_failure("视距包络图");
}

void MainWindow::draw_design_line() {
  if (busy_ || !session_.initialized()) return;
  ui_.begin_command();
  warnings_->begin("设计线");
  DrawingWindow& drawing = ensure_drawing_window();
  StatusStrip& strip = ensure_strip();
  // The drawing lets the windows repaint between its stages; nothing may
  // start another command or empty the drawing meanwhile.
  busy_ = true;
  drawing.set_actions_enabled(false);
  drawing.bring_to_front();
  hide();
  strip.set_text("正在连接图形窗口");
  strip.show();
  strip.centre_on_screen();
  strip.raise();
  const bool drawn = session_.design_line();
  if (!drawn) report_failure("设计线");
  drawing.set_actions_enabled(true);
  busy_ = false;
  drawing.refresh();
  // The strip stays, also after a failure; a double-click on it brings the
  // main window back.
  show_warnings();
  if (close_after_run_) {
    close_after_run_ = false;
    close();
  }
}

void MainWindow::show_about() {
  const QString help = QUrl::fromLocalFile(help_path()).toString();
  const QString html = QString(
                           "<h3>Lumora V2.0</h3>"
                           "<p>公路平面最大横净距计算与视距包络图、设计线绘制。<br>"
                           "版本 2.0（构建 %1）</p>"
                           "<p>Lumora 是自由软件，按 GNU 通用公共许可证第 3 版或（由您选择）"
                           "任何更高版本发布（见随附的 LICENSE 文件），不提供任何担保。</p>"
                           "<p>使用的程序库：</p><ul>"
                           "<li>Qt %2 Base（Core、Gui、Widgets）— GNU LGPL 3（或 GPL 2）</li>"
                           "<li>Qt Charts — GNU GPL 3 或更高版本</li>"
                           "<li>Qt SVG — GNU LGPL 3（或 GPL 2）</li>"
                           "<li>dxflib — GNU GPL 2 或更高版本</li>"
                           "<li>pugixml — MIT 许可证</li>"
                           "<li>{fmt} — MIT 许可证</li>"
                           "<li>CLI11（命令行程序 lumora-cli）— BSD 3-Clause 许可证</li>"
                           "</ul>"
                           "<p>界面字体：Noto Sans CJK — SIL Open Font License 1.1</p>"
                           "<p><a href=\"%3\">打开帮助</a></p>")
                           .arg(LUMORA_VERSION, qVersion(), help);
  dialogs_.about(this, "关于 Lumora", html);
}

QString MainWindow::help_path() const {
  const QString beside = help_file_path(program_folder_);
  if (QFileInfo::exists(beside)) return beside;
  const QString data = QDir(program_folder_).absoluteFilePath(LUMORA_DATA_DIR);
  const QString installed = help_file_path(QDir::cleanPath(data));
  if (QFileInfo::exists(installed)) return installed;
  return beside;
}

void MainWindow::show_help() {
  const QString path = help_path();
  if (!QFileInfo::exists(path)) {
    dialogs_.message(this, MessageKind::critical, "错误", "找不到帮助文件！", path);
    return;
  }
  if (!help_) {
    help_ = new QTextBrowser;
    help_->setObjectName("HelpWindow");
    help_->setWindowTitle("Lumora 帮助");
    help_->setWindowIcon(windowIcon());
    help_->setOpenExternalLinks(true);
    help_->resize(820, 720);
    place_on_screen(help_);
  }
  help_->setSource(QUrl::fromLocalFile(path));
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void MainWindow::cancel_run() {
  if (busy_) ui_.request_cancel();
}

void MainWindow::set_results_panel(QWidget* panel) {
  if (!results_dock_) {
    results_dock_ = new QDockWidget("结果", this);
    results_dock_->setObjectName("ResultsDock");
    addDockWidget(Qt::RightDockWidgetArea, results_dock_);
    results_menu_->removeAction(results_placeholder_);
    QAction* toggle = results_dock_->toggleViewAction();
    toggle->setText("结果面板");
    results_menu_->addAction(toggle);
  }
  delete results_dock_->widget();
  results_dock_->setWidget(panel);
  results_dock_->show();
}

void MainWindow::show_results() {
  report_action_->setEnabled(!session_.last_result().empty() || session_.last_sight_check());
  if (!results_panel_) return;
  results_panel_->show_session(session_);
  results_panel_->set_stale(results_generation_ != generation_);
  // The highlighted sight line belonged to the rows shown before.
  if (drawing_) drawing_->view()->set_highlight(std::nullopt);
  if (results_dock_ && results_dock_->widget() == results_panel_) {
    results_dock_->show();
    results_dock_->raise();
  }
}

void MainWindow::open_result_file() {
  if (busy_) return;
  ui_.begin_command();
  warnings_->begin("打开结果文件");
  if (session_.open_result()) {
    results_generation_ = generation_;
    show_results();
  } else {
    report_failure("打开结果文件");
  }
  show_warnings();
}

void MainWindow::show_row_in_drawing(const session::ResultRow& row) {
  // Rows of another initialization are not on this alignment.
  if (results_generation_ != generation_) return;
  // Only a drawing that holds an envelope shows sight lines.
  const cad::DrawingDocument* doc = session_.drawing();
  const Alignment* line = session_.alignment();
  if (!drawing_ || !doc || !line) return;
  bool envelope = false;
  for (std::size_t l = 0; l < doc->layers().size() && !envelope; ++l) {
    if (doc->layers()[l].name != "视距包络图") continue;
    for (const cad::Entity& e : doc->entities()) envelope = envelope || e.layer == l;
  }
  if (!envelope) return;
  // The drawing point w to the left of the design line at chainage c.
  auto at = [line](double c, double w) {
    const Pose p = line->point_at(c);
    const double a = p.azimuth - std::numbers::pi / 2;
    return QPointF(p.y + std::sin(a) * w, p.x + std::cos(a) * w);
  };
  const QPointF a = at(row.start_chainage, row.offset_start);
  const QPointF b = at(row.end_chainage, row.offset_end);
  DrawingView* view = drawing_->view();
  view->set_highlight(QLineF(a, b));
  view->set_view(at(row.chainage, row.offset), view->scale());
}

void MainWindow::centre_on_screen() {
  place_on_screen(this);
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!centred_) {
    centred_ = true;
    if (!restore_geometry(this, "main")) {
      // The inputs whole where the screen allows, else as much as fits
      // (they scroll).
      auto* scroll = static_cast<QScrollArea*>(centralWidget());
      const QSize want =
          scroll->widget()->sizeHint() + QSize(4, menuBar()->sizeHint().height() + 4);
      resize(want.expandedTo(minimumSizeHint()));
      place_on_screen(this);
    }
  }
}

void MainWindow::save_settings() const {
  save_inputs(this);
  save_geometry(this, "main");
  if (drawing_) save_geometry(drawing_, "drawing");
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (busy_) {
    // A run in progress ends first; the window closes when it has.
    ui_.request_cancel();
    close_after_run_ = true;
    e->ignore();
    return;
  }
  if (drawing_ && !drawing_->confirm_discard(this)) {
    e->ignore();
    return;
  }
  e->accept();
  save_settings();
  if (drawing_) drawing_->hide();
  if (strip_) strip_->hide();
  if (help_) help_->hide();
  emit closed();
}

}  // namespace lumora::app
