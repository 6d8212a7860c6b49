#include "usb/ft232r_chip.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace virn::usbemu {

namespace {

constexpr std::uint8_t kDirectionIn = 0x80;
constexpr std::uint8_t kTypeMask = 0x60;
constexpr std::uint8_t kTypeStandard = 0x00;
constexpr std::uint8_t kTypeVendor = 0x40;

// Vendor requests, as libftdi and the kernel's driver send them.
constexpr std::uint8_t kReset = 0x00;
constexpr std::uint8_t kModemControl = 0x01;
constexpr std::uint8_t kFlowControl = 0x02;
constexpr std::uint8_t kBaudRate = 0x03;
constexpr std::uint8_t kDataCharacteristics = 0x04;
constexpr std::uint8_t kPollModemStatus = 0x05;
constexpr std::uint8_t kEventChar = 0x06;
constexpr std::uint8_t kErrorChar = 0x07;
constexpr std::uint8_t kSetLatencyTimer = 0x09;
constexpr std::uint8_t kGetLatencyTimer = 0x0A;
constexpr std::uint8_t kBitMode = 0x0B;
constexpr std::uint8_t kReadPins = 0x0C;

// wValue of the reset request. libftdi 1.5 found that 1 clears the chip's
// transmit buffer and 2 its receive buffer (the older names had them swapped).
constexpr std::uint16_t kResetChip = 0;
constexpr std::uint16_t kFlushTransmit = 1;
constexpr std::uint16_t kFlushReceive = 2;

// Standard requests.
constexpr std::uint8_t kGetStatus = 0x00;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr std::uint8_t kGetConfiguration = 0x08;
constexpr std::uint8_t kDeviceDescriptorType = 1;
constexpr std::uint8_t kConfigurationDescriptorType = 2;
constexpr std::uint8_t kStringDescriptorType = 3;

// The two bytes that open every IN packet: modem status (the low nibble is
// always 1 on this chip) and line status (transmitter holding register and
// transmitter empty). The modem-status poll answers the same two bytes.
constexpr std::uint8_t kModemStatus = 0x01;
constexpr std::uint8_t kLineStatus = 0x60;
constexpr std::size_t kStatusBytes = 2;
constexpr std::size_t kPacketData = kMaxPacketSize - kStatusBytes;

void Answer(std::vector<std::uint8_t>& reply, const std::vector<std::uint8_t>& bytes, std::uint16_t length) {
  reply.assign(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), length));
}

}  // namespace

SetupPacket SetupPacket::Parse(const std::uint8_t* bytes) {
  SetupPacket s;
  s.requestType = bytes[0];
  s.request = bytes[1];
  s.value = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
  s.index = static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8);
  s.length = static_cast<std::uint16_t>(bytes[6] | bytes[7] << 8);
  return s;
}

Ft232rChip::Ft232rChip(std::shared_ptr<sim::SimDevice> device, ChipStrings strings,
                       Clock::time_point poweredAt)
    : device_(std::move(device)), strings_(std::move(strings)), lastPacketAt_(poweredAt) {
  if (strings_.serial.empty()) strings_.serial = device_->Serial();
}

int Ft232rChip::Control(const SetupPacket& setup, std::span<const std::uint8_t> outData,
                        std::vector<std::uint8_t>& reply) {
  reply.clear();
  (void)outData;  // no request this chip knows carries OUT data
  switch (setup.requestType & kTypeMask) {
    case kTypeVendor:
      return vendorRequest(setup, reply);
    case kTypeStandard:
      return standardRequest(setup, reply);
    default:
      return kStall;
  }
}

int Ft232rChip::vendorRequest(const SetupPacket& setup, std::vector<std::uint8_t>& reply) {
  const bool in = (setup.requestType & kDirectionIn) != 0;
  if (in) {
    switch (setup.request) {
      case kPollModemStatus:
        Answer(reply, {kModemStatus, kLineStatus}, setup.length);
        return static_cast<int>(reply.size());
      case kGetLatencyTimer:
        Answer(reply, {settings_.latencyMs}, setup.length);
        return static_cast<int>(reply.size());
      case kReadPins:
        Answer(reply, {0xFF}, setup.length);  // every line idles high
        return static_cast<int>(reply.size());
      default:
        return kStall;  // the EEPROM is not emulated
    }
  }
  switch (setup.request) {
    case kReset:
      if (setup.value == kResetChip) {
        ++settings_.resets;
        if (session_) device_->ResetSession(*session_);
      } else if (setup.value == kFlushReceive) {
        discardReady();
      } else if (setup.value != kFlushTransmit) {
        return kStall;
      }
      // Bytes from the host reach the device at once, so nothing waits to be transmitted.
      return 0;
    case kSetLatencyTimer:
      // The chip takes 1..255 ms; 0 would make it answer every IN token at once.
      settings_.latencyMs = std::max<std::uint8_t>(1, static_cast<std::uint8_t>(setup.value & 0xFF));
      return 0;
    case kBaudRate:
      settings_.baudValue = setup.value;
      settings_.baudIndex = setup.index;
      return 0;
    case kDataCharacteristics:
      settings_.dataFormat = setup.value;
      return 0;
    case kModemControl:
    case kFlowControl:
    case kEventChar:
    case kErrorChar:
    case kBitMode:
      return 0;
    default:
      return kStall;
  }
}

