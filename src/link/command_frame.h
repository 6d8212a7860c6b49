// The instrument's 5-byte command frame: an opcode and a 32-bit argument, least
// significant byte first, negative values as their two's complement. Pure byte
// functions, shared by the program and the simulated instrument.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace virn::link {

inline constexpr std::size_t kFrameSize = 5;
using Frame = std::array<std::uint8_t, kFrameSize>;

struct Command {
  std::uint8_t opcode = 0;
  std::int32_t argument = 0;
  friend bool operator==(const Command&, const Command&) = default;
};

constexpr Frame EncodeFrame(std::uint8_t opcode, std::int32_t argument) {
  const auto bits = static_cast<std::uint32_t>(argument);
  return {opcode, static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

constexpr Command DecodeFrame(const Frame& frame) {
  const std::uint32_t bits = std::uint32_t{frame[1]} | std::uint32_t{frame[2]} << 8 |
                             std::uint32_t{frame[3]} << 16 | std::uint32_t{frame[4]} << 24;
  return {frame[0], static_cast<std::int32_t>(bits)};
}

// Splits a byte stream into frames. Bytes may arrive in pieces of any size; a frame
// is complete once five bytes have come.
class FrameAssembler {
 public:
  // Feeds bytes and calls sink(const Frame&) for every frame completed by them.
  template <typename Sink>
  void Feed(std::span<const std::uint8_t> bytes, Sink&& sink) {
    for (std::uint8_t b : bytes) {
      pending_[filled_++] = b;
      if (filled_ == kFrameSize) {
        filled_ = 0;
        sink(static_cast<const Frame&>(pending_));
      }
    }
  }
  void Reset() { filled_ = 0; }
  std::size_t Pending() const { return filled_; }

 private:
  Frame pending_{};
  std::size_t filled_ = 0;
};

}  // namespace virn::link
