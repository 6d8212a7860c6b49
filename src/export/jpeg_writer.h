// JPEG encoding of a picture through libjpeg: 24-bit colour, quality 100,
// baseline, libjpeg's defaults otherwise (a JFIF file).
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <functional>
#include <stdexcept>

namespace virn::exports {

// Any error the library reports, as "JPEG error #<its message code>".
class EJpegError : public std::runtime_error {
 public:
  explicit EJpegError(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

// The output buffer starts at this size and doubles whenever it fills.
inline constexpr std::size_t kJpegFirstBufferBytes = 64 * 1024;

// The whole JPEG file of the image (converted to 24-bit RGB first if needed).
QByteArray EncodeJpeg(const QImage& image);

// Called with each row's number before the row goes to the library; what it
// throws ends the encoding and leaves EncodeJpeg (tests fail an encoding
// part-way with it).
using JpegRowHook = std::function<void(int row)>;
QByteArray EncodeJpeg(const QImage& image, const JpegRowHook& beforeRow);

}  // namespace virn::exports
