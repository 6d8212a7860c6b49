// JPEG encoding of a picture through libjpeg: 24-bit colour, quality 100,
// baseline, libjpeg's defaults otherwise (a JFIF file).
#pragma once

#include <QByteArray>
#include <QImage>
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

// The whole JPEG file of the image (converted to 24-bit RGB first if needed).
QByteArray EncodeJpeg(const QImage& image);

}  // namespace virn::exports
