// The reader of the card layout file.
#include <algorithm>
#include <string>

#include "card/bmp_file.h"
#include "card/byte_order.h"
#include "card/card_layout_file.h"
#include "card/card_record_layout.h"
#include "card/counted_text.h"

namespace virn::card {

namespace {

namespace rec = layout::record;
namespace head = layout::header;

// One part of the file (the header or one item record) at its place in the file.
class Part {
 public:
  Part(QByteArrayView bytes, qsizetype start, std::string name)
      : bytes_(bytes), start_(start), name_(std::move(name)) {}

  [[noreturn]] void Fail(qsizetype offset, const std::string& reason) const {
    throw ECardLayoutError(name_, start_ + offset, reason);
  }

  std::uint8_t U8(qsizetype offset) const { return GetU8(bytes_, offset); }
  std::uint32_t U32(qsizetype offset) const { return GetU32(bytes_, offset); }
  std::int32_t I32(qsizetype offset) const { return GetI32(bytes_, offset); }

  bool Bool(qsizetype offset, const char* field) const {
    const std::uint8_t value = U8(offset);
    if (value > 1)
      Fail(offset, std::string(field) + " byte " + std::to_string(value) + " is neither 0 nor 1");
    return value == 1;
  }

  std::int32_t Size(qsizetype offset, const char* field) const {
    const std::int32_t value = I32(offset);
    if (value < 0) Fail(offset, std::string(field) + " " + std::to_string(value) + " is negative");
    return value;
  }

  std::uint8_t Enum(qsizetype offset, const char* field, std::uint8_t last) const {
    const std::uint8_t value = U8(offset);
    if (value > last) {
      Fail(offset, std::string(field) + " " + std::to_string(value) + " is not 0 to " + std::to_string(last));
    }
    return value;
  }

  // A counted text in a field of 1 + capacity bytes.
  QString Text(qsizetype offset, qsizetype capacity, const char* field) const {
    const std::uint8_t length = U8(offset);
    if (length > capacity) {
      Fail(offset,
           std::string(field) + " length " + std::to_string(length) + " exceeds " + std::to_string(capacity));
    }
    return FromWindows1251(bytes_.sliced(offset + 1, length));
  }

 private:
  QByteArrayView bytes_;  // the part's bytes, all present
  qsizetype start_;
  std::string name_;
};

class Reader {
 public:
  explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}

  CardLayout Read() {
    CardLayout layout;
    layout.header = ReadHeader();
    TQSLCard& card = layout.card;
    card.SetColor(layout.header.color);
    card.SetBorder(layout.header.border);
    card.SetSize(layout.header.width, layout.header.height);
    card.SetStretch(layout.header.stretch);
    at_ = kCardHeaderSize;
    if (!layout.header.pictureEmpty) card.SetPicture(ReadBmp("picture"));
    for (int number = 1; at_ < bytes_.size(); ++number) ReadItem(card, number);
    return layout;
  }

 private:
  CardLayoutHeader ReadHeader() const {
    const Part part(bytes_.first(std::min(bytes_.size(), kCardHeaderSize)), 0, "header");
    if (bytes_.size() < kCardHeaderSize) {
      part.Fail(0, "truncated header: " + std::to_string(bytes_.size()) + " of " +
                       std::to_string(kCardHeaderSize) + " bytes");
    }
    const qsizetype signatureLength = sizeof(kCardSignature) - 1;
    if (part.U8(head::kSignature) != signatureLength) part.Fail(head::kSignature, "bad signature length");
    if (bytes_.sliced(head::kSignature + 1, signatureLength) != QByteArrayView(kCardSignature)) {
      part.Fail(head::kSignature + 1, "bad signature");
    }
    if (const std::int32_t format = part.I32(head::kFormat); format != kCardFormatNumber) {
      part.Fail(head::kFormat,
                "format number " + std::to_string(format) + " is not " + std::to_string(kCardFormatNumber));
    }
    CardLayoutHeader header;
    header.color = part.U32(head::kColor);
    header.border = part.Bool(head::kBorder, "border");
    header.pixelsPerInch = part.I32(head::kPixelsPerInch);
    if (header.pixelsPerInch < 1) {
      part.Fail(head::kPixelsPerInch,
                "pixels per inch " + std::to_string(header.pixelsPerInch) + " is below 1");
    }
    header.width = part.Size(head::kWidth, "card width");
    header.height = part.Size(head::kHeight, "card height");
    header.pictureEmpty = part.Bool(head::kPictureEmpty, "picture-empty");
    header.stretch = part.Bool(head::kStretch, "stretch");
    return header;
  }

  QImage ReadBmp(const std::string& name) {
    const QByteArrayView rest = bytes_.sliced(at_);
    try {
      const qsizetype size = BmpFileSize(rest);
      QImage image = DecodeBmp(rest.first(size));
      at_ += size;
      return image;
    } catch (const EBmpError& e) {
      throw ECardLayoutError(name, at_ + e.Offset(), "BMP " + e.Reason());
    }
  }

