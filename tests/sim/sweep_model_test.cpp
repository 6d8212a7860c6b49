// One sweep apart from the bus: the period table, the frequency of each point
// (with a clock error), the levels the model network gives through each
// detector, and the noise: repeatable from a seed, growing towards the floor,
// smaller with averaging, never wrapping a byte around. Then the defaults of an
// instrument as it comes, and an external carrier in place of the network.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "sim/sweep_model.h"

namespace virn::sim::test {
namespace {

using namespace std::chrono_literals;

// The program's default range: 0.1 to 50 MHz in 420 steps of 118 810 Hz.
constexpr SweepSettings kDefaultRange{
    .startWord = 100000, .stepHz = 118810, .linearDetector = false, .averaging = false};

// The program's uncalibrated scale (251 at 0 dB, 2.5 samples a dB, 240 full
// scale linear) on an exact clock, so that the logic below reads in round numbers.
MeasurementModel OnProgramScale(NetworkModel network = {}) {
  MeasurementModel model;
  model.network = std::move(network);
  model.detector = {.log = {.zeroDbSample = 251, .samplesPerDb = 2.5, .floorDb = -80},
                    .linear = {.fullScale = 240, .floorSamples = 1.5}};
  model.clockFactor = 1.0;
  model.output = FlatOutput();
  return model;
}

// Only the noise that is always there, of one sample.
MeasurementModel Flat(NetworkModel network = {}) {
  MeasurementModel model = OnProgramScale(std::move(network));
  model.noiseRms = 1;
  model.floorNoiseRms = 0;
  return model;
}

MeasurementModel Quiet(NetworkModel network = {}) {
  MeasurementModel model = OnProgramScale(std::move(network));
  model.noiseRms = 0;
  model.floorNoiseRms = 0;
  return model;
}

std::size_t PeakIndex(const SweepLevels& levels) {
  return static_cast<std::size_t>(std::max_element(levels.begin(), levels.end()) - levels.begin());
}

struct Spread {
  double mean = 0;
  double deviation = 0;
};
Spread SpreadOf(const std::vector<double>& values) {
  const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
  double squares = 0;
  for (const double v : values) squares += (v - mean) * (v - mean);
  return {mean, std::sqrt(squares / static_cast<double>(values.size() - 1))};
}

TEST(SweepTiming, PeriodIndexDoublesTheSweepTime) {
  EXPECT_EQ(SweepPeriod(1), 400ms);
  EXPECT_EQ(SweepPeriod(2), 800ms);
  EXPECT_EQ(SweepPeriod(3), 1600ms);
  EXPECT_EQ(SweepPeriod(4), 3200ms);
}

TEST(SweepTiming, UnsetAndOutOfRangeIndicesAreHeldToTheTable) {
  EXPECT_EQ(SweepPeriod(0), 400ms);  // never set
  EXPECT_EQ(SweepPeriod(-7), 400ms);
  EXPECT_EQ(SweepPeriod(5), 3200ms);
  EXPECT_EQ(SweepPeriod(1 << 30), 3200ms);
}

TEST(SweepTiming, PointsSpreadEvenlyOverThePeriod) {
  for (std::int32_t index = 1; index <= 4; ++index) {
    const auto spacing = PointSpacing(index);
    const auto whole = spacing * kSweepPoints;
    EXPECT_LE(whole, SweepPeriod(index)) << index;
    EXPECT_GT(whole + std::chrono::nanoseconds(kSweepPoints), SweepPeriod(index)) << index;
  }
  EXPECT_GT(PointSpacing(1), 940us);
  EXPECT_LT(PointSpacing(1), 960us);
  EXPECT_GT(PointSpacing(4), 7500us);
  EXPECT_LT(PointSpacing(4), 7700us);
  EXPECT_EQ(PointSpacing(0), PointSpacing(1));
}

TEST(SweepFrequencies, StartPlusStepTimesIndexScaledByTheClock) {
  EXPECT_DOUBLE_EQ(PointFrequencyHz(kDefaultRange, 1.0, 0), 100000);
  EXPECT_DOUBLE_EQ(PointFrequencyHz(kDefaultRange, 1.0, 1), 218810);
  EXPECT_DOUBLE_EQ(PointFrequencyHz(kDefaultRange, 1.0, 420), 50000200);
  EXPECT_DOUBLE_EQ(PointFrequencyHz(kDefaultRange, 1.00001, 420), 50000200 * 1.00001);
  EXPECT_DOUBLE_EQ(PointFrequencyHz(kDefaultRange, 0.999, 0), 99900);

  const SweepSettings down{.startWord = 1000, .stepHz = -10, .linearDetector = false, .averaging = false};
  EXPECT_DOUBLE_EQ(PointFrequencyHz(down, 1.0, 100), 0);
  EXPECT_DOUBLE_EQ(PointFrequencyHz(down, 1.0, 420), -3200);

  // The word is unsigned on the wire, and 420 steps may pass 2^32.
  const SweepSettings high{
      .startWord = 4000000000u, .stepHz = 2000000, .linearDetector = false, .averaging = false};
  EXPECT_DOUBLE_EQ(PointFrequencyHz(high, 1.0, 420), 4840000000.0);
}

TEST(SweepLevels, NetworkIsAskedAtTheRealOutputFrequencies) {
  std::vector<double> asked;
  MeasurementModel model = Quiet([&asked](double f) {
    asked.push_back(f);
    return 0.0;
  });
  model.clockFactor = 1.002;
  std::mt19937 rng(1);
  ComputeSweep(model, kDefaultRange, rng);
  ASSERT_EQ(asked.size(), static_cast<std::size_t>(kSweepPoints));
  for (int i = 0; i < kSweepPoints; ++i) {
    EXPECT_DOUBLE_EQ(asked[static_cast<std::size_t>(i)], (100000.0 + i * 118810.0) * 1.002) << i;
  }
}

TEST(SweepLevels, BandPassShowsItsPassbandAndStopBands) {
  std::mt19937 rng(1);
  const SweepLevels levels = ComputeSweep(Quiet(), kDefaultRange, rng);
  // 20 MHz lies between points 167 and 168; the -3 dB edges near 144 and 194.
  EXPECT_EQ(levels[167], 247);  // 251 - 2.5 * 1.5
  EXPECT_EQ(levels[168], 247);
  const std::size_t peak = PeakIndex(levels);
  EXPECT_GE(peak, 150u);
  EXPECT_LE(peak, 185u);
  for (std::size_t i = 0; i <= 25; ++i) EXPECT_EQ(levels[i], 51) << i;
  EXPECT_LT(levels[420], 100);         // 50 MHz is far down the upper skirt
  EXPECT_GT(levels[420], levels[25]);  // but the upper skirt is gentler in hertz
}

TEST(SweepLevels, DownwardSweepMirrorsThePicture) {
  std::mt19937 rng(1);
  const SweepLevels up = ComputeSweep(Quiet(), kDefaultRange, rng);
  const SweepSettings down{
      .startWord = 50000200, .stepHz = -118810, .linearDetector = false, .averaging = false};
  const SweepLevels mirrored = ComputeSweep(Quiet(), down, rng);
  for (std::size_t i = 0; i < up.size(); ++i) EXPECT_EQ(mirrored[420 - i], up[i]) << i;
}

TEST(SweepLevels, DetectorSetsTheScale) {
  std::mt19937 rng(1);
  SweepSettings linear = kDefaultRange;
  linear.linearDetector = true;
  const SweepLevels levels = ComputeSweep(Quiet(), linear, rng);
  EXPECT_EQ(levels[167], 202);  // 240 * 10^(-1.5 / 20)
  for (std::size_t i = 0; i <= 25; ++i) EXPECT_LE(levels[i], 2) << i;

  const SweepLevels through = ComputeSweep(Quiet(ThroughLine()), kDefaultRange, rng);
  const SweepLevels pad = ComputeSweep(Quiet(Attenuator(-40)), kDefaultRange, rng);
  EXPECT_TRUE(std::all_of(through.begin(), through.end(), [](std::uint8_t b) { return b == 251; }));
  EXPECT_TRUE(std::all_of(pad.begin(), pad.end(), [](std::uint8_t b) { return b == 151; }));
}

TEST(SweepNoise, SameSeedSameBytesOtherSeedOtherBytes) {
  const MeasurementModel model = Flat();
  std::mt19937 a(7), b(7), c(8);
  const SweepLevels first = ComputeSweep(model, kDefaultRange, a);
  EXPECT_EQ(first, ComputeSweep(model, kDefaultRange, b));
  EXPECT_NE(first, ComputeSweep(model, kDefaultRange, c));
  EXPECT_NE(first, ComputeSweep(model, kDefaultRange, a));  // the sequence moves on
}

TEST(SweepNoise, AboutOneSampleRmsAndAQuarterWithAveraging) {
  const MeasurementModel model = Flat(ThroughLine());
  std::mt19937 rng(3);
  std::vector<double> plain, averaged;
  SweepSettings settings = kDefaultRange;
  for (int sweep = 0; sweep < 10; ++sweep) {
    settings.averaging = false;
    for (const std::uint8_t b : ComputeSweep(model, settings, rng)) plain.push_back(b);
    settings.averaging = true;
    for (const std::uint8_t b : ComputeSweep(model, settings, rng)) averaged.push_back(b);
  }
  const Spread p = SpreadOf(plain);
  const Spread q = SpreadOf(averaged);
  EXPECT_NEAR(p.mean, 251, 0.1);
  EXPECT_NEAR(q.mean, 251, 0.1);
  EXPECT_GT(p.deviation, 0.85);
  EXPECT_LT(p.deviation, 1.25);
  EXPECT_LT(q.deviation, 0.5 * p.deviation);
}

TEST(SweepNoise, NeverWrapsAByteAroundAtEitherEnd) {
  MeasurementModel top = Flat(ThroughLine());  // 251, close to 255
  top.noiseRms = 4;
  std::mt19937 rng(5);
  const SweepLevels high = ComputeSweep(top, kDefaultRange, rng);
  EXPECT_GT(*std::min_element(high.begin(), high.end()), 230);
  EXPECT_GT(std::count(high.begin(), high.end(), 255), 50);

  MeasurementModel bottom = Flat(Attenuator(-200));  // the linear floor, about 1.5
  bottom.noiseRms = 4;
  SweepSettings linear = kDefaultRange;
  linear.linearDetector = true;
  const SweepLevels low = ComputeSweep(bottom, linear, rng);
  EXPECT_LT(*std::max_element(low.begin(), low.end()), 25);
  EXPECT_GT(std::count(low.begin(), low.end(), 0), 50);
}

TEST(SweepNoise, GrowsAsTheSignalSinksIntoTheDetectorFloor) {
  MeasurementModel model;
  model.noiseRms = 0.15;
  model.floorNoiseRms = 2.0;
  // Strong signals: the noise that is always there.
  EXPECT_NEAR(NoiseSigma(model, false, false, 0), 0.15, 1e-6);
  EXPECT_NEAR(NoiseSigma(model, false, false, -40), std::hypot(0.15, 2e-4), 1e-9);
  // At the floor it shares half the power; below it, all.
  EXPECT_NEAR(NoiseSigma(model, false, false, -80), std::hypot(0.15, 1.0), 1e-9);
  EXPECT_NEAR(NoiseSigma(model, false, false, -200), std::hypot(0.15, 2.0), 1e-9);
  EXPECT_NEAR(NoiseSigma(model, false, true, -200), 0.25 * std::hypot(0.15, 2.0), 1e-9);
  // The linear detector's floor lies where its amplitude floor does, near -43.7 dB.
  const double linearFloorDb = LinearFloorDb(model.detector.linear);
  EXPECT_NEAR(NoiseSigma(model, true, false, linearFloorDb), std::hypot(0.15, 1.0), 1e-9);
  const double floorPower = (1.5 / 230) * (1.5 / 230);
  EXPECT_NEAR(NoiseSigma(model, true, false, -40), std::hypot(0.15, 2.0 * floorPower / (1e-4 + floorPower)),
              1e-9);
  // What the network gives as NaN is no signal, so all floor.
  EXPECT_NEAR(NoiseSigma(model, false, false, std::nan("")), std::hypot(0.15, 2.0), 1e-9);
  model.noiseRms = 0;
  model.floorNoiseRms = 0;
  EXPECT_EQ(NoiseSigma(model, false, false, -200), 0);
}

// A number of sweeps of one model at the default range, all bytes in one list.
std::vector<double> Bytes(const MeasurementModel& model, int sweeps, bool averaging = false) {
  std::mt19937 rng(42);
  SweepSettings settings = kDefaultRange;
  settings.averaging = averaging;
  std::vector<double> bytes;
  for (int sweep = 0; sweep < sweeps; ++sweep) {
    for (const std::uint8_t b : ComputeSweep(model, settings, rng)) bytes.push_back(b);
  }
  return bytes;
}

TEST(DefaultModel, ClockIsTenPpmFastForEveryPoint) {
  const MeasurementModel model;
  EXPECT_DOUBLE_EQ(model.clockFactor, 1 + 10e-6);
  const SweepSettings fixed{.startWord = 45000000, .stepHz = 0, .linearDetector = false, .averaging = false};
  EXPECT_NEAR(PointFrequencyHz(fixed, model.clockFactor, 0), 45000450, 1e-6);
  EXPECT_NEAR(PointFrequencyHz(kDefaultRange, model.clockFactor, 420), 50000200 * (1 + 10e-6), 1e-6);
}

TEST(DefaultModel, ThroughLineReads236NearlyAlwaysAndNever251) {
  MeasurementModel model;
  model.output = FlatOutput();
  model.network = ThroughLine();
  for (const bool averaging : {false, true}) {
    const std::vector<double> bytes = Bytes(model, 20, averaging);
    const auto at236 = std::count(bytes.begin(), bytes.end(), 236.0);
    EXPECT_GE(static_cast<double>(at236), 0.99 * static_cast<double>(bytes.size())) << averaging;
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 251.0), 0);
    for (const double b : bytes) ASSERT_NEAR(b, 236, 1) << averaging;
  }
}

