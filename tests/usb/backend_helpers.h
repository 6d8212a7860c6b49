// Small steps the USB tests take through the libftdi backend.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "link/command_frame.h"
#include "link/ftdi_backend.h"

namespace virn::usbemu {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The number of devices the backend counts, or -1 when the count fails.
inline int ListedCount(link::FtdiBackend& backend) {
  std::uint32_t count = 0;
  if (backend.FT_ListDevices(&count, nullptr, link::FT_LIST_NUMBER_ONLY) != link::FT_OK) return -1;
  return static_cast<int>(count);
}

// The serial number listed at `index`, or "?" when listing fails.
inline std::string ListedSerial(link::FtdiBackend& backend, std::uintptr_t index) {
  std::array<char, link::kSerialListingSize + 1> listing{};
  if (backend.FT_ListDevices(reinterpret_cast<void*>(index), listing.data(),
                             link::FT_LIST_BY_INDEX | link::FT_OPEN_BY_SERIAL_NUMBER) != link::FT_OK) {
    return "?";
  }
  return listing.data();
}

inline std::vector<std::string> ListedSerials(link::FtdiBackend& backend) {
  std::vector<std::string> serials;
  const int count = ListedCount(backend);
  for (int i = 0; i < count; ++i) serials.push_back(ListedSerial(backend, static_cast<std::uintptr_t>(i)));
  return serials;
}

inline link::FT_STATUS Open(link::FtdiBackend& backend, const std::string& serial, link::FT_HANDLE* handle) {
  return backend.FT_OpenEx(serial.c_str(), link::FT_OPEN_BY_SERIAL_NUMBER, handle);
}

inline link::FT_STATUS SendFrame(link::FtdiBackend& backend, link::FT_HANDLE handle, std::uint8_t opcode,
                                 std::int32_t argument) {
  const link::Frame frame = link::EncodeFrame(opcode, argument);
  std::uint32_t written = 0;
  const link::FT_STATUS status = backend.FT_Write(handle, frame.data(), frame.size(), &written);
  return status == link::FT_OK && written != frame.size() ? link::FT_FAILED_TO_WRITE_DEVICE : status;
}

// One FT_Read of up to n bytes; the bytes that came, or an empty result with
// `status` set when the read failed.
inline std::vector<std::uint8_t> ReadUpTo(link::FtdiBackend& backend, link::FT_HANDLE handle, std::uint32_t n,
                                          link::FT_STATUS* status = nullptr) {
  std::vector<std::uint8_t> bytes(n);
  std::uint32_t got = 0;
  const link::FT_STATUS result = backend.FT_Read(handle, bytes.data(), n, &got);
  if (status != nullptr) *status = result;
  bytes.resize(result == link::FT_OK ? got : 0);
  return bytes;
}

// The status of FT_GetStatus alone.
inline link::FT_STATUS PollStatus(link::FtdiBackend& backend, link::FT_HANDLE handle) {
  std::uint32_t rx = 0, tx = 0, events = 0;
  return backend.FT_GetStatus(handle, &rx, &tx, &events);
}

}  // namespace virn::usbemu
