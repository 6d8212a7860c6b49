// The emulated chip as libusb sees it, with no libftdi in between: what it
// describes itself as, the packets its bulk IN endpoint sends, the vendor
// requests it answers, and the device list following it on and off the bus.
#include <gtest/gtest.h>
#include <libusb.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/other_devices.h"
#include "sim/sim_instrument.h"
#include "support/poll_until.h"
#include "usb/backend_helpers.h"
#include "usb/emulated_bus.h"

namespace virn::usbemu {
namespace {

constexpr unsigned kTimeoutMs = 1000;
// Vendor requests to the device, host to device and back: what libftdi sends.
constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;

struct ContextDeleter {
  void operator()(libusb_context* context) const { libusb_exit(context); }
};
using Context = std::unique_ptr<libusb_context, ContextDeleter>;

Context NewContext() {
  libusb_context* context = nullptr;
  EXPECT_EQ(libusb_init(&context), 0);
  return Context(context);
}

// The device numbers of the FTDI devices libusb lists now.
std::vector<int> FtdiDeviceNumbers(libusb_context* context) {
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  std::vector<int> numbers;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list[i], &descriptor) == 0 && descriptor.idVendor == kFtdiVendorId) {
      numbers.push_back(libusb_get_device_address(list[i]));
    }
  }
  libusb_free_device_list(list, 1);
  return numbers;
}

// An open, claimed chip, found by its device number.
class OpenChip {
 public:
  OpenChip(libusb_context* context, int deviceNumber) {
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < count && handle_ == nullptr; ++i) {
      if (libusb_get_device_address(list[i]) != deviceNumber) continue;
      libusb_get_device_descriptor(list[i], &descriptor_);
      if (libusb_open(list[i], &handle_) != 0) handle_ = nullptr;
    }
    libusb_free_device_list(list, 1);
    if (handle_ != nullptr && libusb_claim_interface(handle_, 0) != 0) {
      libusb_close(handle_);
      handle_ = nullptr;
    }
  }
  ~OpenChip() {
    if (handle_ == nullptr) return;
    libusb_release_interface(handle_, 0);
    libusb_close(handle_);
  }
  OpenChip(const OpenChip&) = delete;
  OpenChip& operator=(const OpenChip&) = delete;

  libusb_device_handle* Handle() const { return handle_; }
  const libusb_device_descriptor& Descriptor() const { return descriptor_; }

  std::string String(std::uint8_t index) const {
    unsigned char text[256] = {};
    const int n = libusb_get_string_descriptor_ascii(handle_, index, text, sizeof text);
    return n < 0 ? "?" : std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(n));
  }
  // One bulk IN transfer of up to `capacity` bytes, status bytes included.
  std::vector<std::uint8_t> BulkIn(int capacity, int* result = nullptr) const {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(capacity));
    int got = 0;
    const int r = libusb_bulk_transfer(handle_, kBulkInEndpoint, bytes.data(), capacity, &got, kTimeoutMs);
    if (result != nullptr) *result = r;
    bytes.resize(r == 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
  }
  int BulkOut(std::vector<std::uint8_t> bytes) const {
    int sent = 0;
    const int r = libusb_bulk_transfer(handle_, kBulkOutEndpoint, bytes.data(),
                                       static_cast<int>(bytes.size()), &sent, kTimeoutMs);
    return r == 0 ? sent : r;
  }
  int VendorOut(std::uint8_t request, std::uint16_t value) const {
    return libusb_control_transfer(handle_, kVendorOut, request, value, 1, nullptr, 0, kTimeoutMs);
  }
  std::vector<std::uint8_t> VendorIn(std::uint8_t request, std::uint16_t length,
                                     int* result = nullptr) const {
    std::vector<std::uint8_t> bytes(length);
    const int r =
        libusb_control_transfer(handle_, kVendorIn, request, 0, 1, bytes.data(), length, kTimeoutMs);
    if (result != nullptr) *result = r;
    bytes.resize(r >= 0 ? static_cast<std::size_t>(r) : 0);
    return bytes;
  }

 private:
  libusb_device_handle* handle_ = nullptr;
  libusb_device_descriptor descriptor_{};
};

const std::vector<std::uint8_t> kStatus{0x01, 0x60};

TEST(Ft232rChip, DescribesItselfAsAnFt232rWithItsEepromStrings) {
  EmulatedBus bus;
  ChipOptions options;
  options.strings.manufacturer = "Maker";
  options.strings.product = "Analyser";
  EmulatedChip& chip = bus.Plug(std::make_shared<sim::SilentDevice>("SER123"), options);
  Context context = NewContext();
  OpenChip open(context.get(), chip.DeviceNumber());
  ASSERT_NE(open.Handle(), nullptr);
  EXPECT_EQ(open.Descriptor().idVendor, 0x0403);
  EXPECT_EQ(open.Descriptor().idProduct, 0x6001);
  EXPECT_EQ(open.Descriptor().bcdDevice, 0x0600);
  EXPECT_EQ(open.String(open.Descriptor().iManufacturer), "Maker");
  EXPECT_EQ(open.String(open.Descriptor().iProduct), "Analyser");
  EXPECT_EQ(open.String(open.Descriptor().iSerialNumber), "SER123");
  EXPECT_EQ(chip.Serial(), "SER123");
}

