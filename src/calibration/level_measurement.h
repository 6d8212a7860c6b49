// The level calibration's measurement: delay off, averaging on, ten readings of
// the latest sweep's largest level half a second apart, and the constant that
// puts their mean on the plot's 0 dB line.
#pragma once

#include <chrono>
#include <cstdint>

#include "calibration/hosts.h"
#include "calibration/wizard_steps.h"

namespace virn::calibration {

inline constexpr int kLevelReadings = 10;
inline constexpr std::chrono::milliseconds kLevelReadingWait{50};
// A sample s plus the constant lands on row 281 - (s + constant); the 0 dB line is row 30.
inline constexpr double kZeroDbSampleRow = 251.0;

// 251 - mean, rounded to nearest with ties to even, its low 16 bits as a signed value.
std::int16_t LevelConstantFor(double meanReading);

// Runs the measurement and stores its constant into the selected detector's
// 0 dB (ZeroLevel) or attenuated (AttenuatedLevel) value; the other detector's
// values stay. The settings are written at once: a calibration must not wait
// for the window to close.
void MeasureLevel(LevelCalibrationHost& host, LevelMeasurement which);

}  // namespace virn::calibration
