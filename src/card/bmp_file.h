// Windows BMP files as the card uses them: pure functions over bytes.
// Written: 24 bits per pixel, uncompressed, rows bottom-up. Read: what is
// written here, and 32 bits per pixel uncompressed, bottom-up or top-down.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <stdexcept>
#include <string>

namespace virn::card {

// Widest and tallest picture written or read.
inline constexpr int kMaxBmpSide = 16384;
inline constexpr qsizetype kBmpHeadersSize = 54;  // 14-byte file header, 40-byte info header

// A BMP that cannot be written or read; Offset() is the byte of the file at fault.
class EBmpError : public std::runtime_error {
 public:
  EBmpError(qsizetype offset, const std::string& reason);
  qsizetype Offset() const { return offset_; }
  // What is wrong, without the place.
  const std::string& Reason() const { return reason_; }

 private:
  qsizetype offset_;
  std::string reason_;
};

// The complete file: file header, information header, 24-bit rows bottom-up,
// each padded to a multiple of 4 bytes. Transparent parts come out white, as
// when the picture is drawn onto a fresh bitmap. Throws EBmpError for a null
// image or one wider or taller than kMaxBmpSide.
QByteArray EncodeBmp(const QImage& image);

// The file length given by the size field of the file header at the start of
// `bytes`, checked against the bytes there. Throws EBmpError when there is no
// "BM" file header, or the size is below the headers' or beyond `bytes`.
qsizetype BmpFileSize(QByteArrayView bytes);

// The picture of one whole BMP file, as Format_RGB32. Every header field is
// checked against the bytes present before the picture is allocated; throws
// EBmpError for anything else than the formats above, or a damaged file.
QImage DecodeBmp(QByteArrayView file);

}  // namespace virn::card
