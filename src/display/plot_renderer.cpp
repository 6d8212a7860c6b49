#include "display/plot_renderer.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "display/raster.h"
#include "display/scale.h"
#include "display/text_cache.h"
#include "measure/frequency.h"

namespace virn::display {

namespace {

constexpr int kGeneratorPoints = 60;
// Rows further off the bitmap than this are all the same to the picture; the
// limit keeps nonsense samples from reaching the rasteriser.
constexpr std::int64_t kRowLimit = 1 << 20;

// What the grid layer (background, both grids and their labels) depends on.
struct GridKey {
  std::int32_t StartFreq = 0;
  std::int32_t EndFreq = 0;
  bool Linear = false;
  double PixelsPerDivision = 0;
  QRgb Background = 0;
  QRgb Grid = 0;
  int FontPoints = 0;
  bool operator==(const GridKey&) const = default;
};

GridKey GridKeyOf(const PlotInputs& in) {
  return {in.StartFreq,       in.EndFreq,   in.Scale.Linear, PixelsPerDivision(in.Scale),
          in.BackgroundColor, in.GridColor, in.FontPointSize};
}

int ClampRow(std::int64_t row) {
  return static_cast<int>(std::clamp(row, -kRowLimit, kRowLimit));
}

// The generator frequency as its fields read now; none when they do not read
// as a whole number, which the range handlers report on their own.
std::optional<std::int32_t> GeneratorFreq(const PlotInputs& in) {
  try {
    return measure::ReadTriple(in.GenTriple);
  } catch (const measure::EConvertError&) {
    return std::nullopt;
  }
}

}  // namespace

struct TPlotRenderer::Impl {
  QImage image{kPlotWidth, kPlotHeight, QImage::Format_RGB32};
  // Background, both grids and their labels: everything under the curve.
  QImage grid{kPlotWidth, kPlotHeight, QImage::Format_RGB32};
  std::optional<GridKey> gridKey;
  // What has been drawn over the grid layer since the image was last a copy of it.
  Damage damage{kPlotWidth, kPlotHeight};
  std::optional<PlotInputs> last;  // the inputs the image shows
  MarkerReadout readout;
  std::shared_ptr<TextCaches> texts = TextCaches::Shared();
  std::array<int, measure::kSampleCount> rows{};

  Impl() { image.fill(Qt::white); }

  TextCache& Labels(int points) { return texts->ForPoints(points); }
  TextCache& GeneratorDigits() { return texts->ForPoints(kGeneratorPoints); }

