// The options dialog and the calibration wizards as the main window runs
// them, and what the window gives them: its settings, its commands and a wait
// that keeps the sweeps coming.
#include <QEventLoop>
#include <QTimer>

#include "app/main_form.h"
#include "calibration/calibration.h"
#include "measure/instrument_sequences.h"

namespace virn::app {

void TMainForm::mnuOptionClick() {
  calibration::RunOptions(this, static_cast<calibration::OptionsHost&>(*this));
}

void TMainForm::mnuCorrFreqClick() {
  calibration::RunFrequencyCalibration(this, static_cast<calibration::FrequencyCalibrationHost&>(*this));
}

void TMainForm::mnuCaOutClick() {
  calibration::RunLevelCalibration(this, static_cast<calibration::LevelCalibrationHost&>(*this));
}

void TMainForm::SaveSettings() {
  SaveConfig();
}

void TMainForm::SendGeneratorWord(std::int32_t word) {
  measure::SendGeneratorWord(instrument_, word);
}

std::int32_t TMainForm::LevelReading() const {
  return drawThread_->MaxSample();
}

void TMainForm::WaitKeepingSweeps(std::chrono::milliseconds duration) {
  // A plain sleep here would hold the acquisition thread in its hand-off, and
  // no sweep would arrive while the wizard measures. Timers and the hand-off
  // run; clicks and keys wait, so the wizard cannot be re-entered.
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(duration);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace virn::app
