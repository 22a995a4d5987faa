#include "screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "status_strip.h"

namespace lumora::app {

namespace {

QRect area_of(QWidget* w) {
  QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

// The frame's extra size (title bar, borders); before the window is shown
// the window system has not told it yet, so a usual one is assumed.
QSize frame_extra(QWidget* w) {
  const QSize extra = w->frameGeometry().size() - w->geometry().size();
  if (extra.width() > 0 || extra.height() > 0) return extra;
  return {8, 32};
}

}  // namespace

void place_on_screen(QWidget* w) {
  const QRect area = area_of(w);
  const QSize extra = frame_extra(w);
  QSize size = w->size();
  size = size.boundedTo(area.size() - extra).expandedTo(w->minimumSize());
  if (size != w->size()) w->resize(size);
  QPoint at = centred_position(area, size + extra);
  at.setX(std::max(at.x(), area.left()));
  at.setY(std::max(at.y(), area.top()));
  w->move(at);
}

void keep_on_screen(QWidget* w) {
  const QRect area = area_of(w);
  const QSize extra = frame_extra(w);
  QSize size = w->size().boundedTo(area.size() - extra).expandedTo(w->minimumSize());
  if (size != w->size()) w->resize(size);
  QRect f(w->pos(), size + extra);
  if (f.right() > area.right()) f.moveRight(area.right());
  if (f.bottom() > area.bottom()) f.moveBottom(area.bottom());
  if (f.left() < area.left()) f.moveLeft(area.left());
  if (f.top() < area.top()) f.moveTop(area.top());
  w->move(f.topLeft());
}

}  // namespace lumora::app