  void DrawGenerator(const PlotInputs& in);
  void BuildGrid(const PlotInputs& in);
  void DrawSweep(const PlotInputs& in);
  void DrawCurve(Canvas& canvas, const PlotInputs& in);
  void DrawPolyline(Canvas& canvas, const PlotInputs& in, const SampleArray& samples, QRgb color);
  void DrawMarker(Canvas& canvas, const PlotInputs& in, TextCache& text);
};

void TPlotRenderer::Impl::DrawGenerator(const PlotInputs& in) {
  Canvas canvas(image, &damage);
  canvas.Fill(in.BackgroundColor);
  readout = {};
  const std::optional<std::int32_t> freq = GeneratorFreq(in);
  if (!freq) return;
  const QString digits = measure::FreqToStr(*freq, 1000000, true);
  if (digits.isEmpty()) return;
  TextCache& text = GeneratorDigits();
  const int x = kPlotWidth / 2 - text.Width(digits) / 2;
  const int y = kPlotHeight / 2 - text.Height() / 2;
  text.Draw(canvas, x, y, digits, kGeneratorColor);
}

void TPlotRenderer::Impl::BuildGrid(const PlotInputs& in) {
  Canvas canvas(grid);
  canvas.Fill(in.BackgroundColor);
  TextCache& text = Labels(in.FontPointSize);

  for (int i = 0; i < kGridLines; ++i) {
    const int x = GridColumn(i);
    canvas.VerticalLine(x, kGridTop, kPlotHeight, in.GridColor, true);
    QString caption = FreqGridLabel(i, in.StartFreq, in.EndFreq);
    // The number stays centred on its line; the unit trails to the right.
    const int halfWidth = text.Width(caption) / 2;
    if (i == kGridLines - 1) caption += kFreqUnitSuffix;
    text.Draw(canvas, x - halfWidth, kLabelTop, caption, kLabelColor);
  }

  const int halfHeight = text.Height() / 2;
  canvas.HorizontalLine(kFirstColumn, kLastColumn, kZeroDbRow, in.GridColor, true);
  text.Draw(canvas, kLabelLeft, kZeroDbRow - halfHeight, kZeroDbLabel, kLabelColor);
  const double p = PixelsPerDivision(in.Scale);
  for (int j = 1; j <= kGridLines; ++j) {
    const int y = LevelGridRow(j, p);
    canvas.HorizontalLine(kFirstColumn, kLastColumn, y, in.GridColor, true);
    text.Draw(canvas, kLabelLeft, y - halfHeight, LevelGridLabel(j, in.Scale.Linear), kLabelColor);
  }
  gridKey = GridKeyOf(in);
  damage.SetAll();  // the image no longer derives from this layer
}

void TPlotRenderer::Impl::DrawPolyline(Canvas& canvas, const PlotInputs& in, const SampleArray& samples,
                                       QRgb color) {
  const std::int32_t z = ZeroOffset(in);
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = ClampRow(SampleRow(samples[i], z));
  canvas.Polyline(kFirstColumn, rows, color);
}

void TPlotRenderer::Impl::DrawCurve(Canvas& canvas, const PlotInputs& in) {
  DrawPolyline(canvas, in, in.Samples, in.CurveColor);
}

void TPlotRenderer::Impl::DrawMarker(Canvas& canvas, const PlotInputs& in, TextCache& text) {
  const std::int32_t v = in.VisirValue;
  Crossings at;
  if (in.SweepRunning && in.Mode != PlotMode::Analyser) at = FindCrossings(image, v, in.CurveColor);
  readout = MarkerReadoutFor(in, at);

  // The crossing frequencies stand on a tooltip-coloured box below the line.
  // Crossings are only found on a row of the bitmap, where v + 2 cannot overflow.
  const bool crossed = at.LeftColumn >= 0 || at.RightColumn >= 0;
  const int boxTop = crossed ? v + 2 : 0;
  if (!readout.LeftText.isEmpty()) {
    const int width = text.Width(readout.LeftText);
    const int left = at.LeftColumn - width - kCrossingGap;
    canvas.FillRect(QRect(left, boxTop, width, text.Height()), in.TooltipBaseColor);
    text.Draw(canvas, left, boxTop, readout.LeftText, in.TooltipTextColor);
  }
  if (!readout.RightText.isEmpty()) {
    const int left = at.RightColumn + kCrossingGap;
    canvas.FillRect(QRect(left, boxTop, text.Width(readout.RightText), text.Height()), in.TooltipBaseColor);
    text.Draw(canvas, left, boxTop, readout.RightText, in.TooltipTextColor);
  }

  canvas.HorizontalLine(kFirstColumn, kLastColumn, v, kMarkerColor, false);

  if (!in.SweepRunning) return;
  text.Draw(canvas, kPlotWidth - text.Width(readout.Headline) - kHeadlineRight, kZeroDbRow, readout.Headline,
            kReadoutColor);
  const int lineHeight = text.Height();
  text.Draw(canvas, kReadoutLeft, kZeroDbRow, readout.MinText, kReadoutColor);
  text.Draw(canvas, kReadoutLeft, kZeroDbRow + lineHeight, readout.MaxText, kReadoutColor);
  text.Draw(canvas, kReadoutLeft, kZeroDbRow + 2 * lineHeight, readout.CentreText, kReadoutColor);
  text.Draw(canvas, kReadoutLeft, kZeroDbRow + 3 * lineHeight, readout.QText, kReadoutColor);
}

void TPlotRenderer::Impl::DrawSweep(const PlotInputs& in) {
  if (!gridKey || !(*gridKey == GridKeyOf(in))) BuildGrid(in);
  damage.Restore(image, grid);
  readout = {};
  Canvas canvas(image, &damage);
  // Under the live curve, which is drawn over them where they meet.
  for (const ReferenceTrace& trace : in.References) DrawPolyline(canvas, in, trace.Samples, trace.Color);
  if (in.SweepRunning) DrawCurve(canvas, in);
  // After the curve: the marker finds the curve by its colour.
  if (in.Visir) DrawMarker(canvas, in, Labels(in.FontPointSize));
}

TPlotRenderer::TPlotRenderer() : impl_(std::make_unique<Impl>()) {}
TPlotRenderer::~TPlotRenderer() = default;

bool TPlotRenderer::Render(const PlotInputs& in) {
  if (impl_->last && SamePicture(*impl_->last, in)) return false;
  if (in.Mode == PlotMode::Generator) {
    impl_->DrawGenerator(in);
  } else {
    impl_->DrawSweep(in);
  }
  impl_->last = in;
  return true;
}

const QImage& TPlotRenderer::Image() const {
  return impl_->image;
}
const MarkerReadout& TPlotRenderer::Readout() const {
  return impl_->readout;
}
void TPlotRenderer::Invalidate() {
  impl_->last.reset();
}

QImage RenderPlot(const PlotInputs& in) {
  TPlotRenderer renderer;
  renderer.Render(in);
  return renderer.Image().copy();
}

}  // namespace virn::display
