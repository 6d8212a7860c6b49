#include "link/ftdi_backend.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace virn::link {

namespace detail {

void TurnMutex::lock() {
  std::unique_lock lock(mutex_);
  const std::uint64_t ticket = nextTicket_++;
  turn_.wait(lock, [&] { return serving_ == ticket; });
}

void TurnMutex::unlock() {
  {
    std::lock_guard lock(mutex_);
    ++serving_;
  }
  turn_.notify_all();
}

std::uint64_t TurnMutex::Waiting() const {
  std::lock_guard lock(mutex_);
  // The holder's ticket is the one being served; everyone after it is waiting.
  return nextTicket_ == serving_ ? 0 : nextTicket_ - serving_ - 1;
}

}  // namespace detail

namespace {

using Clock = std::chrono::steady_clock;

// libftdi gives up on a bulk read after this long and throws away what it had received,
// so it is kept well above any latency period; FT_Read keeps its own deadline instead.
constexpr int kUsbReadTimeoutMs = 5000;

int ClampToInt(std::uint32_t value) {
  return static_cast<int>(std::min<std::uint32_t>(value, INT_MAX));
}

}  // namespace

struct FtdiBackend::Device {
  detail::TurnMutex io;         // one libftdi call on ctx at a time
  ftdi_context* ctx = nullptr;  // guarded by io
  std::atomic<std::uint32_t> readTimeoutMs{kDefaultReadTimeoutMs};
  std::atomic<bool> closing{false};  // set by FT_Close so that a waiting read gives up
  int calls = 0;                     // calls in progress; guarded by the backend's mutex_

  Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  ~Device() {
    if (ctx != nullptr) {
      // ftdi_usb_close releases the interface, which gives the kernel's serial driver
      // the device back; ftdi_free alone would not.
      ftdi_usb_close(ctx);
      ftdi_free(ctx);
    }
  }
};

// Holds a device for the length of one call and counts the call, so FT_Close can wait
// for it to end.
class FtdiBackend::Call {
 public:
  Call(FtdiBackend& backend, FT_HANDLE handle) : backend_(backend) {
    std::lock_guard lock(backend_.mutex_);
    const auto it = backend_.devices_.find(handle);
    if (it == backend_.devices_.end()) return;
    device_ = it->second;
    ++device_->calls;
  }
  ~Call() {
    if (device_ == nullptr) return;
    {
      std::lock_guard lock(backend_.mutex_);
      --device_->calls;
    }
    backend_.callEnded_.notify_all();
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  explicit operator bool() const { return device_ != nullptr; }
  Device* operator->() const { return device_.get(); }

 private:
  FtdiBackend& backend_;
  std::shared_ptr<Device> device_;
};

FtdiBackend::~FtdiBackend() = default;

FT_STATUS FtdiBackend::FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) {
  if (flags == FT_LIST_NUMBER_ONLY) {
    if (arg1 == nullptr) return FT_INVALID_PARAMETER;
    *static_cast<std::uint32_t*>(arg1) = listing_.Count();
    return FT_OK;
  }
  if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER)) {
    if (arg2 == nullptr) return FT_INVALID_PARAMETER;
    const std::optional<std::string> serial = listing_.SerialAt(reinterpret_cast<std::uintptr_t>(arg1));
    if (!serial) return FT_DEVICE_NOT_FOUND;
    CopySerialToListing(*serial, static_cast<char*>(arg2));
    return FT_OK;
  }
  return FT_INVALID_PARAMETER;
}

FT_STATUS FtdiBackend::FT_OpenEx(const void* arg, std::uint32_t flags, FT_HANDLE* handle) {
  if (arg == nullptr || handle == nullptr || flags != FT_OPEN_BY_SERIAL_NUMBER) return FT_INVALID_PARAMETER;
  const std::string wanted(static_cast<const char*>(arg));

  // The device is opened on the context that found it, so the libusb device and its
  // handle belong to one context, which the device record then owns.
  detail::Scan scan;
  ftdi_context* ctx = scan.Context();
  if (ctx == nullptr) return FT_DEVICE_NOT_FOUND;
  // Discovery opens every FTDI device on the bus for a moment; a serial adapter that is
  // not ours must get its tty back when we let go of it.
  ctx->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;

  bool found = false;
  bool opened = false;
  // Several devices may share a serial (or have none); the first one that opens wins.
  for (auto* d = scan.Devices(); d != nullptr && !opened; d = d->next) {
    if (detail::ReadSerial(ctx, d->dev).value_or(std::string()) != wanted) continue;
    found = true;
    if (ftdi_usb_open_dev(ctx, d->dev) == 0 && ftdi_set_latency_timer(ctx, kLatencyTimerMs) == 0) {
      opened = true;
    } else {
      // Some failed opens leave the device open on the context, and the next serial
      // would be read through it; closing also hands a claimed device back.
      ftdi_usb_close(ctx);
    }
  }
  if (!opened) return found ? FT_DEVICE_NOT_OPENED : FT_DEVICE_NOT_FOUND;

  ctx->usb_read_timeout = kUsbReadTimeoutMs;
  ctx->usb_write_timeout = ClampToInt(kDefaultWriteTimeoutMs);
  auto device = std::make_shared<Device>();
  device->ctx = scan.ReleaseContext();

  std::lock_guard lock(mutex_);
  if (nextHandle_ > UINT32_MAX) return FT_INSUFFICIENT_RESOURCES;  // the device record closes it
  const auto assigned = static_cast<FT_HANDLE>(nextHandle_++);
  devices_.emplace(assigned, std::move(device));
  *handle = assigned;
  return FT_OK;
}

