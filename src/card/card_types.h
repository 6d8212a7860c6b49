// Values shared by the card and its items: the alignment enumerations, the
// item kind codes, pen styles, font style bits and the colour values with a
// meaning of their own.
#pragma once

#include <QString>
#include <cstdint>

namespace virn::card {

enum TQSLHAlignment : std::uint8_t { qhaLeft = 0, qhaRight = 1, qhaCenter = 2 };
enum TQSLVAlignment : std::uint8_t { qvaTop = 0, qvaButtom = 1, qvaCenter = 2 };

// ItemKind codes. The card layout file does not record an item's class, so the
// kind alone must tell it: 1 is a text field, 2 a data label, 8 an image, and
// every other code a figure (TQSLLine), of which 3, 4, 5 and 7 draw something.
namespace kind {
inline constexpr std::uint8_t kLabel = 1;
inline constexpr std::uint8_t kDataLabel = 2;
inline constexpr std::uint8_t kHorizontalLine = 3;
inline constexpr std::uint8_t kVerticalLine = 4;
inline constexpr std::uint8_t kRectangle = 5;
inline constexpr std::uint8_t kEllipse = 7;
inline constexpr std::uint8_t kImage = 8;
}  // namespace kind

// PenStyle values, as the platform numbers them.
namespace pen {
inline constexpr std::uint8_t kSolid = 0;
inline constexpr std::uint8_t kDash = 1;
inline constexpr std::uint8_t kDot = 2;
inline constexpr std::uint8_t kDashDot = 3;
inline constexpr std::uint8_t kDashDotDot = 4;
inline constexpr std::uint8_t kClear = 5;
inline constexpr std::uint8_t kInsideFrame = 6;
inline constexpr std::uint8_t kLast = kInsideFrame;
}  // namespace pen

// Font style bits.
namespace style {
inline constexpr std::uint8_t kBold = 1;
inline constexpr std::uint8_t kItalic = 2;
inline constexpr std::uint8_t kUnderline = 4;
inline constexpr std::uint8_t kStrikeOut = 8;
}  // namespace style

// Colour values: 0x00BBGGRR, a system colour 0x80000000 | index, or kNoFill.
namespace color {
inline constexpr std::uint32_t kNoFill = 536870911;  // 0x1FFFFFFF
inline constexpr std::uint32_t kBlack = 0;
inline constexpr std::uint32_t kWhite = 16777215;
inline constexpr std::uint32_t kGrey = 8421504;
inline constexpr std::uint32_t kSilver = 12632256;
inline constexpr std::uint32_t kMagenta = 16711935;
inline constexpr std::uint32_t kSystemFlag = 0x80000000u;
}  // namespace color

struct ItemFont {
  QString name = QStringLiteral("Verdana");
  std::int32_t size = 8;  // points
  std::uint8_t style = 0;
  std::uint32_t color = color::kBlack;
  friend bool operator==(const ItemFont&, const ItemFont&) = default;
};

}  // namespace virn::card
