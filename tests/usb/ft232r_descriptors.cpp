#include "usb/ft232r_descriptors.h"

#include <cstdio>

namespace virn::usbemu {

namespace {

constexpr std::uint8_t kStringDescriptorType = 3;
constexpr std::uint16_t kUsEnglish = 0x0409;
// bLength is one byte: two header bytes and at most 126 UTF-16 characters.
constexpr std::size_t kMaxStringChars = 126;

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::vector<std::uint8_t> EncodeString(const std::string& text) {
  const std::size_t chars = std::min(text.size(), kMaxStringChars);
  std::vector<std::uint8_t> out{static_cast<std::uint8_t>(2 + 2 * chars), kStringDescriptorType};
  // The EEPROM strings are plain ASCII; each byte becomes one UTF-16 unit.
  for (std::size_t i = 0; i < chars; ++i) AppendLe16(out, static_cast<unsigned char>(text[i]));
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[3];
  for (const std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    out += digits;
  }
  return out;
}

std::string FourHexDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value & 0xFFFFu);
  return text;
}

std::string ThreeDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%03d", value);
  return text;
}

// A text attribute line: the record format escapes the newline every sysfs
// attribute ends with, and libusb refuses values without it.
std::string Attribute(const std::string& name, const std::string& value) {
  return "A: " + name + "=" + value + "\\n\n";
}

}  // namespace

std::vector<std::uint8_t> DeviceDescriptor() {
  std::vector<std::uint8_t> d{18, 1};
  AppendLe16(d, 0x0200);                     // USB 2.0
  d.insert(d.end(), {0x00, 0x00, 0x00, 8});  // class per interface, 8-byte control endpoint
  AppendLe16(d, kFtdiVendorId);
  AppendLe16(d, kFt232rProductId);
  AppendLe16(d, kFt232rBcdDevice);
  d.insert(d.end(), {1, 2, 3, 1});  // string indexes, one configuration
  return d;
}

std::vector<std::uint8_t> ConfigurationDescriptor() {
  std::vector<std::uint8_t> d{9, 2};
  AppendLe16(d, 9 + 9 + 7 + 7);
  d.insert(d.end(), {1, 1, 0, 0xA0, 45});  // one interface, value 1, bus powered with remote wake-up, 90 mA
  d.insert(d.end(), {9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 2});  // vendor-specific interface, two endpoints
  d.insert(d.end(), {7, 5, kBulkInEndpoint, 2});
  AppendLe16(d, kMaxPacketSize);
  d.push_back(0);
  d.insert(d.end(), {7, 5, kBulkOutEndpoint, 2});
  AppendLe16(d, kMaxPacketSize);
  d.push_back(0);
  return d;
}

std::optional<std::vector<std::uint8_t>> StringDescriptor(const ChipStrings& strings, std::uint8_t index) {
  switch (index) {
    case 0: {
      std::vector<std::uint8_t> languages{4, kStringDescriptorType};
      AppendLe16(languages, kUsEnglish);
      return languages;
    }
    case 1:
      return EncodeString(strings.manufacturer);
    case 2:
      return EncodeString(strings.product);
    case 3:
      return EncodeString(strings.serial);
    default:
      return std::nullopt;
  }
}

std::string DeviceSysfsPath(int port) {
  return "/devices/usb1/1-" + std::to_string(port);
}

std::string DeviceNodePath(int deviceNumber) {
  return "/dev/bus/usb/" + ThreeDigits(kBusNumber) + "/" + ThreeDigits(deviceNumber);
}

std::string ChipRecord(const ChipStrings& strings, int port, int deviceNumber) {
  std::vector<std::uint8_t> descriptors = DeviceDescriptor();
  const std::vector<std::uint8_t> configuration = ConfigurationDescriptor();
  descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());

  std::string record = "P: " + DeviceSysfsPath(port) + "\n";
  record += "E: SUBSYSTEM=usb\n";
  record += "E: DEVTYPE=usb_device\n";
  record += "E: DEVNAME=" + DeviceNodePath(deviceNumber) + "\n";
  record += "E: BUSNUM=" + ThreeDigits(kBusNumber) + "\n";
  record += "E: DEVNUM=" + ThreeDigits(deviceNumber) + "\n";
  record += "E: PRODUCT=403/6001/600\n";
  record += Attribute("busnum", std::to_string(kBusNumber));
  record += Attribute("devnum", std::to_string(deviceNumber));
  record += Attribute("bConfigurationValue", "1");
  record += Attribute("bNumConfigurations", "1");
  record += Attribute("bNumInterfaces", " 1");
  record += Attribute("bMaxPacketSize0", "8");
  record += Attribute("idVendor", FourHexDigits(kFtdiVendorId));
  record += Attribute("idProduct", FourHexDigits(kFt232rProductId));
  record += Attribute("bcdDevice", FourHexDigits(kFt232rBcdDevice));
  record += Attribute("speed", "12");
  record += Attribute("version", " 2.00");
  record += Attribute("manufacturer", strings.manufacturer);
  record += Attribute("product", strings.product);
  record += Attribute("serial", strings.serial);
  record += "H: descriptors=" + Hex(descriptors) + "\n";
  return record;
}

std::string RootHubRecord() {
  // Linux Foundation 2.0 root hub: a hub class device with its status-change endpoint.
  const std::vector<std::uint8_t> descriptors{18,   1,    0x00, 0x02, 9,    0, 1, 64,   0x6B,
                                              0x1D, 0x02, 0x00, 0x06, 0x06, 3, 2, 1,    1,  // device
                                              9,    2,    25,   0,    1,    1, 0, 0xE0, 0,  // configuration
                                              9,    4,    0,    0,    1,    9, 0, 0,    0,  // interface
                                              7,    5,    0x81, 3,    4,    0, 12};         // endpoint
  std::string record = "P: /devices/usb1\n";
  record += "N: bus/usb/001/001\n";
  record += "E: SUBSYSTEM=usb\n";
  record += "E: DEVTYPE=usb_device\n";
  record += "E: DEVNAME=" + DeviceNodePath(kRootHubDeviceNumber) + "\n";
  record += "E: BUSNUM=001\n";
  record += "E: DEVNUM=001\n";
  record += Attribute("busnum", std::to_string(kBusNumber));
  record += Attribute("devnum", std::to_string(kRootHubDeviceNumber));
  record += Attribute("bConfigurationValue", "1");
  record += Attribute("idVendor", "1d6b");
  record += Attribute("idProduct", "0002");
  record += Attribute("speed", "480");
  record += "H: descriptors=" + Hex(descriptors) + "\n";
  return record;
}

}  // namespace virn::usbemu
