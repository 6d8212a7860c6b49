// The instrument's own output: flat at the bottom of its band, about 3 dB down
// at the top, with a small ripple. (That sweeps carry it shows in the
// flatness tests: a cable reads 2 dB low at the top before the calibration.)
#include <gtest/gtest.h>

#include <cmath>

#include "sim/output_response.h"

namespace virn::sim::test {
namespace {

TEST(OutputResponse, FlatInTheBottomTenthAndAboutThreeDbDownAtTheTop) {
  const OutputResponse response;
  double lowest = 0;
  double highest = 0;
  for (double f = 0; f <= kTopFrequencyHz / 10; f += 10e3) {
    lowest = std::min(lowest, OutputGainDb(response, f));
    highest = std::max(highest, OutputGainDb(response, f));
  }
  EXPECT_LE(highest - lowest, 0.3);
  EXPECT_NEAR(OutputGainDb(response, kTopFrequencyHz), -3.0, 0.3);
  // A ripple of a few tenths rides on the fall: the response is not monotonic.
  EXPECT_GT(OutputGainDb(response, 3.25e6), OutputGainDb(response, 0) + 0.05);
  EXPECT_TRUE(std::isfinite(OutputGainDb(response, response.ddsClockHz)));
  EXPECT_EQ(OutputGainDb(response, -5), OutputGainDb(response, 0));
}

}  // namespace
}  // namespace virn::sim::test
