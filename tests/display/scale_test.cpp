#include "display/scale.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLocale>

#include "display/text_cache.h"

namespace virn::display {
namespace {

TEST(PixelToFreq, EdgesOfTheDefaultRange) {
  EXPECT_EQ(PixelToFreq(35, 100000, 50000000), 100000);
  EXPECT_EQ(PixelToFreq(455, 100000, 50000000), 50000000);
  EXPECT_EQ(PixelToFreq(120, 100000, 50000000), 10198810);
  EXPECT_EQ(PixelToFreq(200, 100000, 50000000), 19703571);
}

TEST(PixelToFreq, ColumnsLeftOfTheDataAndFallingRanges) {
  EXPECT_EQ(PixelToFreq(0, 100000, 50000000), 100000 - 4158333);  // 35 x 118 809.52
  EXPECT_EQ(PixelToFreq(455, 50000000, 100000), 100000);
  // Ties go to the even neighbour: span 210 makes half a hertz per column.
  EXPECT_EQ(PixelToFreq(36, 0, 210), 0);
  EXPECT_EQ(PixelToFreq(38, 0, 210), 2);
}

TEST(FreqGridLabel, DefaultRangeReadsInMegahertz) {
  const char* expected[] = {"0.100",  "5.090",  "10.080", "15.070", "20.060",
                            "25.050", "30.040", "35.030", "40.020", "45.010"};
  for (int i = 0; i < kGridLines; ++i) {
    EXPECT_EQ(FreqGridLabel(i, 100000, 50000000), QString::fromLatin1(expected[i])) << i;
  }
  EXPECT_EQ(kFreqUnitSuffix, QStringLiteral(" МГц"));
}

TEST(FreqGridLabel, ZeroStartLeavesTheFirstLabelEmpty) {
  EXPECT_TRUE(FreqGridLabel(0, 0, 42000).isEmpty());
  EXPECT_EQ(FreqGridLabel(1, 0, 42000), QStringLiteral("0.004"));
}

TEST(GridColumn, TenLinesFortyTwoApart) {
  EXPECT_EQ(GridColumn(0), 35);
  EXPECT_EQ(GridColumn(4), 203);
  EXPECT_EQ(GridColumn(9), 413);
}

TEST(LevelToStr, DefaultLogCalibration) {
  const LevelScale scale;
  EXPECT_EQ(LevelToStr(55, scale), QStringLiteral("-10.0 dB"));
  EXPECT_EQ(LevelToStr(30, scale), QStringLiteral("0.0 dB"));
  EXPECT_EQ(LevelToStr(26, scale), QStringLiteral("1.6 dB"));
  EXPECT_EQ(LevelToStr(281, scale), QStringLiteral("-100.4 dB"));
}

TEST(LevelToStr, LinearDetectorHasThreeDbPerDivision) {
  LevelScale scale;
  scale.Linear = true;
  EXPECT_EQ(LevelToStr(55, scale), QStringLiteral("-3.0 dB"));
  scale.Calibration.CorrLin_12Db = 200;  // 12 dB over 200 pixels
  EXPECT_EQ(LevelToStr(80, scale), QStringLiteral("-3.0 dB"));
}

TEST(LevelToStr, UsesTheGivenDecimalSeparator) {
  LevelScale scale;
  scale.DecimalSeparator = QLocale(QLocale::Russian, QLocale::Russia).decimalPoint();
  EXPECT_EQ(LevelToStr(55, scale), QStringLiteral("-10,0 dB"));
}

TEST(LevelDb, DefaultLogCalibrationIsTwoAndAHalfRowsADb) {
  const LevelScale scale;  // 0 and 100: 25 rows for 10 dB
  EXPECT_DOUBLE_EQ(*LevelDb(30, scale), 0.0);
  EXPECT_DOUBLE_EQ(*LevelDb(55, scale), -10.0);
  EXPECT_DOUBLE_EQ(*LevelDb(31, scale), -0.4);
  EXPECT_DOUBLE_EQ(*LevelDb(26, scale), 1.6);
  EXPECT_DOUBLE_EQ(*LevelDb(281, scale), -100.4);
}

TEST(LevelDb, LinearDetectorUsesItsOwnDivision) {
  LevelScale scale;
  scale.Linear = true;
  scale.Calibration.CorrLin_0Db = 10;
  scale.Calibration.CorrLin_12Db = 90;  // 80 rows for 12 dB
  EXPECT_DOUBLE_EQ(*LevelDb(30 + 80, scale), -12.0);
  EXPECT_DOUBLE_EQ(*LevelDb(30 + 20, scale), -3.0);
  // The log detector's values play no part.
  scale.Calibration.CorrLog_40Db = scale.Calibration.CorrLog_0Db;
  EXPECT_TRUE(LevelDb(50, scale).has_value());
}

TEST(LevelDb, NoLevelWhenTheDivisionHasNoHeight) {
  LevelScale scale;
  scale.Calibration.CorrLog_0Db = 40;
  scale.Calibration.CorrLog_40Db = 40;
  EXPECT_FALSE(LevelDb(30, scale).has_value());
  EXPECT_EQ(LevelToStr(30, scale), kNoLevelText);
  scale.Linear = true;  // the linear values still differ
  EXPECT_TRUE(LevelDb(30, scale).has_value());
}

TEST(LevelDb, ANegativeDivisionTurnsTheScaleOver) {
  LevelScale scale;
  scale.Calibration.CorrLog_0Db = 100;
  scale.Calibration.CorrLog_40Db = 0;
  EXPECT_DOUBLE_EQ(*LevelDb(55, scale), 10.0);
  EXPECT_EQ(LevelToStr(55, scale), QStringLiteral("10.0 dB"));
}

TEST(LevelToStr, NearZeroHasNoSign) {
  LevelScale scale;
  scale.Calibration.CorrLog_40Db = 1000;  // 25 pixels a dB: row 31 is -0.04 dB
  EXPECT_EQ(LevelToStr(31, scale), QStringLiteral("0.0 dB"));
  EXPECT_EQ(LevelToStr(29, scale), QStringLiteral("0.0 dB"));
}

TEST(LevelToStr, EqualCalibrationValuesGiveNoLevel) {
  LevelScale scale;
  scale.Calibration.CorrLog_0Db = 70;
  scale.Calibration.CorrLog_40Db = 70;
  EXPECT_EQ(LevelToStr(30, scale), kNoLevelText);
  EXPECT_EQ(LevelToStr(100, scale), kNoLevelText);
  scale.Linear = true;  // the linear pair still differs
  EXPECT_EQ(LevelToStr(55, scale), QStringLiteral("-3.0 dB"));
}

TEST(LevelGrid, DefaultRowsAndLabels) {
  LevelScale scale;
  const double p = PixelsPerDivision(scale);
  for (int j = 1; j <= kGridLines; ++j) {
    EXPECT_EQ(LevelGridRow(j, p), 30 + 25 * j);
    EXPECT_EQ(LevelGridLabel(j, false), QStringLiteral("-%1 dB").arg(10 * j));
    EXPECT_EQ(LevelGridLabel(j, true), QStringLiteral("-%1 dB").arg(3 * j));
  }
  scale.Calibration.CorrLog_40Db = 0;
  EXPECT_EQ(LevelGridRow(7, PixelsPerDivision(scale)), 30);
  // Half rows round to even: 2.5 pixels a division.
  EXPECT_EQ(LevelGridRow(1, 2.5), 32);
  EXPECT_EQ(LevelGridRow(3, 2.5), 38);
}

TEST(ZeroOffset, FollowsModeAndDetector) {
  PlotInputs in;
  in.Scale.Calibration = {3, 103, 7, 107};
  in.ZeroDbAnaliser = -20;
  EXPECT_EQ(ZeroOffset(in), 3);
  in.Scale.Linear = true;
  EXPECT_EQ(ZeroOffset(in), 7);
  in.Mode = PlotMode::Analyser;
  EXPECT_EQ(ZeroOffset(in), -20);
  EXPECT_EQ(SampleRow(255, 0), 26);
  EXPECT_EQ(SampleRow(0, 0), 281);
  EXPECT_EQ(SampleRow(251, 0), kZeroDbRow);
}

TEST(PlotFont, ArialAtWindowsPixelSizes) {
  EXPECT_EQ(PointsToPixels(8), 11);
  EXPECT_EQ(PointsToPixels(60), 80);
  const QString family = QFontInfo(PlotFont(8)).family();
  EXPECT_TRUE(family == QLatin1String("Arial") || family == QLatin1String("Liberation Sans"))
      << family.toStdString();
}

}  // namespace
}  // namespace virn::display
