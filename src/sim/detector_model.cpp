#include "sim/detector_model.h"

#include <cmath>

namespace virn::sim {

double LogDetectorReading(const LogDetector& detector, double levelDb) {
  // Signal and floor add as powers; a level of -inf (or NaN from a broken
  // network model) leaves the floor alone.
  const double signal = std::isnan(levelDb) ? 0.0 : std::pow(10.0, levelDb / 10.0);
  const double floor = std::pow(10.0, detector.floorDb / 10.0);
  const double totalDb = 10.0 * std::log10(signal + floor);
  return detector.zeroDbSample + detector.samplesPerDb * totalDb;
}

double LinearDetectorReading(const LinearDetector& detector, double levelDb) {
  const double amplitude = std::isnan(levelDb) ? 0.0 : detector.fullScale * std::pow(10.0, levelDb / 20.0);
  return std::hypot(amplitude, detector.floorSamples);
}

double DetectorModel::Reading(bool linearDetector, double levelDb) const {
  return linearDetector ? LinearDetectorReading(linear, levelDb) : LogDetectorReading(log, levelDb);
}

std::uint8_t ToSampleByte(double reading) {
  if (std::isnan(reading) || reading <= 0) return 0;
  if (reading >= 255) return 255;
  return static_cast<std::uint8_t>(std::lround(reading));
}

}  // namespace virn::sim