int Ft232rChip::standardRequest(const SetupPacket& setup, std::vector<std::uint8_t>& reply) {
  if ((setup.requestType & kDirectionIn) == 0) return kStall;  // configuration changes come as ioctls
  switch (setup.request) {
    case kGetStatus:
      Answer(reply, {0, 0}, setup.length);
      return static_cast<int>(reply.size());
    case kGetConfiguration:
      Answer(reply, {1}, setup.length);
      return static_cast<int>(reply.size());
    case kGetDescriptor: {
      const auto type = static_cast<std::uint8_t>(setup.value >> 8);
      const auto index = static_cast<std::uint8_t>(setup.value & 0xFF);
      if (type == kDeviceDescriptorType) {
        Answer(reply, DeviceDescriptor(), setup.length);
      } else if (type == kConfigurationDescriptorType && index == 0) {
        Answer(reply, ConfigurationDescriptor(), setup.length);
      } else if (type == kStringDescriptorType) {
        const auto text = StringDescriptor(strings_, index);
        if (!text || !stringsReadable_) return kStall;
        Answer(reply, *text, setup.length);
      } else {
        return kStall;
      }
      return static_cast<int>(reply.size());
    }
    default:
      return kStall;
  }
}

bool Ft232rChip::BeginSession() {
  if (session_) return true;
  std::uint64_t session = 0;
  if (device_->BeginSession(&session) != link::FT_OK) return false;
  session_ = session;
  return true;
}

void Ft232rChip::EndSession() {
  if (!session_) return;
  device_->Port().Close(*session_);
  session_.reset();
}

Ft232rChip::Clock::time_point Ft232rChip::NextPacketAt(Clock::time_point now) const {
  if (readyBytes() >= kPacketData) return now;
  return lastPacketAt_ + std::chrono::milliseconds(settings_.latencyMs);
}

bool Ft232rChip::FillIn(InTransfer& transfer, Clock::time_point now) {
  const Clock::duration sinceLast = now - lastPacketAt_;
  lastPacketAt_ = now;
  const std::size_t before = transfer.filled;
  const bool complete = fillPackets(transfer);
  if (transfer.filled - before == kStatusBytes)
    settings_.shortestStatusGap = std::min(settings_.shortestStatusGap, sinceLast);
  if (complete) {
    ++settings_.inTransfers;
    if (transfer.filled == kStatusBytes) ++settings_.emptyTransfers;
  }
  return complete;
}

bool Ft232rChip::fillPackets(InTransfer& transfer) {
  while (transfer.filled < transfer.capacity) {
    const std::size_t room = std::min(kMaxPacketSize, transfer.capacity - transfer.filled);
    if (room < kStatusBytes) return true;  // a buffer that cannot take the status bytes ends here
    std::uint8_t* packet = transfer.buffer + transfer.filled;
    packet[0] = kModemStatus;
    packet[1] = kLineStatus;
    const std::size_t data = takeReady(packet + kStatusBytes, room - kStatusBytes);
    transfer.filled += kStatusBytes + data;
    if (kStatusBytes + data < kMaxPacketSize) return true;  // a short packet ends the transfer
    // After a full packet the chip goes on only while another full one is waiting;
    // the rest follows when the latency timer runs out.
    if (readyBytes() < kPacketData) return transfer.filled == transfer.capacity;
  }
  return true;
}

std::uint32_t Ft232rChip::readyBytes() const {
  std::uint32_t count = 0;
  if (!session_ || device_->Port().ReadyCount(*session_, &count) != link::FT_OK) return 0;
  return count;
}

std::size_t Ft232rChip::takeReady(std::uint8_t* out, std::size_t n) {
  const std::uint32_t ready = readyBytes();
  const auto want = static_cast<std::uint32_t>(std::min<std::size_t>(n, ready));
  if (want == 0) return 0;
  // The bytes are readable already, so the read returns at once.
  const std::atomic<bool> notCancelled{false};
  std::uint32_t got = 0;
  if (device_->Port().Read(*session_, out, want, 1, notCancelled, &got) != link::FT_OK) return 0;
  return got;
}

void Ft232rChip::discardReady() {
  std::uint8_t sink[256];
  while (takeReady(sink, sizeof sink) > 0) {
  }
}

}  // namespace virn::usbemu
