// The instrument's command set over the link module, and the steps of the
// link supervision: discovery of the instrument among the attached FTDI
// devices with its version handshake, and the status poll that notices a lost
// device. When they run, and what follows them, is the controller's.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/command_frame.h"
#include "link/d2xx_unit.h"

namespace virn::link {

inline constexpr std::uint32_t kLinkTimeoutMs = 20;

// Builds the 5-byte frame in OutBuffer and sends it with one write. No reply is
// awaited; a failed write is the link module's to report.
void SendCommand(D2XXUnit& link, std::uint8_t opcode, std::int32_t argument);

// Asks for the firmware version and appends the ten characters of the reply to
// text, zero bytes included; bytes that did not arrive read as zero.
void ReadFirmwareVersion(D2XXUnit& link, std::string& text);

// The instrument is recognised by the marker, matched exactly.
bool HasVersionMarker(std::string_view versionText);

class InstrumentLink {
 public:
  explicit InstrumentLink(D2XXUnit& link) : link_(link) {}

  D2XXUnit& Unit() { return link_; }
  bool Connected() const { return connected_.load(); }

  // Every command but the sweep and version commands goes out only while the
  // instrument is connected. Returns whether it was sent.
  bool Send(std::uint8_t opcode, std::int32_t argument);

  // One discovery pass: the attached devices in index order, each opened and
  // asked for its version; the first whose reply holds the marker is kept,
  // reset, given the 20 ms time-outs and marked connected, and its ten
  // characters of version text are returned. The others are closed again.
  std::optional<std::string> Discover();
  // The status poll of the watchdog: false once the device no longer answers.
  bool DeviceAnswers();
  // Closes the device and marks the link down.
  void Drop();

 private:
  D2XXUnit& link_;
  std::atomic<bool> connected_{false};
};

}  // namespace virn::link
