// The D2XX-shaped interface that the link layer drives. Two backends implement it:
// libftdi1 for real FTDI devices and the simulated bus of src/sim. Both keep the
// vendor library's semantics: status codes, list flags, FT_Read's time-out rule.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace virn::link {

using FT_STATUS = std::uint32_t;
// 0 is never a valid handle, and a backend never hands out the same handle twice,
// so a stale handle kept after a close can only fail.
using FT_HANDLE = std::uint32_t;

enum : FT_STATUS {
  FT_OK = 0,
  FT_INVALID_HANDLE = 1,
  FT_DEVICE_NOT_FOUND = 2,
  FT_DEVICE_NOT_OPENED = 3,
  FT_IO_ERROR = 4,
  FT_INSUFFICIENT_RESOURCES = 5,
  FT_INVALID_PARAMETER = 6,
  FT_INVALID_BAUD_RATE = 7,
  FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
  FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
  FT_FAILED_TO_WRITE_DEVICE = 10,
  FT_EEPROM_READ_FAILED = 11,
  FT_EEPROM_WRITE_FAILED = 12,
  FT_EEPROM_ERASE_FAILED = 13,
  FT_EEPROM_NOT_PRESENT = 14,
  FT_EEPROM_NOT_PROGRAMMED = 15,
  FT_INVALID_ARGS = 16,
  FT_OTHER_ERROR = 17,
};

// FT_ListDevices flags.
inline constexpr std::uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr std::uint32_t FT_LIST_BY_INDEX = 0x40000000u;
inline constexpr std::uint32_t FT_LIST_ALL = 0x20000000u;
// FT_OpenEx / FT_ListDevices selector flags.
inline constexpr std::uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr std::uint32_t FT_OPEN_BY_DESCRIPTION = 2;

// Size of the buffer FT_ListDevices(FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) fills:
// up to this many serial bytes, with a terminating NUL only when the serial is shorter.
inline constexpr std::uint32_t kSerialListingSize = 16;

// Time-outs a freshly opened device uses until FT_SetTimeouts is called. Bounded so
// that querying a device which never answers cannot stall the caller for long.
inline constexpr std::uint32_t kDefaultReadTimeoutMs = 50;
inline constexpr std::uint32_t kDefaultWriteTimeoutMs = 50;

// Fills a serial-number listing buffer as the vendor library does.
inline void CopySerialToListing(std::string_view serial, char* listing) {
  const auto n = std::min<std::size_t>(serial.size(), kSerialListingSize);
  std::memcpy(listing, serial.data(), n);
  if (n < kSerialListingSize) listing[n] = '\0';
}

// Backends are safe to call from several threads: the program reads sweep bytes on
// its acquisition thread while the GUI thread writes commands and may close the
// device. A close waits for calls in progress on that handle; FT_Read does not keep
// writes out while it waits for data.
class D2xx {
 public:
  virtual ~D2xx() = default;

  // FT_LIST_NUMBER_ONLY: arg1 points to a std::uint32_t that receives the count.
  // FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER: arg1 is the index cast to a pointer,
  // arg2 a buffer of kSerialListingSize bytes that receives the serial number.
  virtual FT_STATUS FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) = 0;
  // FT_OPEN_BY_SERIAL_NUMBER: arg is a NUL-terminated serial number.
  virtual FT_STATUS FT_OpenEx(const void* arg, std::uint32_t flags, FT_HANDLE* handle) = 0;
  virtual FT_STATUS FT_Close(FT_HANDLE handle) = 0;
  // Waits up to the read time-out for n bytes; on time-out returns FT_OK with fewer.
  // A read time-out of 0 waits without limit.
  virtual FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t n, std::uint32_t* got) = 0;
  virtual FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, std::uint32_t n,
                             std::uint32_t* written) = 0;
  virtual FT_STATUS FT_ResetDevice(FT_HANDLE handle) = 0;
  virtual FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
  virtual FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes,
                                 std::uint32_t* eventStatus) = 0;
};

}  // namespace virn::link
