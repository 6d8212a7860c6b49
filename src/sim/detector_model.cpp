#include "sim/detector_model.h"

#include <cmath>

namespace virn::sim {

namespace {

// A level as a power; NaN (a broken network model) is no signal at all.
double Power(double levelDb) {
  return std::isnan(levelDb) ? 0.0 : std::pow(10.0, levelDb / 10.0);
}

}  // namespace

double LogDetectorReading(const LogDetector& detector, double levelDb) {
  // Signal and floor add as powers; a level of -inf leaves the floor alone.
  const double totalDb = 10.0 * std::log10(Power(levelDb) + Power(detector.floorDb));
  return detector.zeroDbSample + detector.samplesPerDb * totalDb;
}

double LinearDetectorReading(const LinearDetector& detector, double levelDb) {
  const double amplitude = std::isnan(levelDb) ? 0.0 : detector.fullScale * std::pow(10.0, levelDb / 20.0);
  return std::hypot(amplitude, detector.floorSamples);
}

double LinearFloorDb(const LinearDetector& detector) {
  return 20.0 * std::log10(detector.floorSamples / detector.fullScale);
}

double DetectorModel::Reading(bool linearDetector, double levelDb) const {
  return linearDetector ? LinearDetectorReading(linear, levelDb) : LogDetectorReading(log, levelDb);
}

double DetectorModel::FloorDb(bool linearDetector) const {
  return linearDetector ? LinearFloorDb(linear) : log.floorDb;
}

double FloorShare(double levelDb, double floorDb) {
  const double floor = Power(floorDb);
  const double signal = Power(levelDb);
  // Written out so that infinities and an empty input give a share, not NaN.
  if (std::isinf(floor) || !(signal + floor > 0)) return 1.0;
  if (std::isinf(signal)) return 0.0;
  return floor / (signal + floor);
}

std::uint8_t ToSampleByte(double reading) {
  if (std::isnan(reading) || reading <= 0) return 0;
  if (reading >= 255) return 255;
  return static_cast<std::uint8_t>(std::lround(reading));
}

}  // namespace virn::sim
