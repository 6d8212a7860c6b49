#include "card/qsl_component.h"

#include <QFontMetrics>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "card/card_colors.h"
#include "card/gdi_shapes.h"
#include "card/gdi_text.h"

namespace virn::card {

namespace {

int HorizontalFormat(TQSLHAlignment alignment) {
  switch (alignment) {
    case qhaRight:
      return dt::kRight;
    case qhaCenter:
      return dt::kCenter;
    case qhaLeft:
      break;
  }
  return dt::kLeft;
}

int VerticalFormat(TQSLVAlignment alignment) {
  switch (alignment) {
    case qvaButtom:
      return dt::kBottom;
    case qvaCenter:
      return dt::kVCenter;
    case qvaTop:
      break;
  }
  return dt::kTop;
}

}  // namespace

TQSLComponent::TQSLComponent(std::uint8_t itemKind, QString caption)
    : itemKind_(itemKind), caption_(std::move(caption)) {}

void TQSLComponent::Change() {
  if (onChange_) onChange_();
}

void TQSLComponent::SetItemKind(std::uint8_t itemKind) {
  if (!AcceptsItemKind(itemKind)) {
    throw std::invalid_argument("ItemKind " + std::to_string(itemKind) + " belongs to another class of item");
  }
  Assign(itemKind_, itemKind);
}

void TQSLComponent::SetBounds(int left, int top, int width, int height) {
  if (width < 0 || height < 0) {
    throw std::invalid_argument("item size " + std::to_string(width) + " x " + std::to_string(height) +
                                " is negative");
  }
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void TQSLComponent::SetPenStyle(std::uint8_t penStyle) {
  if (penStyle > pen::kLast) {
    throw std::invalid_argument("PenStyle " + std::to_string(penStyle) + " is not one of 0 to 6");
  }
  Assign(penStyle_, penStyle);
}

void TQSLComponent::PaintAt(QPainter& canvas, int x, int y) const {
  canvas.save();
  PrepareCanvas(canvas);
  const int cx = ClampToPaintLimit(x);
  const int cy = ClampToPaintLimit(y);
  const int penWidth = ClampToPaintLimit(penWidth_);
  const GdiRect r = ItemRect(cx, cy, width_, height_);
  const std::optional<QColor> fill =
      fillColor_ != color::kNoFill ? std::optional<QColor>(ColorFromValue(fillColor_)) : std::nullopt;
  if (fill && !border_) FillGdiRect(canvas, r, *fill);

  const QFont font = MakeFont(font_, canvas.device());
  GdiRect t = ItemRect(0, 0, width_, height_).Shrunk(penWidth);
  int format = dt::kExpandTabs;
  if (rotateDegree_ == 90) {
    // Upright text runs upwards from T's top; T's bottom of 0 makes the clip
    // rectangle, once normalized, span from the card's top down to it.
    const QFontMetrics metrics(font, canvas.device());
    const int w = metrics.horizontalAdvance(caption_);
    const int h = metrics.height();
    const int d = t.bottom - t.top;
    switch (vAligment_) {
      case qvaTop:
        t.top = d - std::abs(w - d) + penWidth;
        break;
      case qvaButtom:
        t.top = t.bottom - penWidth;
        break;
      case qvaCenter:
        t.top = d - std::abs(w / 2 - d / 2);
        break;
    }
    t.bottom = 0;
    if (hAligment_ == qhaRight) {
      t.left = t.right - h;
    } else if (hAligment_ == qhaCenter) {
      t.left = (t.right - t.left) / 2 - h / 2;
    }
  } else {
    format |= HorizontalFormat(hAligment_) | VerticalFormat(vAligment_);
  }
  t = t.Moved(cx, cy);
  if (vAligment_ != qvaTop) format |= dt::kSingleLine;

  if (border_) {
    DrawGdiFigure(canvas, Figure::RoundRect, r.Shrunk(penWidth / 2), cornerRadius_,
                  {penStyle_, penWidth, ColorFromValue(penColor_)}, fill);
  }
  if (shadow_) {
    DrawGdiText(canvas, font, ColorFromValue(shadowColor_), caption_,
                t.Moved(ClampToPaintLimit(offsetShadowX_), ClampToPaintLimit(offsetShadowY_)), format,
                rotateDegree_);
  }
  DrawGdiText(canvas, font, ColorFromValue(font_.color), caption_, t, format, rotateDegree_);
  canvas.restore();
}

void PrepareCanvas(QPainter& canvas) {
  canvas.setRenderHint(QPainter::Antialiasing, false);
  canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
  canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace virn::card
