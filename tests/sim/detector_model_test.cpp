// The simulated detectors: the logarithmic one with its scale and floor, the
// linear one proportional to the amplitude, the floor's share of what they see,
// the byte a reading becomes, and the defaults of an uncalibrated instrument.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/detector_model.h"

namespace virn::sim::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The scale the program assumes before calibration: 251 at 0 dB, 0.4 dB a sample.
constexpr LogDetector kProgramScale{.zeroDbSample = 251, .samplesPerDb = 2.5, .floorDb = -80};
constexpr LinearDetector kLinear240{.fullScale = 240, .floorSamples = 1.5};

TEST(LogDetector, ReadingIsZeroPlusSlopeTimesDecibels) {
  const LogDetector d = kProgramScale;
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, 0)), 251);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, -40)), 151);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, -10)), 226);
  EXPECT_NEAR(LogDetectorReading(d, 0), 251.0, 1e-3);
  EXPECT_NEAR(LogDetectorReading(d, -40), 151.0, 1e-2);
  for (double db = -50; db <= 0; db += 5) {
    EXPECT_NEAR(LogDetectorReading(d, db) - LogDetectorReading(d, db - 1), 2.5, 0.01) << db;
  }
}

TEST(LogDetector, FloorHoldsTheReadingAtZeroPlusSlopeTimesTheFloor) {
  const LogDetector d = kProgramScale;
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

TEST(LogDetector, StrongInputsClampAt255AndWeakOnesAtZero) {
  const LogDetector d = kProgramScale;
  EXPECT_NEAR(LogDetectorReading(d, 10), 276, 1e-3);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, 10)), 255);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, 1000)), 255);
  EXPECT_EQ(ToSampleByte(LogDetectorReading(d, kInf)), 255);
  // A detector whose zero sits low reads below zero for weak inputs: held at 0.
  const LogDetector low{.zeroDbSample = 20, .samplesPerDb = 2.5, .floorDb = -80};
  EXPECT_EQ(ToSampleByte(LogDetectorReading(low, -30)), 0);
}

TEST(LinearDetector, ReadingIsProportionalToTheAmplitude) {
  const LinearDetector d = kLinear240;
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
  const LinearDetector d = kLinear240;
  for (const double db : {-60.0, -100.0, -kInf}) {
    const std::uint8_t b = ToSampleByte(LinearDetectorReading(d, db));
    EXPECT_GE(b, 1) << db;
    EXPECT_LE(b, 2) << db;
  }
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, 6)), 255);
  EXPECT_EQ(ToSampleByte(LinearDetectorReading(d, kInf)), 255);
  // As a level the floor is the amplitude ratio: 1.5 of 240 samples.
  EXPECT_NEAR(LinearFloorDb(d), 20 * std::log10(1.5 / 240), 1e-12);
  EXPECT_NEAR(LinearDetectorReading(d, LinearFloorDb(d)), 1.5 * std::sqrt(2.0), 1e-9);
}

TEST(DetectorModel, SelectsTheDetectorTheHostChose) {
  const DetectorModel model{.log = kProgramScale, .linear = kLinear240};
  EXPECT_DOUBLE_EQ(model.Reading(false, -6), LogDetectorReading(model.log, -6));
  EXPECT_DOUBLE_EQ(model.Reading(true, -6), LinearDetectorReading(model.linear, -6));
  EXPECT_DOUBLE_EQ(model.FloorDb(false), -80);
  EXPECT_DOUBLE_EQ(model.FloorDb(true), LinearFloorDb(kLinear240));
  // A broken network model (NaN) reads as no signal, not as garbage.
  EXPECT_EQ(ToSampleByte(model.Reading(false, kNaN)), 51);
  EXPECT_LE(ToSampleByte(model.Reading(true, kNaN)), 2);
}

TEST(DetectorDefaults, AreThoseOfAnUncalibratedInstrument) {
  const DetectorModel model;
  EXPECT_EQ(model.log.zeroDbSample, 236);
  EXPECT_EQ(model.log.samplesPerDb, 2.8);
  EXPECT_EQ(model.log.floorDb, -80);
  EXPECT_EQ(model.linear.fullScale, 230);
  EXPECT_EQ(model.linear.floorSamples, 1.5);
  // A cable is not where the program's uncalibrated scale puts 0 dB (251) ...
  EXPECT_EQ(ToSampleByte(model.Reading(false, 0)), 236);
  // ... which reads it (236 - 251) / 2.5 = -6 dB down.
  EXPECT_NEAR((LogDetectorReading(model.log, 0) - 251) / 2.5, -6, 0.01);
  // And 40 dB are 112 samples, not the 100 the program assumes.
  EXPECT_NEAR(LogDetectorReading(model.log, 0) - LogDetectorReading(model.log, -40), 112, 0.01);
  EXPECT_EQ(ToSampleByte(model.Reading(false, -40)), 124);
  EXPECT_EQ(ToSampleByte(model.Reading(false, -200)), 12);
  EXPECT_EQ(ToSampleByte(model.Reading(true, 0)), 230);
  EXPECT_NEAR(model.FloorDb(true), -43.72, 0.01);
}

TEST(FloorShare, GoesFromNoneForStrongSignalsToAllAtNoSignal) {
  EXPECT_NEAR(FloorShare(0, -80), 1e-8, 1e-12);
  EXPECT_NEAR(FloorShare(-40, -80), 1e-4, 1e-8);
  EXPECT_DOUBLE_EQ(FloorShare(-80, -80), 0.5);
  EXPECT_NEAR(FloorShare(-90, -80), 10.0 / 11.0, 1e-12);
  EXPECT_DOUBLE_EQ(FloorShare(-kInf, -80), 1.0);
  EXPECT_DOUBLE_EQ(FloorShare(kNaN, -80), 1.0);
  EXPECT_DOUBLE_EQ(FloorShare(kInf, -80), 0.0);
  EXPECT_DOUBLE_EQ(FloorShare(1e6, -80), 0.0);  // overflows to an infinite power
  // Without a floor there is nothing to share, and the answer is still a number.
  EXPECT_DOUBLE_EQ(FloorShare(0, -kInf), 0.0);
  EXPECT_DOUBLE_EQ(FloorShare(-kInf, -kInf), 1.0);
  EXPECT_DOUBLE_EQ(FloorShare(0, kInf), 1.0);
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
