// The model networks the simulated instrument measures: the band-pass filter's
// passband, edges, skirts and stop band, its behaviour at frequencies no sweep
// should reach, and the flat networks used for level calibration.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "sim/network_model.h"

namespace virn::sim::test {
namespace {

constexpr double kMHz = 1e6;

class BandPass : public ::testing::Test {
 protected:
  double Gain(double f) const { return BandPassGainDb(design, f); }
  // The frequency, found by bisection, where the gain crosses `levelDb` between
  // lo and hi (the gain must be on opposite sides of the level there).
  double Crossing(double lo, double hi, double levelDb) const {
    const bool risingAtLo = Gain(lo) < levelDb;
    for (int i = 0; i < 200; ++i) {
      const double mid = (lo + hi) / 2;
      ((Gain(mid) < levelDb) == risingAtLo ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
  }
  BandPassDesign design;
};

TEST_F(BandPass, PassbandSitsAtTheInsertionLoss) {
  EXPECT_NEAR(Gain(20 * kMHz), -1.5, 1e-9);
  for (double f = 19 * kMHz; f <= 21 * kMHz; f += 0.1 * kMHz) {
    EXPECT_LE(Gain(f), -1.5 + 1e-9) << f;
    EXPECT_GT(Gain(f), -1.6) << f;
  }
}

TEST_F(BandPass, ThreeDecibelEdgesAreWhereTheDesignPutsThem) {
  const double edgeLevel = -1.5 - 10 * std::log10(2.0);
  const double lower = Crossing(1 * kMHz, 20 * kMHz, edgeLevel);
  const double upper = Crossing(20 * kMHz, 100 * kMHz, edgeLevel);
  EXPECT_NEAR(upper - lower, 6 * kMHz, 1e3);
  EXPECT_NEAR(std::sqrt(lower * upper), 20 * kMHz, 1e3);  // the centre is geometric
  EXPECT_GT(lower, 16.5 * kMHz);
  EXPECT_LT(upper, 24 * kMHz);

  const BandEdges edges = BandPassEdges(design);
  EXPECT_NEAR(edges.lowerHz, lower, 1.0);
  EXPECT_NEAR(edges.upperHz, upper, 1.0);
}

TEST_F(BandPass, SkirtsFallMonotonicallyAwayFromThePassband) {
  const BandEdges edges = BandPassEdges(design);
  double previous = Gain(1e3);
  for (double f = 2e3; f <= edges.lowerHz; f *= 1.01) {
    const double g = Gain(f);
    EXPECT_GE(g, previous) << f;
    previous = g;
  }
  previous = Gain(edges.upperHz);
  for (double f = edges.upperHz * 1.01; f <= 10e9; f *= 1.01) {
    const double g = Gain(f);
    EXPECT_LE(g, previous) << f;
    previous = g;
  }
}

TEST_F(BandPass, ResponseIsSymmetricInLogFrequency) {
  for (const double k : {1.05, 1.2, 2.0, 4.0}) {
    EXPECT_NEAR(Gain(20 * kMHz * k), Gain(20 * kMHz / k), 1e-6) << k;
  }
}

TEST_F(BandPass, FarStopBandIsDeepAndBottomsOutAtTheIsolation) {
  // A fourth-order skirt: about 24 dB per doubling of Omega, so an octave off
  // the centre is already far down.
  EXPECT_LT(Gain(10 * kMHz), -50);
  EXPECT_LT(Gain(40 * kMHz), -40);
  EXPECT_LT(Gain(3 * kMHz), -100);
  EXPECT_DOUBLE_EQ(Gain(0.1 * kMHz), -120);
  EXPECT_DOUBLE_EQ(Gain(100e9), -120);
}

TEST_F(BandPass, HigherOrderGivesSteeperSkirts) {
  BandPassDesign gentle = design;
  gentle.order = 2;
  EXPECT_LT(Gain(30 * kMHz), BandPassGainDb(gentle, 30 * kMHz) - 10);
  EXPECT_NEAR(Gain(20 * kMHz), BandPassGainDb(gentle, 20 * kMHz), 1e-9);
}

TEST_F(BandPass, StaysFiniteWhereNoSweepShouldGo) {
  const std::vector<double> odd = {0.0,
                                   -1.0,
                                   -50 * kMHz,
                                   1e12,
                                   1e300,
                                   std::numeric_limits<double>::denorm_min(),
                                   std::numeric_limits<double>::min(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()};
  for (const double f : odd) {
    const double g = Gain(f);
    EXPECT_TRUE(std::isfinite(g)) << f;
    EXPECT_GE(g, -120) << f;
    EXPECT_LE(g, -1.5) << f;
  }
  EXPECT_DOUBLE_EQ(Gain(0.0), -120);
  EXPECT_DOUBLE_EQ(Gain(1e12), -120);
}

TEST_F(BandPass, FactoryWrapsTheSameResponse) {
  BandPassDesign narrow;
  narrow.centreHz = 10.7 * kMHz;
  narrow.bandwidthHz = 0.3 * kMHz;
  narrow.insertionLossDb = 4;
  const NetworkModel model = BandPassFilter(narrow);
  for (const double f : {1 * kMHz, 10.6 * kMHz, 10.7 * kMHz, 11 * kMHz, 30 * kMHz}) {
    EXPECT_DOUBLE_EQ(model(f), BandPassGainDb(narrow, f)) << f;
  }
  EXPECT_NEAR(model(10.7 * kMHz), -4, 1e-9);
  EXPECT_DOUBLE_EQ(BandPassFilter()(20 * kMHz), Gain(20 * kMHz));
}

TEST(FlatNetworks, ThroughAndAttenuatorIgnoreFrequency) {
  const NetworkModel through = ThroughLine();
  const NetworkModel pad = Attenuator(-40);
  for (const double f : {0.0, 1e5, 20 * kMHz, 50 * kMHz, 1e12}) {
    EXPECT_DOUBLE_EQ(through(f), 0.0) << f;
    EXPECT_DOUBLE_EQ(pad(f), -40.0) << f;
  }
  EXPECT_DOUBLE_EQ(Attenuator(-12)(7 * kMHz), -12.0);
}

}  // namespace
}  // namespace virn::sim::test
