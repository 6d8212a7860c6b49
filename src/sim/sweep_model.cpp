#include "sim/sweep_model.h"

#include <algorithm>
#include <cmath>

namespace virn::sim {

std::chrono::milliseconds SweepPeriod(std::int32_t periodIndex) {
  // Each index doubles the time: 400 ms << (index - 1).
  const std::int32_t index = std::clamp<std::int32_t>(periodIndex, 1, 4);
  return std::chrono::milliseconds(400 << (index - 1));
}

std::chrono::nanoseconds PointSpacing(std::int32_t periodIndex) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(SweepPeriod(periodIndex)) / kSweepPoints;
}

double PointFrequencyHz(const SweepSettings& settings, double clockFactor, int point) {
  // In 64 bits: start word plus 420 steps can leave the 32-bit range.
  const std::int64_t nominal = std::int64_t{settings.startWord} + std::int64_t{point} * settings.stepHz;
  return static_cast<double>(nominal) * clockFactor;
}

SweepLevels ComputeSweep(const MeasurementModel& model, const SweepSettings& settings, std::mt19937& rng) {
  const double sigma = model.noiseRms * (settings.averaging ? model.averagingNoiseFactor : 1.0);
  std::normal_distribution<double> noise(0.0, sigma > 0 ? sigma : 1.0);
  SweepLevels levels{};
  for (int i = 0; i < kSweepPoints; ++i) {
    const double f = PointFrequencyHz(settings, model.clockFactor, i);
    const double gainDb = model.network ? model.network(f) : BandPassGainDb(BandPassDesign{}, f);
    double reading = model.detector.Reading(settings.linearDetector, gainDb);
    if (sigma > 0) reading += noise(rng);
    levels[static_cast<std::size_t>(i)] = ToSampleByte(reading);
  }
  return levels;
}

}  // namespace virn::sim
