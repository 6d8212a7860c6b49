// The writer of the card layout file.
#include <stdexcept>

#include "card/bmp_file.h"
#include "card/byte_order.h"
#include "card/card_layout_file.h"
#include "card/card_record_layout.h"
#include "card/counted_text.h"

namespace virn::card {

namespace {

namespace rec = layout::record;
namespace head = layout::header;

void PutText(QByteArray& bytes, qsizetype offset, const QString& text, qsizetype maxBytes) {
  const QByteArray encoded = ToWindows1251(text, maxBytes);
  bytes[offset] = static_cast<char>(encoded.size());
  bytes.replace(offset + 1, encoded.size(), encoded);
}

void PutBool(QByteArray& bytes, qsizetype offset, bool value) {
  bytes[offset] = value ? '\1' : '\0';
}

void PutTextFields(QByteArray& record, const TQSLComponent& item) {
  PutText(record, rec::kCaption, item.Caption(), kMaxCaptionBytes);
  const ItemFont& font = item.Font();
  PutText(record, rec::kFontName, font.name, kMaxFontNameBytes);
  PutI32(record, rec::kFontSize, font.size);
  record[rec::kFontStyle] = static_cast<char>(font.style);
  PutU32(record, rec::kFontColor, font.color);
  PutI32(record, rec::kOffsetShadowX, item.OffsetShadowX());
  PutI32(record, rec::kOffsetShadowY, item.OffsetShadowY());
  PutI32(record, rec::kRotateDegree, item.RotateDegree());
  PutU32(record, rec::kShadowColor, item.ShadowColor());
  PutBool(record, rec::kShadow, item.Shadow());
}

QByteArray ItemRecord(const TQSLComponent& item) {
  QByteArray record(kItemRecordSize, '\0');
  const auto* label = dynamic_cast<const TQSLLabel*>(&item);
  const auto* image = dynamic_cast<const TQSLImage*>(&item);
  if (label != nullptr) PutTextFields(record, item);
  if (const auto* data = dynamic_cast<const TQSLDataLabel*>(&item)) {
    PutText(record, rec::kDataField, data->DataField(), kMaxCaptionBytes);
  }
  PutI32(record, rec::kLeft, item.Left());
  PutI32(record, rec::kTop, item.Top());
  PutI32(record, rec::kWidth, item.Width());
  PutI32(record, rec::kHeight, item.Height());
  record[rec::kItemKind] = static_cast<char>(item.ItemKind());
  if (label != nullptr || image != nullptr) {
    record[rec::kHAligment] = static_cast<char>(item.HAligment());
    record[rec::kVAligment] = static_cast<char>(item.VAligment());
  }
  record[rec::kPenStyle] = static_cast<char>(item.PenStyle());
  PutI32(record, rec::kPenWidth, item.PenWidth());
  PutI32(record, rec::kCornerRadius, item.CornerRadius());
  PutU32(record, rec::kPenColor, item.PenColor());
  PutU32(record, rec::kFillColor, item.FillColor());
  PutBool(record, rec::kBorder, item.Border());
  if (image != nullptr) {
    PutBool(record, rec::kStretch, image->Stretch());
    PutBool(record, rec::kTransparent, image->Transparent());
    PutBool(record, rec::kPictureEmpty, image->PictureEmpty());
    PutBool(record, rec::kPictureIsIcon, image->PictureIsIcon());
    PutBool(record, rec::kAutoSize, image->AutoSize());
  }
  return record;
}

QByteArray Header(const TQSLCard& card, std::int32_t pixelsPerInch) {
  QByteArray header(kCardHeaderSize, '\0');
  PutText(header, head::kSignature, QString::fromLatin1(kCardSignature), kMaxCaptionBytes);
  PutI32(header, head::kFormat, kCardFormatNumber);
  PutU32(header, head::kColor, card.Color());
  PutBool(header, head::kBorder, card.Border());
  PutI32(header, head::kPixelsPerInch, pixelsPerInch);
  PutI32(header, head::kWidth, card.Width());
  PutI32(header, head::kHeight, card.Height());
  PutBool(header, head::kPictureEmpty, card.PictureEmpty());
  PutBool(header, head::kStretch, card.Stretch());
  return header;
}

}  // namespace

// Pictures are kept opaque, an icon's already drawn over magenta (see
// OpaquePicture), so each is written as it is: what drawing it onto a new
// bitmap would give.
QByteArray CardLayoutBytes(const TQSLCard& card, std::int32_t pixelsPerInch) {
  if (pixelsPerInch < 1) {
    throw std::invalid_argument("pixels per inch " + std::to_string(pixelsPerInch) + " is below 1");
  }
  QByteArray bytes = Header(card, pixelsPerInch);
  if (!card.PictureEmpty()) bytes += EncodeBmp(card.Picture());
  for (std::size_t i = 0; i < card.ItemCount(); ++i) {
    const TQSLComponent& item = card.Item(i);
    bytes += ItemRecord(item);
    const auto* image = dynamic_cast<const TQSLImage*>(&item);
    if (image != nullptr && !image->PictureEmpty()) bytes += EncodeBmp(image->Picture());
  }
  return bytes;
}

}  // namespace virn::card
