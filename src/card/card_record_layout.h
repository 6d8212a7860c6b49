// Byte offsets of the card layout file's header and item record fields,
// shared by its writer and reader.
#pragma once

#include <QtGlobal>

namespace virn::card::layout {

namespace header {
inline constexpr qsizetype kSignature = 0;  // counted text, 256 bytes
inline constexpr qsizetype kFormat = 256;
inline constexpr qsizetype kColor = 260;
inline constexpr qsizetype kBorder = 264;
inline constexpr qsizetype kPixelsPerInch = 265;
inline constexpr qsizetype kWidth = 269;
inline constexpr qsizetype kHeight = 273;
inline constexpr qsizetype kPictureEmpty = 277;
inline constexpr qsizetype kStretch = 278;
}  // namespace header

namespace record {
inline constexpr qsizetype kCaption = 0;      // counted text, 256 bytes
inline constexpr qsizetype kDataField = 256;  // counted text, 256 bytes
inline constexpr qsizetype kFontName = 512;   // counted text, 101 bytes
inline constexpr qsizetype kFontSize = 613;
inline constexpr qsizetype kFontStyle = 617;
inline constexpr qsizetype kFontColor = 618;
inline constexpr qsizetype kLeft = 622;
inline constexpr qsizetype kTop = 626;
inline constexpr qsizetype kWidth = 630;
inline constexpr qsizetype kHeight = 634;
inline constexpr qsizetype kOffsetShadowX = 638;
inline constexpr qsizetype kOffsetShadowY = 642;
inline constexpr qsizetype kItemKind = 654;
inline constexpr qsizetype kHAligment = 655;
inline constexpr qsizetype kVAligment = 656;
inline constexpr qsizetype kPenStyle = 657;
inline constexpr qsizetype kPenWidth = 658;
inline constexpr qsizetype kRotateDegree = 662;
inline constexpr qsizetype kCornerRadius = 666;
inline constexpr qsizetype kShadowColor = 674;
inline constexpr qsizetype kPenColor = 678;
inline constexpr qsizetype kFillColor = 682;
inline constexpr qsizetype kBorder = 686;
inline constexpr qsizetype kStretch = 687;
inline constexpr qsizetype kTransparent = 688;
inline constexpr qsizetype kPictureEmpty = 689;
inline constexpr qsizetype kPictureIsIcon = 690;
inline constexpr qsizetype kAutoSize = 691;
inline constexpr qsizetype kShadow = 692;
}  // namespace record

}  // namespace virn::card::layout
