#include "calibration/wizard_steps.h"

#include "measure/frequency.h"

namespace virn::calibration {

ERealFreqRefused::ERealFreqRefused() : std::runtime_error(kRealFreqRefusedText.toStdString()) {}

std::optional<WizardView> ViewOfStep(int step, bool nextEnabled) {
  switch (step) {
    case 0:
      return WizardView{
          .page = 0, .navigationVisible = true, .backEnabled = false, .nextEnabled = nextEnabled};
    case 1:
      return WizardView{
          .page = 1, .navigationVisible = true, .backEnabled = true, .nextEnabled = nextEnabled};
    case 2:
      return WizardView{.page = 2, .navigationVisible = false, .finishCaption = true};
    default:
      return std::nullopt;
  }
}

std::optional<FreqStepAction> FreqWizardStep(int step, const QString& nominalText, const QString& realText) {
  FreqStepAction action;
  switch (step) {
    case 0:
      action.view = *ViewOfStep(0, !nominalText.isEmpty());
      return action;
    case 1:
      action.nominalWord = measure::StrToInt(nominalText);
      action.view = *ViewOfStep(1, !realText.isEmpty());
      return action;
    case 2: {
      const std::int32_t measured = measure::StrToInt(realText);
      if (measured <= 0) throw ERealFreqRefused();
      action.realFreq = measured;
      action.view = *ViewOfStep(2, false);
      return action;
    }
    default:
      return std::nullopt;
  }
}

std::optional<LevelStepAction> LevelWizardStep(int step) {
  const std::optional<WizardView> view = ViewOfStep(step, true);
  if (!view) return std::nullopt;
  LevelStepAction action{*view};
  if (step == 1) action.measurement = LevelMeasurement::ZeroLevel;
  if (step == 2) action.measurement = LevelMeasurement::AttenuatedLevel;
  return action;
}

}  // namespace virn::calibration
