#include "display/raster.h"

#include <algorithm>
#include <cstring>

namespace virn::display {

namespace {

constexpr int kDotOn = 3;
constexpr int kDotPeriod = 6;

bool DotOn(int t) {
  return t % kDotPeriod < kDotOn;
}

// Each channel of an opaque pixel times a / 255, rounded; two channels at a time.
QRgb ByteMul(QRgb x, std::uint32_t a) {
  std::uint32_t t = (x & 0xFF00FFu) * a;
  t = ((t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
  x = ((x >> 8) & 0xFF00FFu) * a;
  x = (x + ((x >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
  return x | t;
}

}  // namespace

Damage::Damage(int width, int height)
    : width_(width),
      height_(height),
      spanTop_(static_cast<std::size_t>(width), std::int16_t{1}),
      spanBottom_(static_cast<std::size_t>(width), std::int16_t{0}),
      firstColumn_(width) {}

void Damage::AddRect(const QRect& rect) {
  const QRect clipped = rect & QRect(0, 0, width_, height_);
  if (!clipped.isEmpty()) rects_.push_back(clipped);
}

void Damage::AddColumnSpan(int x, int top, int bottom) {
  if (x < 0 || x >= width_) return;
  top = std::max(top, 0);
  bottom = std::min(bottom, height_ - 1);
  if (top > bottom) return;
  const auto i = static_cast<std::size_t>(x);
  if (spanTop_[i] > spanBottom_[i]) {
    spanTop_[i] = static_cast<std::int16_t>(top);
    spanBottom_[i] = static_cast<std::int16_t>(bottom);
  } else {
    spanTop_[i] = std::min(spanTop_[i], static_cast<std::int16_t>(top));
    spanBottom_[i] = std::max(spanBottom_[i], static_cast<std::int16_t>(bottom));
  }
  firstColumn_ = std::min(firstColumn_, x);
  lastColumn_ = std::max(lastColumn_, x);
}

void Damage::Clear() {
  all_ = false;
  rects_.clear();
  for (int x = firstColumn_; x <= lastColumn_; ++x) {
    spanTop_[static_cast<std::size_t>(x)] = 1;
    spanBottom_[static_cast<std::size_t>(x)] = 0;
  }
  firstColumn_ = width_;
  lastColumn_ = -1;
}

void Damage::Restore(QImage& image, const QImage& clean) {
  if (all_) {
    std::memcpy(image.bits(), clean.constBits(), static_cast<std::size_t>(clean.sizeInBytes()));
    Clear();
    return;
  }
  const qsizetype stride = image.bytesPerLine();
  uchar* dst = image.bits();
  const uchar* src = clean.constBits();
  for (const QRect& r : rects_) {
    const qsizetype offset = static_cast<qsizetype>(r.left()) * 4;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      std::memcpy(dst + y * stride + offset, src + y * stride + offset,
                  static_cast<std::size_t>(r.width()) * 4);
    }
  }
  for (int x = firstColumn_; x <= lastColumn_; ++x) {
    const auto i = static_cast<std::size_t>(x);
    for (int y = spanTop_[i]; y <= spanBottom_[i]; ++y) {
      reinterpret_cast<QRgb*>(dst + y * stride)[x] = reinterpret_cast<const QRgb*>(src + y * stride)[x];
    }
  }
  Clear();
}

Canvas::Canvas(QImage& image, Damage* damage)
    : image_(image),
      bits_(reinterpret_cast<QRgb*>(image.bits())),
      stride_(static_cast<int>(image.bytesPerLine() / 4)),
      width_(image.width()),
      height_(image.height()),
      damage_(damage) {}

void Canvas::Fill(QRgb color) {
  // The image's own fill is the vectorised one; the image is already unshared,
  // so the pixels stay where bits_ points.
  image_.fill(color | 0xFF000000u);
  if (damage_ != nullptr) damage_->SetAll();
}

void Canvas::HorizontalLine(int x0, int x1, int y, QRgb color, bool dotted) {
  if (y < 0 || y >= height_ || x0 == x1) return;
  color |= 0xFF000000u;
  const int step = x1 > x0 ? 1 : -1;
  QRgb* line = Line(y);
  for (int x = x0, t = 0; x != x1; x += step, ++t) {
    if (x >= 0 && x < width_ && (!dotted || DotOn(t))) line[x] = color;
  }
  if (damage_ != nullptr)
    damage_->AddRect(QRect(QPoint(std::min(x0, x1 - step), y), QPoint(std::max(x0, x1 - step), y)));
}

void Canvas::VerticalLine(int x, int y0, int y1, QRgb color, bool dotted) {
  if (x < 0 || x >= width_ || y0 == y1) return;
  color |= 0xFF000000u;
  const int step = y1 > y0 ? 1 : -1;
  for (int y = y0, t = 0; y != y1; y += step, ++t) {
    if (y >= 0 && y < height_ && (!dotted || DotOn(t))) Line(y)[x] = color;
  }
  if (damage_ != nullptr) damage_->AddColumnSpan(x, std::min(y0, y1 - step), std::max(y0, y1 - step));
}

void Canvas::FillRect(const QRect& rect, QRgb color) {
  const QRect r = rect & QRect(0, 0, width_, height_);
  if (r.isEmpty()) return;
  color |= 0xFF000000u;
  for (int y = r.top(); y <= r.bottom(); ++y) std::fill_n(Line(y) + r.left(), r.width(), color);
  if (damage_ != nullptr) damage_->AddRect(r);
}

void Canvas::Polyline(int firstX, std::span<const int> rows, QRgb color) {
  color |= 0xFF000000u;
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
    const int x = firstX + static_cast<int>(i);
    if (x + 1 < 0 || x >= width_) continue;
    const int y0 = rows[i];
    const int dy = rows[i + 1] - y0;
    if (dy == 0) {
      Plot(x, y0, color);
      if (damage_ != nullptr) damage_->AddColumnSpan(x, y0, y0);
      continue;
    }
    const int n = dy > 0 ? dy : -dy;
    const int s = dy > 0 ? 1 : -1;
    const int split = (n + 1) / 2;  // the first k with 2k >= n goes to the next column
    // Only the k whose rows lie on the image.
    const int kFirst = s > 0 ? std::max(0, -y0) : std::max(0, y0 - (height_ - 1));
    const int kLast = s > 0 ? std::min(n - 1, height_ - 1 - y0) : std::min(n - 1, y0);
    for (int k = kFirst; k <= kLast; ++k) Plot(k < split ? x : x + 1, y0 + k * s, color);
    if (damage_ != nullptr && kFirst <= kLast) {
      const int ownLast = std::min(kLast, split - 1);
      if (kFirst <= ownLast) {
        damage_->AddColumnSpan(x, std::min(y0 + kFirst * s, y0 + ownLast * s),
                               std::max(y0 + kFirst * s, y0 + ownLast * s));
      }
      const int nextFirst = std::max(kFirst, split);
      if (nextFirst <= kLast) {
        damage_->AddColumnSpan(x + 1, std::min(y0 + nextFirst * s, y0 + kLast * s),
                               std::max(y0 + nextFirst * s, y0 + kLast * s));
      }
    }
  }
}

std::vector<InkRun> InkRuns(const QImage& sprite) {
  std::vector<InkRun> runs;
  for (int row = 0; row < sprite.height(); ++row) {
    const auto* line = reinterpret_cast<const QRgb*>(sprite.constScanLine(row));
    for (int x = 0; x < sprite.width();) {
      if (qAlpha(line[x]) == 0) {
        ++x;
        continue;
      }
      const int first = x;
      while (x < sprite.width() && qAlpha(line[x]) != 0) ++x;
      runs.push_back({row, first, x - first});
    }
  }
  return runs;
}

void Canvas::Blend(const QImage& sprite, std::span<const InkRun> runs, int x, int y) {
  const QRect target = QRect(x, y, sprite.width(), sprite.height()) & QRect(0, 0, width_, height_);
  if (target.isEmpty()) return;
  for (const InkRun& run : runs) {
    const int row = y + run.row;
    if (row < target.top() || row > target.bottom()) continue;
    const int first = std::max(x + run.first, target.left());
    const int last = std::min(x + run.first + run.count - 1, target.right());
    const auto* src = reinterpret_cast<const QRgb*>(sprite.constScanLine(run.row)) + (first - x);
    QRgb* dst = Line(row);
    for (int i = first; i <= last; ++i, ++src) {
      const std::uint32_t a = qAlpha(*src);
      dst[i] = a == 0xFF ? *src : (*src + ByteMul(dst[i], 255 - a)) | 0xFF000000u;
    }
  }
  if (damage_ != nullptr) damage_->AddRect(target);
}

void Canvas::BlendColumn(int x, int top, std::span<const std::uint8_t> coverage, QRgb color) {
  if (x < 0 || x >= width_) return;
  const int first = std::max(top, 0);
  const int last = std::min(top + static_cast<int>(coverage.size()), height_) - 1;
  if (first > last) return;
  color |= 0xFF000000u;
  for (int y = first; y <= last; ++y) {
    const std::uint32_t a = coverage[static_cast<std::size_t>(y - top)];
    if (a == 0) continue;
    QRgb& dst = Line(y)[x];
    dst = a == 0xFF ? color : (ByteMul(color, a) + ByteMul(dst, 255 - a)) | 0xFF000000u;
  }
  if (damage_ != nullptr) damage_->AddColumnSpan(x, first, last);
}

}  // namespace virn::display
