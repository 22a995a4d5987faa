#include "drawing_window.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "cad/document.h"
#include "cad/writers.h"
#include "dialog_provider.h"
#include "drawing_view.h"
#include "error.h"
#include "qt_interface.h"
#include "screen_fit.h"
#include "status_strip.h"
#include "window_settings.h"

namespace lumora::app {

DrawingWindow::DrawingWindow(DialogProvider& dialogs, QtInterface& ui,
                             std::function<cad::DrawingDocument*()> document, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), ui_(ui), document_(std::move(document)) {
  setObjectName("DrawingWindow");
  view_ = new DrawingView(this);
  setCentralWidget(view_);

  save_dxf_ = new QAction("保存为DXF…", this);
  save_dxf_->setShortcut(QKeySequence::Save);
  save_svg_ = new QAction("保存为SVG…", this);
  save_svg_print_ = new QAction("保存为打印用SVG（浅色背景）…", this);
  zoom_extents_ = new QAction("缩放至全图", this);
  zoom_extents_->setShortcut(QKeySequence("Home"));
  new_drawing_ = new QAction("新建图形", this);
  new_drawing_->setShortcut(QKeySequence::New);
  open_in_cad_ = new QAction("用CAD程序打开", this);
  auto* close = new QAction("关闭", this);

  connect(save_dxf_, &QAction::triggered, this, [this] { save_as(".dxf"); });
  connect(save_svg_, &QAction::triggered, this, [this] { save_as(".svg"); });
  connect(save_svg_print_, &QAction::triggered, this, [this] { save_as(".svg", true); });
  connect(zoom_extents_, &QAction::triggered, view_, &DrawingView::zoom_extents);
  connect(new_drawing_, &QAction::triggered, this, &DrawingWindow::new_drawing);
  connect(open_in_cad_, &QAction::triggered, this, &DrawingWindow::open_in_cad);
  connect(close, &QAction::triggered, this, &QWidget::hide);

  auto* file = menuBar()->addMenu("图形");
  file->addAction(new_drawing_);
  file->addSeparator();
  file->addAction(save_dxf_);
  file->addAction(save_svg_);
  file->addAction(save_svg_print_);
  file->addAction(open_in_cad_);
  file->addSeparator();
  file->addAction(close);
  auto* show = menuBar()->addMenu("视图");
  show->addAction(zoom_extents_);
  // Texts rotated between 90° and 270° turned by 180° on the screen and in
  // the SVG; the DXF keeps the rotations its layout gives.
  readable_text_ = new QAction("文字正向显示（倒置文字转180°）", this);
  readable_text_->setObjectName("ReadableText");
  readable_text_->setCheckable(true);
  readable_text_->setChecked(setting_flag("drawing/readable_text", true));
  view_->set_readable_text(readable_text_->isChecked());
  connect(readable_text_, &QAction::toggled, this, [this](bool on) {
    view_->set_readable_text(on);
    set_setting_flag("drawing/readable_text", on);
  });
  show->addAction(readable_text_);

  auto* bar = addToolBar("图形");
  bar->setObjectName("DrawingToolBar");
  bar->setMovable(false);
  bar->addAction(save_dxf_);
  bar->addAction(save_svg_);
  bar->addSeparator();
  bar->addAction(zoom_extents_);
  bar->addAction(new_drawing_);
  bar->addSeparator();
  bar->addAction(open_in_cad_);

  statusBar()->showMessage("拖动鼠标平移，滚动滚轮缩放");
  // The survey coordinates under the cursor: X north, Y east.
  connect(view_, &DrawingView::cursor_moved, this, [this](const QPointF& p) {
    statusBar()->showMessage(
        QString("X = %1    Y = %2")
            .arg(QString::number(p.y(), 'f', 3), QString::number(p.x(), 'f', 3)));
  });
  update_title();
  resize(1000, 720);
  setMinimumSize(360, 240);
}

void DrawingWindow::update_title() {
  const cad::DrawingDocument* doc = document_();
  setWindowTitle(QString::fromStdString(doc ? doc->caption() : "Lumora - Drawing1") +
                 (has_unsaved_drawing() ? " *" : ""));
}

void DrawingWindow::refresh() {
  view_->set_document(document_());
  update_title();
}

void DrawingWindow::bring_to_front() {
  refresh();
  if (isMinimized()) showNormal();
  if (!placed_) {
    placed_ = true;
    if (!restore_geometry(this, "drawing")) place_on_screen(this);
  }
  show();
  raise();
  activateWindow();
}

void DrawingWindow::set_actions_enabled(bool on) {
  for (QAction* a : {save_dxf_, save_svg_, new_drawing_, open_in_cad_}) a->setEnabled(on);
}

bool DrawingWindow::has_unsaved_drawing() const {
  const cad::DrawingDocument* doc = document_();
  if (!doc) return false;
  const std::size_t saved = doc == saved_doc_ ? saved_entities_ : 0;
  return doc->entities().size() > saved;
}

void DrawingWindow::mark_saved() {
  saved_doc_ = document_();
  saved_entities_ = saved_doc_ ? saved_doc_->entities().size() : 0;
  update_title();
}

bool DrawingWindow::confirm_discard(QWidget* parent) {
  if (!has_unsaved_drawing()) return true;
  switch (dialogs_.ask_unsaved(parent, "Lumora", "图形中有尚未保存的内容，是否先保存为DXF？")) {
    case UnsavedAnswer::save:
      return save_as(".dxf");
    case UnsavedAnswer::discard:
      return true;
    case UnsavedAnswer::cancel:
      break;
  }
  return false;
}

bool DrawingWindow::save_as(const QString& suffix, bool light) {
  const cad::DrawingDocument* doc = document_();
  if (!doc) {
    dialogs_.message(this, MessageKind::information, "Lumora", "图形为空，没有可保存的内容。", {});
    return false;
  }
  const bool dxf = suffix == ".dxf";
  const QString title = dxf ? "保存为DXF" : light ? "保存为打印用SVG" : "保存为SVG";
  QString name = dialogs_.save_file(this, title, ui_.last_folder(),
                                    dxf     ? "DXF 图形 (*.dxf)"
                                    : light ? "SVG 图像，浅色背景 (*.svg)"
                                            : "SVG 图像 (*.svg)");
  if (name.isEmpty()) return false;
  if (QFileInfo(name).suffix().isEmpty()) name += suffix;
  ui_.set_last_folder(QFileInfo(name).absolutePath());
  try {
    cad::SvgOptions svg;
    if (light) svg.background = cad::SvgBackground::light;
    svg.readable_text = view_->readable_text();
    cad::write_drawing(*doc, to_path(name), svg);
  } catch (const LumoraError& e) {
    dialogs_.message(this, MessageKind::critical, QString::fromStdString(e.title()),
                     QString::fromStdString(e.message()), QString::fromStdString(e.detail()));
    return false;
  } catch (const std::exception& e) {
    dialogs_.message(this, MessageKind::critical, kTitleError, kMsgDataFormat, e.what());
    return false;
  }
  mark_saved();
  return true;
}

void DrawingWindow::new_drawing() {
  cad::DrawingDocument* doc = document_();
  if (!doc) return;
  if (!confirm_discard(this)) return;
  *doc = cad::DrawingDocument();
  view_->set_highlight(std::nullopt);
  mark_saved();
  view_->forget_commands();
  view_->set_document(doc);
  view_->zoom_extents();
}

void DrawingWindow::open_in_cad() {
  const cad::DrawingDocument* doc = document_();
  if (!doc) return;
  static int counter = 0;
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  const QString name = QDir(folder).filePath(
      QString("lumora-%1-%2.dxf").arg(QCoreApplication::applicationPid()).arg(++counter));
  try {
    cad::write_dxf(*doc, to_path(name));
  } catch (const LumoraError& e) {
    dialogs_.message(this, MessageKind::critical, QString::fromStdString(e.title()),
                     QString::fromStdString(e.message()), QString::fromStdString(e.detail()));
    return;
  }
  if (!dialogs_.open_url(QUrl::fromLocalFile(name))) {
    dialogs_.message(this, MessageKind::warning, "Lumora", "没有找到能打开DXF文件的程序。",
                     "图形已保存为 " + name);
  }
}

}  // namespace lumora::app
