// The options dialog and the two calibration wizards, each run from a button
// of the main window through the host interfaces of hosts.h.
#pragma once

#include <QString>

#include "calibration/hosts.h"

class QWidget;

namespace virn::calibration {

inline const QString kConnectInstrumentText = QStringLiteral("Подключите прибор.");

// Shows the options dialog with the current settings; accepting applies them
// (see ApplyOptions), anything else changes and sends nothing.
void RunOptions(QWidget* owner, OptionsHost& host);

// Needs a connected instrument. After the wizard closes, however it was
// closed, the generator returns to the user's frequency with the correction
// now in effect.
void RunFrequencyCalibration(QWidget* owner, FrequencyCalibrationHost& host);

// Runs the level calibration of the selected detector; it sends nothing
// afterwards.
void RunLevelCalibration(QWidget* owner, LevelCalibrationHost& host);

}  // namespace virn::calibration
