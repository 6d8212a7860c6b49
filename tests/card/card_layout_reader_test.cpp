// Reading the card layout file: every card the writer writes comes back
// field for field and paints the same; damaged files are refused with the
// part and the byte at fault.
#include <gtest/gtest.h>

#include "card/bmp_file.h"
#include "card/byte_order.h"
#include "card/card_layout_file.h"
#include "card_fixtures.h"

namespace virn::card {
namespace {

using testing::PaintCard;
using testing::Pattern;

// A card with a picture and every class of item, no field left at its default.
void Build(TQSLCard& card) {
  card.SetSize(300, 200);
  card.SetColor(0x00E0F0FF);
  card.SetPicture(Pattern(120, 80));
  TQSLLabel& label = card.AddLabel();
  label.SetBounds(10, 10, 150, 40);
  label.SetCaption(QStringLiteral("Частотная характеристика"));
  label.SetFont({QStringLiteral("Liberation Serif"), 11, style::kItalic | style::kUnderline, 0x00800000});
  label.SetHAligment(qhaCenter);
  label.SetVAligment(qvaCenter);
  label.SetShadow(true);
  label.SetShadowColor(0x000000FF);
  label.SetOffsetShadowX(2);
  label.SetOffsetShadowY(-1);
  label.SetFillColor(0x00C0FFC0);
  label.SetBorder(true);
  label.SetPenWidth(2);
  label.SetPenStyle(pen::kInsideFrame);
  label.SetPenColor(0x00FF0000);
  label.SetCornerRadius(10);
  TQSLDataLabel& data = card.AddDataLabel();
  data.SetBounds(200, 20, 40, 150);
  data.SetDataField(QStringLiteral("Позывной"));
  data.SetCaption(QStringLiteral("{Позывной}"));
  data.SetRotateDegree(90);
  data.SetVAligment(qvaButtom);
  data.SetHAligment(qhaRight);
  TQSLLine& line = card.AddLine(kind::kEllipse);
  line.SetBounds(20, 120, 80, 50);
  line.SetFillColor(0x8000000D);
  line.SetPenColor(0x000080FF);
  line.SetPenWidth(3);
  card.AddLine(6).SetBounds(0, 0, 300, 200);
  TQSLImage& image = card.AddImage();
  image.SetPicture(Pattern(16, 12));
  image.SetBounds(120, 100, 60, 50);
  image.SetTransparent(true);
  image.SetHAligment(qhaRight);
  image.SetVAligment(qvaCenter);
  image.SetAutoSize(true);  // after the picture: the item keeps its own size
  image.SetBorder(true);
  TQSLImage& icon = card.AddImage();
  QImage glyph(9, 9, QImage::Format_ARGB32);
  glyph.fill(Qt::transparent);
  glyph.setPixel(4, 4, qRgba(0, 0, 255, 255));
  icon.SetIconPicture(glyph);
  icon.SetStretch(true);
  icon.SetBounds(250, 150, 40, 40);
  card.AddImage().SetBounds(5, 150, 30, 30);  // empty
}

void ExpectSamePicture(const QImage& actual, const QImage& expected) {
  ASSERT_EQ(actual.isNull(), expected.isNull());
  ASSERT_EQ(actual.size(), expected.size());
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x)
      ASSERT_EQ(actual.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
  }
}

void ExpectSameItem(const TQSLComponent& a, const TQSLComponent& b) {
  EXPECT_EQ(typeid(a), typeid(b));
  EXPECT_EQ(a.ItemKind(), b.ItemKind());
  EXPECT_EQ(QRect(a.Left(), a.Top(), a.Width(), a.Height()), QRect(b.Left(), b.Top(), b.Width(), b.Height()));
  EXPECT_EQ(a.Caption(), b.Caption());
  EXPECT_EQ(a.Font(), b.Font());
  EXPECT_EQ(a.HAligment(), b.HAligment());
  EXPECT_EQ(a.VAligment(), b.VAligment());
  EXPECT_EQ(a.Border(), b.Border());
  EXPECT_EQ(a.PenColor(), b.PenColor());
  EXPECT_EQ(a.PenWidth(), b.PenWidth());
  EXPECT_EQ(a.PenStyle(), b.PenStyle());
  EXPECT_EQ(a.FillColor(), b.FillColor());
  EXPECT_EQ(a.CornerRadius(), b.CornerRadius());
  EXPECT_EQ(a.Shadow(), b.Shadow());
  EXPECT_EQ(a.ShadowColor(), b.ShadowColor());
  EXPECT_EQ(a.OffsetShadowX(), b.OffsetShadowX());
  EXPECT_EQ(a.OffsetShadowY(), b.OffsetShadowY());
  EXPECT_EQ(a.RotateDegree(), b.RotateDegree());
  if (const auto* data = dynamic_cast<const TQSLDataLabel*>(&a)) {
    EXPECT_EQ(data->DataField(), dynamic_cast<const TQSLDataLabel&>(b).DataField());
  }
  if (const auto* image = dynamic_cast<const TQSLImage*>(&a)) {
    const auto& other = dynamic_cast<const TQSLImage&>(b);
    EXPECT_EQ(image->PictureEmpty(), other.PictureEmpty());
    EXPECT_EQ(image->PictureIsIcon(), other.PictureIsIcon());
    EXPECT_EQ(image->Transparent(), other.Transparent());
    EXPECT_EQ(image->Stretch(), other.Stretch());
    EXPECT_EQ(image->AutoSize(), other.AutoSize());
    ExpectSamePicture(image->Picture(), other.Picture());
  }
}

void ExpectRefused(const QByteArray& bytes, const std::string& message) {
  try {
    ReadCardLayout(bytes);
    ADD_FAILURE() << "read: " << message;
  } catch (const ECardLayoutError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
}

QByteArray Patched(QByteArray bytes, qsizetype offset, std::uint32_t value, int size = 4) {
  if (size == 1) {
    bytes[offset] = static_cast<char>(value);
  } else {
    PutU32(bytes, offset, value);
  }
  return bytes;
}

TEST(CardFileRead, RoundTripsEveryClassOfItem) {
  TQSLCard card;
  Build(card);
  const QByteArray bytes = CardLayoutBytes(card, 120);
  const CardLayout layout = ReadCardLayout(bytes);
  EXPECT_EQ(layout.header.pixelsPerInch, 120);
  EXPECT_EQ(layout.header.color, 0x00E0F0FFu);
  EXPECT_TRUE(layout.header.border);
  EXPECT_EQ(layout.header.width, 300);
  EXPECT_EQ(layout.header.height, 200);
  EXPECT_FALSE(layout.header.pictureEmpty);
  EXPECT_FALSE(layout.header.stretch);
  const TQSLCard& read = layout.card;
  EXPECT_EQ(read.Color(), card.Color());
  EXPECT_EQ(read.Border(), card.Border());
  EXPECT_EQ(read.Stretch(), card.Stretch());
  EXPECT_EQ(QSize(read.Width(), read.Height()), QSize(300, 200));
  ExpectSamePicture(read.Picture(), card.Picture());
  ASSERT_EQ(read.ItemCount(), card.ItemCount());
  for (std::size_t i = 0; i < card.ItemCount(); ++i) {
    SCOPED_TRACE(i);
    ExpectSameItem(read.Item(i), card.Item(i));
  }
  EXPECT_EQ(CardLayoutBytes(read, 120), bytes);
  // The print is made from the card read back: it must paint as the original.
  ExpectSamePicture(PaintCard(read, true), PaintCard(card, true));
  ExpectSamePicture(PaintCard(read, false), PaintCard(card, false));
}

TEST(CardFileRead, TheProgramsCardsBothWays) {
  TQSLCard card;
  card.SetSize(457, 283);
  CardLayout layout = ReadCardLayout(CardLayoutBytes(card, 96));
  EXPECT_TRUE(layout.card.PictureEmpty());
  EXPECT_EQ(layout.card.ItemCount(), 0u);
  card.SetPicture(Pattern(455, 281));
  layout = ReadCardLayout(CardLayoutBytes(card, 96));
  ExpectSamePicture(layout.card.Picture(), card.Picture());
  ExpectSamePicture(PaintCard(layout.card), PaintCard(card));
}

TEST(CardFileRead, EveryCutOfAFileIsRefusedButAtItsItemBoundaries) {
  TQSLCard card;
  card.SetPicture(Pattern(2, 2));
  card.AddLabel();
  card.AddImage().SetPicture(Pattern(1, 1));
  card.AddLine(kind::kRectangle);
  const QByteArray bytes = CardLayoutBytes(card, 96);
  const qsizetype bmp4 = EncodeBmp(Pattern(2, 2)).size();
  const qsizetype bmp1 = EncodeBmp(Pattern(1, 1)).size();
  const std::vector<qsizetype> whole = {279 + bmp4, 279 + bmp4 + 695, 279 + bmp4 + 2 * 695 + bmp1,
                                        bytes.size()};
  for (qsizetype size = 0; size <= bytes.size(); ++size) {
    const bool complete = std::find(whole.begin(), whole.end(), size) != whole.end();
    if (complete) {
      EXPECT_NO_THROW(ReadCardLayout(QByteArrayView(bytes).first(size))) << size;
    } else {
      EXPECT_THROW(ReadCardLayout(QByteArrayView(bytes).first(size)), ECardLayoutError) << size;
    }
  }
}

TEST(CardFileRead, RefusesADamagedHeader) {
  TQSLCard card;
  const QByteArray good = CardLayoutBytes(card, 96);
  ExpectRefused(good.left(100), "card layout: header at byte 0: truncated header: 100 of 279 bytes");
  ExpectRefused(Patched(good, 0, 37, 1), "card layout: header at byte 0: bad signature length");
  ExpectRefused(Patched(good, 5, 'x', 1), "card layout: header at byte 1: bad signature");
  ExpectRefused(Patched(good, 256, 769), "card layout: header at byte 256: format number 769 is not 768");
  ExpectRefused(Patched(good, 264, 2, 1),
                "card layout: header at byte 264: border byte 2 is neither 0 nor 1");
  ExpectRefused(Patched(good, 265, 0), "card layout: header at byte 265: pixels per inch 0 is below 1");
  ExpectRefused(Patched(good, 273, 0xFFFFFFFF),
                "card layout: header at byte 273: card height -1 is negative");
  ExpectRefused(Patched(good, 278, 9, 1),
                "card layout: header at byte 278: stretch byte 9 is neither 0 nor 1");
  ExpectRefused(Patched(good, 277, 0, 1),
                "card layout: picture at byte 279: BMP truncated file header: 0 of 14 bytes");
}

TEST(CardFileRead, RefusesDamagedRecordsAndPictures) {
  TQSLCard card;
  card.AddLabel();
  card.AddImage().SetPicture(Pattern(3, 2));
  const QByteArray good = CardLayoutBytes(card, 96);
  const qsizetype second = 279 + 695;
  const qsizetype bmp = second + 695;
  ExpectRefused(good + QByteArray(10, '\0'), "card layout: item 3 at byte " + std::to_string(good.size()) +
                                                 ": truncated record: 10 of 695 bytes");
  ExpectRefused(good.left(second + 694),
                "card layout: item 2 at byte 974: truncated record: 694 of 695 bytes");
  ExpectRefused(Patched(good, 279 + 512, 101, 1),
                "card layout: item 1 at byte 791: font name length 101 exceeds 100");
  ExpectRefused(Patched(good, 279 + 655, 3, 1),
                "card layout: item 1 at byte 934: horizontal alignment 3 is not 0 to 2");
  ExpectRefused(Patched(good, 279 + 657, 7, 1), "card layout: item 1 at byte 936: pen style 7 is not 0 to 6");
  ExpectRefused(Patched(good, 279 + 634, 0x80000000),
                "card layout: item 1 at byte 913: height -2147483648 is negative");
  ExpectRefused(Patched(good, 279 + 692, 2, 1),
                "card layout: item 1 at byte 971: shadow byte 2 is neither 0 nor 1");
  ExpectRefused(Patched(good, second + 690, 5, 1),
                "card layout: item 2 at byte 1664: picture-is-icon byte 5 is neither 0 nor 1");
  ExpectRefused(
      Patched(good, bmp + 2, 5000000),
      "card layout: item 2 picture at byte 1671: BMP size field 5000000 runs past the end of the data "
      "(78 bytes left)");
  QByteArray huge = Patched(good, bmp + 18, kMaxBmpSide);
  PutI32(huge, bmp + 22, kMaxBmpSide);
  EXPECT_THROW(ReadCardLayout(huge), ECardLayoutError);
  ExpectRefused(
      Patched(good, bmp + 22, 100000),
      "card layout: item 2 picture at byte 1691: BMP height 100000 is not 1 to 16384 either way up");
  // Fields that do not apply to a class are not read.
  EXPECT_NO_THROW(ReadCardLayout(Patched(good, 279 + 690, 7, 1)));
  EXPECT_NO_THROW(ReadCardLayout(Patched(good, second + 692, 7, 1)));
}

TEST(CardFileRead, ItemKindsGiveTheClasses) {
  TQSLCard card;
  for (int code : {0, 1, 2, 3, 6, 8, 200}) {
    QByteArray record(695, '\0');
    record[654] = static_cast<char>(code);
    record[689] = 1;  // an image without picture
    card.SetPicture(QImage());
    const CardLayout layout = ReadCardLayout(CardLayoutBytes(card, 96) + record);
    ASSERT_EQ(layout.card.ItemCount(), 1u);
    const TQSLComponent& item = layout.card.Item(0);
    EXPECT_EQ(item.ItemKind(), code);
    EXPECT_EQ(dynamic_cast<const TQSLLabel*>(&item) != nullptr, code == 1 || code == 2) << code;
    EXPECT_EQ(dynamic_cast<const TQSLDataLabel*>(&item) != nullptr, code == 2) << code;
    EXPECT_EQ(dynamic_cast<const TQSLImage*>(&item) != nullptr, code == 8) << code;
    EXPECT_EQ(dynamic_cast<const TQSLLine*>(&item) != nullptr, code != 1 && code != 2 && code != 8) << code;
    EXPECT_EQ(item.PenWidth(), 1);  // a stored 0 becomes 1
  }
}

}  // namespace
}  // namespace virn::card
