#include "window_settings.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QWidget>

#include "screen_fit.h"

namespace lumora::app {

namespace {

// Filled by the initialization or by a computation, not typed for the next
// session.
bool remembered(const QObject* w) {
  static const QStringList kFilled{"Text6", "Text10", "Text11"};
  return !w->objectName().isEmpty() && !kFilled.contains(w->objectName());
}

}  // namespace

void save_inputs(const QWidget* root) {
  QSettings s;
  s.beginGroup("inputs");
  for (const QLineEdit* e : root->findChildren<QLineEdit*>()) {
    if (remembered(e) && !e->isReadOnly()) s.setValue(e->objectName(), e->text());
  }
  for (const QCheckBox* c : root->findChildren<QCheckBox*>()) {
    if (remembered(c)) s.setValue(c->objectName(), c->isChecked());
  }
  for (const QRadioButton* r : root->findChildren<QRadioButton*>()) {
    if (remembered(r)) s.setValue(r->objectName(), r->isChecked());
  }
  s.endGroup();
}

void restore_inputs(QWidget* root) {
  QSettings s;
  s.beginGroup("inputs");
  for (QLineEdit* e : root->findChildren<QLineEdit*>()) {
    if (remembered(e) && !e->isReadOnly() && s.contains(e->objectName())) {
      e->setText(s.value(e->objectName()).toString());
    }
  }
  for (QCheckBox* c : root->findChildren<QCheckBox*>()) {
    if (remembered(c) && s.contains(c->objectName())) {
      c->setChecked(s.value(c->objectName()).toBool());
    }
  }
  // Only the checked one of each group: checking it unchecks the others.
  for (QRadioButton* r : root->findChildren<QRadioButton*>()) {
    if (remembered(r) && s.value(r->objectName()).toBool()) r->setChecked(true);
  }
  s.endGroup();
}

QString last_file(const QString& role) {
  return QSettings().value("files/" + role).toString();
}

void set_last_file(const QString& role, const QString& path) {
  QSettings().setValue("files/" + role, path);
}

void save_geometry(const QWidget* window, const QString& key) {
  QSettings().setValue("geometry/" + key, window->saveGeometry());
}

bool restore_geometry(QWidget* window, const QString& key) {
  const QByteArray g = QSettings().value("geometry/" + key).toByteArray();
  if (g.isEmpty() || !window->restoreGeometry(g)) return false;
  keep_on_screen(window);
  return true;
}

bool setting_flag(const QString& key, bool fallback) {
  return QSettings().value(key, fallback).toBool();
}

void set_setting_flag(const QString& key, bool on) {
  QSettings().setValue(key, on);
}

}  // namespace lumora::app
