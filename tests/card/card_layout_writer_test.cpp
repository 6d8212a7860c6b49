// The card layout file as written: the header and item record fields at
// their offsets, counted texts in Windows-1251 cut to their fields, the BMP
// files and where they go, and SaveToFile.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "card/bmp_file.h"
#include "card/byte_order.h"
#include "card/card_layout_file.h"
#include "card_fixtures.h"

namespace virn::card {
namespace {

using testing::Pattern;

QByteArray Cp1251(const char* utf8) {
  QByteArray bytes;
  for (const QChar c : QString::fromUtf8(utf8)) {
    const char16_t u = c.unicode();
    bytes += u < 0x80 ? static_cast<char>(u) : static_cast<char>(u - 0x410 + 0xC0);  // А..я only
  }
  return bytes;
}

QByteArray Counted(QByteArrayView bytes, qsizetype offset) {
  return bytes.sliced(offset + 1, GetU8(bytes, offset)).toByteArray();
}

bool AllZero(QByteArrayView bytes, qsizetype from, qsizetype to) {
  for (qsizetype i = from; i < to; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

TEST(CardFileHeader, FieldsAtTheirOffsets) {
  TQSLCard card;
  card.SetSize(457, 283);
  card.SetColor(0x00123456);
  card.SetBorder(false);
  card.SetStretch(true);
  const QByteArray bytes = CardLayoutBytes(card, 120);
  ASSERT_EQ(bytes.size(), 279);  // an empty picture: the header alone
  EXPECT_EQ(GetU8(bytes, 0), 38);
  EXPECT_EQ(bytes.mid(1, 38), QByteArray("{3079157F-6008-42D3-8714-E5F9548DC7ED}"));
  EXPECT_TRUE(AllZero(bytes, 39, 256));
  EXPECT_EQ(GetI32(bytes, 256), 768);
  EXPECT_EQ(GetU32(bytes, 260), 0x00123456u);
  EXPECT_EQ(GetU8(bytes, 264), 0);
  EXPECT_EQ(GetI32(bytes, 265), 120);
  EXPECT_EQ(GetI32(bytes, 269), 457);
  EXPECT_EQ(GetI32(bytes, 273), 283);
  EXPECT_EQ(GetU8(bytes, 277), 1);
  EXPECT_EQ(GetU8(bytes, 278), 1);
  EXPECT_THROW(CardLayoutBytes(card, 0), std::invalid_argument);
}

TEST(CardFileHeader, TheProgramsCardIsTheHeaderAndOneBmp) {
  TQSLCard card;
  card.SetSize(457, 283);
  const QImage plot = Pattern(455, 281);
  card.SetPicture(plot);
  const QByteArray bytes = CardLayoutBytes(card, 96);
  ASSERT_EQ(bytes.size(), 279 + 384462);
  EXPECT_EQ(GetU8(bytes, 264), 1);
  EXPECT_EQ(GetU8(bytes, 277), 0);
  EXPECT_EQ(GetU8(bytes, 278), 0);
  EXPECT_EQ(bytes.mid(279), EncodeBmp(plot));
}

TEST(CardFileRecord, TextItemFieldsAtTheirOffsets) {
  TQSLCard card;
  TQSLLabel& label = card.AddLabel();
  label.SetCaption(QStringLiteral("Привет"));
  label.SetFont({QStringLiteral("Arial"), 14, style::kBold | style::kStrikeOut, 0x00ABCDEF});
  label.SetBounds(-3, 4, 50, 60);
  label.SetOffsetShadowX(-2);
  label.SetOffsetShadowY(7);
  label.SetHAligment(qhaCenter);
  label.SetVAligment(qvaButtom);
  label.SetPenStyle(pen::kDashDot);
  label.SetPenWidth(3);
  label.SetRotateDegree(-90);
  label.SetCornerRadius(9);
  label.SetShadowColor(0x00010203);
  label.SetPenColor(0x00040506);
  label.SetFillColor(0x80000005);
  label.SetBorder(true);
  label.SetShadow(true);
  const QByteArray bytes = CardLayoutBytes(card, 96);
  ASSERT_EQ(bytes.size(), 279 + 695);
  const QByteArrayView r = QByteArrayView(bytes).sliced(279);
  EXPECT_EQ(Counted(r, 0), Cp1251("Привет"));
  EXPECT_EQ(GetU8(r, 256), 0);  // no data field for a plain label
  EXPECT_EQ(Counted(r, 512), QByteArray("Arial"));
  EXPECT_EQ(GetI32(r, 613), 14);
  EXPECT_EQ(GetU8(r, 617), 9);
  EXPECT_EQ(GetU32(r, 618), 0x00ABCDEFu);
  EXPECT_EQ(GetI32(r, 622), -3);
  EXPECT_EQ(GetI32(r, 626), 4);
  EXPECT_EQ(GetI32(r, 630), 50);
  EXPECT_EQ(GetI32(r, 634), 60);
  EXPECT_EQ(GetI32(r, 638), -2);
  EXPECT_EQ(GetI32(r, 642), 7);
  EXPECT_TRUE(AllZero(r, 646, 654));
  EXPECT_EQ(GetU8(r, 654), kind::kLabel);
  EXPECT_EQ(GetU8(r, 655), qhaCenter);
  EXPECT_EQ(GetU8(r, 656), qvaButtom);
  EXPECT_EQ(GetU8(r, 657), pen::kDashDot);
  EXPECT_EQ(GetI32(r, 658), 3);
  EXPECT_EQ(GetI32(r, 662), -90);
  EXPECT_EQ(GetI32(r, 666), 9);
  EXPECT_TRUE(AllZero(r, 670, 674));
  EXPECT_EQ(GetU32(r, 674), 0x00010203u);
  EXPECT_EQ(GetU32(r, 678), 0x00040506u);
  EXPECT_EQ(GetU32(r, 682), 0x80000005u);
  EXPECT_EQ(GetU8(r, 686), 1);
  EXPECT_TRUE(AllZero(r, 687, 692));  // image fields
  EXPECT_EQ(GetU8(r, 692), 1);
  EXPECT_TRUE(AllZero(r, 693, 695));
}

TEST(CardFileRecord, DataLabelCarriesCaptionAndDataField) {
  TQSLCard card;
  card.AddDataLabel();
  const QByteArray bytes = CardLayoutBytes(card, 96);
  const QByteArrayView r = QByteArrayView(bytes).sliced(279);
  EXPECT_EQ(Counted(r, 0), QByteArray("{\xC4\xE0\xF2\xE0}"));  // {Дата}
  EXPECT_EQ(Counted(r, 256), QByteArray("\xC4\xE0\xF2\xE0"));
  EXPECT_EQ(Counted(r, 512), QByteArray("Verdana"));
  EXPECT_EQ(GetI32(r, 613), 8);
  EXPECT_EQ(GetU8(r, 654), kind::kDataLabel);
  EXPECT_EQ(GetU32(r, 674), 12632256u);
  EXPECT_EQ(GetU32(r, 682), 536870911u);
}

TEST(CardFileRecord, LongTextsAreCutToTheirFields) {
  TQSLCard card;
  TQSLDataLabel& label = card.AddDataLabel();
  label.SetCaption(QString(300, QChar(u'Ж')));
  label.SetDataField(QString(256, QChar(u'x')));
  label.SetFont({QString(150, QChar(u'F')), 8, 0, 0});
  const QByteArray bytes = CardLayoutBytes(card, 96);
  const QByteArrayView r = QByteArrayView(bytes).sliced(279);
  EXPECT_EQ(Counted(r, 0), QByteArray(255, '\xC6'));
  EXPECT_EQ(Counted(r, 256), QByteArray(255, 'x'));
  EXPECT_EQ(Counted(r, 512), QByteArray(100, 'F'));
  EXPECT_EQ(GetI32(r, 613), 8);  // the font name did not run into the size
}

TEST(CardFileRecord, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  TQSLCard card;
  card.AddLabel().SetCaption(QString::fromUtf8("Ё€ 中😀\x1A") + QChar(0xD800) + QStringLiteral("z"));
  const QByteArray bytes = CardLayoutBytes(card, 96);
  EXPECT_EQ(Counted(QByteArrayView(bytes).sliced(279), 0), QByteArray("\xA8\x88 ??\x1A?z"));
}

TEST(CardFileRecord, FiguresAndImagesWriteOnlyTheirFields) {
  TQSLCard card;
  TQSLLine& line = card.AddLine(kind::kEllipse);
  line.SetBounds(1, 2, 3, 4);
  line.SetPenColor(0x00FF0000);
  TQSLImage& empty = card.AddImage();
  empty.SetTransparent(true);
  TQSLImage& image = card.AddImage();
  const QImage picture = Pattern(5, 3);
  image.SetPicture(picture);
  image.SetHAligment(qhaRight);
  image.SetAutoSize(true);
  const QByteArray bytes = CardLayoutBytes(card, 96);
  const QByteArray bmp = EncodeBmp(picture);
  ASSERT_EQ(bytes.size(), 279 + 3 * 695 + bmp.size());
  const QByteArrayView l = QByteArrayView(bytes).sliced(279, 695);
  EXPECT_TRUE(AllZero(l, 0, 622));  // no texts or font
  EXPECT_TRUE(AllZero(l, 638, 654));
  EXPECT_EQ(GetU8(l, 654), kind::kEllipse);
  EXPECT_EQ(GetU32(l, 678), 0x00FF0000u);
  EXPECT_EQ(GetU32(l, 674), 0u);  // no shadow colour
  const QByteArrayView e = QByteArrayView(bytes).sliced(279 + 695, 695);
  EXPECT_EQ(GetU8(e, 654), kind::kImage);
  EXPECT_EQ(GetU8(e, 688), 1);
  EXPECT_EQ(GetU8(e, 689), 1);  // PictureEmpty: no BMP follows
  const QByteArrayView i = QByteArrayView(bytes).sliced(279 + 2 * 695, 695);
  EXPECT_TRUE(AllZero(i, 0, 622));
  EXPECT_EQ(GetU8(i, 655), qhaRight);
  EXPECT_EQ(GetU8(i, 689), 0);
  EXPECT_EQ(GetU8(i, 691), 1);
  EXPECT_EQ(QByteArrayView(bytes).sliced(279 + 3 * 695), QByteArrayView(bmp));
}

TEST(CardSave, WritesTheBytesReplacingAnyFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString name = dir.filePath(QStringLiteral("_temp.001"));
  {
    QFile old(name);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
  }
  TQSLCard card;
  card.SetSize(457, 283);
  card.SetPicture(Pattern(30, 20));
  card.SaveToFile(name, 96);
  QFile saved(name);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), CardLayoutBytes(card, 96));
}

TEST(CardSave, ThrowsWhenTheFileCannotBeCreated) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("missing/_temp.001"));
  const TQSLCard card;
  try {
    card.SaveToFile(name, 96);
    FAIL() << "saved";
  } catch (const ECardFileError& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("Cannot create file \"" + name.toStdString() + "\". ", 0), 0u) << message;
    EXPECT_GT(message.size(), name.size() + 24);  // the system's reason follows
  }
}

TEST(CardSave, ThrowsWhenTheFileCannotBeWritten) {
  if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
  TQSLCard card;
  card.SetPicture(Pattern(100, 100));
  EXPECT_THROW(card.SaveToFile(QStringLiteral("/dev/full"), 96), ECardFileError);
}

}  // namespace
}  // namespace virn::card