TEST(DefaultModel, FortyDecibelsDownAre112SamplesLower) {
  MeasurementModel model;
  model.output = FlatOutput();
  model.network = Attenuator(-40);
  const std::vector<double> bytes = Bytes(model, 20);
  const auto at124 = std::count(bytes.begin(), bytes.end(), 124.0);
  EXPECT_GE(static_cast<double>(at124), 0.99 * static_cast<double>(bytes.size()));
  for (const double b : bytes) ASSERT_NEAR(b, 124, 1);
}

TEST(DefaultModel, NearTheFloorTheCurveIsVisiblyNoisy) {
  MeasurementModel model;
  model.output = FlatOutput();
  model.network = Attenuator(-200);
  const Spread open = SpreadOf(Bytes(model, 10));
  EXPECT_NEAR(open.mean, 12, 0.3);
  EXPECT_GT(open.deviation, 1.7);
  EXPECT_LT(open.deviation, 2.3);
  // Averaging quiets it, as on the instrument.
  EXPECT_LT(SpreadOf(Bytes(model, 10, true)).deviation, 0.7);
  // At the floor itself half the power is noise: about one sample.
  model.network = Attenuator(-80);
  const Spread atFloor = SpreadOf(Bytes(model, 10));
  EXPECT_GT(atFloor.deviation, 0.8);
  EXPECT_LT(atFloor.deviation, 1.25);
  // The default band-pass: quiet in its passband, noisy in its stop bands.
  model.network = nullptr;
  const std::vector<double> filter = Bytes(model, 10);
  std::vector<double> passband, stopBand;
  for (std::size_t i = 0; i < filter.size(); ++i) {
    const std::size_t point = i % kSweepPoints;
    if (point >= 160 && point <= 175) passband.push_back(filter[i]);
    if (point <= 20) stopBand.push_back(filter[i]);
  }
  EXPECT_NEAR(SpreadOf(passband).mean, 232, 0.5);  // 236 - 2.8 * 1.5 dB insertion loss
  EXPECT_LT(SpreadOf(passband).deviation, 0.3);
  EXPECT_GT(SpreadOf(stopBand).deviation, 1.7);
}

TEST(SweepNoise, ZeroNoiseDrawsNothingFromTheGenerator) {
  std::mt19937 rng(11);
  const std::mt19937 before = rng;
  ComputeSweep(Quiet(), kDefaultRange, rng);
  EXPECT_EQ(rng, before);
}

}  // namespace
}  // namespace virn::sim::test
