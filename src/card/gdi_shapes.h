// Figures drawn on a QPainter with the pixel coverage of the platform's
// drawing calls that the card's algorithms are written against: rectangles
// whose right and bottom edges are exclusive, outlines centred on the pixels
// just inside them, line ends left out, the platform's dash lengths.
#pragma once

#include <QColor>
#include <QPainter>
#include <cstdint>
#include <optional>

namespace virn::card {

// Item geometry is 32-bit; anything beyond this is off every canvas, and Qt's
// rasteriser works in 26.6 fixed point, so painting clamps to it.
inline constexpr int kPaintLimit = 1 << 22;
int ClampToPaintLimit(std::int64_t value);

// A rectangle as the platform gives it: right and bottom are one past the last
// pixel; they may lie left of or above left and top.
struct GdiRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  GdiRect Moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  GdiRect Shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
  GdiRect Normalized() const;
  QRect ToQRect() const;  // normalized
};

// The rectangle (x, y, x + width, y + height) with every value clamped.
GdiRect ItemRect(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height);

struct PenSpec {
  std::uint8_t style = 0;  // PenStyle
  int width = 1;
  QColor color = Qt::black;
};

// The Qt pen for a PenStyle: 5 clear gives NoPen, any unknown style solid. As
// on the platform, dashes and dots exist only on one-pixel pens; wider ones are solid.
QPen MakePen(const PenSpec& spec);

void FillGdiRect(QPainter& canvas, const GdiRect& rect, const QColor& color);

enum class Figure { Rectangle, RoundRect, Ellipse };

// A rectangle, a rectangle with corners rounded by ellipses of both axes
// `cornerAxes`, or the ellipse in `rect`: outline in the pen, inside filled
// when `fill` is given. An inside-frame pen keeps the outline inside `rect`.
void DrawGdiFigure(QPainter& canvas, Figure figure, const GdiRect& rect, int cornerAxes, const PenSpec& pen,
                   const std::optional<QColor>& fill);

// A horizontal or vertical line from `from` towards `to`; a one-pixel pen
// leaves `to` itself out, a wider pen has round ends centred on both points.
void DrawGdiLine(QPainter& canvas, QPoint from, QPoint to, const PenSpec& pen);

}  // namespace virn::card