FT_STATUS FtdiBackend::FT_Close(FT_HANDLE handle) {
  std::shared_ptr<Device> device;
  {
    std::unique_lock lock(mutex_);
    const auto it = devices_.find(handle);
    if (it == devices_.end()) return FT_INVALID_HANDLE;
    device = std::move(it->second);
    devices_.erase(it);
    device->closing = true;
    callEnded_.wait(lock, [&] { return device->calls == 0; });
  }
  std::lock_guard io(device->io);
  // A failed release (device unplugged) changes nothing for the caller: the handle is
  // gone either way.
  ftdi_usb_close(device->ctx);
  ftdi_free(device->ctx);
  device->ctx = nullptr;
  return FT_OK;
}

FT_STATUS FtdiBackend::FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t n, std::uint32_t* got) {
  if (got == nullptr || (buffer == nullptr && n > 0)) return FT_INVALID_PARAMETER;
  *got = 0;
  Call call(*this, handle);
  if (!call) return FT_INVALID_HANDLE;

  const std::uint32_t timeoutMs = call->readTimeoutMs;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  auto* out = static_cast<unsigned char*>(buffer);
  std::uint32_t total = 0;
  // A close ends the wait as a time-out would: the caller gets what has arrived.
  while (total < n && !call->closing) {
    const auto before = Clock::now();
    int r = 0;
    {
      // Locked per call, not for the whole wait, so a write from another thread gets in
      // between two idle reads.
      std::lock_guard io(call->io);
      r = ftdi_read_data(call->ctx, out + total, ClampToInt(n - total));
    }
    if (r < 0) {
      *got = total;
      return FT_IO_ERROR;
    }
    total += static_cast<std::uint32_t>(r);
    const auto after = Clock::now();
    if (total >= n || (timeoutMs != 0 && after >= deadline)) break;
    // An idle call normally waits one latency period; one that came back at once must
    // not turn the loop into a spin.
    if (r == 0 && after - before < std::chrono::microseconds(500)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  *got = total;
  return FT_OK;
}

FT_STATUS FtdiBackend::FT_Write(FT_HANDLE handle, const void* buffer, std::uint32_t n,
                                std::uint32_t* written) {
  if (written == nullptr || (buffer == nullptr && n > 0) || n > INT_MAX) return FT_INVALID_PARAMETER;
  *written = 0;
  Call call(*this, handle);
  if (!call) return FT_INVALID_HANDLE;
  if (n == 0) return FT_OK;

  int r = 0;
  {
    std::lock_guard io(call->io);
    r = ftdi_write_data(call->ctx, static_cast<const unsigned char*>(buffer), static_cast<int>(n));
  }
  if (r < 0) return FT_IO_ERROR;
  *written = static_cast<std::uint32_t>(r);
  return *written == n ? FT_OK : FT_FAILED_TO_WRITE_DEVICE;
}

FT_STATUS FtdiBackend::FT_ResetDevice(FT_HANDLE handle) {
  Call call(*this, handle);
  if (!call) return FT_INVALID_HANDLE;
  // ftdi_usb_reset also empties libftdi's read buffer; this backend keeps none of its own.
  std::lock_guard io(call->io);
  return ftdi_usb_reset(call->ctx) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS FtdiBackend::FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readMs, std::uint32_t writeMs) {
  Call call(*this, handle);
  if (!call) return FT_INVALID_HANDLE;
  call->readTimeoutMs = readMs;
  // libusb takes 0 as "no limit", as the vendor library does.
  std::lock_guard io(call->io);
  call->ctx->usb_write_timeout = ClampToInt(writeMs);
  return FT_OK;
}

FT_STATUS FtdiBackend::FT_GetStatus(FT_HANDLE handle, std::uint32_t* rxBytes, std::uint32_t* txBytes,
                                    std::uint32_t* eventStatus) {
  if (rxBytes == nullptr || txBytes == nullptr || eventStatus == nullptr) return FT_INVALID_PARAMETER;
  Call call(*this, handle);
  if (!call) return FT_INVALID_HANDLE;
  std::lock_guard io(call->io);
  // The modem-status request is the cheapest round trip to the chip: it fails once the
  // device is gone, which is what the caller polls for.
  unsigned short modemStatus = 0;
  if (ftdi_poll_modem_status(call->ctx, &modemStatus) < 0) return FT_IO_ERROR;
  *rxBytes = call->ctx->readbuffer_remaining;
  *txBytes = 0;
  *eventStatus = 0;
  return FT_OK;
}

}  // namespace virn::link
