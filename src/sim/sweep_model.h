// One sweep of the simulated instrument, apart from the bus: which frequency each
// of the 421 points is taken at, the level byte the detector gives there, and
// how the points are spread over the sweep period. Pure apart from the random
// generator the caller hands in, so a seeded generator gives the same bytes on
// every run.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <random>

#include "sim/detector_model.h"
#include "sim/network_model.h"

namespace virn::sim {

inline constexpr int kSweepPoints = 421;  // 420 steps
using SweepLevels = std::array<std::uint8_t, kSweepPoints>;

// Period index (opcode 5) to the time one whole sweep takes: 1..4 give 400, 800,
// 1600 and 3200 ms. An index never set (0) or out of range is held to 1..4.
std::chrono::milliseconds SweepPeriod(std::int32_t periodIndex);
// Time between two level bytes: the period over the 421 points, so the last
// point is measured one full period after the command.
std::chrono::nanoseconds PointSpacing(std::int32_t periodIndex);

// The settings of a sweep, as the host sent them.
struct SweepSettings {
  std::uint32_t startWord = 0;  // opcode 3; the frequency word, unsigned on the wire
  std::int32_t stepHz = 0;      // opcode 4; negative sweeps downwards
  bool linearDetector = false;  // opcode 11
  bool averaging = false;       // opcode 13
};

// Everything about the measurement that the host does not set.
struct MeasurementModel {
  NetworkModel network;  // empty: the default band-pass filter
  DetectorModel detector;
  double noiseRms = 1.0;               // Gaussian noise on each reading, in samples
  double averagingNoiseFactor = 0.25;  // averaging on: the noise is multiplied by this
  // The instrument's reference clock error: what it really puts out for a
  // nominal frequency is nominal * clockFactor. 1 is an exact clock.
  double clockFactor = 1.0;
};

// The frequency, in Hz, the instrument really measures point i at. The start
// word is taken as hertz: with the program's default calibration the word it
// sends equals the frequency.
double PointFrequencyHz(const SweepSettings& settings, double clockFactor, int point);

// The 421 level bytes of one sweep, drawing the noise from `rng`.
SweepLevels ComputeSweep(const MeasurementModel& model, const SweepSettings& settings, std::mt19937& rng);

}  // namespace virn::sim
