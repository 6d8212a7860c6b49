#include "calibration/level_measurement.h"

#include <cmath>

namespace virn::calibration {

std::int16_t LevelConstantFor(double meanReading) {
  // nearbyint rounds in the current mode, which is to nearest with ties to even.
  const double value = std::nearbyint(kZeroDbSampleRow - meanReading);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::int64_t>(value)));
}

void MeasureLevel(LevelCalibrationHost& host, LevelMeasurement which) {
  if (which == LevelMeasurement::None) return;
  // Delay off gives sweeps at the shortest period; averaging on steadies each level.
  host.setDelay(false);
  host.WaitKeepingSweeps(kLevelReadingWait);
  host.setAveraging(true);
  double sum = 0.0;
  for (int i = 0; i < kLevelReadings; ++i) {
    sum += host.LevelReading();
    host.WaitKeepingSweeps(kLevelReadingWait);
  }
  const std::int16_t constant = LevelConstantFor(sum / kLevelReadings);
  const bool linear = host.linear();
  if (which == LevelMeasurement::ZeroLevel && linear) {
    host.setCorrLin0Db(constant);
  } else if (which == LevelMeasurement::ZeroLevel) {
    host.setCorrLog0Db(constant);
  } else if (linear) {
    host.setCorrLin12Db(constant);
  } else {
    host.setCorrLog40Db(constant);
  }
  host.SaveSettings();
}

}  // namespace virn::calibration
