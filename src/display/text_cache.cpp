#include "display/text_cache.h"

#include <QPainter>
#include <algorithm>

namespace virn::display {

namespace {
// Texts that change with every sweep (crossings, bandwidth) would let the
// cache grow without end; past either limit it starts again.
constexpr qsizetype kMaxEntries = 2048;
constexpr qsizetype kMaxSpriteBytes = 4 * 1024 * 1024;
constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;
// Room around the measured ink for antialiased edges and overhangs.
constexpr int kInkMargin = 2;

// Cuts the empty rows and columns around the ink off a sprite, so that drawing
// it touches only the text's own pixels.
void TrimToInk(TextCache::Sprite& sprite) {
  const QImage& image = sprite.image;
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) {
    sprite.image = QImage();
    return;
  }
  sprite.image = image.copy(left, top, right - left + 1, bottom - top + 1);
  sprite.offset += QPoint(left, top);
}

}  // namespace

int PointsToPixels(int points) {
  return (points * kScreenDpi + kPointsPerInch / 2) / kPointsPerInch;
}

QFont PlotFont(int points) {
  return PlotFontOfPixels(PointsToPixels(points));
}

QFont PlotFontOfPixels(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, pixels));
  return font;
}

TextCache::TextCache(const QFont& font) : font_(font), metrics_(font), height_(metrics_.height()) {}

TextCache::Entry& TextCache::Get(const QString& text) {
  auto it = entries_.find(text);
  if (it != entries_.end()) return *it;
  if (entries_.size() >= kMaxEntries || spriteBytes_ >= kMaxSpriteBytes) {
    entries_.clear();
    spriteBytes_ = 0;
  }
  Entry entry;
  entry.width = metrics_.horizontalAdvance(text);
  return *entries_.insert(text, entry);
}

TextCache::Sprite TextCache::MakeSprite(const QString& text, int width, QRgb color) const {
  // Relative to the baseline origin: the ink, and the whole line cell.
  const QRect cell(0, -metrics_.ascent(), width, height_);
  const QRect box =
      metrics_.boundingRect(text).united(cell).adjusted(-kInkMargin, -kInkMargin, kInkMargin, kInkMargin);
  Sprite sprite;
  sprite.color = color;
  sprite.image = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
  sprite.image.fill(Qt::transparent);
  sprite.offset = QPoint(box.left(), box.top() + metrics_.ascent());
  QPainter painter(&sprite.image);
  painter.setFont(font_);
  painter.setPen(QColor::fromRgb(color));
  painter.drawText(QPoint(-box.left(), -box.top()), text);
  painter.end();
  TrimToInk(sprite);
  sprite.ink = InkRuns(sprite.image);
  return sprite;
}

int TextCache::Width(const QString& text) {
  return text.isEmpty() ? 0 : Get(text).width;
}

void TextCache::Draw(Canvas& canvas, int x, int y, const QString& text, QRgb color) {
  if (text.isEmpty()) return;
  Entry& entry = Get(text);
  auto sprite = std::find_if(entry.sprites.begin(), entry.sprites.end(),
                             [color](const Sprite& s) { return s.color == color; });
  if (sprite == entry.sprites.end()) {
    entry.sprites.push_back(MakeSprite(text, entry.width, color));
    sprite = entry.sprites.end() - 1;
    spriteBytes_ += sprite->image.sizeInBytes() + static_cast<qsizetype>(sprite->ink.size() * sizeof(InkRun));
  }
  canvas.Blend(sprite->image, sprite->ink, x + sprite->offset.x(), y + sprite->offset.y());
}

std::shared_ptr<TextCaches> TextCaches::Shared() {
  static std::weak_ptr<TextCaches> current;
  std::shared_ptr<TextCaches> caches = current.lock();
  if (!caches) {
    caches = std::make_shared<TextCaches>();
    current = caches;
  }
  return caches;
}

TextCache& TextCaches::ForPoints(int points) {
  return ForPixels(PointsToPixels(points));
}

TextCache& TextCaches::ForPixels(int pixels) {
  pixels = std::max(1, pixels);
  auto it = byPixelSize_.find(pixels);
  if (it == byPixelSize_.end()) it = byPixelSize_.try_emplace(pixels, PlotFontOfPixels(pixels)).first;
  return it->second;
}

}  // namespace virn::display
