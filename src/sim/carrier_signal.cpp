#include "sim/carrier_signal.h"

#include <algorithm>
#include <cmath>

namespace virn::sim {

namespace {

// A Gaussian power response is 10 log10(2) dB down at half its bandwidth from
// the centre; the loss grows with the square of the offset.
constexpr double kHalfPowerDb = 3.0102999566398120;

// Harmonics beyond this cannot be told apart in any span the instrument sweeps.
constexpr int kMaxHarmonics = 1000;
// Far above anything a level byte can show.
constexpr double kTopDb = 1000;

}  // namespace

double AnalyserResolutionHz(double realStepHz) {
  const double width = 2.0 * std::abs(realStepHz);
  return std::isfinite(width) ? std::max(width, kMinResolutionHz) : kMinResolutionHz;
}

double CarrierSpectrumDb(const CarrierSignal& carrier, double tunedHz, double resolutionHz) {
  if (!std::isfinite(tunedHz) || !std::isfinite(carrier.fundamentalHz) || !std::isfinite(carrier.levelDb) ||
      !std::isfinite(carrier.harmonicStepDb) || !(carrier.fundamentalHz > 0)) {
    return kNoSignalDb;
  }
  const double halfWidth =
      std::isfinite(resolutionHz) ? std::max(resolutionHz, kMinResolutionHz) / 2.0 : kMinResolutionHz / 2.0;
  double power = 0;
  const int harmonics = std::clamp(carrier.harmonics, 0, kMaxHarmonics);
  for (int k = 1; k <= harmonics; ++k) {
    const double offset = (tunedHz - k * carrier.fundamentalHz) / halfWidth;
    const double lossDb = kHalfPowerDb * offset * offset;
    const double levelDb = carrier.levelDb + (k - 1) * carrier.harmonicStepDb - lossDb;
    // Far off a harmonic the power underflows to zero, which is what it is.
    power += std::pow(10.0, levelDb / 10.0);
  }
  // log10 of nothing is -inf and of an absurdly strong carrier +inf: both held.
  return std::clamp(10.0 * std::log10(power), kNoSignalDb, kTopDb);
}

}  // namespace virn::sim
