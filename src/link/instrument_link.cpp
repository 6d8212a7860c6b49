#include "link/instrument_link.h"

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

bool InstrumentLink::Send(std::uint8_t opcode, std::int32_t argument) {
  const bool ungated = opcode == opcode::kTakeSweep || opcode == opcode::kVersionQuery;
  if (!ungated && !Connected()) return false;
  SendCommand(link_, opcode, argument);
  return true;
}

std::optional<std::string> InstrumentLink::Discover() {
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
    link_.ResetFTDevice();
    link_.SetFTDeviceTimeouts(kLinkTimeoutMs, kLinkTimeoutMs);
    connected_ = true;
    return version;
  }
  return std::nullopt;
}

bool InstrumentLink::DeviceAnswers() {
  return link_.GetFTDeviceStatus() == FT_OK;
}

void InstrumentLink::Drop() {
  link_.CloseFTDevice();
  connected_ = false;
}

}  // namespace virn::link
