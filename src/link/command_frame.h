// The instrument's 5-byte command frame: an opcode and a 32-bit argument, least
// significant byte first, negative values as their two's complement. Pure byte
// functions, shared by the program and the simulated instrument.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace virn::link {

inline constexpr std::size_t kFrameSize = 5;

// The command set both ends speak.
namespace opcode {
inline constexpr std::uint8_t kDdsCoefficient = 1;
inline constexpr std::uint8_t kSweepSteps = 2;
inline constexpr std::uint8_t kStartWord = 3;
inline constexpr std::uint8_t kStep = 4;
inline constexpr std::uint8_t kPeriod = 5;
inline constexpr std::uint8_t kStop = 6;
inline constexpr std::uint8_t kTakeSweep = 7;
inline constexpr std::uint8_t kGeneratorWord = 8;
inline constexpr std::uint8_t kVersionQuery = 9;
inline constexpr std::uint8_t kDetector = 11;
inline constexpr std::uint8_t kDelay = 12;
inline constexpr std::uint8_t kAveraging = 13;
}  // namespace opcode

// The version reply: ten characters of version text holding the marker, and one
// byte more that nobody reads.
inline constexpr std::string_view kVersionMarker = "{AFT};";
inline constexpr std::size_t kVersionReplySize = 11;
inline constexpr std::size_t kVersionTextSize = 10;
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
