// The options dialog and the calibration wizards as the main window runs them.
#include "app/calibration_hosts.h"
#include "app/main_form.h"
#include "calibration/calibration.h"

namespace virn::app {

void TMainForm::mnuOptionClick() {
  const measure::Settings& s = controller_->Settings();
  const auto accepted = calibration::RunOptions(this, s.dds, s.vfoDiv);
  if (!accepted) return;
  controller_->ApplyOptions(accepted->dds, accepted->vfoDiv);
  SaveConfig();
}

void TMainForm::mnuCorrFreqClick() {
  calibration::RunFrequencyCalibration(this, *hosts_);
}

void TMainForm::mnuCaOutClick() {
  calibration::RunLevelCalibration(this, *hosts_);
}

}  // namespace virn::app
