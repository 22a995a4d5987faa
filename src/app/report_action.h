// 结果 → 生成计算书…: the calculation report of the session's results, saved
// where the user says (a PDF beside the result file by default).
//
// The report is never written over a file the results were computed from;
// it is written atomically, and a failure is shown with the path and whether
// an existing file was left as it was.
//
// Example:
//   connect(action, &QAction::triggered, [&] { generate_report(this, dialogs, session); });
#pragma once

#include <QString>

#include "dialog_provider.h"
#include "session/session.h"

class QWidget;

namespace lumora::app {

/// Asks for the file and writes the report; returns the path written, or an
/// empty text when the user cancelled or the report could not be written
/// (after a message).
QString generate_report(QWidget* parent, DialogProvider& dialogs, const session::Session& s);

}  // namespace lumora::app
