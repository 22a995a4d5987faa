// The choice of a design speed (设计速度) and a standard (规范) beside the
// sight-distance box: choosing both writes the standard's stopping sight
// distance for cars into the box. The user can still type a distance (the
// choice then returns to "—") or read the limit file; the choice is enabled
// exactly when the box is.
#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace lumora::app {

class DesignSpeedBox : public QWidget {
  Q_OBJECT
 public:
  /// `sight` is the sight-distance box the choice fills.
  DesignSpeedBox(QLineEdit* sight, QWidget* parent = nullptr);

  QComboBox* speed_box() const { return speed_; }
  QComboBox* standard_box() const { return standard_; }
  /// Back to "—" (no design speed), without a signal.
  void clear_choice();

 signals:
  /// The stopping sight distance of the chosen speed and standard.
  void sight_chosen(double metres);

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void fill_speeds();
  void choose();

  QComboBox* speed_;
  QComboBox* standard_;
  QLineEdit* sight_;
};

}  // namespace lumora::app
