// Writes the wire log to a file for the demo program's --wire-log option. Each
// line is flushed as it is written, so the file is complete up to the last frame
// even when the program is killed.
#pragma once

#include <memory>
#include <string>

#include "sim/wire_log.h"

namespace virn::sim {

class WireLogWriter {
 public:
  // Creates or truncates the file. Throws std::system_error naming the file and
  // the system's reason when it cannot be opened.
  explicit WireLogWriter(const std::string& path);
  ~WireLogWriter();
  WireLogWriter(const WireLogWriter&) = delete;
  WireLogWriter& operator=(const WireLogWriter&) = delete;

  // Appends one line. Safe from any thread. A failing write is dropped: the log
  // is a diagnostic and must not disturb the device it watches.
  void Write(const WireEntry& entry);
  // A sink for SimInstrument::SetFrameSink. It shares the open file, so it stays
  // valid even if it outlives this writer.
  FrameSink Sink() const;

 private:
  struct File;
  std::shared_ptr<File> file_;
};

}  // namespace virn::sim