  void ReadItem(TQSLCard& card, int number) {
    const std::string name = "item " + std::to_string(number);
    const qsizetype left = bytes_.size() - at_;
    if (left < kItemRecordSize) {
      throw ECardLayoutError(
          name, at_,
          "truncated record: " + std::to_string(left) + " of " + std::to_string(kItemRecordSize) + " bytes");
    }
    const Part part(bytes_.sliced(at_, kItemRecordSize), at_, name);
    at_ += kItemRecordSize;
    const std::uint8_t itemKind = part.U8(rec::kItemKind);
    TQSLComponent* item = nullptr;
    if (itemKind == kind::kLabel) {
      item = &ReadLabel(card.AddLabel(), part);
    } else if (itemKind == kind::kDataLabel) {
      TQSLDataLabel& label = card.AddDataLabel();
      ReadLabel(label, part);
      label.SetDataField(part.Text(rec::kDataField, kMaxCaptionBytes, "data field"));
      item = &label;
    } else if (itemKind == kind::kImage) {
      item = &ReadImage(card.AddImage(), part, name);
    } else {
      item = &card.AddLine(itemKind);
    }
    item->SetPenStyle(part.Enum(rec::kPenStyle, "pen style", pen::kLast));
    item->SetPenWidth(part.I32(rec::kPenWidth));
    item->SetCornerRadius(part.I32(rec::kCornerRadius));
    item->SetPenColor(part.U32(rec::kPenColor));
    item->SetFillColor(part.U32(rec::kFillColor));
    item->SetBorder(part.Bool(rec::kBorder, "border"));
    // Last, so that an image's AutoSize does not override the stored size.
    item->SetBounds(part.I32(rec::kLeft), part.I32(rec::kTop), part.Size(rec::kWidth, "width"),
                    part.Size(rec::kHeight, "height"));
  }

  static TQSLLabel& ReadLabel(TQSLLabel& label, const Part& part) {
    label.SetCaption(part.Text(rec::kCaption, kMaxCaptionBytes, "caption"));
    ItemFont font;
    font.name = part.Text(rec::kFontName, kMaxFontNameBytes, "font name");
    font.size = part.I32(rec::kFontSize);
    font.style = part.U8(rec::kFontStyle);
    font.color = part.U32(rec::kFontColor);
    label.SetFont(font);
    label.SetOffsetShadowX(part.I32(rec::kOffsetShadowX));
    label.SetOffsetShadowY(part.I32(rec::kOffsetShadowY));
    label.SetRotateDegree(part.I32(rec::kRotateDegree));
    label.SetShadowColor(part.U32(rec::kShadowColor));
    label.SetShadow(part.Bool(rec::kShadow, "shadow"));
    label.SetHAligment(
        static_cast<TQSLHAlignment>(part.Enum(rec::kHAligment, "horizontal alignment", qhaCenter)));
    label.SetVAligment(
        static_cast<TQSLVAlignment>(part.Enum(rec::kVAligment, "vertical alignment", qvaCenter)));
    return label;
  }

  TQSLImage& ReadImage(TQSLImage& image, const Part& part, const std::string& name) {
    image.SetHAligment(
        static_cast<TQSLHAlignment>(part.Enum(rec::kHAligment, "horizontal alignment", qhaCenter)));
    image.SetVAligment(
        static_cast<TQSLVAlignment>(part.Enum(rec::kVAligment, "vertical alignment", qvaCenter)));
    image.SetStretch(part.Bool(rec::kStretch, "stretch"));
    image.SetTransparent(part.Bool(rec::kTransparent, "transparent"));
    const bool pictureEmpty = part.Bool(rec::kPictureEmpty, "picture-empty");
    const bool isIcon = part.Bool(rec::kPictureIsIcon, "picture-is-icon");
    const bool autoSize = part.Bool(rec::kAutoSize, "auto-size");
    const QImage picture = pictureEmpty ? QImage() : ReadBmp(name + " picture");
    if (isIcon) {
      image.SetIconPicture(picture);
    } else if (!pictureEmpty) {
      image.SetPicture(picture);
    }
    image.SetAutoSize(autoSize);
    return image;
  }

  QByteArrayView bytes_;
  qsizetype at_ = 0;
};

}  // namespace

ECardLayoutError::ECardLayoutError(const std::string& part, qsizetype offset, const std::string& reason)
    : std::runtime_error("card layout: " + part + " at byte " + std::to_string(offset) + ": " + reason),
      offset_(offset) {}

CardLayout ReadCardLayout(QByteArrayView bytes) {
  return Reader(bytes).Read();
}

}  // namespace virn::card
