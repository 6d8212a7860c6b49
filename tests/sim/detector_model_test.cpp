// The simulated detectors: the logarithmic one on the program's default level
// scale (251 at 0 dB, 2.5 samples a dB), the linear one proportional to the
// amplitude, both with their noise floor, and the byte a reading becomes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/detector_model.h"

namespace virn::sim::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(LogDetector, ZeroAndMinusFortyDecibelsLandOnTheDefaultCalibration) {
  const LogDetector d;
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, 0)), 251);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, -40)), 151);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, -10)), 226);
  EXPECT_NEAR(LogDetectorReading(d, 0), 251.0, 1e-3);
  EXPECT_NEAR(LogDetectorReading(d, -40), 151.0, 1e-2);
}

TEST(LogDetector, SlopeIsTwoAndAHalfSamplesPerDecibelAboveTheFloor) {
  const LogDetector d;
  for (double db = -50; db <= 0; db += 5) {
    EXPECT_NEAR(LogDetectorReading(d, db) - LogDetectorReading(d, db - 1), 2.5, 0.01) << db;
  }
}

TEST(LogDetector, FloorHoldsTheReadingNearFiftyOne) {
  const LogDetector d;
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, -120)), 51);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, -200)), 51);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, -kInf)), 51);
  // At the floor itself signal and noise add: 3 dB up, 7.5 samples.
  EXPECT_NEAR(LogDetectorReading(d, -80), 51 + 2.5 * 10 * std::log10(2.0), 1e-9);
  double previous = LogDetectorReading(d, -150);
  for (double db = -149; db <= 10; db += 1) {
    const double r = LogDetectorReading(d, db);
    EXPECT_GT(r, previous) << db;
    previous = r;
  }
}

TEST(LogDetector, StrongInputsClampAt255) {
  const LogDetector d;
  EXPECT_NEAR(LogDetectorReading(d, 10), 276, 1e-3);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, 10)), 255);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, 1000)), 255);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, kInf)), 255);
  // A detector whose zero sits low reads below zero for weak inputs: held at 0.
  const LogDetector low{.zeroDbSample = 20, .samplesPerDb = 2.5, .floorDb = -80};
  EXPECT_EQ(ToSampleByte(LogDetectorReading(low, -30)), 0);
}

TEST(LinearDetector, ReadingIsProportionalToTheAmplitude) {
  const LinearDetector d;
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, 0)), 240);
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, -20 * std::log10(2.0))), 120);
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, -20)), 24);
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, -12)), 60);
  for (double db = -18; db <= 0; db += 3) {
    const double halfAmplitude = db - 20 * std::log10(2.0);
    EXPECT_NEAR(LinearDetectorReading(d, db) / LinearDetectorReading(d, halfAmplitude), 2.0, 0.01) << db;
  }
}

TEST(LinearDetector, FloorIsOneOrTwoSamplesAndStrongInputsClamp) {
  const LinearDetector d;
  for (const double db : {-60.0, -100.0, -kInf}) {
    const std::uint8_t b = ToSampleByte(LinearDetectorReading(d, db));
    EXPECT_GE(b, 1) << db;
    EXPECT_LE(b, 2) << db;
  }
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, 6)), 255);
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, kInf)), 255);
}

TEST(DetectorModel, SelectsTheDetectorTheHostChose) {
  const DetectorModel model;
  EXPECT_DOUBLE_EQ(model.Reading(false, -6), LogDetectorReading(model.log, -6));
  EXPECT_DOUBLE_EQ(model.Reading(true, -6), LinearDetectorReading(model.linear, -6));
  // A broken network model (NaN) reads as no signal, not as garbage.
  EXPECT_EQ(ToSampleByte(model.Reading(false, kNaN)), 51);
  EXPECT_LE(ToSampleByte(model.Reading(true, kNaN)), 2);
}

TEST(SampleByte, RoundsToNearestAndHoldsTheByteRange) {
  EXPECT_EQ(ToSampleByte(254.4), 254);
  EXPECT_EQ(ToSampleByte(254.6), 255);
  EXPECT_EQ(ToSampleByte(0.4), 0);
  EXPECT_EQ(ToSampleByte(0.6), 1);
  EXPECT_EQ(ToSampleByte(255.49), 255);
  EXPECT_EQ(ToSampleByte(256), 255);
  EXPECT_EQ(ToSampleByte(1e9), 255);
  EXPECT_EQ(ToSampleByte(-1), 0);
  EXPECT_EQ(ToSampleByte(-1e9), 0);
  EXPECT_EQ(ToSampleByte(kInf), 255);
  EXPECT_EQ(ToSampleByte(-kInf), 0);
  EXPECT_EQ(ToSampleByte(kNaN), 0);
}

}  // namespace
}  // namespace virn::sim::test
