// TQSLComponent: what every item placed on a card holds (position, kind, text
// and font, placement, outline, fill, shadow, rotation) and the painting of
// text items, which images also use before drawing their picture.
#pragma once

#include <QPainter>
#include <QString>
#include <cstdint>
#include <functional>

#include "card/card_types.h"

namespace virn::card {

class TQSLComponent {
 public:
  virtual ~TQSLComponent() = default;
  TQSLComponent(const TQSLComponent&) = delete;
  TQSLComponent& operator=(const TQSLComponent&) = delete;

  // Raises the item's change notification, if one is assigned.
  virtual void Change();
  // Paints the item with its top-left corner at (x, y).
  virtual void PaintAt(QPainter& canvas, int x, int y) const;

  // Called by every setter of a visual field just before the value changes.
  void SetOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

  std::uint8_t ItemKind() const { return itemKind_; }
  // Throws std::invalid_argument for a code that belongs to another class.
  void SetItemKind(std::uint8_t itemKind);
  virtual bool AcceptsItemKind(std::uint8_t itemKind) const = 0;

  // Pixels from the card's top-left corner; width and height are never negative.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Throws std::invalid_argument for a negative width or height.
  void SetBounds(int left, int top, int width, int height);

  const QString& Caption() const { return caption_; }
  const ItemFont& Font() const { return font_; }
  TQSLHAlignment HAligment() const { return hAligment_; }
  TQSLVAlignment VAligment() const { return vAligment_; }
  bool Shadow() const { return shadow_; }
  std::uint32_t ShadowColor() const { return shadowColor_; }
  std::int32_t OffsetShadowX() const { return offsetShadowX_; }
  std::int32_t OffsetShadowY() const { return offsetShadowY_; }
  std::int32_t RotateDegree() const { return rotateDegree_; }

  // Outline and fill, kept by every class.
  bool Border() const { return border_; }
  void SetBorder(bool border) { Assign(border_, border); }
  std::uint32_t PenColor() const { return penColor_; }
  void SetPenColor(std::uint32_t penColor) { Assign(penColor_, penColor); }
  std::int32_t PenWidth() const { return penWidth_; }
  void SetPenWidth(std::int32_t penWidth) { Assign(penWidth_, penWidth <= 0 ? 1 : penWidth); }
  std::uint8_t PenStyle() const { return penStyle_; }
  // Throws std::invalid_argument for a style above 6.
  void SetPenStyle(std::uint8_t penStyle);
  std::uint32_t FillColor() const { return fillColor_; }
  void SetFillColor(std::uint32_t fillColor) { Assign(fillColor_, fillColor); }
  std::int32_t CornerRadius() const { return cornerRadius_; }
  void SetCornerRadius(std::int32_t cornerRadius) { Assign(cornerRadius_, cornerRadius); }

  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool showHint) { showHint_ = showHint; }
  // Snapping while editing; the card copies its own setting into its items.
  bool AlignToGrid() const { return alignToGrid_; }
  void SetAlignToGrid(bool alignToGrid) { alignToGrid_ = alignToGrid; }

 protected:
  explicit TQSLComponent(std::uint8_t itemKind, QString caption = {});

  // The text fields, published by the classes that show text.
  void SetCaption(const QString& caption) { Assign(caption_, caption); }
  void SetFont(const ItemFont& font) { Assign(font_, font); }
  void SetHAligment(TQSLHAlignment hAligment) { Assign(hAligment_, hAligment); }
  void SetVAligment(TQSLVAlignment vAligment) { Assign(vAligment_, vAligment); }
  void SetShadow(bool shadow) { Assign(shadow_, shadow); }
  void SetShadowColor(std::uint32_t shadowColor) { Assign(shadowColor_, shadowColor); }
  void SetOffsetShadowX(std::int32_t offset) { Assign(offsetShadowX_, offset); }
  void SetOffsetShadowY(std::int32_t offset) { Assign(offsetShadowY_, offset); }
  // Kept as the remainder of division by 360, with the sign: 450 is 90, -90 stays -90.
  void SetRotateDegree(std::int32_t degrees) { Assign(rotateDegree_, degrees % 360); }

  // Nothing when unchanged; otherwise Change first, then the new value.
  template <typename T>
  void Assign(T& field, const T& value) {
    if (field == value) return;
    Change();
    field = value;
  }

 private:
  std::function<void()> onChange_;
  std::uint8_t itemKind_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  QString caption_;
  ItemFont font_;
  TQSLHAlignment hAligment_ = qhaLeft;
  TQSLVAlignment vAligment_ = qvaTop;
  bool border_ = false;
  std::uint32_t penColor_ = color::kBlack;
  std::int32_t penWidth_ = 1;
  std::uint8_t penStyle_ = pen::kSolid;
  std::uint32_t fillColor_ = color::kNoFill;
  std::int32_t cornerRadius_ = 0;
  bool shadow_ = false;
  std::uint32_t shadowColor_ = color::kSilver;
  std::int32_t offsetShadowX_ = 3;
  std::int32_t offsetShadowY_ = 3;
  std::int32_t rotateDegree_ = 0;
  int tag_ = -1;
  bool showHint_ = true;
  bool alignToGrid_ = true;
};

// Sets the painter up as every item and the card expect it: no antialiasing
// of figures, no smoothing of scaled pictures, plain source-over drawing.
void PrepareCanvas(QPainter& canvas);

}  // namespace virn::card
