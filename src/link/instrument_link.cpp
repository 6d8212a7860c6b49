#include "link/instrument_link.h"

#include <QStringDecoder>
#include <array>

#include "link/command_frame.h"

namespace virn::link {

void SendCommand(D2XXUnit& link, std::uint8_t opcode, std::int32_t argument) {
  link.WriteBytes(EncodeFrame(opcode, argument));
}

void ReadFirmwareVersion(D2XXUnit& link, std::string& text) {
  link.FillInBuffer(0, kVersionTextSize);
  SendCommand(link, opcode::kVersionQuery, 0);
  std::array<std::uint8_t, kVersionReplySize> reply{};
  link.ReadBytes(reply);
  text.append(reinterpret_cast<const char*>(reply.data()), kVersionTextSize);
}

bool HasVersionMarker(std::string_view versionText) {
  return versionText.find(kVersionMarker) != std::string_view::npos;
}

QString VersionPanelText(std::string_view versionText) {
  // One byte per character, in the instrument's Cyrillic code page.
  QStringDecoder decoder("windows-1251");
  QString text = decoder(QByteArrayView(versionText.data(), static_cast<qsizetype>(versionText.size())));
  text.replace(QLatin1String(kVersionMarker.data(), static_cast<qsizetype>(kVersionMarker.size())),
               QStringLiteral("Вер. МК: "), Qt::CaseInsensitive);
  const qsizetype zero = text.indexOf(QChar(u'\0'));
  if (zero >= 0) text.truncate(zero);
  return text;
}

bool InstrumentLink::Send(std::uint8_t opcode, std::int32_t argument) {
  const bool ungated = opcode == opcode::kTakeSweep || opcode == opcode::kVersionQuery;
  if (!ungated && !Connected()) return false;
  SendCommand(link_, opcode, argument);
  return true;
}

void InstrumentLink::DiscoveryTick(LinkHost& host) {
  // A failed count leaves the last one standing, and the listing goes by that.
  link_.GetFTDeviceCount();
  const std::uint32_t count = link_.DeviceCount.load();
  for (std::uint32_t index = 0; index < count; ++index) {
    // A failed listing leaves the previous serial: the open then simply tries it again.
    link_.GetFTDeviceSerialNo(index);
    if (link_.Open_USB_Device_By_Serial_Number(link_.SerialNumber) != FT_OK) continue;
    std::string version;
    ReadFirmwareVersion(link_, version);
    if (!HasVersionMarker(version)) {
      link_.CloseFTDevice();
      continue;
    }
    Handshake(host, version);
    return;
  }
}

void InstrumentLink::Handshake(LinkHost& host, const std::string& versionText) {
  link_.ResetFTDevice();
  link_.SetFTDeviceTimeouts(kLinkTimeoutMs, kLinkTimeoutMs);
  host.SetDiscoveryEnabled(false);
  host.SetStatusPanel(1, VersionPanelText(versionText));
  host.SetStatusPanel(0, QStringLiteral("OK"));
  host.SetWatchdogEnabled(true);
  connected_ = true;
  if (host.GeneratorModeDown()) host.SendGeneratorSetup();
}

void InstrumentLink::WatchdogTick(LinkHost& host) {
  if (link_.GetFTDeviceStatus() == FT_OK) return;
  host.SetWatchdogEnabled(false);
  host.SetStatusPanel(0, QStringLiteral("Нет связи"));
  host.SetStatusPanel(1, QString());
  // Still marked connected here, so the stop command goes to the lost device and fails quietly.
  if (host.SweepRunning()) host.StopSweep();
  link_.CloseFTDevice();
  host.SetDiscoveryEnabled(true);
  connected_ = false;
}

}  // namespace virn::link
