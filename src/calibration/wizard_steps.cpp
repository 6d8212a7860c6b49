#include "calibration/wizard_steps.h"

#include <limits>

#include "measure/frequency.h"

namespace virn::calibration {

ERealFreqRefused::ERealFreqRefused(const QString& text) : std::runtime_error(text.toStdString()) {}

std::optional<std::int32_t> RealFreqFor(std::int32_t measured, std::int32_t nominal, std::int32_t corrFreq) {
  if (nominal == corrFreq) return measured;
  if (measured <= 0 || nominal <= 0 || corrFreq <= 0) return std::nullopt;
  // Exact in 64 bits: both factors are below 2^31.
  const std::int64_t product = std::int64_t{measured} * corrFreq;
  std::int64_t quotient = product / nominal;
  const std::int64_t twiceRest = 2 * (product % nominal);
  if (twiceRest > nominal || (twiceRest == nominal && quotient % 2 != 0)) ++quotient;
  if (quotient < 1 || quotient > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(quotient);
}

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

std::optional<FreqStepAction> FreqWizardStep(int step, const QString& nominalText, const QString& realText,
                                             std::int32_t corrFreq) {
  FreqStepAction action;
  switch (step) {
    case 0:
      action.view = *ViewOfStep(0, !nominalText.isEmpty());
      return action;
    case 1: {
      const std::int32_t nominal = measure::StrToInt(nominalText);
      if (nominal <= 0) throw ERealFreqRefused(kNominalFreqRefusedText);
      action.nominalWord = nominal;
      action.view = *ViewOfStep(1, !realText.isEmpty());
      return action;
    }
    case 2: {
      const std::int32_t measured = measure::StrToInt(realText);
      if (measured <= 0) throw ERealFreqRefused(kRealFreqRefusedText);
      action.realFreq = RealFreqFor(measured, measure::StrToInt(nominalText), corrFreq);
      if (!action.realFreq) throw ERealFreqRefused(kRealFreqOutOfRangeText);
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
