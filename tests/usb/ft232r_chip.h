// The FT232R between the USB wire and the device behind its serial port: the
// standard and vendor control requests the host sends it, the packets it
// answers bulk IN tokens with (two status bytes, then up to 62 data bytes, an
// empty one after every latency period), and the serial side, which is a
// sim::SimDevice. Not thread-safe: the bus calls it under its own lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/sim_device.h"
#include "usb/ft232r_descriptors.h"

namespace virn::usbemu {

// An 8-byte setup packet as it opens every control transfer.
struct SetupPacket {
  std::uint8_t requestType = 0;
  std::uint8_t request = 0;
  std::uint16_t value = 0;
  std::uint16_t index = 0;
  std::uint16_t length = 0;
  static SetupPacket Parse(const std::uint8_t* bytes);
};

// What the host has set in the chip since it was plugged in.
struct ChipSettings {
  std::uint8_t latencyMs = 16;  // the chip's default
  std::uint16_t baudValue = 0;  // wValue and wIndex of the last baud-rate request, as sent
  std::uint16_t baudIndex = 0;
  std::uint16_t dataFormat = 0;  // wValue of the last data-characteristics request
  std::uint32_t resets = 0;      // SIO resets (not purges)
  // Bulk IN transfers the chip has completed, and those of them that carried
  // nothing but the status bytes of one packet.
  std::uint64_t inTransfers = 0;
  std::uint64_t emptyTransfers = 0;
  // The shortest time from a packet to the next one when that carried only
  // the status bytes, by the chip's own clock: at least the latency period.
  std::chrono::steady_clock::duration shortestStatusGap = std::chrono::steady_clock::duration::max();
};

// An IN transfer being filled: a buffer of `capacity` bytes, `filled` so far.
struct InTransfer {
  std::uint8_t* buffer = nullptr;
  std::size_t capacity = 0;
  std::size_t filled = 0;
};

class Ft232rChip {
 public:
  using Clock = std::chrono::steady_clock;
  // A control request the chip does not know: the endpoint stalls.
  static constexpr int kStall = -1;

  Ft232rChip(std::shared_ptr<sim::SimDevice> device, ChipStrings strings, Clock::time_point poweredAt);

  const ChipStrings& Strings() const { return strings_; }
  const ChipSettings& Settings() const { return settings_; }
  // While unreadable, every string request stalls, as the strings of a chip the
  // host may not open yet cannot be read.
  void SetStringsReadable(bool readable) { stringsReadable_ = readable; }
  sim::SimDevice& Device() { return *device_; }

  // Answers one control transfer. OUT data comes in `outData`; an IN reply goes
  // to `reply` (at most setup.length bytes). Returns the number of reply bytes,
  // or kStall.
  int Control(const SetupPacket& setup, std::span<const std::uint8_t> outData,
              std::vector<std::uint8_t>& reply);

  // The host claimed the interface: the device behind sees a new session.
  // False when the device does not take one (it is not plugged in).
  bool BeginSession();
  // The interface was released, or its owner went away.
  void EndSession();
  // The session bytes written to the bulk OUT endpoint go to; empty without one.
  std::optional<std::uint64_t> Session() const { return session_; }

  // When the chip answers the next IN token with a packet: at once when a full
  // packet's worth of data is waiting, otherwise when its latency timer runs out.
  Clock::time_point NextPacketAt(Clock::time_point now) const;
  // Sends packets into `transfer` as the chip does at `now`. True when the
  // transfer is complete: a short packet ended it, or its buffer is full.
  bool FillIn(InTransfer& transfer, Clock::time_point now);

 private:
  int vendorRequest(const SetupPacket& setup, std::vector<std::uint8_t>& reply);
  int standardRequest(const SetupPacket& setup, std::vector<std::uint8_t>& reply);
  bool fillPackets(InTransfer& transfer);
  std::uint32_t readyBytes() const;
  std::size_t takeReady(std::uint8_t* out, std::size_t n);
  void discardReady();

  std::shared_ptr<sim::SimDevice> device_;
  ChipStrings strings_;
  ChipSettings settings_;
  bool stringsReadable_ = true;
  std::optional<std::uint64_t> session_;
  Clock::time_point lastPacketAt_;  // the latency timer restarts with every packet sent
};

}  // namespace virn::usbemu
