// A line edit of the window that takes a number (sight distance, eye
// offset, interval, heights, design speed): the text is checked as it is
// typed with the parser the commands use (text/number_input.h), and a text
// that is not a number shows at once with a red frame and a tooltip that
// says why. The command itself refuses it with a message.
//
// Example:
//   watch_number_box(text3_, "视距限值");
#pragma once

#include <QString>

class QLineEdit;

namespace lumora::app {

/// Marks `box` while its text is not a number; `name` is the box's caption.
void watch_number_box(QLineEdit* box, const QString& name);

/// True while `box` shows a text that is not a number.
bool number_box_invalid(const QLineEdit* box);

}  // namespace lumora::app
