// The options dialog and the two calibration wizards, each run from a button
// of the main window; the wizards work through the host interfaces of hosts.h.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "calibration/hosts.h"

class QWidget;

namespace virn::calibration {

inline const QString kConnectInstrumentText = QStringLiteral("Подключите прибор.");

// What the options dialog was accepted with.
struct AcceptedOptions {
  std::int32_t dds = 0;
  bool vfoDiv = false;
};

// Shows the options dialog with the current settings; the values it was
// accepted with, or none when it was not (nothing is to change then).
std::optional<AcceptedOptions> RunOptions(QWidget* owner, std::int32_t dds, bool vfoDiv);

// Needs a connected instrument. After the wizard closes, however it was
// closed, the generator returns to the user's frequency with the correction
// now in effect.
void RunFrequencyCalibration(QWidget* owner, FrequencyCalibrationHost& host);

// Runs the level calibration of the selected detector; it sends nothing
// afterwards.
void RunLevelCalibration(QWidget* owner, LevelCalibrationHost& host);

// Needs a connected instrument. Measures the whole band through a cable for
// the detector in use; cancelled, lost or failed, it keeps the previous
// correction.
void RunFlatnessCalibration(QWidget* owner, FlatnessCalibrationHost& host);

}  // namespace virn::calibration
