#include "number_box.h"

#include <QLineEdit>

#include "text/number_input.h"

namespace lumora::app {

namespace {

constexpr const char* kInvalid = "lumoraInvalidNumber";

void check(QLineEdit* box, const QString& name) {
  const auto n = text::read_input_number(box->text().toStdString());
  const bool bad = !n.value;
  if (box->property(kInvalid).toBool() == bad && !box->styleSheet().isEmpty() == bad) return;
  box->setProperty(kInvalid, bad);
  if (!bad) {
    box->setStyleSheet({});
    box->setToolTip({});
    return;
  }
  // A red frame, whatever the focus colour of the background.
  box->setStyleSheet("QLineEdit { border: 2px solid #d32f2f; border-radius: 2px; }");
  QString why = "不是数";
  if (n.fault == text::InputNumberFault::empty) why = "为空";
  if (n.fault == text::InputNumberFault::ambiguous) why = "含义不明（小数点请用「.」）";
  if (n.fault == text::InputNumberFault::not_finite) why = "不是有限数";
  box->setToolTip(name + "：「" + box->text().trimmed() + "」" + why);
}

}  // namespace

void watch_number_box(QLineEdit* box, const QString& name) {
  QObject::connect(box, &QLineEdit::textChanged, box, [box, name] { check(box, name); });
  check(box, name);
}

bool number_box_invalid(const QLineEdit* box) {
  return box->property(kInvalid).toBool();
}

}  // namespace lumora::app