TEST(Ft232rChip, AnIdleChipSendsItsStatusAloneOncePerLatencyPeriod) {
  EmulatedBus bus;
  EmulatedChip& chip = bus.Plug(std::make_shared<sim::SilentDevice>("IDLE"));
  Context context = NewContext();
  OpenChip open(context.get(), chip.DeviceNumber());
  ASSERT_NE(open.Handle(), nullptr);
  constexpr std::uint16_t kLatencyMs = 10;
  ASSERT_EQ(open.VendorOut(0x09, kLatencyMs), 0);
  EXPECT_EQ(open.VendorIn(0x0A, 1), std::vector<std::uint8_t>{kLatencyMs});
  EXPECT_EQ(chip.Settings().latencyMs, kLatencyMs);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(open.BulkIn(4096), kStatus);
  // Never before the latency timer has run out again since the packet before,
  // by the chip's clock: the host, late to take a packet, may see less.
  EXPECT_EQ(chip.Settings().emptyTransfers, 6u);
  EXPECT_GE(chip.Settings().shortestStatusGap, std::chrono::milliseconds(kLatencyMs));
}

TEST(Ft232rChip, EveryPacketOfATransferStartsWithTheStatusBytes) {
  EmulatedBus bus;
  std::vector<std::uint8_t> reply(200);
  for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<std::uint8_t>(i + 1);
  auto device = std::make_shared<sim::ReplyDevice>("REPLY", reply);
  EmulatedChip& chip = bus.Plug(device);
  Context context = NewContext();
  OpenChip open(context.get(), chip.DeviceNumber());
  ASSERT_NE(open.Handle(), nullptr);
  ASSERT_EQ(open.BulkOut({link::opcode::kVersionQuery, 0, 0, 0, 0}), 5);
  ASSERT_EQ(device->VersionQueries(), 1u);
  // 200 bytes are three full packets of 62 and a short one of 14.
  const std::vector<std::uint8_t> transfer = open.BulkIn(4096);
  ASSERT_EQ(transfer.size(), 200u + 4 * 2);
  std::vector<std::uint8_t> data;
  for (std::size_t packet = 0; packet < transfer.size(); packet += kMaxPacketSize) {
    EXPECT_EQ(transfer[packet], 0x01) << packet;
    EXPECT_EQ(transfer[packet + 1], 0x60) << packet;
    const std::size_t end = std::min(transfer.size(), packet + kMaxPacketSize);
    data.insert(data.end(), transfer.begin() + static_cast<std::ptrdiff_t>(packet + 2),
                transfer.begin() + static_cast<std::ptrdiff_t>(end));
  }
  EXPECT_EQ(data, reply);
  EXPECT_EQ(open.BulkIn(4096), kStatus);
}

TEST(Ft232rChip, AnswersTheModemStatusPollAndStallsWhatItDoesNotKnow) {
  EmulatedBus bus;
  EmulatedChip& chip = bus.Plug(std::make_shared<sim::SilentDevice>("MODEM"));
  Context context = NewContext();
  OpenChip open(context.get(), chip.DeviceNumber());
  ASSERT_NE(open.Handle(), nullptr);
  EXPECT_EQ(open.VendorIn(0x05, 2), kStatus);
  int result = 0;
  open.VendorIn(0x90, 2, &result);  // the EEPROM is not there
  EXPECT_EQ(result, LIBUSB_ERROR_PIPE);
  EXPECT_EQ(open.VendorOut(0x42, 0), LIBUSB_ERROR_PIPE);
  // Baud rate and data characteristics are taken and kept.
  EXPECT_EQ(open.VendorOut(0x03, 0x4138), 0);
  EXPECT_EQ(open.VendorOut(0x04, 0x0008), 0);
  EXPECT_EQ(chip.Settings().baudValue, 0x4138);
  EXPECT_EQ(chip.Settings().dataFormat, 0x0008);
}

TEST(Ft232rChip, ThePurgeOfTheReceiveBufferDropsWhatWaitsForTheHost) {
  EmulatedBus bus;
  auto device = std::make_shared<sim::ReplyDevice>("PURGE", sim::MakeVersionReply(sim::kDefaultVersionText));
  EmulatedChip& chip = bus.Plug(device);
  Context context = NewContext();
  OpenChip open(context.get(), chip.DeviceNumber());
  ASSERT_NE(open.Handle(), nullptr);
  ASSERT_EQ(open.BulkOut({link::opcode::kVersionQuery, 0, 0, 0, 0}), 5);
  ASSERT_EQ(open.VendorOut(0x00, 1), 0);  // the transmit buffer: nothing there
  ASSERT_EQ(open.VendorOut(0x00, 2), 0);  // the receive buffer
  EXPECT_EQ(open.BulkIn(4096), kStatus);
  EXPECT_EQ(chip.Settings().resets, 0u);  // purges are no resets
}

TEST(Ft232rChip, LibusbsDeviceListFollowsTheChipOffAndOnTheBus) {
  EmulatedBus bus;
  EmulatedChip& chip = bus.Plug(std::make_shared<sim::SilentDevice>("HOTPLUG"));
  Context context = NewContext();
  const int first = chip.DeviceNumber();
  ASSERT_EQ(FtdiDeviceNumbers(context.get()), std::vector<int>{first});
  // The context stays, so only the uevents can tell it; they arrive on its own thread.
  auto waitFor = [&](const std::vector<int>& wanted) {
    test::PollUntil([&] { return FtdiDeviceNumbers(context.get()) == wanted; }, test::WhileWaiting::Sleep);
    return FtdiDeviceNumbers(context.get());
  };
  bus.Unplug(chip);
  EXPECT_EQ(waitFor({}), std::vector<int>{});
  bus.Replug(chip);
  ASSERT_NE(chip.DeviceNumber(), first);
  EXPECT_EQ(waitFor({chip.DeviceNumber()}), std::vector<int>{chip.DeviceNumber()});
}

}  // namespace
}  // namespace virn::usbemu
