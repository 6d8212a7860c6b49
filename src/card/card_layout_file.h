// The card layout file: a 279-byte header, the card's picture as a BMP file
// unless it is empty, then for each item a 695-byte record, followed by its
// picture as a BMP file for an image with one. Integers little-endian, texts
// counted and in Windows-1251. Pure functions over bytes; TQSLCard::SaveToFile
// writes the bytes to a file.
//
// The file does not name an item's class; its ItemKind does (card_types.h):
// 1 TQSLLabel, 2 TQSLDataLabel, 8 TQSLImage, any other code TQSLLine. Fields
// that do not apply to a class are written as zero and ignored when read, as
// are the reserved bytes and those after a counted text.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "card/qsl_card.h"

namespace virn::card {

inline constexpr qsizetype kCardHeaderSize = 279;
inline constexpr qsizetype kItemRecordSize = 695;
inline constexpr std::int32_t kCardFormatNumber = 768;
inline constexpr char kCardSignature[] = "{3079157F-6008-42D3-8714-E5F9548DC7ED}";
inline constexpr qsizetype kMaxCaptionBytes = 255;
inline constexpr qsizetype kMaxFontNameBytes = 100;

// The whole file of `card`. Texts longer than their field are cut to fit.
// Throws std::invalid_argument for pixelsPerInch below 1 and EBmpError for a
// picture beyond kMaxBmpSide.
QByteArray CardLayoutBytes(const TQSLCard& card, std::int32_t pixelsPerInch);

// The header's values.
struct CardLayoutHeader {
  std::uint32_t color = 0;
  bool border = false;
  std::int32_t pixelsPerInch = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool pictureEmpty = true;
  bool stretch = false;
};

struct CardLayout {
  CardLayoutHeader header;
  // With the header's values, the picture and the items of the file; its
  // other settings (data fields, grid) are the defaults.
  TQSLCard card;
};

// A file that is not a card layout file, is damaged or ends early. Offset()
// is the byte of the file at fault; the message names the part ("header",
// "picture", "item 3", "item 3 picture", items counted from 1), the offset
// and what is wrong.
class ECardLayoutError : public std::runtime_error {
 public:
  ECardLayoutError(const std::string& part, qsizetype offset, const std::string& reason);
  qsizetype Offset() const { return offset_; }

 private:
  qsizetype offset_;
};

// Reads a whole card layout file. Throws ECardLayoutError. Everything is
// checked against the bytes present before it is used, and nothing is
// allocated beyond what the bytes present can fill.
CardLayout ReadCardLayout(QByteArrayView bytes);

}  // namespace virn::card
