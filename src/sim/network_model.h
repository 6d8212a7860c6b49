// The two-port network the simulated instrument measures: its gain in dB as a
// function of frequency. Pure functions, so the shape of a sweep can be checked
// without a bus or a clock, and replaceable, so a test or the demo can put a
// cable or an attenuator in place of the filter.
#pragma once

#include <functional>

namespace virn::sim {

// Gain of the network in dB at a frequency in Hz. Must be pure and cheap (it is
// called 421 times per sweep with the instrument's lock held) and must return a
// finite value for every input, zero, negative and enormous frequencies included.
using NetworkModel = std::function<double(double frequencyHz)>;

// A Butterworth band-pass: the low-pass prototype of `order` poles mapped onto
// the band with Omega = (f / f0 - f0 / f) * f0 / B, so the response is flat in
// the passband and falls by 20 * order dB per decade of Omega in the skirts.
// Real filters leak a little around their sections, so the stop band bottoms
// out at `isolationDb` instead of falling forever.
struct BandPassDesign {
  double centreHz = 20e6;    // geometric centre f0
  double bandwidthHz = 6e6;  // B: between the two -3 dB points (relative to the passband)
  int order = 4;             // poles of the low-pass prototype
  double insertionLossDb = 1.5;
  double isolationDb = -120.0;  // the deepest the stop band goes
};

// Gain in dB of the band-pass at frequency f. Frequencies at or below zero and
// values that are not finite give the isolation floor.
double BandPassGainDb(const BandPassDesign& design, double frequencyHz);

// The lower and upper -3 dB frequencies of a design (relative to its passband).
struct BandEdges {
  double lowerHz = 0;
  double upperHz = 0;
};
BandEdges BandPassEdges(const BandPassDesign& design);

// The instrument's default network: a filter with a clear passband and skirts
// inside the program's default 0.1 to 50 MHz sweep.
NetworkModel BandPassFilter(const BandPassDesign& design = {});
// A straight cable: 0 dB everywhere.
NetworkModel ThroughLine();
// A flat attenuator, e.g. Attenuator(-40) for the level calibration's second step.
NetworkModel Attenuator(double gainDb);

}  // namespace virn::sim
