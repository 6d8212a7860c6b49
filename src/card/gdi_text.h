// Text drawn into a rectangle as the platform's DrawText call draws it with
// the formats the card uses: horizontal and vertical placement, single line,
// tabs expanded, no word wrap, clipped to the rectangle.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>

#include "card/card_types.h"
#include "card/gdi_shapes.h"

namespace virn::card {

// DrawText format bits.
namespace dt {
inline constexpr int kLeft = 0;
inline constexpr int kCenter = 1;
inline constexpr int kRight = 2;
inline constexpr int kTop = 0;
inline constexpr int kVCenter = 4;
inline constexpr int kBottom = 8;
inline constexpr int kSingleLine = 32;
inline constexpr int kExpandTabs = 64;
}  // namespace dt

// The Qt font of an item font on `device`: points to whole pixels at the
// device's logical resolution, rounded as the platform does, at most
// kMaxFontPixels (larger glyphs would only fill the rasteriser's caches).
inline constexpr int kMaxFontPixels = 4096;
QFont MakeFont(const ItemFont& font, const QPaintDevice* device);

// Draws `text` into `rect` in `color`. Lines break at CR, LF and CR LF unless
// kSingleLine is given; vertical placement other than top applies to a
// single line only. Each line is laid out unrotated; with a rotation (degrees,
// counter-clockwise), it turns about its own top-left corner, as text in a
// font with that escapement does. The rectangle, normalized, clips the text;
// lines after the first that reaches its bottom are left out.
void DrawGdiText(QPainter& canvas, const QFont& font, const QColor& color, const QString& text,
                 const GdiRect& rect, int format, int rotateDegree);

}  // namespace virn::card
