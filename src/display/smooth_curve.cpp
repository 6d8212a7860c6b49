#include "display/smooth_curve.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace virn::display {

namespace {

// Just under 256: truncating a coverage times this gives 0..255 in even steps.
constexpr double kOpaque = 255.999;

// Length of [lo, hi] inside the pixel [p, p + 1].
double Overlap(int p, double lo, double hi) {
  return std::min(p + 1.0, hi) - std::max(static_cast<double>(p), lo);
}

int Floor(double v) {
  return static_cast<int>(std::floor(v));
}

// Coverage 0..255 of a device pixel by an extent that covers `amount` of it.
std::uint8_t Coverage(double amount) {
  return static_cast<std::uint8_t>(std::clamp(amount, 0.0, 1.0) * kOpaque);
}

}  // namespace

void SmoothCurve::Cover(int x, int top, int bottom, double low, double high) {
  // Clipped spans may be empty; the rows in between are covered whole.
  if (top > bottom) return;
  std::uint8_t* column = coverage_.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(height_);
  for (int y = top; y <= bottom; ++y) {
    const std::uint8_t value = y > low && y + 1 < high ? std::uint8_t{255} : Coverage(Overlap(y, low, high));
    // Where segments meet they cover the same pixels; the more covering one counts.
    column[y] = std::max(column[y], value);
  }
  const auto i = static_cast<std::size_t>(x);
  top_[i] = std::min(top_[i], top);
  bottom_[i] = std::max(bottom_[i], bottom);
}

// One segment of the line between two points in device coordinates (x1 > x0),
// sampled at the centres of the device pixels along its longer extent, where
// its cross-section across the shorter one covers [centre - h, centre + h].
void SmoothCurve::Segment(double x0, double y0, double x1, double y1, double halfWidth) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  if (std::abs(dy) <= dx) {
    const double slope = dy / dx;
    const double h = halfWidth * std::sqrt(1 + slope * slope);
    const int first = std::max(0, static_cast<int>(std::ceil(x0 - 0.5)));
    const int last = std::min(width_ - 1, Floor(x1 - 0.5));
    for (int x = first; x <= last; ++x) {
      const double centre = y0 + (x + 0.5 - x0) * slope;
      Cover(x, std::max(0, Floor(centre - h)), std::min(height_ - 1, Floor(centre + h)), centre - h,
            centre + h);
    }
    return;
  }
  const double slope = dx / dy;
  const double h = halfWidth * std::sqrt(1 + slope * slope);
  const double low = std::min(y0, y1);
  const double high = std::max(y0, y1);
  const int first = static_cast<int>(std::max(0.0, std::ceil(low - 0.5)));
  const int last = static_cast<int>(std::min(height_ - 1.0, std::floor(high - 0.5)));
  if (first > last) return;
  // Every row's centre lies between x0 and x1.
  const int leftmost = std::max(0, Floor(std::min(x0, x1) - h));
  const int rightmost = std::min(width_ - 1, Floor(std::max(x0, x1) + h));
  for (int y = first; y <= last; ++y) {
    const double centre = x0 + (y + 0.5 - y0) * slope;
    const int left = std::max(leftmost, Floor(centre - h));
    const int right = std::min(rightmost, Floor(centre + h));
    for (int x = left; x <= right; ++x) {
      std::uint8_t& cell = coverage_[static_cast<std::size_t>(x) * static_cast<std::size_t>(height_) +
                                     static_cast<std::size_t>(y)];
      cell = std::max(cell, Coverage(Overlap(x, centre - h, centre + h)));
    }
  }
  for (int x = leftmost; x <= rightmost; ++x) {
    const auto i = static_cast<std::size_t>(x);
    top_[i] = std::min(top_[i], first);
    bottom_[i] = std::max(bottom_[i], last);
  }
}

void SmoothCurve::Draw(Canvas& canvas, const DeviceScale& scale, int firstColumn, std::span<const int> rows,
                       QRgb color) {
  if (canvas.Width() != width_ || canvas.Height() != height_) {
    width_ = canvas.Width();
    height_ = canvas.Height();
    coverage_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    top_.assign(static_cast<std::size_t>(width_), INT_MAX);
    bottom_.assign(static_cast<std::size_t>(width_), -1);
  }
  const double halfWidth = scale.Ratio() / 2;
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
    const int column = firstColumn + static_cast<int>(i);
    Segment(scale.Centre(column), scale.Centre(rows[i]), scale.Centre(column + 1), scale.Centre(rows[i + 1]),
            halfWidth);
  }
  for (int x = 0; x < width_; ++x) {
    const auto i = static_cast<std::size_t>(x);
    if (top_[i] > bottom_[i]) continue;
    const std::span<std::uint8_t> column(
        coverage_.data() + i * static_cast<std::size_t>(height_) + static_cast<std::size_t>(top_[i]),
        static_cast<std::size_t>(bottom_[i] - top_[i] + 1));
    canvas.BlendColumn(x, top_[i], column, color);
    std::fill(column.begin(), column.end(), std::uint8_t{0});
    top_[i] = INT_MAX;
    bottom_[i] = -1;
  }
}

}  // namespace virn::display
