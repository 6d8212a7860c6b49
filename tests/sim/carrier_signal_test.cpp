// An external carrier at the input: its spectrum through the analyser's Gaussian
// selectivity (peaks at each harmonic's level, skirts, powers summed, finite
// everywhere), and sweeps that measure it at the real point frequencies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "sim/carrier_signal.h"
#include "sim/sweep_model.h"

namespace virn::sim::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kHalfPowerDb = 3.0103;

TEST(AnalyserResolution, TwiceTheStepButNeverBelowTenKilohertz) {
  EXPECT_DOUBLE_EQ(AnalyserResolutionHz(0), 10e3);
  EXPECT_DOUBLE_EQ(AnalyserResolutionHz(1e3), 10e3);
  EXPECT_DOUBLE_EQ(AnalyserResolutionHz(5e3), 10e3);
  EXPECT_DOUBLE_EQ(AnalyserResolutionHz(118810), 237620);
  EXPECT_DOUBLE_EQ(AnalyserResolutionHz(-118810), 237620);  // a downward sweep is as selective
  EXPECT_DOUBLE_EQ(AnalyserResolutionHz(kNaN), 10e3);
  EXPECT_DOUBLE_EQ(AnalyserResolutionHz(kInf), 10e3);
}

TEST(CarrierSpectrum, EachHarmonicPeaksAtItsOwnLevel) {
  const CarrierSignal carrier;  // 10 MHz, -10 dB, five harmonics 10 dB apart
  for (int k = 1; k <= 5; ++k) {
    const double expected = -10.0 - 10.0 * (k - 1);
    EXPECT_NEAR(CarrierSpectrumDb(carrier, k * 10e6, 10e3), expected, 1e-9) << k;
    EXPECT_NEAR(CarrierSpectrumDb(carrier, k * 10e6, 2e6), expected, 1e-6) << k;
  }
  const CarrierSignal flat{.fundamentalHz = 3e6, .levelDb = 5, .harmonics = 3, .harmonicStepDb = 0};
  for (int k = 1; k <= 3; ++k) EXPECT_NEAR(CarrierSpectrumDb(flat, k * 3e6, 50e3), 5, 1e-9) << k;
}

TEST(CarrierSpectrum, SkirtsAreGaussianWithTheGivenBandwidth) {
  const CarrierSignal carrier;
  const double width = 200e3;
  // Half the bandwidth off: 3 dB down; a whole bandwidth off: four times that.
  EXPECT_NEAR(CarrierSpectrumDb(carrier, 10e6 + width / 2, width), -10 - kHalfPowerDb, 1e-3);
  EXPECT_NEAR(CarrierSpectrumDb(carrier, 10e6 - width / 2, width), -10 - kHalfPowerDb, 1e-3);
  EXPECT_NEAR(CarrierSpectrumDb(carrier, 10e6 + width, width), -10 - 4 * kHalfPowerDb, 1e-3);
  double previous = CarrierSpectrumDb(carrier, 10e6, width);
  for (double offset = 10e3; offset <= 600e3; offset += 10e3) {  // down to about -120 dB
    const double level = CarrierSpectrumDb(carrier, 10e6 + offset, width);
    EXPECT_LT(level, previous) << offset;
    EXPECT_NEAR(CarrierSpectrumDb(carrier, 10e6 - offset, width), level, 1e-6) << offset;
    previous = level;
  }
  // A wider response lets more of a carrier through at the same offset.
  EXPECT_GT(CarrierSpectrumDb(carrier, 10.1e6, 400e3), CarrierSpectrumDb(carrier, 10.1e6, 200e3));
}

TEST(CarrierSpectrum, NothingBetweenTheHarmonicsOrPastTheLast) {
  const CarrierSignal carrier;
  EXPECT_EQ(CarrierSpectrumDb(carrier, 15e6, 237620), kNoSignalDb);
  EXPECT_EQ(CarrierSpectrumDb(carrier, 5e6, 237620), kNoSignalDb);
  EXPECT_EQ(CarrierSpectrumDb(carrier, 60e6, 237620), kNoSignalDb);
  const CarrierSignal none{.fundamentalHz = 10e6, .levelDb = -10, .harmonics = 0, .harmonicStepDb = -10};
  EXPECT_EQ(CarrierSpectrumDb(none, 10e6, 10e3), kNoSignalDb);
}

TEST(CarrierSpectrum, OverlappingHarmonicsAddAsPowers) {
  const CarrierSignal pair{.fundamentalHz = 1e6, .levelDb = -20, .harmonics = 2, .harmonicStepDb = 0};
  // A response far wider than the spacing sees both at full strength: twice the power.
  EXPECT_NEAR(CarrierSpectrumDb(pair, 1.5e6, 1e9), -20 + kHalfPowerDb, 1e-3);
  // Halfway between them with a bandwidth of the spacing each is 3 dB down, together 0 dB.
  EXPECT_NEAR(CarrierSpectrumDb(pair, 1.5e6, 1e6), -20, 1e-3);
}

