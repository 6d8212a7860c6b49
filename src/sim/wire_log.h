// The wire log: every frame the simulated instrument receives, with the time it
// arrived. Kept in memory by the instrument and optionally written to a file,
// one line per frame, so a run of the program can be checked afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/command_frame.h"

namespace virn::sim {

struct WireEntry {
  std::int64_t timeMs = 0;  // since the receiving device was created, monotonic
  link::Frame frame{};
  friend bool operator==(const WireEntry&, const WireEntry&) = default;
};

// Called once per received frame, in arrival order.
using FrameSink = std::function<void(const WireEntry&)>;

// One log line without its line break: the time in whole milliseconds, then the
// five bytes as two upper-case hex digits each, single spaces between fields.
// Example: "1234 02 A4 01 00 00".
std::string FormatWireLogLine(const WireEntry& entry);

}  // namespace virn::sim
