// The level measurement over a recording host: its order of switches, waits
// and readings, the constant it computes and where it stores it.
#include "calibration/level_measurement.h"

#include <gtest/gtest.h>

#include "display/scale.h"
#include "fake_hosts.h"

namespace virn::calibration {
namespace {

using test::FakeLevelHost;

TEST(LevelMeasurement, DelayOffThenAveragingOnThenTenReadingsFiftyMillisecondsApart) {
  FakeLevelHost host;
  host.readings = {200};
  MeasureLevel(host, LevelMeasurement::ZeroLevel);
  QStringList expected = {QStringLiteral("setDelay 0"), QStringLiteral("wait 50"),
                          QStringLiteral("setAveraging 1")};
  for (int i = 0; i < 10; ++i) expected << QStringLiteral("read") << QStringLiteral("wait 50");
  expected << QStringLiteral("log0 51") << QStringLiteral("SaveSettings");
  EXPECT_EQ(host.calls, expected);
  EXPECT_FALSE(host.delayTicked);
  EXPECT_TRUE(host.averagingTicked);
}

TEST(LevelMeasurement, TheTwoLogarithmicConstantsGiveTheirDivision) {
  FakeLevelHost host;
  host.readings = {200};
  MeasureLevel(host, LevelMeasurement::ZeroLevel);
  host.readings = {100};
  MeasureLevel(host, LevelMeasurement::AttenuatedLevel);
  EXPECT_EQ(host.log0, 51);
  EXPECT_EQ(host.log40, 151);
  // The linear detector's constants are not touched.
  EXPECT_EQ(host.lin0, 0);
  EXPECT_EQ(host.lin12, 100);
  display::LevelScale scale;
  scale.Calibration = {host.log0, host.log40, host.lin0, host.lin12};
  EXPECT_DOUBLE_EQ(display::PixelsPerDivision(scale), 25.0);
}

TEST(LevelMeasurement, TheLinearDetectorStoresOnlyItsOwnConstants) {
  FakeLevelHost host;
  host.linearDetector = true;
  host.readings = {230};
  MeasureLevel(host, LevelMeasurement::ZeroLevel);
  host.readings = {58};
  MeasureLevel(host, LevelMeasurement::AttenuatedLevel);
  EXPECT_EQ(host.lin0, 21);
  EXPECT_EQ(host.lin12, 193);
  EXPECT_EQ(host.log0, 0);
  EXPECT_EQ(host.log40, 100);
}

TEST(LevelMeasurement, TheMeanOfTheTenReadingsIsRoundedHalfToEven) {
  // Five readings of 120 and five of 121: mean 120.5, 251 - 120.5 = 130.5 -> 130.
  FakeLevelHost half;
  half.readings = {120, 121, 120, 121, 120, 121, 120, 121, 120, 121};
  MeasureLevel(half, LevelMeasurement::ZeroLevel);
  EXPECT_EQ(half.log0, 130);
  // Mean 121.5: 129.5 -> 130 as well.
  FakeLevelHost above;
  above.readings = {121, 122, 121, 122, 121, 122, 121, 122, 121, 122};
  MeasureLevel(above, LevelMeasurement::ZeroLevel);
  EXPECT_EQ(above.log0, 130);
  // A mean off the half rounds to the nearest.
  FakeLevelHost third;
  third.readings = {100, 100, 100, 101, 101, 101, 101, 101, 101, 101};
  MeasureLevel(third, LevelMeasurement::ZeroLevel);
  EXPECT_EQ(third.log0, 150);  // 251 - 100.7 = 150.3
}

TEST(LevelConstantFor, KeepsTheLowSixteenBitsOfTheRoundedValue) {
  EXPECT_EQ(LevelConstantFor(200.0), 51);
  EXPECT_EQ(LevelConstantFor(255.0), -4);  // a reading above the 0 dB row gives a negative constant
  EXPECT_EQ(LevelConstantFor(251.0 - 32768.0), -32768);
  EXPECT_EQ(LevelConstantFor(251.0 + 32769.0), 32767);
}

TEST(LevelMeasurement, NothingToMeasureDoesNothing) {
  FakeLevelHost host;
  host.readings = {1};
  MeasureLevel(host, LevelMeasurement::None);
  EXPECT_TRUE(host.calls.isEmpty());
}

}  // namespace
}  // namespace virn::calibration
