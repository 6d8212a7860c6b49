// The D2XX interface over libftdi1, for real FTDI devices on the USB bus.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "link/d2xx.h"
#include "link/device_listing.h"

namespace virn::link {

namespace detail {

// A mutex that hands itself over in arrival order. A read waiting for data takes the
// device lock once per latency period and retakes it at once; with std::mutex it would
// nearly always win that race and keep a write from the other thread out until the read
// ends, which with an unlimited read time-out may be never.
class TurnMutex {
 public:
  void lock();
  void unlock();
  // Threads that have asked for the lock and do not hold it yet.
  std::uint64_t Waiting() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable turn_;
  std::uint64_t nextTicket_ = 0;
  std::uint64_t serving_ = 0;
};

}  // namespace detail

class FtdiBackend final : public D2xx {
 public:
  // The latency timer set on every opened device: a one-byte answer arrives within this
  // many milliseconds instead of the chip's default 16.
  static constexpr unsigned char kLatencyTimerMs = 2;

  // The listing is answered from the last look at the bus until libusb tells of a
  // change, or the look is `lookAtLeastEvery` old.
  explicit FtdiBackend(std::chrono::milliseconds lookAtLeastEvery = detail::DeviceListing::kLookAtLeastEvery)
      : listing_(lookAtLeastEvery) {}
  // Closes the devices still open. No call may be in progress.
  ~FtdiBackend() override;
  FtdiBackend(const FtdiBackend&) = delete;
  FtdiBackend& operator=(const FtdiBackend&) = delete;

  FT_STATUS FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) override;
  FT_STATUS FT_OpenEx(const void* arg, std::uint32_t flags, FT_HANDLE* handle) override;
  FT_STATUS FT_Close(FT_HANDLE handle) override;
  FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t n, std::uint32_t* got) override;
  FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, std::uint32_t n, std::uint32_t* written) override;
  FT_STATUS FT_ResetDevice(FT_HANDLE handle) override;
  FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs) override;
  FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes,
                         std::uint32_t* eventStatus) override;

 private:
  struct Device;
  class Call;

  detail::DeviceListing listing_;
  std::mutex mutex_;
  std::condition_variable callEnded_;
  std::map<FT_HANDLE, std::shared_ptr<Device>> devices_;  // guarded by mutex_
  std::uint64_t nextHandle_ = 1;                          // guarded by mutex_
};

}  // namespace virn::link
