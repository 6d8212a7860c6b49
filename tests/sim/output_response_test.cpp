// The instrument's own output: flat at the bottom of its band, about 3 dB down
// at the top, with a small ripple, and carried into every sweep it measures.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "sim/output_response.h"
#include "sim/sweep_model.h"

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

TEST(OutputResponse, ACableSweptOverTheBandFallsWithTheOutput) {
  MeasurementModel model;
  model.network = [](double) { return 0.0; };
  model.noiseRms = 0;
  model.clockFactor = 1;
  const SweepSettings band{.startWord = 100000, .stepHz = 237857, .linearDetector = false, .averaging = true};
  std::mt19937 rng;
  const SweepLevels real = ComputeSweep(model, band, rng);
  model.output = FlatOutput();
  const SweepLevels flat = ComputeSweep(model, band, rng);
  const double perDb = model.detector.log.samplesPerDb;
  EXPECT_NEAR(real.front(), flat.front(), 0.5);
  EXPECT_NEAR(flat.back() - real.back(), 3.0 * perDb, 0.3 * perDb + 0.5);
  EXPECT_EQ(flat.front(), flat.back());
}

}  // namespace
}  // namespace virn::sim::test
