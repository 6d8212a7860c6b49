// The options exchange without widgets: the dialog's acceptance test and what
// accepting the DDS coefficient and the half-frequency switch does.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

#include "calibration/hosts.h"

namespace virn::calibration {

inline const QString kNoDdsText = QStringLiteral("Не указан коэффициент DDS.");

// The field was left empty: the dialog stays open with a warning.
class EDdsMissing : public std::runtime_error {
 public:
  EDdsMissing();
};

// The DDS coefficient of the field. Throws EDdsMissing for an empty field and
// measure::EConvertError for a text that is not a 32-bit integer.
std::int32_t AcceptedDds(const QString& text);

// In this order: both settings stored, the range status shown, any sweep
// stopped, and a connected instrument given the new coefficient with the
// generator frequency; then the settings file is written.
void ApplyOptions(OptionsHost& host, std::int32_t dds, bool vfoDiv);

}  // namespace virn::calibration
