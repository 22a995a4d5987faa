// The frame "视距检查" of the main window: the obstruction file, the eye and
// object heights, the direction, and the command button 视距检查. The
// chainage mode and the sight distance are the clearance frame's; the main
// window joins both into the session command's options.
#pragma once

#include <QGroupBox>

#include "session/sight_check.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace lumora::app {

class DialogProvider;

class SightCheckFrame : public QGroupBox {
  Q_OBJECT
 public:
  SightCheckFrame(DialogProvider& dialogs, QWidget* parent = nullptr);

  /// Fills the frame's part of the options: obstruction file, heights and
  /// directions. False (after a message) when a height is not a number ≥ 0.
  bool fill(session::SightCheckOptions& o);

  QLineEdit* obstruction_file() const { return file_; }
  QLineEdit* eye_height() const { return eye_; }
  QLineEdit* object_height() const { return object_; }
  QComboBox* direction() const { return direction_; }
  QPushButton* command() const { return command_; }

 signals:
  void run_requested();

 private:
  void browse();

  DialogProvider& dialogs_;
  QLineEdit* file_;
  QLineEdit* eye_;
  QLineEdit* object_;
  QComboBox* direction_;
  QPushButton* command_;
};

}  // namespace lumora::app
