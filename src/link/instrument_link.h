// The instrument's command set over the link module, and the link supervision:
// discovery of the instrument among the attached FTDI devices, the version
// handshake, and the watchdog that notices a lost device.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
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

// What the status bar shows for a version text: every marker, in any letter
// case, replaced by "Вер. МК: ", and the text cut at its first zero byte.
QString VersionPanelText(std::string_view versionText);

// What the supervision needs from the main window.
class LinkHost {
 public:
  virtual ~LinkHost() = default;
  virtual void SetStatusPanel(int panel, const QString& text) = 0;
  virtual void SetDiscoveryEnabled(bool enabled) = 0;
  virtual void SetWatchdogEnabled(bool enabled) = 0;
  virtual bool GeneratorModeDown() const = 0;
  // Opcode 1, a 50 ms wait and opcode 8: what a connected instrument needs to
  // put out the generator frequency.
  virtual void SendGeneratorSetup() = 0;
  virtual bool SweepRunning() const = 0;
  virtual void StopSweep() = 0;
};

class InstrumentLink {
 public:
  explicit InstrumentLink(D2XXUnit& link) : link_(link) {}

  D2XXUnit& Unit() { return link_; }
  bool Connected() const { return connected_.load(); }

  // Every command but the sweep and version commands goes out only while the
  // instrument is connected. Returns whether it was sent.
  bool Send(std::uint8_t opcode, std::int32_t argument);

  // One discovery tick: the attached devices in index order; the first whose
  // version reply holds the marker gets the handshake, and the tick ends.
  void DiscoveryTick(LinkHost& host);
  // One watchdog tick: a failing status poll drops the link and resumes discovery.
  void WatchdogTick(LinkHost& host);

 private:
  void Handshake(LinkHost& host, const std::string& versionText);

  D2XXUnit& link_;
  std::atomic<bool> connected_{false};
};

}  // namespace virn::link
