// A simulated USB bus of FTDI devices behind the D2XX interface, with the vendor
// library's rules: listing by count and by index, one open per device, handles
// that are never reused, FT_Read's time-out, and I/O errors after an unplug.
// Tests and the demo program plug and unplug devices at any moment, from any
// thread, while the program uses the bus.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/d2xx.h"
#include "sim/sim_device.h"

namespace virn::sim {

class SimBus : public link::D2xx {
 public:
  SimBus();
  // Closes every handle still open (waiting for calls in progress) and unplugs
  // every device. No call may start on the bus after this begins.
  ~SimBus() override;
  SimBus(const SimBus&) = delete;
  SimBus& operator=(const SimBus&) = delete;

  // Appends the device to the listing order. False if it, or another device
  // with the same serial, is already plugged.
  bool Plug(std::shared_ptr<SimDevice> device);
  // Removes the device. Handles open on it fail with FT_IO_ERROR from now on,
  // and reads waiting on it end. False if no such serial is plugged.
  bool Unplug(std::string_view serial);
  std::shared_ptr<SimDevice> Find(std::string_view serial) const;
  std::vector<std::string> PluggedSerials() const;

  link::FT_STATUS FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) override;
  link::FT_STATUS FT_OpenEx(const void* arg, std::uint32_t flags, link::FT_HANDLE* handle) override;
  // Also waits until calls in progress on the handle have returned; a read that
  // waits for data is ended with FT_IO_ERROR.
  link::FT_STATUS FT_Close(link::FT_HANDLE handle) override;
  link::FT_STATUS FT_Read(link::FT_HANDLE handle, void* buffer, std::uint32_t n, std::uint32_t* got) override;
  // Hands the bytes to the device before returning; its reply, if any, is queued
  // for reading by then.
  link::FT_STATUS FT_Write(link::FT_HANDLE handle, const void* buffer, std::uint32_t n,
                           std::uint32_t* written) override;
  link::FT_STATUS FT_ResetDevice(link::FT_HANDLE handle) override;
  link::FT_STATUS FT_SetTimeouts(link::FT_HANDLE handle, std::uint32_t readMs,
                                 std::uint32_t writeMs) override;
  // rxBytes: bytes readable now; txBytes and eventStatus: always 0.
  link::FT_STATUS FT_GetStatus(link::FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes,
                               std::uint32_t* eventStatus) override;

  // Handles open right now, stale ones (device unplugged) included.
  std::size_t OpenHandleCount() const;

 private:
  struct Handle;
  class Call;

  std::shared_ptr<Handle> lookup(link::FT_HANDLE handle) const;
  static void closeHandle(Handle& handle);

  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<SimDevice>> plugged_;  // in listing order
  std::map<link::FT_HANDLE, std::shared_ptr<Handle>> handles_;
  link::FT_HANDLE nextHandle_ = 1;
};

}  // namespace virn::sim
