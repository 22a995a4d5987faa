// The choice of a design speed (设计速度) and a standard (规范) beside the
// sight distance: choosing both gives the standard's stopping sight distance
// for cars, which the window writes into the sight-distance box. The user can
// still type a distance (the choice then returns to "—") or read the limit
// file.
#pragma once

#include <QWidget>

class QComboBox;

namespace lumora::app {

class DesignSpeedBox : public QWidget {
  Q_OBJECT
 public:
  explicit DesignSpeedBox(QWidget* parent = nullptr);

  QComboBox* speed_box() const { return speed_; }
  QComboBox* standard_box() const { return standard_; }
  /// Back to "—" (no design speed), without a signal.
  void clear_choice();

 signals:
  /// The stopping sight distance of the chosen speed and standard.
  void sight_chosen(double metres);

 private:
  void fill_speeds();
  void choose();

  QComboBox* speed_;
  QComboBox* standard_;
};

}  // namespace lumora::app
