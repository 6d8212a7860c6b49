#include "sim/network_model.h"

#include <algorithm>
#include <cmath>

namespace virn::sim {

double BandPassGainDb(const BandPassDesign& design, double frequencyHz) {
  const double floor = design.isolationDb;
  // A band-pass passes no DC, and the mapping below divides by f.
  if (!(frequencyHz > 0) || !std::isfinite(frequencyHz)) return floor;
  if (!(design.centreHz > 0) || !(design.bandwidthHz > 0) || design.order < 1) return floor;

  const double f0 = design.centreHz;
  const double omega = std::abs(frequencyHz / f0 - f0 / frequencyHz) * f0 / design.bandwidthHz;
  // 10 log10(1 + Omega^2n), worked in logarithms: Omega^2n overflows a double
  // long before the frequencies a test may ask about.
  double excessDb = 0;
  if (omega > 0) {
    const double log10Power = 2.0 * design.order * std::log10(omega);
    excessDb = log10Power > 15 ? 10.0 * log10Power : 10.0 * std::log10(1.0 + std::pow(10.0, log10Power));
  }
  return std::max(-design.insertionLossDb - excessDb, floor);
}

BandEdges BandPassEdges(const BandPassDesign& design) {
  // Omega = +-1: f^2 -+ B f - f0^2 = 0.
  const double b = design.bandwidthHz;
  const double root = std::sqrt(b * b + 4.0 * design.centreHz * design.centreHz);
  return {(root - b) / 2.0, (root + b) / 2.0};
}

NetworkModel BandPassFilter(const BandPassDesign& design) {
  return [design](double frequencyHz) { return BandPassGainDb(design, frequencyHz); };
}

NetworkModel ThroughLine() {
  return [](double) { return 0.0; };
}

NetworkModel Attenuator(double gainDb) {
  return [gainDb](double) { return gainDb; };
}

}  // namespace virn::sim
