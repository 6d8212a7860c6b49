#include "card/qsl_line.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "card/card_colors.h"
#include "card/gdi_shapes.h"

namespace virn::card {

namespace {

bool IsFigureKind(std::uint8_t itemKind) {
  return itemKind != kind::kLabel && itemKind != kind::kDataLabel && itemKind != kind::kImage;
}

}  // namespace

TQSLLine::TQSLLine(std::uint8_t itemKind) : TQSLComponent(itemKind) {
  if (!IsFigureKind(itemKind)) {
    throw std::invalid_argument("ItemKind " + std::to_string(itemKind) + " is not a figure");
  }
}

bool TQSLLine::AcceptsItemKind(std::uint8_t itemKind) const {
  return IsFigureKind(itemKind);
}

void TQSLLine::PaintAt(QPainter& canvas, int x, int y) const {
  const GdiRect r = ItemRect(x, y, Width(), Height());
  const int penWidth = ClampToPaintLimit(PenWidth());
  const int p = penWidth / 2;
  const PenSpec pen{PenStyle(), penWidth, ColorFromValue(PenColor())};
  const std::optional<QColor> fill =
      FillColor() != color::kNoFill ? std::optional<QColor>(ColorFromValue(FillColor())) : std::nullopt;
  canvas.save();
  PrepareCanvas(canvas);
  canvas.setBrush(Qt::NoBrush);
  switch (ItemKind()) {
    case kind::kHorizontalLine:
      DrawGdiLine(canvas, {r.left, r.top + p}, {r.right, r.top + p}, pen);
      break;
    case kind::kVerticalLine:
      DrawGdiLine(canvas, {r.left + p, r.top}, {r.left + p, r.bottom}, pen);
      break;
    case kind::kRectangle:
      DrawGdiFigure(canvas, Figure::RoundRect, r.Shrunk(p), CornerRadius(), pen, fill);
      break;
    case kind::kEllipse:
      DrawGdiFigure(canvas, Figure::Ellipse, r, 0, pen, fill);
      break;
    default:
      break;
  }
  canvas.restore();
}

}  // namespace virn::card
