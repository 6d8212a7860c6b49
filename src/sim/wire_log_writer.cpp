#include "sim/wire_log_writer.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <system_error>

namespace virn::sim {

struct WireLogWriter::File {
  std::mutex mutex;
  std::FILE* stream = nullptr;

  ~File() {
    if (stream != nullptr) std::fclose(stream);
  }

  void Write(const WireEntry& entry) {
    const std::string line = FormatWireLogLine(entry) + '\n';
    std::lock_guard lock(mutex);
    std::fputs(line.c_str(), stream);
    std::fflush(stream);
  }
};

WireLogWriter::WireLogWriter(const std::string& path) : file_(std::make_shared<File>()) {
  file_->stream = std::fopen(path.c_str(), "w");
  if (file_->stream == nullptr) {
    throw std::system_error(errno, std::generic_category(), "Cannot open the wire log '" + path + "'");
  }
}

WireLogWriter::~WireLogWriter() = default;

void WireLogWriter::Write(const WireEntry& entry) {
  file_->Write(entry);
}

FrameSink WireLogWriter::Sink() const {
  return [file = file_](const WireEntry& entry) { file->Write(entry); };
}

}  // namespace virn::sim
