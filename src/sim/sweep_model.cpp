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

double InputLevelDb(const MeasurementModel& model, const SweepSettings& settings, double frequencyHz) {
  if (model.externalInput) {
    const double realStepHz = static_cast<double>(settings.stepHz) * model.clockFactor;
    return CarrierSpectrumDb(*model.externalInput, frequencyHz, AnalyserResolutionHz(realStepHz));
  }
  const double outputDb = model.output ? model.output(frequencyHz) : 0.0;
  return outputDb +
         (model.network ? model.network(frequencyHz) : BandPassGainDb(BandPassDesign{}, frequencyHz));
}

double NoiseSigma(const MeasurementModel& model, bool linearDetector, bool averaging, double levelDb) {
  const double q = FloorShare(levelDb, model.detector.FloorDb(linearDetector));
  const double sigma = std::hypot(model.noiseRms, model.floorNoiseRms * q);
  return sigma * (averaging ? model.averagingNoiseFactor : 1.0);
}

SweepLevels ComputeSweep(const MeasurementModel& model, const SweepSettings& settings, std::mt19937& rng) {
  std::normal_distribution<double> unitNoise(0.0, 1.0);
  SweepLevels levels{};
  for (int i = 0; i < kSweepPoints; ++i) {
    const double f = PointFrequencyHz(settings, model.clockFactor, i);
    const double levelDb = InputLevelDb(model, settings, f);
    double reading = model.detector.Reading(settings.linearDetector, levelDb);
    const double sigma = NoiseSigma(model, settings.linearDetector, settings.averaging, levelDb);
    if (sigma > 0) reading += sigma * unitNoise(rng);
    levels[static_cast<std::size_t>(i)] = ToSampleByte(reading);
  }
  return levels;
}

}  // namespace virn::sim
