// Pictures and pixel helpers shared by the card tests.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

#include "card/qsl_card.h"

namespace virn::card::testing {

inline constexpr QRgb kWhite = 0xFFFFFFFF;
inline constexpr QRgb kBlack = 0xFF000000;
inline constexpr QRgb kGrey = 0xFF808080;

inline QRgb At(const QImage& image, int x, int y) {
  return image.pixel(x, y) | 0xFF000000u;
}

// A picture in which every pixel differs from its neighbours.
inline QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
  }
  return image;
}

inline QImage Blank(int width, int height, QRgb color = kWhite) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

inline QImage PaintCard(const TQSLCard& card, bool includeDataLabels = true) {
  QImage image = Blank(card.Width(), card.Height(), 0xFF123456);
  QPainter painter(&image);
  card.PaintTo(painter, includeDataLabels);
  return image;
}

// The item painted at its own place on a white canvas.
inline QImage PaintItem(const TQSLComponent& item, int width = 200, int height = 120) {
  QImage image = Blank(width, height);
  QPainter painter(&image);
  item.PaintAt(painter, item.Left(), item.Top());
  return image;
}

// Bounding box of the pixels in `area` (the whole image by default) that are not `background`.
inline QRect InkBox(const QImage& image, QRect area = {}, QRgb background = kWhite) {
  if (area.isNull()) area = image.rect();
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (At(image, x, y) != background) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

inline int CountColor(const QImage& image, QRgb color, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) n += At(image, x, y) == color ? 1 : 0;
  }
  return n;
}

}  // namespace virn::card::testing
