// The level calibration wizard: measures the 0 dB level through a cable and
// the attenuated level through -40 dB (logarithmic detector) or -12 dB
// (linear detector), and stores the selected detector's two constants.
#pragma once

#include "calibration/hosts.h"
#include "calibration/wizard_form.h"

namespace virn::calibration {

inline const QString kLogCaption = QStringLiteral("Калибровка уровня (логарифмический детектор)");
inline const QString kLinCaption = QStringLiteral("Калибровка уровня (линейный детектор)");

class TCaForm : public WizardForm {
  Q_OBJECT
 public:
  TCaForm(QWidget* owner, LevelCalibrationHost& host);

  void MeasureZeroLevel();
  void MeasureAttenuatedLevel();

 protected:
  void UpdatePage() override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void Measure(LevelMeasurement which);

  LevelCalibrationHost& host_;
};

}  // namespace virn::calibration
