#include "display/plot_renderer.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "display/device_scale.h"
#include "display/raster.h"
#include "display/scale.h"
#include "display/smooth_curve.h"
#include "display/text_cache.h"
#include "measure/frequency.h"

namespace virn::display {

namespace {

constexpr int kGeneratorPoints = 60;
// The flatness mark stands this far in from the bottom right corner.
constexpr int kFlatnessMarkInset = 3;
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
  // Plot pixels to the picture's device pixels; at ratio 1 the picture is PlotBitmap.
  DeviceScale scale;
  QImage image;
  // Background, both grids and their labels: everything under the curve.
  QImage grid;
  std::optional<GridKey> gridKey;
  // What has been drawn over the grid layer since the image was last a copy of it.
  Damage damage;
  std::optional<PlotInputs> last;  // the inputs the image shows
  MarkerReadout readout;
  std::shared_ptr<TextCaches> texts = TextCaches::Shared();
  std::array<int, measure::kSampleCount> rows{};
  std::optional<SmoothCurve> smooth;  // the curves at other ratios

  explicit Impl(double ratio)
      : scale(ratio),
        image(scale.ImageSize(), QImage::Format_RGB32),
        grid(scale.ImageSize(), QImage::Format_RGB32),
        damage(image.width(), image.height()) {
    image.fill(Qt::white);
    image.setDevicePixelRatio(scale.Ratio());
    if (!scale.Unscaled()) smooth.emplace();
  }

  // Texts at the size the plot's geometry gives them, in device pixels.
  TextCache& Labels(int points) { return texts->ForPixels(scale.Pixels(PointsToPixels(points))); }
  TextCache& GeneratorDigits() { return Labels(kGeneratorPoints); }

