// An up-down control bound to a text field: its arrows (and the Up/Down keys in
// the field) step a position within a range and write it into the field as plain
// digits, which fires the field's change handler like typing does.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace virn::app {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 15;

  UpDown(QLineEdit* associate, int minimum, int maximum, QWidget* parent);

  QLineEdit* associate() const { return associate_; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  // What the field shows when it reads as a number (kept within the range),
  // otherwise the position last written.
  int position() const;
  // Clamps to the range and writes the position into the field.
  void setPosition(int position);
  void stepBy(int steps);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QLineEdit* associate_;
  QToolButton* up_;
  QToolButton* down_;
  int minimum_;
  int maximum_;
  int position_;
};

}  // namespace virn::app
