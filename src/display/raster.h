// Pixel operations on an opaque 32-bit image: the dotted and solid lines, the
// curve and the text boxes of the plot, written straight into the image, with
// a record of what they covered so that the next redraw can restore just that.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace virn::display {

// The pixels a redraw has drawn over the grid layer.
class Damage {
 public:
  explicit Damage(int width = 0, int height = 0);

  void AddRect(const QRect& rect);                 // clipped to the image
  void AddColumnSpan(int x, int top, int bottom);  // rows top..bottom of column x, clipped
  void SetAll() { all_ = true; }
  bool All() const { return all_; }
  void Clear();

  // Copies every damaged pixel from `clean` back into `image` and clears.
  void Restore(QImage& image, const QImage& clean);

 private:
  int width_;
  int height_;
  bool all_ = true;  // nothing is known of a fresh image
  std::vector<QRect> rects_;
  std::vector<std::int16_t> spanTop_;  // per column; top > bottom when clean
  std::vector<std::int16_t> spanBottom_;
  int firstColumn_;  // range of columns with a span, empty when first > last
  int lastColumn_ = -1;
};

// The pixels of a premultiplied sprite that are not transparent, as runs along
// its rows: text is mostly the empty space between strokes, and composing only
// the runs skips it.
struct InkRun {
  int row = 0;
  int first = 0;
  int count = 0;
};
std::vector<InkRun> InkRuns(const QImage& sprite);

// A view of an RGB32 or ARGB32_Premultiplied image's pixels that draws opaque.
class Canvas {
 public:
  // The image must stay alive and unshared while the canvas is used.
  Canvas(QImage& image, Damage* damage = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  QRgb Pixel(int x, int y) const { return Line(y)[x]; }

  void Fill(QRgb color);
  // One-pixel lines from the first point up to, not including, the last, as
  // the platform's line drawing does. Dotted lines go 3 pixels on, 3 off from
  // their first point.
  void HorizontalLine(int x0, int x1, int y, QRgb color, bool dotted);
  void VerticalLine(int x, int y0, int y1, QRgb color, bool dotted);
  void FillRect(const QRect& rect, QRgb color);
  // A connected line through points (firstX + i, rows[i]): each segment from
  // one column to the next runs its first half of rows in its own column and
  // the second half in the next, and leaves its last point to the next
  // segment; the last point itself is not drawn.
  void Polyline(int firstX, std::span<const int> rows, QRgb color);
  // Composes a premultiplied sprite, whose ink lies in `runs`, with its
  // top-left corner at (x, y).
  void Blend(const QImage& sprite, std::span<const InkRun> runs, int x, int y);
  // Composes an opaque colour at coverages 0..255 down column x from row top.
  void BlendColumn(int x, int top, std::span<const std::uint8_t> coverage, QRgb color);

 private:
  QRgb* Line(int y) const { return bits_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  void Plot(int x, int y, QRgb color) {
    if (x >= 0 && x < width_ && y >= 0 && y < height_) Line(y)[x] = color;
  }

  QImage& image_;
  QRgb* bits_;
  int stride_;  // in pixels
  int width_;
  int height_;
  Damage* damage_;
};

}  // namespace virn::display
