// The plot drawn for screens of other device pixel ratios: each plot pixel as
// the device pixels in it, sharper than the bitmap blown up, with the bitmap's
// readouts. (The window's test checks what the plot area shows.)
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "display/device_scale.h"
#include "display/plot_renderer.h"
#include "plot_fixtures.h"

namespace virn::display {
namespace {

constexpr std::array<double, 5> kRatios = {1.0, 1.25, 1.5, 2.0, 3.0};

// A curve with slopes of every size, inside the plot.
PlotInputs Wavy() {
  PlotInputs in = testing::RunningSweep();
  for (std::size_t i = 0; i < in.Samples.size(); ++i) {
    in.Samples[i] =
        150 + static_cast<int>(90 * std::sin(static_cast<double>(i) / 9.0)) + static_cast<int>(i % 7);
  }
  return in;
}

TEST(DeviceScale, APointerOnADevicePixelReadsThePlotPixelDrawnThere) {
  PlotInputs marker;
  marker.Visir = true;
  marker.VisirValue = 100;
  for (const double ratio : kRatios) {
    const DeviceScale scale(ratio);
    for (int p = 0; p < kPlotWidth; ++p) {
      for (int d = scale.Edge(p); d < scale.Edge(p + 1); ++d) {
        // The window gets device positions divided by the ratio.
        ASSERT_EQ(PlotCell(QPointF(d / ratio, d / ratio)), QPoint(p, p)) << ratio << " " << d;
      }
    }
    const QImage image = RenderPlot(marker, ratio);
    ASSERT_EQ(image.size(), scale.ImageSize());
    int lineRows = 0;
    for (int y = 0; y < image.height(); ++y) {
      if (testing::At(image, scale.Edge(300), y) != kMarkerColor) continue;
      ++lineRows;
      EXPECT_EQ(PlotCell(QPointF(300, y / ratio)).y(), 100) << ratio << " " << y;
    }
    EXPECT_EQ(lineRows, scale.LineWidth()) << ratio;
  }
}

TEST(ScaledPicture, AtRatioTwoSharperTextAndTheCurveThroughThePointsDoubled) {
  const PlotInputs in = Wavy();
  const QImage two = RenderPlot(in, 2.0);
  const QImage one = RenderPlot(in);
  // Edges between ink and paper in the frequency labels' rows: the bitmap
  // blown up has them at even columns only, and far fewer of them.
  const auto edges = [](const QImage& image) {
    std::set<int> at;
    for (int y = 0; y < 2 * kGridTop; ++y) {
      for (int x = 1; x < image.width(); ++x) {
        if (image.pixel(x, y) != image.pixel(x - 1, y)) at.insert(x);
      }
    }
    return at;
  };
  const std::set<int> sharp = edges(two);
  EXPECT_GT(sharp.size(), edges(one.scaled(one.size() * 2)).size() * 3 / 2);
  // Each bitmap curve pixel, doubled, has the curve within one device pixel of it.
  for (int x = kFirstColumn; x < kPlotWidth; ++x) {
    const int row = static_cast<int>(SampleRow(in.Sample(x), ZeroOffset(in)));
    bool near = false;
    for (int dy = -1; dy <= 2; ++dy) {
      for (int dx = -1; dx <= 2; ++dx) {
        const QRgb p =
            two.pixel(std::min(2 * x + dx, two.width() - 1), std::min(2 * row + dy, two.height() - 1));
        near = near || (qRed(p) == 255 && qGreen(p) < 128 && qBlue(p) < 128);
      }
    }
    EXPECT_TRUE(near) << x;
  }
}

TEST(ScaledPicture, ReadoutsAreTheBitmapsAtEveryRatio) {
  std::mt19937 random(27);
  TPlotRenderer bitmap;
  std::vector<std::unique_ptr<TPlotRenderer>> scaled;
  for (const double ratio : kRatios) scaled.push_back(std::make_unique<TPlotRenderer>(ratio));
  for (int n = 0; n < 60; ++n) {
    PlotInputs in = Wavy();
    for (auto& s : in.Samples) s += static_cast<int>(random() % 60) - 30;
    if (n % 10 == 9)
      in.Samples[random() % 421] = std::numeric_limits<std::int32_t>::min();  // far off the plot
    in.Visir = true;
    in.VisirValue = static_cast<std::int32_t>(random() % 300);
    bitmap.Render(in);
    for (auto& renderer : scaled) {
      renderer->Render(in);
      ASSERT_EQ(renderer->Readout(), bitmap.Readout()) << renderer->Ratio() << " case " << n;
    }
  }
}

}  // namespace
}  // namespace virn::display
