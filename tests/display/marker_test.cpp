#include "display/marker.h"

#include <gtest/gtest.h>

#include <limits>

#include "plot_fixtures.h"

namespace virn::display {
namespace {

using testing::RunningSweep;

TEST(MarkerButton, FirstRowIsFiftyThenTheLastMouseRow) {
  MarkerState s;
  ToggleMarker(s, true);
  EXPECT_EQ(s.VisirValue, 50);
  ToggleMarker(s, false);
  EXPECT_EQ(s.VisirValue, 0);
  EXPECT_FALSE(s.Visir);
  ToggleMarker(s, true);
  ASSERT_TRUE(MarkerMouseDown(s, Qt::LeftButton, 120));
  ToggleMarker(s, false);
  ToggleMarker(s, true);
  EXPECT_EQ(s.VisirValue, 120);
}

TEST(MarkerMouse, LeftPressMovesTheMarkerAnywhere) {
  MarkerState s;
  EXPECT_FALSE(MarkerMouseDown(s, Qt::LeftButton, 100));  // marker off
  ToggleMarker(s, true);
  EXPECT_FALSE(MarkerMouseDown(s, Qt::RightButton, 100));
  EXPECT_EQ(s.VisirValue, 50);
  EXPECT_TRUE(MarkerMouseDown(s, Qt::LeftButton, 5));  // label margin included
  EXPECT_EQ(s.VisirValue, 5);
  EXPECT_TRUE(s.VisirDrag);
  MarkerMouseUp(s, Qt::RightButton);
  EXPECT_TRUE(s.VisirDrag);
  MarkerMouseUp(s, Qt::LeftButton);
  EXPECT_FALSE(s.VisirDrag);
}

TEST(MarkerMouse, DragStaysAboveRow280WhileTheLastRowFollows) {
  const PlotInputs in = RunningSweep();
  MarkerState s;
  ToggleMarker(s, true);
  MarkerMouseDown(s, Qt::LeftButton, 100);
  PointerMove move = MarkerMouseMove(s, in, 200, 279);
  EXPECT_TRUE(move.Redraw);
  EXPECT_EQ(s.VisirValue, 279);
  move = MarkerMouseMove(s, in, 200, 290);
  EXPECT_TRUE(move.Redraw);
  EXPECT_EQ(s.VisirValue, 279);
  EXPECT_EQ(s.LastVisirValue, 290);
  // Below and right of the plot the drag goes on, but there is no level or frequency to read.
  EXPECT_FALSE(move.InDataArea);
  EXPECT_TRUE(move.LevelText.isEmpty());
  EXPECT_FALSE(move.FreqText.has_value());
  move = MarkerMouseMove(s, in, 500, 120);
  EXPECT_TRUE(move.Redraw);
  EXPECT_EQ(s.VisirValue, 120);
  EXPECT_FALSE(move.InDataArea);
  EXPECT_FALSE(move.FreqText.has_value());
  MarkerMouseMove(s, in, 200, 290);
  // Label margins: nothing at all.
  move = MarkerMouseMove(s, in, 34, 100);
  EXPECT_FALSE(move.InDataArea);
  EXPECT_FALSE(move.Redraw);
  move = MarkerMouseMove(s, in, 100, 24);
  EXPECT_FALSE(move.InDataArea);
  EXPECT_EQ(s.LastVisirValue, 290);
}

TEST(PointerReadouts, LevelAndFrequencyUnderThePointer) {
  PlotInputs in;  // no sweep, no marker: the readouts do not need them
  MarkerState s;
  PointerMove move = MarkerMouseMove(s, in, 120, 55);
  EXPECT_TRUE(move.InDataArea);
  EXPECT_FALSE(move.Redraw);
  EXPECT_EQ(move.LevelText, QStringLiteral("-10.0 dB"));
  ASSERT_TRUE(move.FreqText.has_value());
  EXPECT_EQ(*move.FreqText, QStringLiteral("10.198.810 Гц"));
  in.StartFreq = 0;
  move = MarkerMouseMove(s, in, 35, 55);
  EXPECT_FALSE(move.FreqText.has_value());  // panel 4 keeps its text
  in.Mode = PlotMode::Generator;
  EXPECT_FALSE(MarkerMouseMove(s, in, 120, 55).InDataArea);
  EXPECT_EQ(PointerFreqText(5090000), QStringLiteral("5.090.000 Гц"));
  EXPECT_TRUE(PointerOutsidePlot(455, 10));
  EXPECT_TRUE(PointerOutsidePlot(10, -1));
  EXPECT_FALSE(PointerOutsidePlot(0, 280));
}

TEST(MarkerKeys, ArrowsStepOneRowWithoutLimit) {
  MarkerState s;
  EXPECT_FALSE(MarkerKeyDown(s, Qt::Key_Up));  // marker off
  ToggleMarker(s, true);
  s.VisirValue = 0;
  EXPECT_TRUE(MarkerKeyDown(s, Qt::Key_Up));
  EXPECT_EQ(s.VisirValue, -1);
  EXPECT_TRUE(MarkerKeyDown(s, Qt::Key_Down));
  EXPECT_TRUE(MarkerKeyDown(s, Qt::Key_Down));
  EXPECT_EQ(s.VisirValue, 1);
  EXPECT_FALSE(MarkerKeyDown(s, Qt::Key_Left));
  EXPECT_EQ(s.LastVisirValue, 0);
}

// A row read back from a damaged settings file can sit at either end of the
// integer range; the keys must not overflow it.
TEST(MarkerKeys, ExtremeRowsStayInRange) {
  MarkerState s;
  ToggleMarker(s, true);
  s.VisirValue = std::numeric_limits<std::int32_t>::max();
  EXPECT_TRUE(MarkerKeyDown(s, Qt::Key_Down));
  EXPECT_EQ(s.VisirValue, std::numeric_limits<std::int32_t>::max());
  s.VisirValue = std::numeric_limits<std::int32_t>::min();
  EXPECT_TRUE(MarkerKeyDown(s, Qt::Key_Up));
  EXPECT_EQ(s.VisirValue, std::numeric_limits<std::int32_t>::min());
  EXPECT_TRUE(MarkerKeyDown(s, Qt::Key_Down));
  EXPECT_EQ(s.VisirValue, std::numeric_limits<std::int32_t>::min() + 1);
}

TEST(FindCrossings, FirstCurvePixelFromEachEndOfColumns50To400) {
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
  image.fill(testing::kWhite);
  image.setPixel(40, 100, testing::kRed);   // never searched
  image.setPixel(420, 100, testing::kRed);  // never searched
  image.setPixel(90, 100, 0xFFFE0000);      // not exactly the curve colour
  EXPECT_EQ(FindCrossings(image, 100, testing::kRed).LeftColumn, -1);
  image.setPixel(130, 100, testing::kRed);
  image.setPixel(250, 100, testing::kRed);
  image.setPixel(400, 100, testing::kRed);
  const Crossings at = FindCrossings(image, 100, testing::kRed);
  EXPECT_EQ(at.LeftColumn, 130);
  EXPECT_EQ(at.RightColumn, 400);
  EXPECT_EQ(FindCrossings(image, -3, testing::kRed).LeftColumn, -1);
  EXPECT_EQ(FindCrossings(image, 281, testing::kRed).RightColumn, -1);
}

TEST(MarkerReadout, BandwidthEdgesAndCentreOfTheDefaultRange) {
  PlotInputs in = RunningSweep();
  in.Visir = true;
  in.VisirValue = 55;
  const MarkerReadout r = MarkerReadoutFor(in, {120, 200});
  EXPECT_EQ(r.L, 10198810);
  EXPECT_EQ(r.R, 19703571);
  EXPECT_EQ(r.LeftText, QStringLiteral("10.139.405 Гц"));
  EXPECT_EQ(r.RightText, QStringLiteral("19.644.166 Гц"));
  EXPECT_EQ(r.Headline, QStringLiteral("-10.0 dB, полоса: 9504.761 Гц"));
  EXPECT_EQ(r.MinText, QStringLiteral("Мин.: -80.0 dB"));
  EXPECT_EQ(r.MaxText, QStringLiteral("Макс.: 0.0 dB"));
  EXPECT_EQ(r.CentreText, QStringLiteral("Fср.: 14.951.191 Гц"));
}

TEST(MarkerReadout, NoBandWithoutTwoDistinctCrossings) {
  PlotInputs in = RunningSweep();
  in.VisirValue = 55;
  MarkerReadout r = MarkerReadoutFor(in, {150, 150});
  EXPECT_EQ(r.Headline, QStringLiteral("-10.0 dB, полоса: 0 Гц"));
  EXPECT_TRUE(r.CentreText.isEmpty());
  r = MarkerReadoutFor(in, {});
  EXPECT_TRUE(r.LeftText.isEmpty());
  EXPECT_TRUE(r.RightText.isEmpty());
  EXPECT_EQ(r.Headline, QStringLiteral("-10.0 dB, полоса: 0 Гц"));
  EXPECT_EQ(r.MinText, QStringLiteral("Мин.: -80.0 dB"));
  EXPECT_TRUE(r.CentreText.isEmpty());
}

TEST(MarkerReadout, ShortFrequenciesKeepWholeGroups) {
  PlotInputs in = RunningSweep();
  in.StartFreq = 100000;
  in.EndFreq = 1000000;
  in.SweepStep = 2143;
  in.VisirValue = 55;
  const MarkerReadout r = MarkerReadoutFor(in, {120, 200});
  EXPECT_EQ(r.L, 282143);
  EXPECT_EQ(r.R, 453571);
  EXPECT_EQ(r.LeftText, QStringLiteral("0.281.072 Гц"));  // half a step below
  EXPECT_EQ(r.CentreText, QStringLiteral("Fср.: 0.367.857 Гц"));
}

TEST(MarkerReadout, AnalyserShowsTheLevelOnlyAndNothingWithoutASweep) {
  PlotInputs in = RunningSweep();
  in.Mode = PlotMode::Analyser;
  in.VisirValue = 55;
  MarkerReadout r = MarkerReadoutFor(in, {120, 200});
  EXPECT_EQ(r.Headline, QStringLiteral("-10.0 dB"));
  EXPECT_EQ(r.L, 0);
  EXPECT_TRUE(r.LeftText.isEmpty() && r.MinText.isEmpty() && r.CentreText.isEmpty());
  in.Mode = PlotMode::Sweep;
  in.SweepRunning = false;
  r = MarkerReadoutFor(in, {120, 200});
  MarkerReadout nothing;
  nothing.At = {120, 200};
  EXPECT_TRUE(r == nothing);
}

}  // namespace
}  // namespace virn::display
