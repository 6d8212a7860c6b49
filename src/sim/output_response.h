// The instrument's own output response: what its generator puts out, in dB
// against frequency, before the network under test. A DDS's output falls as
// the sinc of its sampling, then its output low-pass takes a little more, and
// reflections along the output path leave a small ripple. A cable measured on
// such an instrument reads 0 dB at the bottom of the band and about 3 dB low
// at its top, which is what the flatness correction is there to take out.
#pragma once

#include <functional>

namespace virn::sim {

// The top of the instrument's band: its output is specified up to here.
inline constexpr double kTopFrequencyHz = 100e6;

struct OutputResponse {
  double ddsClockHz = 2.5 * kTopFrequencyHz;  // the top at 0.4 of the clock: sinc -2.4 dB there
  double lowPassCornerHz = 162.6e6;           // two poles, Butterworth: -0.6 dB at the top
  double rippleDb = 0.1;                      // amplitude of the ripple
  double ripplePeriodHz = 13e6;
};

// Gain of the output in dB at a real frequency; 0 at 0 Hz. Negative and
// non-finite frequencies count as 0 Hz.
double OutputGainDb(const OutputResponse& response, double frequencyHz);

// The output as a network-style function: the instrument's response, or none.
using OutputModel = std::function<double(double frequencyHz)>;
OutputModel InstrumentOutput(const OutputResponse& response = {});
OutputModel FlatOutput();

}  // namespace virn::sim
