// The instrument's level detector: the reading it gives for a level in dB at its
// input, before noise and before the reading becomes a byte. Both detectors add
// their own noise floor as a power sum, so the curve bends smoothly into the
// floor instead of stopping at a hard edge, as a real detector's does.
#pragma once

#include <cstdint>

namespace virn::sim {

// Logarithmic detector: reading = zeroDbSample + samplesPerDb * dB. With the
// program's default level calibration a reading of 251 lies on its 0 dB line and
// one sample is 0.4 dB, so these defaults need no calibration to look right.
struct LogDetector {
  double zeroDbSample = 251.0;
  double samplesPerDb = 2.5;
  double floorDb = -80.0;  // the detector's own noise: the reading never goes below about 51
};

// Linear detector: the reading is proportional to the amplitude,
// fullScale * 10^(dB / 20).
struct LinearDetector {
  double fullScale = 240.0;   // reading at 0 dB
  double floorSamples = 1.5;  // amplitude of the detector's own noise, in samples
};

struct DetectorModel {
  LogDetector log;
  LinearDetector linear;
  // The ideal reading for a level, on the byte scale but unrounded and
  // unclamped. `linear` selects the detector as opcode 11 does.
  double Reading(bool linearDetector, double levelDb) const;
};

double LogDetectorReading(const LogDetector& detector, double levelDb);
double LinearDetectorReading(const LinearDetector& detector, double levelDb);

// A reading as the byte the instrument sends: rounded to the nearest integer and
// held to 0..255 (a reading that is not a number gives 0).
std::uint8_t ToSampleByte(double reading);

}  // namespace virn::sim