TEST(CarrierSpectrum, FiniteForEveryInput) {
  const CarrierSignal carrier;
  const CarrierSignal odd[] = {
      carrier,
      {.fundamentalHz = 0, .levelDb = -10, .harmonics = 5, .harmonicStepDb = -10},
      {.fundamentalHz = -10e6, .levelDb = -10, .harmonics = 5, .harmonicStepDb = -10},
      {.fundamentalHz = kNaN, .levelDb = -10, .harmonics = 5, .harmonicStepDb = -10},
      {.fundamentalHz = 10e6, .levelDb = kInf, .harmonics = 5, .harmonicStepDb = -10},
      {.fundamentalHz = 10e6, .levelDb = 1e6, .harmonics = 5, .harmonicStepDb = 0},
      {.fundamentalHz = 10e6, .levelDb = -10, .harmonics = -3, .harmonicStepDb = -10},
      {.fundamentalHz = 1, .levelDb = -10, .harmonics = std::numeric_limits<int>::max(), .harmonicStepDb = 0},
  };
  for (const CarrierSignal& c : odd) {
    for (const double f : {0.0, -1.0, 10e6, 1e300, -kInf, kInf, kNaN}) {
      for (const double width : {0.0, -5.0, 10e3, 1e12, kInf, kNaN}) {
        const double level = CarrierSpectrumDb(c, f, width);
        EXPECT_TRUE(std::isfinite(level)) << c.fundamentalHz << " " << c.levelDb << " " << f << " " << width;
        EXPECT_GE(level, kNoSignalDb);
      }
    }
  }
  // A step of 0 tunes with the narrowest response, and still finds its carrier.
  EXPECT_NEAR(CarrierSpectrumDb(carrier, 10e6, AnalyserResolutionHz(0)), -10, 1e-9);
}

// A sweep of the carrier on the default detector with the noise off.
SweepLevels AnalyserSweep(const SweepSettings& settings, double clockFactor = 1.0) {
  MeasurementModel model;
  model.externalInput = CarrierSignal{};
  model.network = ThroughLine();  // must not matter while a carrier is at the input
  model.noiseRms = 0;
  model.floorNoiseRms = 0;
  model.clockFactor = clockFactor;
  std::mt19937 rng(1);
  return ComputeSweep(model, settings, rng);
}

int ExpectedByte(double levelDb) {
  return static_cast<int>(std::lround(236 + 2.8 * levelDb));
}

TEST(AnalyserSweep, ShowsEveryHarmonicInTheDefaultSpanOnTheDetectorFloor) {
  const SweepSettings span{
      .startWord = 100000, .stepHz = 118810, .linearDetector = false, .averaging = false};
  const SweepLevels levels = AnalyserSweep(span);
  for (int k = 1; k <= 5; ++k) {
    // The point nearest k * 10 MHz is at most half a step off: within 0.75 dB.
    const auto nearest = static_cast<std::size_t>(std::lround((k * 10e6 - 100000) / 118810));
    const std::size_t from = nearest > 3 ? nearest - 3 : 0;
    const std::size_t to = std::min<std::size_t>(nearest + 3, kSweepPoints - 1);
    const std::uint8_t peak = *std::max_element(levels.begin() + static_cast<std::ptrdiff_t>(from),
                                                levels.begin() + static_cast<std::ptrdiff_t>(to) + 1);
    EXPECT_LE(peak, ExpectedByte(-10.0 * k));
    EXPECT_GE(peak, ExpectedByte(-10.0 * k - 0.75) - 1) << k;
  }
  // Between the harmonics the detector reads its own floor, as with nothing connected.
  EXPECT_EQ(levels[40], 12);   // 4.85 MHz
  EXPECT_EQ(levels[125], 12);  // 14.95 MHz
}

TEST(AnalyserSweep, MeasuresAtTheRealFrequencyWithTheNarrowestResponseForStepZero) {
  const SweepSettings fixed{.startWord = 10000000, .stepHz = 0, .linearDetector = false, .averaging = false};
  const SweepLevels exact = AnalyserSweep(fixed);
  EXPECT_TRUE(std::all_of(exact.begin(), exact.end(), [](std::uint8_t b) { return b == 208; }));
  // 1000 ppm fast: tuned 10 kHz above the carrier, two half-widths of 5 kHz,
  // so 4 * 3 dB down.
  const SweepLevels fast = AnalyserSweep(fixed, 1.001);
  EXPECT_EQ(fast[0], ExpectedByte(-10 - 4 * kHalfPowerDb));
  // The linear detector sees the carrier's amplitude: 230 * 10^(-10 / 20).
  SweepSettings linear = fixed;
  linear.linearDetector = true;
  EXPECT_EQ(AnalyserSweep(linear)[0], 73);
}

}  // namespace
}  // namespace virn::sim::test
