// A level curve on a screen of more than one device pixel per plot pixel: an
// antialiased line one plot pixel wide through the centres of the curve's
// points, where the bitmap draws its one-pixel staircase.
#pragma once

#include <QRgb>
#include <cstdint>
#include <span>
#include <vector>

#include "display/device_scale.h"
#include "display/raster.h"

namespace virn::display {

class SmoothCurve {
 public:
  // Draws the line through the points (firstColumn + i, rows[i]) in plot
  // pixels onto a canvas of the scale's picture size.
  void Draw(Canvas& canvas, const DeviceScale& scale, int firstColumn, std::span<const int> rows, QRgb color);

 private:
  // Covers rows top..bottom of device column x with the line's extent
  // [low, high] across the column, combined with what is there.
  void Cover(int x, int top, int bottom, double low, double high);
  void Segment(double x0, double y0, double x1, double y1, double halfWidth);

  int width_ = 0;
  int height_ = 0;
  // Coverage 0..255 per device pixel, column by column; zero between draws.
  std::vector<std::uint8_t> coverage_;
  // Rows touched per device column; top > bottom where none.
  std::vector<int> top_;
  std::vector<int> bottom_;
};

}  // namespace virn::display
