#include "card/gdi_text.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>
#include <cstdlib>

namespace virn::card {

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kDefaultDpi = 96;
constexpr int kTabStopChars = 8;

// (a * b + c / 2) / c for positive values, as the platform's MulDiv rounds.
int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
  return static_cast<int>(std::min<std::int64_t>((a * b + c / 2) / c, kMaxFontPixels));
}

QStringList SplitLines(const QString& text) {
  QStringList lines;
  QString line;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == u'\r' || c == u'\n') {
      lines.push_back(line);
      line.clear();
      if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
    } else {
      line += c;
    }
  }
  lines.push_back(line);
  return lines;
}

// A line cut at its tabs, each piece with its offset from the line's start.
struct Piece {
  QString text;
  int offset = 0;
};

struct LaidLine {
  std::vector<Piece> pieces;
  int width = 0;
};

LaidLine LayOut(const QString& line, const QFontMetrics& metrics, bool expandTabs) {
  LaidLine laid;
  if (!expandTabs) {
    laid.pieces.push_back({line, 0});
    laid.width = metrics.horizontalAdvance(line);
    return laid;
  }
  const int tabWidth = std::max(1, kTabStopChars * metrics.averageCharWidth());
  const QStringList parts = line.split(u'\t');
  int x = 0;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0) x = (x / tabWidth + 1) * tabWidth;
    laid.pieces.push_back({parts.at(i), x});
    x += metrics.horizontalAdvance(parts.at(i));
  }
  laid.width = x;
  return laid;
}

}  // namespace

QFont MakeFont(const ItemFont& font, const QPaintDevice* device) {
  QFont qfont(font.name);
  const int dpi = device != nullptr && device->logicalDpiY() > 0 ? device->logicalDpiY() : kDefaultDpi;
  qfont.setPixelSize(std::max(1, MulDiv(std::abs(std::int64_t{font.size}), dpi, kPointsPerInch)));
  qfont.setBold((font.style & style::kBold) != 0);
  qfont.setItalic((font.style & style::kItalic) != 0);
  qfont.setUnderline((font.style & style::kUnderline) != 0);
  qfont.setStrikeOut((font.style & style::kStrikeOut) != 0);
  return qfont;
}

void DrawGdiText(QPainter& canvas, const QFont& font, const QColor& color, const QString& text,
                 const GdiRect& rect, int format, int rotateDegree) {
  const QRect clip = rect.ToQRect();
  if (text.isEmpty() || clip.isEmpty()) return;
  canvas.save();
  canvas.setClipRect(clip, canvas.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  canvas.setFont(font);
  canvas.setPen(color);
  canvas.setBrush(Qt::NoBrush);
  const QFontMetrics metrics = canvas.fontMetrics();
  const int lineHeight = metrics.height();
  const bool singleLine = (format & dt::kSingleLine) != 0;
  const QStringList lines = singleLine ? QStringList{text} : SplitLines(text);
  int y = rect.top;
  for (const QString& line : lines) {
    const LaidLine laid = LayOut(line, metrics, (format & dt::kExpandTabs) != 0);
    int x = rect.left;
    if ((format & dt::kRight) != 0) {
      x = rect.right - laid.width;
    } else if ((format & dt::kCenter) != 0) {
      x = rect.left + (rect.right - rect.left - laid.width) / 2;
    }
    if (singleLine && (format & dt::kVCenter) != 0) {
      y = rect.top + (rect.bottom - rect.top) / 2 - lineHeight / 2;
    } else if (singleLine && (format & dt::kBottom) != 0) {
      y = rect.bottom - lineHeight;
    }
    const bool last = y + lineHeight > rect.bottom;
    canvas.save();
    canvas.translate(x, y);
    if (rotateDegree != 0) canvas.rotate(-rotateDegree);
    for (const Piece& piece : laid.pieces) {
      if (!piece.text.isEmpty()) canvas.drawText(QPointF(piece.offset, metrics.ascent()), piece.text);
    }
    canvas.restore();
    if (last) break;
    y += lineHeight;
  }
  canvas.restore();
}

}  // namespace virn::card
