#include "card/gdi_shapes.h"

#include <QPainterPath>
#include <algorithm>

#include "card/card_types.h"

namespace virn::card {

namespace {

// The platform's cosmetic dash lengths in pixels: on, off, ...
QList<qreal> DashPattern(std::uint8_t style) {
  switch (style) {
    case pen::kDash:
      return {18, 6};
    case pen::kDot:
      return {3, 3};
    case pen::kDashDot:
      return {9, 6, 3, 6};
    case pen::kDashDotDot:
      return {9, 3, 3, 3, 3, 3};
    default:
      return {};
  }
}

}  // namespace

int ClampToPaintLimit(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, -kPaintLimit, kPaintLimit));
}

GdiRect GdiRect::Normalized() const {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

QRect GdiRect::ToQRect() const {
  const GdiRect n = Normalized();
  return {n.left, n.top, n.right - n.left, n.bottom - n.top};
}

GdiRect ItemRect(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
  return {ClampToPaintLimit(x), ClampToPaintLimit(y), ClampToPaintLimit(x + width),
          ClampToPaintLimit(y + height)};
}

QPen MakePen(const PenSpec& spec) {
  if (spec.style == pen::kClear) return QPen(Qt::NoPen);
  const int width = std::clamp(spec.width, 1, kPaintLimit);
  QPen qpen(spec.color, width);
  if (width == 1) {
    qpen.setCapStyle(Qt::FlatCap);
    qpen.setJoinStyle(Qt::MiterJoin);
    const QList<qreal> dashes = DashPattern(spec.style);
    if (!dashes.isEmpty()) qpen.setDashPattern(dashes);
  } else {
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
  }
  return qpen;
}

void FillGdiRect(QPainter& canvas, const GdiRect& rect, const QColor& color) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  canvas.fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top), color);
}

void DrawGdiFigure(QPainter& canvas, Figure figure, const GdiRect& rect, int cornerAxes, const PenSpec& pen,
                   const std::optional<QColor>& fill) {
  const GdiRect r = rect.Normalized();
  if (r.right == r.left || r.bottom == r.top) return;
  const QPen qpen = MakePen(pen);
  QRectF shape;
  if (qpen.style() == Qt::NoPen) {
    shape = QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else {
    // The outline runs through the centres of the outermost pixels.
    const qreal inset = pen.style == pen::kInsideFrame ? (qpen.width() - 1) / 2.0 : 0.0;
    shape = QRectF(r.left + 0.5 + inset, r.top + 0.5 + inset, std::max(0.0, r.right - r.left - 1 - 2 * inset),
                   std::max(0.0, r.bottom - r.top - 1 - 2 * inset));
  }
  canvas.setPen(qpen);
  canvas.setBrush(fill ? QBrush(*fill) : QBrush(Qt::NoBrush));
  switch (figure) {
    case Figure::Rectangle:
      canvas.drawRect(shape);
      break;
    case Figure::RoundRect:
      if (cornerAxes > 0) {
        const qreal radius = std::min<qreal>(cornerAxes, kPaintLimit) / 2.0;
        canvas.drawRoundedRect(shape, radius, radius, Qt::AbsoluteSize);
      } else {
        canvas.drawRect(shape);
      }
      break;
    case Figure::Ellipse:
      canvas.drawEllipse(shape);
      break;
  }
}

void DrawGdiLine(QPainter& canvas, QPoint from, QPoint to, const PenSpec& pen) {
  const QPen qpen = MakePen(pen);
  if (qpen.style() == Qt::NoPen || from == to) return;
  canvas.setPen(qpen);
  const QPointF centre(0.5, 0.5);
  if (qpen.width() == 1) {
    canvas.drawLine(from, to);  // Qt's one-pixel lines leave out their last point too
  } else {
    canvas.drawLine(QPointF(from) + centre, QPointF(to) + centre);
  }
}

}  // namespace virn::card
