// The plot's tools: reference traces, the marker put below the maximum, and
// the quality factor line.
#include <gtest/gtest.h>

#include "display/marker.h"
#include "display/plot_renderer.h"
#include "display/reference_traces.h"
#include "display/scale.h"
#include "plot_fixtures.h"

namespace virn::display {
namespace {

using testing::At;
using testing::BandPass;
using testing::CountColor;
using testing::kRed;
using testing::RunningSweep;

TEST(QualityFactor, CentreOverBandwidthWithOneDecimalOnlyWhenAsked) {
  PlotInputs in = RunningSweep();
  in.Visir = true;
  in.VisirValue = 55;
  EXPECT_TRUE(MarkerReadoutFor(in, {120, 200}).QText.isEmpty());
  in.ShowQ = true;
  // Centre 14 951 191 Hz over the 9 504 761 Hz the headline shows.
  EXPECT_EQ(MarkerReadoutFor(in, {120, 200}).QText, QStringLiteral("Q: 1.6"));
  in.Scale.DecimalSeparator = QStringLiteral(",");
  EXPECT_EQ(MarkerReadoutFor(in, {120, 200}).QText, QStringLiteral("Q: 1,6"));
  // A narrow band: Q grows as the band shrinks.
  in.Scale.DecimalSeparator = QStringLiteral(".");
  // One step wide: centre 19 644 167 Hz over 118 809 Hz.
  EXPECT_EQ(MarkerReadoutFor(in, {199, 200}).QText, QStringLiteral("Q: 165.3"));
  // Without two distinct crossings there is no band and no Q.
  EXPECT_TRUE(MarkerReadoutFor(in, {150, 150}).QText.isEmpty());
  EXPECT_TRUE(MarkerReadoutFor(in, {120, -1}).QText.isEmpty());
  in.Mode = PlotMode::Analyser;
  EXPECT_TRUE(MarkerReadoutFor(in, {120, 200}).QText.isEmpty());
}

TEST(QualityFactor, DrawnUnderTheCentreFrequency) {
  PlotInputs in = RunningSweep();
  in.Visir = true;
  in.VisirValue = 55;
  const QImage without = RenderPlot(in);
  in.ShowQ = true;
  const QImage with = RenderPlot(in);
  TPlotRenderer renderer;
  renderer.Render(in);
  ASSERT_FALSE(renderer.Readout().QText.isEmpty());
  // The line below "Fср." is the only change.
  int differing = 0;
  int lowestRow = kPlotHeight;
  for (int y = 0; y < kPlotHeight; ++y) {
    for (int x = 0; x < kPlotWidth; ++x) {
      if (without.pixel(x, y) == with.pixel(x, y)) continue;
      ++differing;
      lowestRow = std::min(lowestRow, y);
      EXPECT_GE(x, kReadoutLeft);
    }
  }
  EXPECT_GT(differing, 0);
  EXPECT_GT(lowestRow, kZeroDbRow + 2 * 10);  // below three lines of readout
}

TEST(MarkerBelowMaximum, RowsPerDbOfTheDetectorInUse) {
  PlotInputs in = RunningSweep();  // maximum 251: row 30, the 0 dB line
  // Log scale 0..100: 2.5 rows a dB.
  EXPECT_EQ(RowBelowMaximum(in, 6), 45);
  EXPECT_EQ(RowBelowMaximum(in, 20), 80);
  const std::int32_t row3 = *RowBelowMaximum(in, 3);
  EXPECT_EQ(row3, 38);  // 37.5, to nearest
  EXPECT_EQ(LevelToStr(row3, in.Scale), QStringLiteral("-3.2 dB"));
  // Linear detector 0..100 over 12 dB: 25 rows a 3 dB division.
  in.Scale.Linear = true;
  EXPECT_EQ(RowBelowMaximum(in, 3), 30 + 25);
  EXPECT_EQ(LevelToStr(*RowBelowMaximum(in, 6), in.Scale), QStringLiteral("-6.0 dB"));
  // The maximum's own row moves with the zero offset and the samples; -20..100
  // makes 3 rows a dB.
  in.Scale.Linear = false;
  in.Scale.Calibration.CorrLog_0Db = -20;
  in.Samples = BandPass(120, 200, 51, 201);
  EXPECT_EQ(RowBelowMaximum(in, 6), 281 - (201 - 20) + 18);
}

TEST(MarkerBelowMaximum, NothingWithoutASweepOrAScale) {
  PlotInputs in = RunningSweep();
  in.SweepRunning = false;
  EXPECT_FALSE(RowBelowMaximum(in, 3).has_value());
  in = RunningSweep();
  in.Mode = PlotMode::Generator;
  EXPECT_FALSE(RowBelowMaximum(in, 3).has_value());
  in = RunningSweep();
  in.Scale.Calibration.CorrLog_40Db = in.Scale.Calibration.CorrLog_0Db;
  EXPECT_FALSE(RowBelowMaximum(in, 3).has_value());
  // A damaged calibration with a huge scale stays inside the marker's integer.
  in.Scale.Calibration = {-32768, 32767, 0, 100};
  ASSERT_TRUE(RowBelowMaximum(in, 1e9).has_value());
  EXPECT_EQ(*RowBelowMaximum(in, 1e9), std::numeric_limits<std::int32_t>::max());
}

TEST(MarkerBelowMaximum, PlacingSwitchesTheMarkerOnAndRemembersTheRow) {
  MarkerState s;
  PlaceMarker(s, 77);
  EXPECT_TRUE(s.Visir);
  EXPECT_EQ(s.VisirValue, 77);
  ToggleMarker(s, false);
  ToggleMarker(s, true);
  EXPECT_EQ(s.VisirValue, 77);
}

TEST(ReferenceTraces, FourAtMostEachInItsOwnColourNeverTheCurves) {
  ReferenceTraces refs;
  PlotInputs in = RunningSweep();
  for (int i = 0; i < 6; ++i) {
    in.Samples = BandPass(120, 200, 51, 100 + i);
    refs.Keep(in);
  }
  ASSERT_EQ(refs.Traces().size(), kMaxReferences);
  // The oldest went first.
  EXPECT_EQ(refs.Traces().front().Samples[150], 102);
  EXPECT_EQ(refs.Traces().back().Samples[150], 105);
  for (std::size_t i = 0; i < refs.Traces().size(); ++i) {
    EXPECT_NE(refs.Traces()[i].Color | 0xFF000000u, kRed);
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(refs.Traces()[i].Color, refs.Traces()[j].Color);
  }
  // A curve drawn in what would be the first trace colour pushes the traces off it.
  ReferenceTraces other;
  PlotInputs blue = RunningSweep();
  blue.CurveColor = refs.Traces().back().Color;
  for (int i = 0; i < 4; ++i) other.Keep(blue);
  for (const ReferenceTrace& t : other.Traces()) EXPECT_NE(t.Color, blue.CurveColor);
}

TEST(ReferenceTraces, DroppedWhenRangeDetectorOrModeChangeKeptThroughCalibration) {
  ReferenceTraces refs;
  PlotInputs in = RunningSweep();
  refs.Keep(in);
  PlotInputs now = in;
  now.Scale.Calibration.CorrLog_0Db = 7;  // recalibrated: the same readings, redrawn
  EXPECT_FALSE(refs.Reconcile(now));
  now.Mode = PlotMode::Generator;  // no curve there; they wait
  EXPECT_FALSE(refs.Reconcile(now));
  EXPECT_FALSE(refs.Empty());
  for (const auto change :
       {+[](PlotInputs& p) { p.StartFreq += 1000; }, +[](PlotInputs& p) { p.EndFreq -= 1; },
        +[](PlotInputs& p) { p.Scale.Linear = true; }, +[](PlotInputs& p) { p.Mode = PlotMode::Analyser; }}) {
    refs.Keep(in);
    PlotInputs moved = in;
    change(moved);
    EXPECT_TRUE(refs.Reconcile(moved));
    EXPECT_TRUE(refs.Empty());
    EXPECT_FALSE(refs.Reconcile(moved));  // said once
  }
  // Keeping under a new basis starts afresh rather than mixing ranges.
  refs.Keep(in);
  PlotInputs moved = in;
  moved.StartFreq = 200000;
  refs.Keep(moved);
  EXPECT_EQ(refs.Traces().size(), 1u);
  refs.Clear();
  EXPECT_TRUE(refs.Empty());
}

TEST(ReferenceTraces, DrawnInTheirColoursUnderTheCurveAndInvisibleToTheMarker) {
  PlotInputs in = RunningSweep();
  in.Visir = true;
  in.VisirValue = 55;
  TPlotRenderer plain;
  plain.Render(in);
  const Crossings before = plain.Readout().At;

  ReferenceTraces refs;
  PlotInputs kept = in;
  kept.Samples = BandPass(100, 220, 61, 241);  // wider, lower: crosses row 55 elsewhere
  refs.Keep(kept);
  kept.Samples = BandPass(140, 180, 71, 231);
  refs.Keep(kept);
  in.References = refs.Traces();
  EXPECT_FALSE(SamePicture(in, RunningSweep()));
  TPlotRenderer renderer;
  renderer.Render(in);
  const QImage& image = renderer.Image();
  for (const ReferenceTrace& t : in.References) {
    EXPECT_GT(CountColor(image, t.Color | 0xFF000000u, QRect(0, 0, kPlotWidth, kPlotHeight)), 100);
  }
  // The flat top of the live curve (row 30 inside its band) stays red over the
  // traces, and the marker still finds the live curve's edges.
  EXPECT_EQ(At(image, 160, 30), kRed);
  EXPECT_EQ(renderer.Readout().At, before);
  // Still drawn when no sweep runs.
  in.SweepRunning = false;
  const QImage stopped = RenderPlot(in);
  EXPECT_GT(CountColor(stopped, in.References[0].Color | 0xFF000000u, QRect(0, 0, kPlotWidth, kPlotHeight)),
            100);
  EXPECT_EQ(CountColor(stopped, kRed, QRect(0, 0, kPlotWidth, kPlotHeight)), 0);
}

}  // namespace
}  // namespace virn::display
