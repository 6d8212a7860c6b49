// Texts of one font, laid out and rasterised once and kept between redraws:
// most plot texts repeat from one redraw to the next, and laying a text out
// costs far more than copying its pixels. Keeping them also keeps each text's
// pixels fixed: the same text rasterised again can come out a level or two
// different in its antialiased edges, depending on what the font engine drew
// in between (large glyphs go through outlines whose scaling state the engine
// shares between sizes).
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "display/raster.h"

namespace virn::display {

// Pixel size of a font of the given point size on a 96 dpi screen, rounded as
// the Windows font mapper does: the plot is a fixed-size pixel picture, so its
// text must not grow with the screen's resolution.
int PointsToPixels(int points);

// "Arial" at a point size, in pixels.
QFont PlotFont(int points);
// "Arial" at a pixel size.
QFont PlotFontOfPixels(int pixels);

class TextCache {
 public:
  explicit TextCache(const QFont& font);

  const QFont& Font() const { return font_; }
  // Height of one line of text, ascent plus descent.
  int Height() const { return height_; }
  // Advance width of the text in whole pixels.
  int Width(const QString& text);
  // Draws the text with the top-left corner of its line at (x, y), on a
  // transparent background.
  void Draw(Canvas& canvas, int x, int y, const QString& text, QRgb color);

  // A text's pixels in one colour.
  struct Sprite {
    QRgb color = 0;
    QImage image;   // premultiplied coverage in the colour
    QPoint offset;  // of the image's top-left from the line's top-left
    std::vector<InkRun> ink;
  };

 private:
  struct Entry {
    int width = 0;
    std::vector<Sprite> sprites;  // one per colour the text has been drawn in
  };
  Entry& Get(const QString& text);
  Sprite MakeSprite(const QString& text, int width, QRgb color) const;

  QFont font_;
  QFontMetrics metrics_;
  int height_;
  QHash<QString, Entry> entries_;
  qsizetype spriteBytes_ = 0;
};

// The text caches of every size, shared by all renderers alive at the same
// time, so that they all draw any text with the same pixels. Use from one
// thread only, the one that draws.
class TextCaches {
 public:
  // The set in use, or a new one when no holder is left.
  static std::shared_ptr<TextCaches> Shared();
  // "Arial" at a point size.
  TextCache& ForPoints(int points);
  // "Arial" at a pixel size.
  TextCache& ForPixels(int pixels);

 private:
  std::map<int, TextCache> byPixelSize_;
};

}  // namespace virn::display
