// The options dialog: the DDS coefficient and the analyser's half-frequency
// local oscillator.
#pragma once

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace virn::calibration {

class TOptionForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kClientWidth = 199;
  static constexpr int kClientHeight = 152;

  explicit TOptionForm(QWidget* owner);

  QLineEdit* edit2() const { return Edit2; }
  QCheckBox* checkBox1() const { return CheckBox1; }
  // The coefficient the acceptance test read; valid once the dialog was accepted.
  std::int32_t AcceptedDds() const { return acceptedDds_; }

  // The acceptance test: an empty or unreadable field keeps the dialog open.
  void KlButton1Click();

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;

  QLabel* Label15 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QLabel* CheckBox1Caption = nullptr;
  QPushButton* KlButton1 = nullptr;
  QPushButton* KlButton2 = nullptr;
  std::int32_t acceptedDds_ = 0;
};

}  // namespace virn::calibration
