#include "calibration/options.h"

#include "measure/frequency.h"

namespace virn::calibration {

EDdsMissing::EDdsMissing() : std::runtime_error(kNoDdsText.toStdString()) {}

std::int32_t AcceptedDds(const QString& text) {
  if (text.isEmpty()) throw EDdsMissing();
  return measure::StrToInt(text);
}

void ApplyOptions(OptionsHost& host, std::int32_t dds, bool vfoDiv) {
  host.setDds(dds);
  host.setVfoDiv(vfoDiv);
  host.ShowRangeStatus();
  host.StopSweep();
  if (host.Connected()) host.SendGeneratorSetup();
  host.SaveSettings();
}

}  // namespace virn::calibration
