// TQSLImage: a picture on the card, drawn at its natural size in its aligned
// place or stretched over the item, optionally with the colour of its
// top-left pixel transparent.
#pragma once

#include <QImage>

#include "card/qsl_component.h"

namespace virn::card {

class TQSLImage : public TQSLComponent {
 public:
  TQSLImage();
  bool AcceptsItemKind(std::uint8_t itemKind) const override { return itemKind == kind::kImage; }
  void PaintAt(QPainter& canvas, int x, int y) const override;

  using TQSLComponent::SetHAligment;
  using TQSLComponent::SetVAligment;

  // The item's own opaque copy (see OpaquePicture): transparent parts of a
  // picture come out white, of an icon magenta, as they do in the card file.
  const QImage& Picture() const { return picture_; }
  void SetPicture(const QImage& picture);
  void SetIconPicture(const QImage& icon);
  bool PictureEmpty() const { return picture_.isNull(); }
  bool PictureIsIcon() const { return pictureIsIcon_; }
  int NaturalWidth() const { return picture_.width(); }
  int NaturalHeight() const { return picture_.height(); }

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { Assign(transparent_, transparent); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch) { Assign(stretch_, stretch); }
  // When on, every later change of the picture resizes the item to the
  // picture's natural size.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize) { Assign(autoSize_, autoSize); }

 private:
  void AssignPicture(const QImage& picture, bool isIcon);

  QImage picture_;
  bool pictureIsIcon_ = false;
  bool transparent_ = false;
  bool stretch_ = false;
  bool autoSize_ = false;
};

}  // namespace virn::card
