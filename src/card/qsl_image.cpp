#include "card/qsl_image.h"

#include "card/card_colors.h"
#include "card/gdi_shapes.h"
#include "card/opaque_picture.h"

namespace virn::card {

namespace {

constexpr QRgb kFreshBitmap = 0xFFFFFFFF;
constexpr QRgb kIconBackground = 0xFFFF00FF;

// Where a picture of `size` pixels goes along an item of `extent` pixels.
int AlignedStart(int alignment, int extent, int size, int penWidth) {
  switch (alignment) {
    case 1:  // qhaRight, qvaButtom
      return extent - size - penWidth;
    case 2:  // qhaCenter, qvaCenter
      return extent / 2 - size / 2;
    default:
      return penWidth;
  }
}

QImage WithTransparentCorner(const QImage& picture) {
  QImage masked = picture.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = masked.pixel(0, 0);
  for (int y = 0; y < masked.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
    for (int x = 0; x < masked.width(); ++x) {
      if (line[x] == key) line[x] = 0;
    }
  }
  return masked;
}

}  // namespace

TQSLImage::TQSLImage() : TQSLComponent(kind::kImage) {}

void TQSLImage::SetPicture(const QImage& picture) {
  AssignPicture(picture, false);
}

void TQSLImage::SetIconPicture(const QImage& icon) {
  AssignPicture(icon, true);
}

void TQSLImage::AssignPicture(const QImage& picture, bool isIcon) {
  Change();
  picture_ = OpaquePicture(picture, isIcon ? kIconBackground : kFreshBitmap);
  pictureIsIcon_ = isIcon;
  if (autoSize_ && NaturalWidth() > 0 && NaturalHeight() > 0) {
    SetBounds(Left(), Top(), NaturalWidth(), NaturalHeight());
  }
}

void TQSLImage::PaintAt(QPainter& canvas, int x, int y) const {
  TQSLComponent::PaintAt(canvas, x, y);
  canvas.save();
  PrepareCanvas(canvas);
  const GdiRect r = ItemRect(x, y, Width(), Height());
  if (PictureEmpty()) {
    canvas.setBrush(Qt::NoBrush);
    DrawGdiFigure(canvas, Figure::Rectangle, r, 0, {pen::kDot, 1, ColorFromValue(color::kGrey)},
                  std::nullopt);
    canvas.restore();
    return;
  }
  const QImage bitmap = transparent_ || pictureIsIcon_ ? WithTransparentCorner(picture_) : picture_;
  const int penWidth = ClampToPaintLimit(PenWidth());
  QRect destination;
  if (stretch_) {
    const GdiRect inner = r.Shrunk(penWidth);
    if (inner.right > inner.left && inner.bottom > inner.top) destination = inner.ToQRect();
  } else {
    const int left = AlignedStart(HAligment(), Width(), NaturalWidth(), penWidth);
    const int top = AlignedStart(VAligment(), Height(), NaturalHeight(), penWidth);
    destination = QRect(ClampToPaintLimit(std::int64_t{x} + left), ClampToPaintLimit(std::int64_t{y} + top),
                        NaturalWidth(), NaturalHeight());
  }
  if (!destination.isEmpty()) canvas.drawImage(destination, bitmap);
  canvas.restore();
}

}  // namespace virn::card