  void DrawGenerator(const PlotInputs& in);
  void BuildGrid(const PlotInputs& in);
  void DrawSweep(const PlotInputs& in);
  void DrawPolyline(Canvas& canvas, const PlotInputs& in, const SampleArray& samples, QRgb color);
  void DrawMarker(Canvas& canvas, const PlotInputs& in, TextCache& text);
  void DrawFlatnessMark(Canvas& canvas, const PlotInputs& in);
};

void TPlotRenderer::Impl::DrawFlatnessMark(Canvas& canvas, const PlotInputs& in) {
  if (in.Flatness == FlatnessMark::None) return;
  const QString mark = in.Flatness == FlatnessMark::Whole ? kFlatnessMarkText : kFlatnessPartlyText;
  TextCache& text = Labels(in.FontPointSize);
  text.Draw(canvas, scale.Edge(kPlotWidth - kFlatnessMarkInset) - text.Width(mark),
            scale.Edge(kPlotHeight - kFlatnessMarkInset) - text.Height(), mark, kLabelColor);
}

void TPlotRenderer::Impl::DrawGenerator(const PlotInputs& in) {
  Canvas canvas(image, &damage);
  canvas.Fill(in.BackgroundColor);
  readout = {};
  const std::optional<std::int32_t> freq = GeneratorFreq(in);
  if (!freq) return;
  const QString digits = measure::FreqToStr(*freq, 1000000, true);
  if (digits.isEmpty()) return;
  TextCache& text = GeneratorDigits();
  const int x = image.width() / 2 - text.Width(digits) / 2;
  const int y = image.height() / 2 - text.Height() / 2;
  text.Draw(canvas, x, y, digits, kGeneratorColor);
}

void TPlotRenderer::Impl::BuildGrid(const PlotInputs& in) {
  Canvas canvas(grid);
  canvas.Fill(in.BackgroundColor);
  TextCache& text = Labels(in.FontPointSize);
  // Labels centre on the middle of their line, however many device pixels wide.
  const int lineMiddle = scale.LineWidth() / 2;

  for (int i = 0; i < kGridLines; ++i) {
    const int x = GridColumn(i);
    DrawPlotLine(canvas, scale, Qt::Vertical, kGridTop, kPlotHeight, x, in.GridColor, true);
    QString caption = FreqGridLabel(i, in.StartFreq, in.EndFreq);
    // The number stays centred on its line; the unit trails to the right.
    const int halfWidth = text.Width(caption) / 2;
    if (i == kGridLines - 1) caption += kFreqUnitSuffix;
    text.Draw(canvas, scale.Edge(x) + lineMiddle - halfWidth, scale.Edge(kLabelTop), caption, kLabelColor);
  }

  const int halfHeight = text.Height() / 2;
  const int labelLeft = scale.Edge(kLabelLeft);
  DrawPlotLine(canvas, scale, Qt::Horizontal, kFirstColumn, kLastColumn, kZeroDbRow, in.GridColor, true);
  text.Draw(canvas, labelLeft, scale.Edge(kZeroDbRow) + lineMiddle - halfHeight, kZeroDbLabel, kLabelColor);
  const double p = PixelsPerDivision(in.Scale);
  for (int j = 1; j <= kGridLines; ++j) {
    const int y = LevelGridRow(j, p);
    DrawPlotLine(canvas, scale, Qt::Horizontal, kFirstColumn, kLastColumn, y, in.GridColor, true);
    text.Draw(canvas, labelLeft, scale.Edge(y) + lineMiddle - halfHeight, LevelGridLabel(j, in.Scale.Linear),
              kLabelColor);
  }
  gridKey = GridKeyOf(in);
  damage.SetAll();  // the image no longer derives from this layer
}

void TPlotRenderer::Impl::DrawPolyline(Canvas& canvas, const PlotInputs& in, const SampleArray& samples,
                                       QRgb color) {
  const std::int32_t z = ZeroOffset(in);
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = ClampRow(SampleRow(samples[i], z));
  if (smooth) {
    smooth->Draw(canvas, scale, kFirstColumn, rows, color);
  } else {
    canvas.Polyline(kFirstColumn, rows, color);
  }
}

void TPlotRenderer::Impl::DrawMarker(Canvas& canvas, const PlotInputs& in, TextCache& text) {
  const std::int32_t v = in.VisirValue;
  Crossings at;
  if (in.SweepRunning && in.Mode != PlotMode::Analyser) {
    // The bitmap finds the curve by its pixels; a picture at another ratio
    // has other pixels, and reads the bitmap's columns from the curve's rows.
    at = scale.Unscaled() ? FindCrossings(image, v, in.CurveColor) : CurveCrossings(kFirstColumn, rows, v);
  }
  readout = MarkerReadoutFor(in, at);

  // The crossing frequencies stand on a tooltip-coloured box below the line.
  // Crossings are only found on a row of the bitmap, where v + 2 cannot overflow.
  const bool crossed = at.LeftColumn >= 0 || at.RightColumn >= 0;
  const int boxTop = crossed ? scale.Edge(v + 2) : 0;
  if (!readout.LeftText.isEmpty()) {
    const int width = text.Width(readout.LeftText);
    const int left = scale.Edge(at.LeftColumn - kCrossingGap) - width;
    canvas.FillRect(QRect(left, boxTop, width, text.Height()), in.TooltipBaseColor);
    text.Draw(canvas, left, boxTop, readout.LeftText, in.TooltipTextColor);
  }
  if (!readout.RightText.isEmpty()) {
    const int left = scale.Edge(at.RightColumn + kCrossingGap);
    canvas.FillRect(QRect(left, boxTop, text.Width(readout.RightText), text.Height()), in.TooltipBaseColor);
    text.Draw(canvas, left, boxTop, readout.RightText, in.TooltipTextColor);
  }

  DrawPlotLine(canvas, scale, Qt::Horizontal, kFirstColumn, kLastColumn, v, kMarkerColor, false);

  if (!in.SweepRunning) return;
  const int top = scale.Edge(kZeroDbRow);
  text.Draw(canvas, scale.Edge(kPlotWidth - kHeadlineRight) - text.Width(readout.Headline), top,
            readout.Headline, kReadoutColor);
  const int left = scale.Edge(kReadoutLeft);
  const int lineHeight = text.Height();
  text.Draw(canvas, left, top, readout.MinText, kReadoutColor);
  text.Draw(canvas, left, top + lineHeight, readout.MaxText, kReadoutColor);
  text.Draw(canvas, left, top + 2 * lineHeight, readout.CentreText, kReadoutColor);
  text.Draw(canvas, left, top + 3 * lineHeight, readout.QText, kReadoutColor);
}

void TPlotRenderer::Impl::DrawSweep(const PlotInputs& in) {
  if (!gridKey || !(*gridKey == GridKeyOf(in))) BuildGrid(in);
  damage.Restore(image, grid);
  readout = {};
  Canvas canvas(image, &damage);
  // Under the curves: the marker finds the live curve by its pixels.
  DrawFlatnessMark(canvas, in);
  // Under the live curve, which is drawn over them where they meet.
  for (const ReferenceTrace& trace : in.References) DrawPolyline(canvas, in, trace.Samples, trace.Color);
  // Last, so that `rows` holds the live curve's for the marker.
  if (in.SweepRunning) DrawPolyline(canvas, in, in.Samples, in.CurveColor);
  // After the curve: the marker finds the curve by its colour.
  if (in.Visir) DrawMarker(canvas, in, Labels(in.FontPointSize));
}

TPlotRenderer::TPlotRenderer(double ratio) : impl_(std::make_unique<Impl>(ratio)) {}
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
double TPlotRenderer::Ratio() const {
  return impl_->scale.Ratio();
}

QImage RenderPlot(const PlotInputs& in, double ratio) {
  TPlotRenderer renderer(ratio);
  renderer.Render(in);
  return renderer.Image().copy();
}

}  // namespace virn::display
