#include "sim/wire_log.h"

namespace virn::sim {

std::string FormatWireLogLine(const WireEntry& entry) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line = std::to_string(entry.timeMs);
  for (std::uint8_t b : entry.frame) {
    line += ' ';
    line += kHex[b >> 4];
    line += kHex[b & 0x0F];
  }
  return line;
}

}  // namespace virn::sim
