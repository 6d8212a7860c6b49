// What an FT232R tells the host about itself: its device and configuration
// descriptors, its string descriptors, and the sysfs record the testbed builds
// the device from (the attributes libusb reads instead of opening the device).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace virn::usbemu {

inline constexpr std::uint16_t kFtdiVendorId = 0x0403;
inline constexpr std::uint16_t kFt232rProductId = 0x6001;
// The release number libftdi tells the FT232R from the other chip types by.
inline constexpr std::uint16_t kFt232rBcdDevice = 0x0600;
inline constexpr std::uint8_t kBulkInEndpoint = 0x81;
inline constexpr std::uint8_t kBulkOutEndpoint = 0x02;
// Full-speed bulk packets; every IN packet spends two of its bytes on status.
inline constexpr std::size_t kMaxPacketSize = 64;
inline constexpr int kBusNumber = 1;

// The strings in the chip's EEPROM. The defaults are those of a chip as it
// leaves the factory; the serial number is the one of the device behind it.
struct ChipStrings {
  std::string manufacturer = "FTDI";
  std::string product = "FT232R USB UART";
  std::string serial;
};

std::vector<std::uint8_t> DeviceDescriptor();
// The one configuration with its interface and the two bulk endpoints.
std::vector<std::uint8_t> ConfigurationDescriptor();
// Index 0 is the language list (US English), 1..3 manufacturer, product and
// serial number; any other index has no string (the chip stalls).
std::optional<std::vector<std::uint8_t>> StringDescriptor(const ChipStrings& strings, std::uint8_t index);

// Port n of the root hub is "/devices/usb1/1-n" in sysfs, as the kernel names it.
std::string DeviceSysfsPath(int port);
// "/dev/bus/usb/001/005" for device number 5.
std::string DeviceNodePath(int deviceNumber);

// The testbed record of the chip on `port` with `deviceNumber`: udev properties,
// text attributes and the binary descriptors. It has no node line: the bus
// makes the node itself.
std::string ChipRecord(const ChipStrings& strings, int port, int deviceNumber);
// The root hub, device 1, which every bus has.
inline constexpr int kRootHubDeviceNumber = 1;
std::string RootHubRecord();

}  // namespace virn::usbemu
