// The JPEG file checked by reading its bytes: the markers a baseline JFIF file
// of quality 100 must have, and a picture that decodes close to the original.
#include "export/jpeg_writer.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace virn::exports {
namespace {

struct Segment {
  std::uint8_t marker = 0;
  QByteArray body;  // without the length bytes
};

// The marker segments up to the start of the scan.
std::vector<Segment> Segments(const QByteArray& jpeg) {
  std::vector<Segment> segments;
  qsizetype at = 2;
  while (at + 4 <= jpeg.size() && static_cast<std::uint8_t>(jpeg[at]) == 0xFF) {
    const auto marker = static_cast<std::uint8_t>(jpeg[at + 1]);
    const int length =
        (static_cast<std::uint8_t>(jpeg[at + 2]) << 8) | static_cast<std::uint8_t>(jpeg[at + 3]);
    segments.push_back({marker, jpeg.mid(at + 4, length - 2)});
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return segments;
}

QImage TestPicture() {
  QImage image(457, 283, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(0, 0, 456, 282);
  p.fillRect(60, 40, 200, 120, QColor(200, 30, 30));
  p.fillRect(280, 150, 120, 90, QColor(20, 120, 220));
  return image;
}

TEST(EncodeJpeg, IsABaselineJfifFileOfThreeComponentsAtQualityOneHundred) {
  const QImage picture = TestPicture();
  const QByteArray jpeg = EncodeJpeg(picture);
  ASSERT_GE(jpeg.size(), 4);
  EXPECT_EQ(static_cast<std::uint8_t>(jpeg[0]), 0xFF);
  EXPECT_EQ(static_cast<std::uint8_t>(jpeg[1]), 0xD8);  // SOI
  EXPECT_EQ(static_cast<std::uint8_t>(jpeg[jpeg.size() - 2]), 0xFF);
  EXPECT_EQ(static_cast<std::uint8_t>(jpeg[jpeg.size() - 1]), 0xD9);  // EOI
  const std::vector<Segment> segments = Segments(jpeg);
  ASSERT_FALSE(segments.empty());
  EXPECT_EQ(segments.front().marker, 0xE0);
  EXPECT_TRUE(segments.front().body.startsWith(QByteArray("JFIF\0", 5)));

  std::map<std::uint8_t, int> seen;
  for (const Segment& segment : segments) {
    ++seen[segment.marker];
    if (segment.marker == 0xDB) {
      // Each table: a precision/id byte, then 64 entries; quality 100 makes every one 1.
      for (qsizetype t = 0; t + 65 <= segment.body.size(); t += 65) {
        EXPECT_EQ(static_cast<std::uint8_t>(segment.body[t]) >> 4, 0) << "8-bit table";
        for (int i = 1; i <= 64; ++i) ASSERT_EQ(static_cast<std::uint8_t>(segment.body[t + i]), 1);
      }
    }
    if (segment.marker == 0xC0) {
      EXPECT_EQ(static_cast<std::uint8_t>(segment.body[0]), 8);  // sample precision
      EXPECT_EQ(
          (static_cast<std::uint8_t>(segment.body[1]) << 8) | static_cast<std::uint8_t>(segment.body[2]),
          283);
      EXPECT_EQ(
          (static_cast<std::uint8_t>(segment.body[3]) << 8) | static_cast<std::uint8_t>(segment.body[4]),
          457);
      EXPECT_EQ(static_cast<std::uint8_t>(segment.body[5]), 3);  // Y, Cb, Cr
    }
  }
  EXPECT_EQ(seen[0xC0], 1) << "baseline frame";
  EXPECT_EQ(seen[0xC2], 0) << "no progressive frame";
  EXPECT_GE(seen[0xDB], 1);
  EXPECT_EQ(seen[0xDA], 1);
}

TEST(EncodeJpeg, DecodesCloseToThePicture) {
  const QImage picture = TestPicture();
  const QImage decoded = QImage::fromData(EncodeJpeg(picture), "JPG").convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(decoded.size(), picture.size());
  int worst = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QColor a = picture.pixelColor(x, y);
      const QColor b = decoded.pixelColor(x, y);
      worst = std::max({worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                        std::abs(a.blue() - b.blue())});
    }
  }
  // Quality 100 loses little; the colour planes at half resolution blur the hard edges.
  EXPECT_LE(worst, 96);
  EXPECT_EQ(decoded.pixelColor(150, 100).red() / 16, 200 / 16);
}

TEST(EncodeJpeg, ALibraryErrorBecomesTheJpegErrorWithItsCode) {
  // A picture of no size is refused by the library itself ("empty image").
  try {
    EncodeJpeg(QImage(0, 0, QImage::Format_RGB888));
    FAIL() << "no error";
  } catch (const EJpegError& error) {
    EXPECT_GT(error.Code(), 0);
    EXPECT_EQ(std::string(error.what()), "JPEG error #" + std::to_string(error.Code()));
  }
}

// Noise compresses badly: its file fills the first output buffer several times over.
QImage NoisePicture() {
  QImage image(457, 283, QImage::Format_RGB888);
  std::mt19937 random(7);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, random() & 0xFFFFFFU);
  }
  return image;
}

TEST(EncodeJpeg, AFailureAfterTheBufferGrewFreesWhatIsLiveAndLeavesTheNextEncodingWhole) {
  const QImage noise = NoisePicture();
  const QByteArray whole = EncodeJpeg(noise);
  ASSERT_GT(whole.size(), 2 * static_cast<qsizetype>(kJpegFirstBufferBytes));
  // By the last row all rows but the last band have been written out.
  const int lastRow = noise.height() - 1;
  EXPECT_THROW(EncodeJpeg(noise,
                          [&](int row) {
                            if (row == lastRow) throw EJpegError(0);
                          }),
               EJpegError);
  EXPECT_EQ(EncodeJpeg(noise), whole);
}

}  // namespace
}  // namespace virn::exports
