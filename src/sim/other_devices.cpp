#include "sim/other_devices.h"

#include <algorithm>
#include <utility>

#include "sim/sim_instrument.h"

namespace virn::sim {

void SilentDevice::OnBytes(std::span<const std::uint8_t> bytes) {
  bytesReceived_ += bytes.size();
}

ReplyDevice::ReplyDevice(std::string serial, std::vector<std::uint8_t> versionReply)
    : SimDevice(std::move(serial)), reply_(std::move(versionReply)) {}

void ReplyDevice::OnOpen() {
  assembler_.Reset();
}

void ReplyDevice::OnReset() {
  assembler_.Reset();
}

void ReplyDevice::OnBytes(std::span<const std::uint8_t> bytes) {
  assembler_.Feed(bytes, [this](const link::Frame& frame) {
    const link::Command command = link::DecodeFrame(frame);
    if (command.opcode != link::opcode::kVersionQuery || command.argument != 0) return;
    ++versionQueries_;
    QueueOutput(reply_);
  });
}

std::vector<std::uint8_t> LowerCaseMarkerReply() {
  return MakeVersionReply("{aft};2.07");
}

std::vector<std::uint8_t> NoMarkerReply() {
  return MakeVersionReply("VER 2.07");
}

std::vector<std::uint8_t> ShortReply(std::size_t size) {
  std::vector<std::uint8_t> reply = MakeVersionReply(kDefaultVersionText);
  reply.resize(std::min(size, reply.size()));
  return reply;
}

std::vector<std::uint8_t> LateMarkerReply() {
  return MakeVersionReply("v1{AFT};20");
}

}  // namespace virn::sim
