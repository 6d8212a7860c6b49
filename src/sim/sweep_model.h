// One sweep of the simulated instrument, apart from the bus: which frequency each
// of the 421 points is taken at, the level byte the detector gives there, and
// how the points are spread over the sweep period. Pure apart from the random
// generator the caller hands in, so a seeded generator gives the same bytes on
// every run.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>

#include "sim/carrier_signal.h"
#include "sim/detector_model.h"
#include "sim/network_model.h"
#include "sim/output_response.h"

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

// The reference clock of a typical instrument before frequency calibration.
inline constexpr double kDefaultClockFactor = 1.0 + 10e-6;

// Everything about the measurement that the host does not set. The defaults
// are an instrument as it comes, with the errors the calibrations correct.
struct MeasurementModel {
  NetworkModel network;  // empty: the default band-pass filter
  // The instrument's own output before the network; empty: flat.
  OutputModel output = InstrumentOutput();
  // Set: a signal from outside is at the input, and the detector sees its
  // spectrum instead of the instrument's own output through the network.
  std::optional<CarrierSignal> externalInput;
  DetectorModel detector;
  // The noise on each reading, in samples: a part that is always there and a
  // part that grows as the signal sinks into the detector's floor (see
  // NoiseSigma).
  double noiseRms = 0.15;
  double floorNoiseRms = 2.0;
  double averagingNoiseFactor = 0.25;  // averaging on: the noise is multiplied by this
  // The instrument's reference clock error: what it really puts out for a
  // nominal frequency is nominal * clockFactor. 1 is an exact clock.
  double clockFactor = kDefaultClockFactor;
};

// The frequency, in Hz, the instrument really measures point i at. The start
// word is taken as hertz: with the program's default calibration the word it
// sends equals the frequency.
double PointFrequencyHz(const SweepSettings& settings, double clockFactor, int point);

// The level in dB the detector sees at a real frequency: the output's response
// plus the network's gain, or the external carrier's spectrum through the
// analyser's selectivity for the sweep's real step.
double InputLevelDb(const MeasurementModel& model, const SweepSettings& settings, double frequencyHz);

// The RMS noise of one reading, in samples. A log detector's noise grows as the
// signal sinks into its floor: sqrt(noiseRms^2 + (floorNoiseRms * q)^2) with q
// the floor's share of the power (FloorShare), times averagingNoiseFactor with
// averaging on.
double NoiseSigma(const MeasurementModel& model, bool linearDetector, bool averaging, double levelDb);

// The 421 level bytes of one sweep, drawing the noise from `rng`. A point with
// no noise draws nothing.
SweepLevels ComputeSweep(const MeasurementModel& model, const SweepSettings& settings, std::mt19937& rng);

}  // namespace virn::sim
