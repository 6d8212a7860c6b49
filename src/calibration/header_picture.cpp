#include "calibration/header_picture.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace virn::calibration {

namespace {

QPixmap Blank() {
  QPixmap picture(kHeaderPictureSize, kHeaderPictureSize);
  picture.fill(Qt::transparent);
  return picture;
}

void DrawDisplay(QPainter& p, const QRectF& box, const QString& text) {
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
  p.setBrush(QColor(0x10, 0x28, 0x18));
  p.drawRoundedRect(box, 3, 3);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(10);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(0x40, 0xF0, 0x70));
  p.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

QPixmap FrequencyCalibrationPicture() {
  QPixmap picture = Blank();
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  // Two periods of a sine wave over the counter that measures it.
  QPainterPath wave;
  for (int x = 4; x <= 53; ++x) {
    const double y = 17 - 11 * std::sin((x - 4) * 2 * std::numbers::pi / 24.5);
    if (x == 4) {
      wave.moveTo(x, y);
    } else {
      wave.lineTo(x, y);
    }
  }
  p.setPen(QPen(QColor(0x20, 0x50, 0xC0), 2));
  p.drawPath(wave);
  DrawDisplay(p, QRectF(2.5, 34.5, 52, 20), QStringLiteral("45.000"));
  return picture;
}

QPixmap LevelCalibrationPicture() {
  QPixmap picture = Blank();
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  // A meter face with its scale and needle.
  const QPointF pivot(28.5, 38);
  p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
  p.setBrush(QColor(0xFF, 0xF8, 0xE0));
  p.drawRoundedRect(QRectF(2.5, 2.5, 52, 40), 4, 4);
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
  for (int i = 0; i <= 8; ++i) {
    const double angle = std::numbers::pi * (0.8 - 0.6 * i / 8.0);
    const QPointF dir(std::cos(angle), -std::sin(angle));
    p.drawLine(pivot + dir * 24, pivot + dir * (i % 4 == 0 ? 30 : 27));
  }
  const double needle = std::numbers::pi * 0.35;
  p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 2));
  p.drawLine(pivot, pivot + QPointF(std::cos(needle), -std::sin(needle)) * 28);
  DrawDisplay(p, QRectF(10.5, 44.5, 36, 12), QStringLiteral("0 dB"));
  return picture;
}

}  // namespace virn::calibration
