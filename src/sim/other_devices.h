// FTDI devices on the bus that are not the instrument, for discovery to skip:
// one that never answers, and one that answers the version query with whatever
// bytes a test gives it (a wrong marker, too few bytes, the marker further in).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/command_frame.h"
#include "sim/sim_device.h"

namespace virn::sim {

class SilentDevice : public SimDevice {
 public:
  using SimDevice::SimDevice;
  // Everything the host has written to it, across sessions.
  std::uint64_t BytesReceived() const { return bytesReceived_.load(); }

 protected:
  void OnBytes(std::span<const std::uint8_t> bytes) override;

 private:
  std::atomic<std::uint64_t> bytesReceived_{0};
};

class ReplyDevice : public SimDevice {
 public:
  ReplyDevice(std::string serial, std::vector<std::uint8_t> versionReply);
  std::uint32_t VersionQueries() const { return versionQueries_.load(); }

 protected:
  void OnOpen() override;
  void OnBytes(std::span<const std::uint8_t> bytes) override;
  void OnReset() override;

 private:
  link::FrameAssembler assembler_;  // only touched by the hooks
  const std::vector<std::uint8_t> reply_;
  std::atomic<std::uint32_t> versionQueries_{0};
};

// Replies for ReplyDevice that discovery must reject or accept.
// The marker in lower case: "{aft};2.07" and a trailing byte.
std::vector<std::uint8_t> LowerCaseMarkerReply();
// A version text with no marker at all.
std::vector<std::uint8_t> NoMarkerReply();
// The first `size` bytes of the instrument's normal reply; fewer than 10 means
// the version text is cut short.
std::vector<std::uint8_t> ShortReply(std::size_t size);
// A valid marker preceded by other characters: "v1{AFT};20" and a trailing byte.
std::vector<std::uint8_t> LateMarkerReply();

}  // namespace virn::sim
