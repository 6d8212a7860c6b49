#include "card/bmp_file.h"

#include <cstdint>
#include <cstdlib>

#include "card/byte_order.h"
#include "card/opaque_picture.h"

namespace virn::card {

namespace {

constexpr qsizetype kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
constexpr std::uint32_t kUncompressed = 0;    // BI_RGB

// Field offsets from the start of the file.
constexpr qsizetype kSizeField = 2;
constexpr qsizetype kDataOffsetField = 10;
constexpr qsizetype kInfoSizeField = 14;
constexpr qsizetype kWidthField = 18;
constexpr qsizetype kHeightField = 22;
constexpr qsizetype kPlanesField = 26;
constexpr qsizetype kBitCountField = 28;
constexpr qsizetype kCompressionField = 30;
constexpr qsizetype kImageSizeField = 34;

std::int64_t RowBytes(std::int64_t width, int bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

}  // namespace

EBmpError::EBmpError(qsizetype offset, const std::string& reason)
    : std::runtime_error("BMP file at byte " + std::to_string(offset) + ": " + reason),
      offset_(offset),
      reason_(reason) {}

QByteArray EncodeBmp(const QImage& image) {
  if (image.isNull()) throw EBmpError(0, "the picture is empty");
  if (image.width() > kMaxBmpSide || image.height() > kMaxBmpSide) {
    throw EBmpError(0, std::to_string(image.width()) + " x " + std::to_string(image.height()) +
                           " pixels exceed " + std::to_string(kMaxBmpSide) + " x " +
                           std::to_string(kMaxBmpSide));
  }
  const QImage rgb = OpaquePicture(image, 0xFFFFFFFF);
  const int width = rgb.width();
  const int height = rgb.height();
  const auto rowBytes = static_cast<qsizetype>(RowBytes(width, 24));
  const qsizetype dataSize = rowBytes * height;
  QByteArray file(kBmpHeadersSize + dataSize, '\0');
  PutU16(file, 0, kSignature);
  PutU32(file, kSizeField, static_cast<std::uint32_t>(file.size()));
  PutU32(file, kDataOffsetField, static_cast<std::uint32_t>(kBmpHeadersSize));
  PutU32(file, kInfoSizeField, kInfoHeaderSize);
  PutI32(file, kWidthField, width);
  PutI32(file, kHeightField, height);  // positive: bottom-up
  PutU16(file, kPlanesField, 1);
  PutU16(file, kBitCountField, 24);
  PutU32(file, kCompressionField, kUncompressed);
  PutU32(file, kImageSizeField, static_cast<std::uint32_t>(dataSize));
  char* data = file.data() + kBmpHeadersSize;
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    char* row = data + rowBytes * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<char>(qBlue(line[x]));
      row[3 * x + 1] = static_cast<char>(qGreen(line[x]));
      row[3 * x + 2] = static_cast<char>(qRed(line[x]));
    }
  }
  return file;
}

qsizetype BmpFileSize(QByteArrayView bytes) {
  if (bytes.size() < kFileHeaderSize) {
    throw EBmpError(0, "truncated file header: " + std::to_string(bytes.size()) + " of " +
                           std::to_string(kFileHeaderSize) + " bytes");
  }
  if (GetU16(bytes, 0) != kSignature) throw EBmpError(0, "signature is not \"BM\"");
  const std::uint32_t size = GetU32(bytes, kSizeField);
  if (size < kBmpHeadersSize) {
    throw EBmpError(kSizeField, "size field " + std::to_string(size) + " is below the " +
                                    std::to_string(kBmpHeadersSize) + " bytes of its headers");
  }
  if (size > static_cast<std::uint64_t>(bytes.size())) {
    throw EBmpError(kSizeField, "size field " + std::to_string(size) + " runs past the end of the data (" +
                                    std::to_string(bytes.size()) + " bytes left)");
  }
  return static_cast<qsizetype>(size);
}

QImage DecodeBmp(QByteArrayView file) {
  const qsizetype size = BmpFileSize(file);
  if (size != file.size()) {
    throw EBmpError(kSizeField, "size field " + std::to_string(size) + " is not the file's " +
                                    std::to_string(file.size()) + " bytes");
  }
  const std::uint32_t infoSize = GetU32(file, kInfoSizeField);
  if (infoSize != kInfoHeaderSize) {
    throw EBmpError(kInfoSizeField, "information header size " + std::to_string(infoSize) + " is not 40");
  }
  const std::int32_t width = GetI32(file, kWidthField);
  const std::int32_t rawHeight = GetI32(file, kHeightField);
  const bool topDown = rawHeight < 0;
  const std::int64_t height = std::llabs(std::int64_t{rawHeight});
  if (width <= 0 || width > kMaxBmpSide) {
    throw EBmpError(kWidthField,
                    "width " + std::to_string(width) + " is not 1 to " + std::to_string(kMaxBmpSide));
  }
  if (height == 0 || height > kMaxBmpSide) {
    throw EBmpError(kHeightField, "height " + std::to_string(rawHeight) + " is not 1 to " +
                                      std::to_string(kMaxBmpSide) + " either way up");
  }
  if (const std::uint16_t planes = GetU16(file, kPlanesField); planes != 1) {
    throw EBmpError(kPlanesField, "plane count " + std::to_string(planes) + " is not 1");
  }
  const std::uint16_t bitCount = GetU16(file, kBitCountField);
  if (bitCount != 24 && bitCount != 32) {
    throw EBmpError(kBitCountField, "bit count " + std::to_string(bitCount) + " is not 24 or 32");
  }
  if (const std::uint32_t compression = GetU32(file, kCompressionField); compression != kUncompressed) {
    throw EBmpError(kCompressionField,
                    "compression " + std::to_string(compression) + " is not 0 (uncompressed)");
  }
  const std::uint32_t dataOffset = GetU32(file, kDataOffsetField);
  if (dataOffset < kBmpHeadersSize) {
    throw EBmpError(kDataOffsetField,
                    "pixel data offset " + std::to_string(dataOffset) + " lies inside the headers");
  }
  const std::int64_t rowBytes = RowBytes(width, bitCount);
  const std::int64_t dataSize = rowBytes * height;
  if (std::int64_t{dataOffset} + dataSize > size) {
    throw EBmpError(kDataOffsetField, std::to_string(height) + " rows of " + std::to_string(rowBytes) +
                                          " bytes from byte " + std::to_string(dataOffset) +
                                          " run past the file's " + std::to_string(size) + " bytes");
  }
  QImage image(width, static_cast<int>(height), QImage::Format_RGB32);
  if (image.isNull()) throw EBmpError(0, "no memory for the picture");
  const int bytesPerPixel = bitCount / 8;
  for (std::int64_t row = 0; row < height; ++row) {
    const char* source = file.data() + dataOffset + row * rowBytes;
    const auto y = static_cast<int>(topDown ? row : height - 1 - row);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const auto* pixel = reinterpret_cast<const unsigned char*>(source + x * bytesPerPixel);
      line[x] = qRgb(pixel[2], pixel[1], pixel[0]);
    }
  }
  return image;
}

}  // namespace virn::card
