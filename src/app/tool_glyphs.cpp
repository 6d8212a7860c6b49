#include "app/tool_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <map>

namespace virn::app {

namespace {

constexpr int kSize = 16;

void DrawPrinter(QPainter& p) {
  p.setBrush(Qt::white);
  p.drawRect(4, 1, 8, 5);
  p.setBrush(QColor(0xA0, 0xA0, 0xA0));
  p.drawRect(1, 6, 14, 6);
  p.setBrush(Qt::white);
  p.drawRect(4, 10, 8, 5);
}

void DrawSave(QPainter& p) {
  p.setBrush(QColor(0x30, 0x50, 0xA0));
  p.drawRect(1, 1, 14, 14);
  p.setBrush(Qt::white);
  p.drawRect(4, 1, 8, 5);
  p.setBrush(QColor(0xC0, 0xC0, 0xC0));
  p.drawRect(4, 9, 8, 6);
}

void DrawLinear(QPainter& p) {
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(2, 14, 14, 14);
  p.drawLine(2, 2, 2, 14);
  p.setPen(QPen(Qt::red, 2));
  p.drawLine(3, 13, 14, 3);
}

void DrawMarker(QPainter& p) {
  p.setPen(QPen(Qt::red, 1));
  QPainterPath curve;
  curve.moveTo(1, 14);
  curve.cubicTo(5, 14, 5, 2, 8, 2);
  curve.cubicTo(11, 2, 11, 14, 15, 14);
  p.drawPath(curve);
  p.setPen(QPen(QColor(0x00, 0x90, 0x00), 1));
  p.drawLine(0, 8, 15, 8);
}

void DrawOptions(QPainter& p) {
  p.setBrush(QColor(0x80, 0x80, 0x80));
  p.drawEllipse(QPointF(8, 8), 6, 6);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(8, 8), 2.5, 2.5);
}

void DrawText(QPainter& p, const QString& text, const QColor& colour) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(text.size() > 2 ? 7 : 10);
  font.setBold(true);
  p.setFont(font);
  p.setPen(colour);
  p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
}

void DrawSweep(QPainter& p) {
  p.setPen(QPen(QColor(0x00, 0x60, 0xC0), 1));
  QPainterPath wave;
  wave.moveTo(1, 8);
  for (int x = 1; x <= 15; ++x) wave.lineTo(x, 8 + ((x % 4 < 2) ? -4 : 4) * (15 - x) / 14.0);
  p.drawPath(wave);
}

void DrawGenerator(QPainter& p) {
  p.setPen(QPen(QColor(0x00, 0x90, 0x00), 1));
  QPainterPath wave;
  wave.moveTo(1, 8);
  wave.cubicTo(3, 1, 5, 1, 8, 8);
  wave.cubicTo(11, 15, 13, 15, 15, 8);
  p.drawPath(wave);
}

void DrawAnalyser(QPainter& p) {
  p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 1));
  const int heights[] = {3, 9, 5, 12, 4, 7, 2};
  for (int i = 0; i < 7; ++i) p.drawLine(2 + 2 * i, 14, 2 + 2 * i, 14 - heights[i]);
}

void DrawHelp(QPainter& p) {
  p.setBrush(QColor(0x20, 0x60, 0xC0));
  p.drawEllipse(1, 1, 14, 14);
  DrawText(p, QStringLiteral("?"), Qt::white);
}

void DrawExit(QPainter& p) {
  p.setBrush(QColor(0xE0, 0xE0, 0xE0));
  p.drawRect(2, 1, 8, 14);
  p.setPen(QPen(QColor(0xC0, 0x00, 0x00), 2));
  p.drawLine(7, 8, 15, 8);
  p.drawLine(12, 5, 15, 8);
  p.drawLine(12, 11, 15, 8);
}

void DrawStart(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x00, 0x90, 0x00));
  p.drawPolygon(QPolygon({QPoint(4, 2), QPoint(13, 8), QPoint(4, 14)}));
}

void DrawStop(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xC0, 0x00, 0x00));
  p.drawRect(3, 3, 10, 10);
}

void DrawPause(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x20, 0x40, 0xA0));
  p.drawRect(3, 3, 4, 10);
  p.drawRect(9, 3, 4, 10);
}

}  // namespace

QIcon ToolGlyph(const QString& buttonName) {
  static const std::map<QString, std::function<void(QPainter&)>> painters = {
      {QStringLiteral("mnuPrint"), DrawPrinter},
      {QStringLiteral("mnuSave"), DrawSave},
      {QStringLiteral("mnuLinear"), DrawLinear},
      {QStringLiteral("mnuVisir"), DrawMarker},
      {QStringLiteral("mnuOption"), DrawOptions},
      {QStringLiteral("mnuCorrFreq"), [](QPainter& p) { DrawText(p, QStringLiteral("F"), Qt::darkBlue); }},
      {QStringLiteral("mnuCaOut"), [](QPainter& p) { DrawText(p, QStringLiteral("дБ"), Qt::darkBlue); }},
      {QStringLiteral("mnuSwipMode"), DrawSweep},
      {QStringLiteral("mnuGenMode"), DrawGenerator},
      {QStringLiteral("mnuAnaliserMode"), DrawAnalyser},
      {QStringLiteral("ToolButton6"), DrawHelp},
      {QStringLiteral("ToolButton1"), DrawExit},
      {QStringLiteral("KlSpeedButton1"), DrawStart},
      {QStringLiteral("KlSpeedButton2"), DrawStop},
      {QStringLiteral("KlSpeedButton3"), DrawPause},
  };
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  const auto it = painters.find(buttonName);
  if (it != painters.end()) {
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    it->second(painter);
  }
  return QIcon(pixmap);
}

}  // namespace virn::app
