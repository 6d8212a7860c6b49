#include "display/plot_renderer.h"

#include <gtest/gtest.h>

#include <limits>

#include <random>

#include "display/scale.h"
#include "plot_fixtures.h"

namespace virn::display {
namespace {

using testing::At;
using testing::BandPass;
using testing::CountColor;
using testing::InkBox;
using testing::kRed;
using testing::kSilver;
using testing::kWhite;
using testing::RunningSweep;

constexpr QRgb kGreen = 0xFF008000;
constexpr QRgb kTooltip = 0xFFFFFFE1;

bool DotOn(int t) {
  return t % 6 < 3;
}

// The grid alone, right of the level labels and below the frequency labels,
// follows the line rules exactly.
void ExpectGridPixels(const QImage& image, const LevelScale& scale, int firstColumn) {
  const double p = PixelsPerDivision(scale);
  for (int y = kGridTop; y < kPlotHeight; ++y) {
    bool levelRow = y == kZeroDbRow;
    for (int j = 1; j <= kGridLines; ++j) levelRow = levelRow || LevelGridRow(j, p) == y;
    for (int x = firstColumn; x < kPlotWidth; ++x) {
      const bool vertical =
          x >= kFirstColumn && (x - kFirstColumn) % kGridColumnStep == 0 && DotOn(y - kGridTop);
      const bool horizontal = levelRow && x >= kFirstColumn && DotOn(x - kFirstColumn);
      ASSERT_EQ(At(image, x, y), vertical || horizontal ? kSilver : kWhite) << x << ", " << y;
    }
  }
}

TEST(PlotPicture, IdleSweepModeIsTheGridAlone) {
  const PlotInputs in;
  const QImage image = RenderPlot(in);
  ASSERT_EQ(image.size(), QSize(455, 281));
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  ExpectGridPixels(image, in.Scale, 45);
  // Column 35 down to the first level label.
  for (int y = kGridTop; y < 45; ++y)
    EXPECT_EQ(At(image, 35, y), y == 30 || DotOn(y - 14) ? kSilver : kWhite) << y;
  EXPECT_EQ(CountColor(image, kRed, image.rect()), 0);
}

TEST(PlotPicture, LabelsSitOnTheirLines) {
  const QImage image = RenderPlot(PlotInputs{});
  for (int i = 0; i < kGridLines - 1; ++i) {
    const int x = GridColumn(i);
    const QRect ink = InkBox(image, QRect(x - 20, 0, 41, kGridTop));
    ASSERT_FALSE(ink.isEmpty()) << i;
    EXPECT_GE(ink.top(), kLabelTop);
    EXPECT_NEAR(ink.center().x(), x, 2) << i;
  }
  // The last label's unit trails to the right.
  EXPECT_GT(InkBox(image, QRect(413, 0, 42, kGridTop)).right(), 440);
  for (int j = 0; j <= kGridLines; ++j) {
    const int y = kZeroDbRow + 25 * j;
    const QRect ink = InkBox(image, QRect(0, y - 8, kFirstColumn - 1, 17));
    ASSERT_FALSE(ink.isEmpty()) << j;
    EXPECT_LE(ink.left(), 3);
    EXPECT_NEAR(ink.center().y(), y, 3) << j;
  }
  // Navy text: stroke cores in navy itself, edges blends of navy and white.
  EXPECT_GT(CountColor(image, 0xFF000080, QRect(0, 0, kPlotWidth, kGridTop)), 0);
  for (int y = 0; y < kGridTop; ++y) {
    for (int x = 0; x < kPlotWidth; ++x) {
      const QRgb p = At(image, x, y);
      ASSERT_TRUE(qRed(p) == qGreen(p) && qBlue(p) >= qRed(p)) << x << ", " << y;
    }
  }
}

TEST(PlotPicture, LinearAndEqualCalibrationsMoveTheLevelLines) {
  PlotInputs in;
  in.Scale.Linear = true;
  in.Scale.Calibration.CorrLin_12Db = 80;  // 20 pixels a division
  ExpectGridPixels(RenderPlot(in), in.Scale, 45);
  in.Scale.Calibration.CorrLin_12Db = 0;  // every line on the 0 dB line
  ExpectGridPixels(RenderPlot(in), in.Scale, 45);
}

TEST(PlotPicture, CurveStartsAtItsFirstPointAndJoinsEveryPoint) {
  std::mt19937 random(7);
  SampleArray samples{};
  for (auto& s : samples) s = static_cast<int>(random() % 256);
  samples[0] = 200;  // first point high on the plot, lowest sample elsewhere
  samples[1] = 200;
  samples[100] = 0;
  PlotInputs in = RunningSweep(samples);
  in.Scale.Calibration.CorrLog_0Db = 10;
  in.Scale.Calibration.CorrLog_40Db = 110;
  const QImage image = RenderPlot(in);
  const auto row = [&](int x) { return static_cast<int>(SampleRow(in.Sample(x), 10)); };
  for (int x = kFirstColumn; x < kLastColumn; ++x) {
    if (row(x) >= 0 && row(x) < kPlotHeight) {
      EXPECT_EQ(At(image, x, row(x)), kRed) << x;
    }
    // Every row from this point to the next is drawn in this column or the next.
    const int step = row(x + 1) > row(x) ? 1 : -1;
    for (int y = row(x); y != row(x + 1); y += step) {
      if (y < 0 || y >= kPlotHeight) continue;
      const bool next = x + 1 == kPlotWidth || At(image, x + 1, y) == kRed;  // column 455 lies off the bitmap
      EXPECT_TRUE(At(image, x, y) == kRed || next) << x << ", " << y;
    }
  }
  // No stroke up the left border from the lowest sample.
  EXPECT_EQ(CountColor(image, kRed, QRect(35, 0, 1, 281)), 1);
  EXPECT_EQ(CountColor(image, kRed, QRect(0, 0, 35, 281)), 0);
}

TEST(PlotPicture, SampleRowsFollowTheZeroOffset) {
  SampleArray samples{};
  samples.fill(255);
  PlotInputs in = RunningSweep(samples);
  QImage image = RenderPlot(in);
  EXPECT_EQ(CountColor(image, kRed, QRect(35, 26, 420, 1)), 420);
  EXPECT_EQ(CountColor(image, kRed, image.rect()), 420);
  in.Samples.fill(100);
  in.Mode = PlotMode::Analyser;
  in.ZeroDbAnaliser = 20;
  EXPECT_EQ(CountColor(RenderPlot(in), kRed, QRect(35, 161, 420, 1)), 420);
  in.Mode = PlotMode::Sweep;
  in.Scale.Linear = true;
  in.Scale.Calibration.CorrLin_0Db = -10;
  EXPECT_EQ(CountColor(RenderPlot(in), kRed, QRect(35, 191, 420, 1)), 420);
  in.Samples.fill(0);  // row 281, just below the bitmap
  in.Scale.Calibration.CorrLin_0Db = 0;
  EXPECT_EQ(CountColor(RenderPlot(in), kRed, image.rect()), 0);
}

TEST(PlotPicture, MarkerWithoutASweepIsTheLineAlone) {
  PlotInputs in;
  in.Visir = true;
  in.VisirValue = 100;
  const QImage image = RenderPlot(in);
  EXPECT_EQ(CountColor(image, kGreen, QRect(35, 100, 420, 1)), 420);
  EXPECT_EQ(CountColor(image, kGreen, image.rect()), 420);
  // Everything off the line is the plain grid.
  QImage grid = RenderPlot(PlotInputs{});
  for (int x = 35; x < kPlotWidth; ++x) grid.setPixel(x, 100, kGreen);
  EXPECT_EQ(image, grid);
}

TEST(PlotPicture, AMarkerRowFarOffThePlotDrawsNoLine) {
  for (const std::int32_t row :
       {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(), -1, 281}) {
    PlotInputs in = RunningSweep();
    in.Visir = true;
    in.VisirValue = row;
    const QImage image = RenderPlot(in);
    EXPECT_EQ(CountColor(image, kGreen, image.rect()), 0) << row;
  }
}

TEST(PlotPicture, MarkerReadoutsOnABandPass) {
  PlotInputs in = RunningSweep();
  in.Visir = true;
  in.VisirValue = 55;
  TPlotRenderer renderer;
  ASSERT_TRUE(renderer.Render(in));
  const QImage& image = renderer.Image();
  const MarkerReadout& r = renderer.Readout();
  EXPECT_EQ(r.At.LeftColumn, 120);
  EXPECT_EQ(r.At.RightColumn, 200);
  EXPECT_EQ(r.LeftText, QStringLiteral("10.139.405 Гц"));
  EXPECT_EQ(r.Headline, QStringLiteral("-10.0 dB, полоса: 9504.761 Гц"));
  EXPECT_EQ(r.CentreText, QStringLiteral("Fср.: 14.951.191 Гц"));
  // Marker line over the whole data width, crossing texts on tooltip boxes
  // below it, left of the left crossing and right of the right one.
  EXPECT_EQ(CountColor(image, kGreen, QRect(35, 55, 420, 1)), 420);
  EXPECT_EQ(At(image, 109, 57), kTooltip);
  EXPECT_EQ(At(image, 210, 57), kTooltip);
  EXPECT_GT(CountColor(image, kTooltip, QRect(0, 57, 110, 14)), 100);
  EXPECT_EQ(CountColor(image, kTooltip, QRect(111, 0, 99, 281)), 0);
  // Headline ends at column 450 on row 30; the readouts start at (40, 30).
  const QRect headline = InkBox(image, QRect(250, 30, 205, 13), kWhite, kRed);
  EXPECT_NEAR(headline.right(), 449, 2);
  // (Right of the level labels and above the -10 dB one.)
  const QRect readouts = InkBox(image, QRect(38, 30, 80, 18), kWhite, kRed);
  EXPECT_NEAR(readouts.left(), 40, 1);
  EXPECT_GT(readouts.height(), 14);  // minimum and maximum, one under the other
}

TEST(PlotPicture, AnalyserMarkerSearchesNothing) {
  PlotInputs in = RunningSweep();
  in.Mode = PlotMode::Analyser;
  in.Visir = true;
  in.VisirValue = 55;
  TPlotRenderer renderer;
  renderer.Render(in);
  EXPECT_EQ(renderer.Readout().Headline, QStringLiteral("-10.0 dB"));
  EXPECT_EQ(CountColor(renderer.Image(), kTooltip, renderer.Image().rect()), 0);
}

TEST(PlotPicture, GeneratorFrequencyCentredInLargeGreenDigits) {
  PlotInputs in;
  in.Mode = PlotMode::Generator;
  in.SweepRunning = true;
  in.Samples = BandPass();
  const QImage image = RenderPlot(in);
  const QRect ink = InkBox(image, image.rect());
  EXPECT_NEAR(ink.center().x(), 227, 4);
  EXPECT_NEAR(ink.center().y(), 140, 12);
  EXPECT_GT(ink.height(), 50);
  EXPECT_GT(CountColor(image, kGreen, image.rect()), 500);
  EXPECT_EQ(CountColor(image, kRed, image.rect()) + CountColor(image, kSilver, image.rect()), 0);
}

TEST(PlotPicture, GeneratorZeroOrUnreadableDrawsNothing) {
  PlotInputs in;
  in.Mode = PlotMode::Generator;
  QImage blank(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
  blank.fill(kWhite);
  in.GenTriple = {QString(), QStringLiteral("0"), QStringLiteral("00")};
  EXPECT_EQ(RenderPlot(in), blank);
  in.GenTriple = {QStringLiteral("9999"), QStringLiteral("999"), QStringLiteral("999")};
  EXPECT_EQ(RenderPlot(in), blank);
  in.GenTriple[0] = QStringLiteral("1x");
  EXPECT_EQ(RenderPlot(in), blank);
}

TEST(PlotRenderer, ReportsWhetherThePictureChanged) {
  PlotInputs in;
  TPlotRenderer renderer;
  EXPECT_TRUE(renderer.Render(in));
  EXPECT_FALSE(renderer.Render(in));
  in.Samples = BandPass();  // no sweep running: not shown
  EXPECT_FALSE(renderer.Render(in));
  in.SweepRunning = true;
  EXPECT_TRUE(renderer.Render(in));
  in.Samples[5] += 1;
  EXPECT_TRUE(renderer.Render(in));
  in.Mode = PlotMode::Generator;
  EXPECT_TRUE(renderer.Render(in));
  in.Visir = true;  // nothing but the triple shows in generator mode
  in.Samples[6] += 1;
  EXPECT_FALSE(renderer.Render(in));
  in.GenTriple[1] = QStringLiteral("5");
  EXPECT_TRUE(renderer.Render(in));
  renderer.Invalidate();
  EXPECT_TRUE(renderer.Render(in));
}

// Where two pictures first differ, for the failure message.
std::string FirstDifference(const QImage& a, const QImage& b) {
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (At(a, x, y) != At(b, x, y)) {
        return QStringLiteral("(%1, %2): %3 vs %4")
            .arg(x)
            .arg(y)
            .arg(At(a, x, y), 0, 16)
            .arg(At(b, x, y), 0, 16)
            .toStdString();
      }
    }
  }
  return "none";
}

// The kept grid layer and the partial restores never show: after any sequence
// of changes the picture equals one drawn from nothing, at any device pixel ratio.
class KeptLayers : public ::testing::TestWithParam<double> {};

TEST_P(KeptLayers, MatchAFreshPictureAfterEveryChange) {
  std::mt19937 random(2024);
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  PlotInputs in = RunningSweep();
  TPlotRenderer renderer(GetParam());
  for (int step = 0; step < 400; ++step) {
    switch (pick(12)) {
      case 0:
        in.StartFreq = pick(3) * 500000;
        break;
      case 1:
        in.EndFreq = 1000000 + pick(50) * 1000000;
        break;
      case 2:
        in.Scale.Linear = !in.Scale.Linear;
        break;
      case 3:
        in.Scale.Calibration.CorrLog_40Db = static_cast<std::int16_t>(pick(200) - 50);
        break;
      case 4:
        in.Scale.Calibration.CorrLin_0Db = static_cast<std::int16_t>(pick(60) - 30);
        break;
      case 5:
        in.Mode = static_cast<PlotMode>(pick(3));
        break;
      case 6:
        in.ZeroDbAnaliser = static_cast<std::int16_t>(pick(401) - 200);
        break;
      case 7:
        in.Visir = !in.Visir;
        break;
      case 8:
        in.VisirValue = pick(300) - 10;
        break;
      case 9:
        in.SweepRunning = pick(4) != 0;
        break;
      case 10:
        in.GridColor = pick(2) ? kSilver : 0xFF808080;
        break;
      default:
        for (auto& s : in.Samples) s = std::clamp(s + pick(41) - 20, 0, 255);
        break;
    }
    renderer.Render(in);
    const QImage fresh = RenderPlot(in, GetParam());
    ASSERT_TRUE(renderer.Image() == fresh)
        << "step " << step << ": " << FirstDifference(renderer.Image(), fresh);
  }
}
INSTANTIATE_TEST_SUITE_P(Ratios, KeptLayers, ::testing::Values(1.0, 1.5, 2.0));

}  // namespace
}  // namespace virn::display

namespace virn::display {
namespace {

// The flatness mark changes only the bottom right corner, in the label colour,
// at every ratio; without it the picture is the one it always was.
TEST(PlotPicture, TheFlatnessMarkStandsInTheBottomRightCornerOnly) {
  for (const double ratio : {1.0, 2.0}) {
    PlotInputs in = testing::RunningSweep(testing::BandPass());
    const QImage plain = RenderPlot(in, ratio);
    for (const FlatnessMark mark : {FlatnessMark::Whole, FlatnessMark::Partly}) {
      in.Flatness = mark;
      const QImage marked = RenderPlot(in, ratio);
      const int corner = static_cast<int>(60 * ratio);
      int inked = 0;
      for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
          if (plain.pixel(x, y) == marked.pixel(x, y)) continue;
          ASSERT_TRUE(x >= plain.width() - corner && y >= plain.height() - corner / 2) << x << "," << y;
          ++inked;
        }
      }
      EXPECT_GT(inked, 0) << ratio;
    }
  }
}

}  // namespace
}  // namespace virn::display
