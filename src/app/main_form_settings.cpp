// The published settings that do more than store: what the setting's control
// shows follows the value.
#include <QToolButton>

#include "app/main_form.h"
#include "app/up_down.h"

namespace virn::app {

void TMainForm::setCalibration(std::int16_t Calibration::*value, qint16 constant) {
  controller_->SetCalibrationValue(value, constant);
}

void TMainForm::selectMode(Mode mode, bool selected) {
  controller_->SelectMode(mode, selected);
  ShowModeButtons();
}

void TMainForm::setZeroDbAnaliser(qint16 value) {
  // The field shows the offset in effect; its change handler stores it.
  UpDown14->setPosition(value);
}

void TMainForm::setVisir(bool value) {
  mnuVisir->setChecked(value);
  controller_->SetMarker(value, settings().visirValue);
}

}  // namespace virn::app
