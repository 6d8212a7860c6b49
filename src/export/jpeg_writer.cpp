#include "export/jpeg_writer.h"

// jpeglib.h needs the standard I/O declarations before it.
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, which it extends.
#include <jerror.h>

namespace virn::exports {

namespace {

constexpr int kQuality = 100;

void IgnoreMessage(j_common_ptr /*info*/) {}

// One encoding. The library's errors jump back into Run, libjpeg's own way
// out: no exception crosses its C frames, so nothing depends on how the
// library was built. The output goes into a buffer this object owns and
// grows, so that on every way out the vector frees exactly what is live.
class Compressor {
 public:
  Compressor() {
    info_.err = jpeg_std_error(&errors_);
    errors_.error_exit = JumpOut;
    errors_.output_message = IgnoreMessage;
    info_.client_data = this;
    destination_.init_destination = InitDestination;
    destination_.empty_output_buffer = EmptyOutputBuffer;
    destination_.term_destination = TermDestination;
  }
  // Also right for a compressor never created: the zeroed struct holds nothing.
  ~Compressor() { jpeg_destroy_compress(&info_); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  // False after a library error, whose code ErrorCode() gives. Nothing with a
  // destructor may live in this frame: the error's longjmp skips them.
  bool Run(const QImage& rgb, const JpegRowHook& beforeRow) {
    if (setjmp(jump_) != 0) return false;
    jpeg_create_compress(&info_);
    info_.dest = &destination_;
    info_.image_width = static_cast<JDIMENSION>(rgb.width());
    info_.image_height = static_cast<JDIMENSION>(rgb.height());
    info_.input_components = 3;
    info_.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, kQuality, TRUE);
    jpeg_start_compress(&info_, TRUE);
    while (info_.next_scanline < info_.image_height) {
      const auto row = static_cast<int>(info_.next_scanline);
      if (beforeRow) beforeRow(row);
      // libjpeg takes non-const rows but only reads them.
      auto* line = const_cast<JSAMPLE*>(rgb.constScanLine(row));
      jpeg_write_scanlines(&info_, &line, 1);
    }
    jpeg_finish_compress(&info_);
    return true;
  }

  int ErrorCode() const { return errors_.msg_code; }
  QByteArray Result() const {
    return QByteArray(reinterpret_cast<const char*>(bytes_.data()), static_cast<qsizetype>(size_));
  }

 private:
  static Compressor& Self(j_common_ptr info) { return *static_cast<Compressor*>(info->client_data); }
  static Compressor& Self(j_compress_ptr info) { return *static_cast<Compressor*>(info->client_data); }

  [[noreturn]] static void JumpOut(j_common_ptr info) { std::longjmp(Self(info).jump_, 1); }

  // The buffer at `size` bytes, or the library's out-of-memory error.
  static void Grow(j_compress_ptr info, std::size_t size) {
    bool grown = true;
    try {
      Self(info).bytes_.resize(size);
    } catch (const std::exception&) {
      grown = false;
    }
    if (grown) return;
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  }
  static void InitDestination(j_compress_ptr info) {
    Grow(info, kJpegFirstBufferBytes);
    Compressor& self = Self(info);
    self.destination_.next_output_byte = self.bytes_.data();
    self.destination_.free_in_buffer = self.bytes_.size();
  }
  // Called with the buffer full.
  static boolean EmptyOutputBuffer(j_compress_ptr info) {
    const std::size_t full = Self(info).bytes_.size();
    Grow(info, 2 * full);
    Compressor& self = Self(info);
    self.destination_.next_output_byte = self.bytes_.data() + full;
    self.destination_.free_in_buffer = self.bytes_.size() - full;
    return TRUE;
  }
  static void TermDestination(j_compress_ptr info) {
    Compressor& self = Self(info);
    self.size_ = self.bytes_.size() - self.destination_.free_in_buffer;
  }

  jpeg_error_mgr errors_{};
  jpeg_compress_struct info_{};
  jpeg_destination_mgr destination_{};
  std::jmp_buf jump_{};
  std::vector<JOCTET> bytes_;
  std::size_t size_ = 0;
};

}  // namespace

EJpegError::EJpegError(int code) : std::runtime_error("JPEG error #" + std::to_string(code)), code_(code) {}

QByteArray EncodeJpeg(const QImage& image) {
  return EncodeJpeg(image, {});
}

QByteArray EncodeJpeg(const QImage& image, const JpegRowHook& beforeRow) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  Compressor compressor;
  if (!compressor.Run(rgb, beforeRow)) throw EJpegError(compressor.ErrorCode());
  return compressor.Result();
}

}  // namespace virn::exports
