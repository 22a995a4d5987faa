// What the window remembers between sessions (QSettings of the
// application's organisation and name): the inputs of the main window, the
// file last used for each role (by the title of its dialog), the windows'
// geometry and the drawing window's options.
//
// The inputs are found by their object names: every radio button, tick box
// and editable line edit under the window that has a name, except those the
// initialization fills (the start and end chainage, the clearance shown).
// Controls added later are remembered without further code.
//
// Tests set another organisation (and QStandardPaths' test mode) so that
// they never touch the user's settings.
#pragma once

#include <QString>

class QWidget;

namespace lumora::app {

/// Saves the inputs of `root` under the group "inputs".
void save_inputs(const QWidget* root);
/// Restores what save_inputs() saved; controls without a saved value keep
/// theirs.
void restore_inputs(QWidget* root);

/// The file last chosen in the dialog titled `role` (empty before the first).
QString last_file(const QString& role);
void set_last_file(const QString& role, const QString& path);

/// Saves and restores a top-level window's geometry under `key`. restore
/// returns false when nothing was saved; a restored window is kept on its
/// screen.
void save_geometry(const QWidget* window, const QString& key);
bool restore_geometry(QWidget* window, const QString& key);

/// A flag of the windows ("drawing/readable_text"), `fallback` when unset.
bool setting_flag(const QString& key, bool fallback);
void set_setting_flag(const QString& key, bool on);

}  // namespace lumora::app
