// The frequency calibration wizard: the instrument puts out a nominal
// frequency, the user measures the real one with a counter, and the wizard
// stores it as _RealFreq.
#pragma once

#include "calibration/hosts.h"
#include "calibration/wizard_form.h"

class QLineEdit;

namespace virn::calibration {

class TCaFreqForm : public WizardForm {
  Q_OBJECT
 public:
  TCaFreqForm(QWidget* owner, FrequencyCalibrationHost& host);

  QLineEdit* edit1() const { return Edit1; }
  QLineEdit* edit2() const { return Edit2; }

  void Edit1Change();
  void Edit2Change();

 protected:
  void UpdatePage() override;

 private:
  FrequencyCalibrationHost& host_;
  QLineEdit* Edit1 = nullptr;  // the nominal frequency
  QLineEdit* Edit2 = nullptr;  // the frequency the counter reads
};

}  // namespace virn::calibration
