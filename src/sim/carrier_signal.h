// An external signal at the instrument's input, for the spectrum-analyser mode:
// a carrier with its harmonics, as a signal generator with a distorting output
// stage puts out. The instrument then measures not its own output through a
// network but this spectrum, each point through the analyser's selectivity.
#pragma once

namespace virn::sim {

// Harmonic k (k = 1..harmonics) lies at k * fundamentalHz with the level
// levelDb + (k - 1) * harmonicStepDb.
struct CarrierSignal {
  double fundamentalHz = 10e6;
  double levelDb = -10;
  int harmonics = 5;
  double harmonicStepDb = -10;
};

// The narrowest selectivity the analyser has, and the level it reports where
// nothing at all arrives (the detector's own floor lies far above it).
inline constexpr double kMinResolutionHz = 10e3;
inline constexpr double kNoSignalDb = -200;

// The analyser's -3 dB bandwidth for a real step between points: twice the step,
// so that a carrier between two points still shows in any span, but never
// narrower than kMinResolutionHz.
double AnalyserResolutionHz(double realStepHz);

// The level in dB the detector sees when the analyser is tuned to `tunedHz`: the
// harmonics through a Gaussian response of -3 dB bandwidth `resolutionHz`,
// summed as powers. Never below kNoSignalDb, and finite for every input.
double CarrierSpectrumDb(const CarrierSignal& carrier, double tunedHz, double resolutionHz);

}  // namespace virn::sim
