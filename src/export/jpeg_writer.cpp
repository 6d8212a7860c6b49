#include "export/jpeg_writer.h"

// jpeglib.h needs the standard I/O declarations before it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <jpeglib.h>

namespace virn::exports {

namespace {

constexpr int kQuality = 100;

[[noreturn]] void ThrowError(j_common_ptr info) {
  // libjpeg's error exit must not return; an exception unwinds cleanly through it.
  throw EJpegError(info->err->msg_code);
}

void IgnoreMessage(j_common_ptr /*info*/) {}

// Owns the compressor and the memory destination on every path out.
class Compressor {
 public:
  Compressor() {
    info_.err = jpeg_std_error(&errors_);
    errors_.error_exit = ThrowError;
    errors_.output_message = IgnoreMessage;
    jpeg_create_compress(&info_);
  }
  ~Compressor() {
    jpeg_destroy_compress(&info_);
    std::free(buffer_);
  }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  jpeg_compress_struct& Info() { return info_; }
  unsigned char** Buffer() { return &buffer_; }
  unsigned long* Size() { return &size_; }
  QByteArray Result() const {
    return QByteArray(reinterpret_cast<const char*>(buffer_), static_cast<qsizetype>(size_));
  }

 private:
  jpeg_error_mgr errors_{};
  jpeg_compress_struct info_{};
  unsigned char* buffer_ = nullptr;
  unsigned long size_ = 0;
};

}  // namespace

EJpegError::EJpegError(int code) : std::runtime_error("JPEG error #" + std::to_string(code)), code_(code) {}

QByteArray EncodeJpeg(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  Compressor compressor;
  jpeg_compress_struct& info = compressor.Info();
  jpeg_mem_dest(&info, compressor.Buffer(), compressor.Size());
  info.image_width = static_cast<JDIMENSION>(rgb.width());
  info.image_height = static_cast<JDIMENSION>(rgb.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    // libjpeg takes non-const rows but only reads them.
    auto* row = const_cast<JSAMPLE*>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  return compressor.Result();
}

}  // namespace virn::exports
