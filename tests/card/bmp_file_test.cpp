// The BMP codec: the file written byte for byte, read back by Qt and by our
// decoder; the formats the decoder takes; every damaged header refused with
// the offset of the field at fault, before anything is allocated.
#include "card/bmp_file.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include "card/byte_order.h"
#include "card_fixtures.h"

namespace virn::card {
namespace {

using testing::Pattern;

void ExpectSamePixels(const QImage& actual, const QImage& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      ASSERT_EQ(actual.pixel(x, y) | 0xFF000000u, expected.pixel(x, y) | 0xFF000000u) << x << "," << y;
    }
  }
}

// A 32-bit file built by hand: `height` negative for rows top-down.
QByteArray Bmp32(int width, int height, QRgb color) {
  const int rows = std::abs(height);
  QByteArray file(54 + 4 * width * rows, '\0');
  PutU16(file, 0, 0x4D42);
  PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
  PutU32(file, 10, 54);
  PutU32(file, 14, 40);
  PutI32(file, 18, width);
  PutI32(file, 22, height);
  PutU16(file, 26, 1);
  PutU16(file, 28, 32);
  for (int i = 0; i < width * rows; ++i) PutU32(file, 54 + 4 * i, color & 0xFFFFFF);
  return file;
}

void ExpectRefused(const QByteArray& file, qsizetype offset, const char* reasonPart) {
  try {
    DecodeBmp(file);
    ADD_FAILURE() << "decoded: " << reasonPart;
  } catch (const EBmpError& e) {
    EXPECT_EQ(e.Offset(), offset) << e.what();
    EXPECT_NE(std::string(e.what()).find(reasonPart), std::string::npos) << e.what();
  }
}

TEST(BmpWrite, ThePlotPictureFile) {
  const QImage plot = Pattern(455, 281);
  const QByteArray file = EncodeBmp(plot);
  ASSERT_EQ(file.size(), 384462);
  EXPECT_EQ(file.left(2), QByteArray("BM"));
  EXPECT_EQ(GetU32(file, 2), 384462u);
  EXPECT_EQ(GetU32(file, 6), 0u);
  EXPECT_EQ(GetU32(file, 10), 54u);
  EXPECT_EQ(GetU32(file, 14), 40u);
  EXPECT_EQ(GetI32(file, 18), 455);
  EXPECT_EQ(GetI32(file, 22), 281);  // bottom-up
  EXPECT_EQ(GetU16(file, 26), 1);
  EXPECT_EQ(GetU16(file, 28), 24);
  EXPECT_EQ(GetU32(file, 30), 0u);
  EXPECT_EQ(GetU32(file, 34), 384408u);
  EXPECT_EQ(GetU32(file, 46), 0u);
  // The first row in the file is the picture's last, blue-green-red, then padding.
  const QRgb bottomLeft = plot.pixel(0, 280);
  EXPECT_EQ(GetU8(file, 54), qBlue(bottomLeft));
  EXPECT_EQ(GetU8(file, 55), qGreen(bottomLeft));
  EXPECT_EQ(GetU8(file, 56), qRed(bottomLeft));
  for (int pad = 1365; pad < 1368; ++pad) EXPECT_EQ(GetU8(file, 54 + pad), 0) << pad;
}

TEST(BmpWrite, QtReadsItBackIdentically) {
  for (const QSize size : {QSize(455, 281), QSize(1, 1), QSize(2, 3), QSize(3, 2), QSize(5, 7)}) {
    const QImage picture = Pattern(size.width(), size.height());
    QImage read;
    ASSERT_TRUE(read.loadFromData(EncodeBmp(picture), "BMP")) << size.width();
    ExpectSamePixels(read, picture);
    ExpectSamePixels(DecodeBmp(EncodeBmp(picture)), picture);
  }
}

TEST(BmpWrite, FlattensTransparencyAndRefusesWhatItCannotWrite) {
  QImage argb(1, 1, QImage::Format_ARGB32);
  argb.fill(Qt::transparent);
  EXPECT_EQ(DecodeBmp(EncodeBmp(argb)).pixel(0, 0), testing::kWhite);
  EXPECT_THROW(EncodeBmp(QImage()), EBmpError);
  EXPECT_THROW(EncodeBmp(QImage(kMaxBmpSide + 1, 1, QImage::Format_RGB32)), EBmpError);
}

TEST(BmpRead, ThirtyTwoBitsEitherWayUp) {
  QByteArray file = Bmp32(3, -2, 0x102030);  // top-down
  PutU32(file, 54, 0xAABBCC);                // first pixel of the top row
  QImage image = DecodeBmp(file);
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  EXPECT_EQ(image.pixel(0, 0), qRgb(0xAA, 0xBB, 0xCC));
  EXPECT_EQ(image.pixel(2, 1), qRgb(0x10, 0x20, 0x30));
  file = Bmp32(3, 2, 0x102030);  // bottom-up: the first row is the lowest
  PutU32(file, 54, 0xFFAABBCC);  // the fourth byte means nothing
  image = DecodeBmp(file);
  EXPECT_EQ(image.pixel(0, 1), qRgb(0xAA, 0xBB, 0xCC));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0x10, 0x20, 0x30));
}

TEST(BmpRead, RefusesDamagedOrOtherFiles) {
  const QByteArray good = EncodeBmp(Pattern(3, 2));
  const auto with = [&](qsizetype offset, std::uint32_t value, int bytes = 4) {
    QByteArray file = good;
    if (bytes == 2) {
      PutU16(file, offset, static_cast<std::uint16_t>(value));
    } else {
      PutU32(file, offset, value);
    }
    return file;
  };
  ExpectRefused(good.left(13), 0, "truncated file header");
  ExpectRefused(with(0, 0x4D43, 2), 0, "signature");
  ExpectRefused(with(2, 53), 2, "below the 54 bytes");
  ExpectRefused(with(2, 5000000), 2, "size field 5000000 runs past the end of the data (78 bytes left)");
  ExpectRefused(good + QByteArray(4, '\0'), 2, "is not the file's 82 bytes");
  ExpectRefused(with(14, 108), 14, "information header size 108");
  ExpectRefused(with(18, 0), 18, "width 0");
  ExpectRefused(with(18, 0xFFFFFFFF), 18, "width -1");
  ExpectRefused(with(22, 0), 22, "height 0");
  ExpectRefused(with(22, 0x80000000), 22, "height -2147483648");
  ExpectRefused(with(18, kMaxBmpSide + 1), 18, "width 16385");
  ExpectRefused(with(26, 2, 2), 26, "plane count 2");
  ExpectRefused(with(28, 8, 2), 28, "bit count 8");
  ExpectRefused(with(30, 1), 30, "compression 1");
  ExpectRefused(with(10, 20), 10, "lies inside the headers");
  ExpectRefused(with(10, 60), 10, "2 rows of 12 bytes from byte 60 run past the file's 78 bytes");
  // The largest picture there may be, claimed by a file of 78 bytes: refused
  // by the data present, not by a failed allocation.
  QByteArray huge = with(18, kMaxBmpSide);
  PutI32(huge, 22, -kMaxBmpSide);
  ExpectRefused(huge, 10, "run past the file's 78 bytes");
}

TEST(BmpRead, FileSizeIsTheHeadersSizeField) {
  const QByteArray file = EncodeBmp(Pattern(3, 2));
  EXPECT_EQ(BmpFileSize(file + QByteArray("trailing")), file.size());
  EXPECT_THROW(BmpFileSize(file.left(77)), EBmpError);
}

}  // namespace
}  // namespace virn::card
