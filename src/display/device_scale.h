// The plot on a screen of any device pixel ratio. The picture keeps its
// geometry in plot pixels (455 x 281 of them, columns and rows as every readout
// counts them) and draws each plot pixel as the device pixels that lie in it,
// so that a picture at ratio 1 is the plot bitmap itself and one at ratio 2 the
// same picture drawn with four times the pixels.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRgb>
#include <QSize>
#include <cstdint>

#include "display/raster.h"

namespace virn::display {

// Ratios beyond these are taken as the nearest of them: the picture must stay
// a few megabytes at most.
inline constexpr double kMinDeviceRatio = 0.25;
inline constexpr double kMaxDeviceRatio = 8.0;

class DeviceScale {
 public:
  explicit DeviceScale(double ratio = 1.0);

  double Ratio() const { return ratio_; }
  bool Unscaled() const { return ratio_ == 1.0; }

  // The first device pixel of plot pixel p: device pixel d lies in plot pixel
  // floor(d / ratio), as a pointer there reads. Kept within the int range.
  int Edge(std::int64_t p) const;
  // Centre of plot pixel p in device coordinates.
  double Centre(std::int64_t p) const { return (static_cast<double>(p) + 0.5) * ratio_; }
  // Width of a one-pixel line in device pixels: the ratio rounded down, one
  // device pixel below 2, so that a line never leaves its plot pixel.
  int LineWidth() const { return lineWidth_; }
  // A length in plot pixels, such as a font's pixel size, in device pixels.
  int Pixels(int plotPixels) const;
  // The picture: the device pixels of the 455 x 281 plot pixels.
  QSize ImageSize() const;

 private:
  double ratio_;
  int lineWidth_;
};

// A line of the plot, one plot pixel wide, from plot pixel `from` up to, not
// including, `to` along a row (horizontal) or a column, at plot pixel `at`
// across it. Dotted lines go 3 plot pixels on, 3 off from their first pixel.
// At ratio 1 these are the bitmap's one-pixel lines.
void DrawPlotLine(Canvas& canvas, const DeviceScale& scale, Qt::Orientation along, int from, int to,
                  std::int64_t at, QRgb color, bool dotted);

// The plot pixel under a pointer at `position` in plot coordinates, as the
// window gets it on a screen of any ratio: the pixel the position lies in.
QPoint PlotCell(const QPointF& position);

}  // namespace virn::display
