#include "calibration/options.h"

#include "measure/frequency.h"

namespace virn::calibration {

EDdsMissing::EDdsMissing() : std::runtime_error(kNoDdsText.toStdString()) {}

std::int32_t AcceptedDds(const QString& text) {
  if (text.isEmpty()) throw EDdsMissing();
  return measure::StrToInt(text);
}

}  // namespace virn::calibration
