// The options dialog's acceptance test, without widgets.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

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

}  // namespace virn::calibration
