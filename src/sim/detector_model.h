// The instrument's level detector: the reading it gives for a level in dB at its
// input, before noise and before the reading becomes a byte. Both detectors add
// their own noise floor as a power sum, so the curve bends smoothly into the
// floor instead of stopping at a hard edge, as a real detector's does.
//
// The defaults are those of a typical instrument off the production line, not
// of the program's uncalibrated constants (251 at 0 dB, 2.5 samples a dB): an
// uncalibrated program reads a cable at about -6 dB, and the level calibration
// has something to correct.
#pragma once

#include <cstdint>

namespace virn::sim {

// Logarithmic detector: reading = zeroDbSample + samplesPerDb * dB.
struct LogDetector {
  double zeroDbSample = 236.0;
  double samplesPerDb = 2.8;
  double floorDb = -80.0;  // the detector's own noise: the reading never goes below about 12
};

// Linear detector: the reading is proportional to the amplitude,
// fullScale * 10^(dB / 20).
struct LinearDetector {
  double fullScale = 230.0;   // reading at 0 dB
  double floorSamples = 1.5;  // amplitude of the detector's own noise, in samples
};

struct DetectorModel {
  LogDetector log;
  LinearDetector linear;
  // The ideal reading for a level, on the byte scale but unrounded and
  // unclamped. `linear` selects the detector as opcode 11 does.
  double Reading(bool linearDetector, double levelDb) const;
  // The level of the selected detector's own noise, in dB at its input.
  double FloorDb(bool linearDetector) const;
};

double LogDetectorReading(const LogDetector& detector, double levelDb);
double LinearDetectorReading(const LinearDetector& detector, double levelDb);
// The linear detector's floor as a level: 20 log10(floorSamples / fullScale).
double LinearFloorDb(const LinearDetector& detector);

// How much of what the detector sees is its own noise: Pfloor / (Psignal +
// Pfloor), from 0 (a strong signal) to 1 (nothing but the floor). A level that
// is not a number counts as no signal.
double FloorShare(double levelDb, double floorDb);

// A reading as the byte the instrument sends: rounded to the nearest integer and
// held to 0..255 (a reading that is not a number gives 0).
std::uint8_t ToSampleByte(double reading);

}  // namespace virn::sim
