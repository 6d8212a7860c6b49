#include "link/device_listing.h"

#include <ftdi.h>
#include <libusb.h>
#include <sys/time.h>

#include <type_traits>
#include <utility>

namespace virn::link::detail {

namespace {

constexpr int kFtdiVendor = 0x0403;

static_assert(std::is_same_v<libusb_hotplug_callback_handle, int>);

int LIBUSB_CALL OnBusChange(libusb_context* /*context*/, libusb_device* /*device*/,
                            libusb_hotplug_event /*event*/, void* changed) {
  static_cast<std::atomic<bool>*>(changed)->store(true);
  return 0;  // stay registered
}

}  // namespace

Scan::Scan() : context_(ftdi_new()) {
  // A machine without usable USB (libusb cannot start) simply has no device.
  failed_ = context_ == nullptr || ftdi_usb_find_all(context_, &list_, 0, 0) < 0;
  if (failed_) ftdi_list_free(&list_);
}

Scan::~Scan() {
  // The list holds references to libusb devices of this context: free it first.
  ftdi_list_free(&list_);
  if (context_ != nullptr) ftdi_free(context_);
}

ftdi_context* Scan::ReleaseContext() {
  return std::exchange(context_, nullptr);
}

std::optional<std::string> ReadSerial(ftdi_context* context, libusb_device* device) {
  char serial[256] = {};  // a USB string descriptor holds at most 126 characters
  const bool ok = ftdi_usb_get_strings2(context, device, nullptr, 0, nullptr, 0, serial, sizeof serial) == 0;
  // One failure path of libftdi leaves the device open on the context; the next read
  // would then go through the wrong device.
  if (context->usb_dev != nullptr) ftdi_usb_close(context);
  if (!ok) return std::nullopt;
  return std::string(serial);
}

DeviceListing::~DeviceListing() {
  scan_.reset();
  if (watcher_ == nullptr) return;
  libusb_hotplug_deregister_callback(watcher_, callback_);
  libusb_exit(watcher_);
}

DeviceListing::Watch DeviceListing::watchLocked() {
  if (watcher_ != nullptr) return Watch::kOn;
  if (unwatched_) return Watch::kOff;
  libusb_context* watcher = nullptr;
  if (libusb_init(&watcher) != LIBUSB_SUCCESS) return Watch::kNoUsb;
  if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) == 0 ||
      libusb_hotplug_register_callback(watcher,
                                       static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                                         LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                                       static_cast<libusb_hotplug_flag>(0), kFtdiVendor,
                                       LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, OnBusChange,
                                       &changed_, &callback_) != LIBUSB_SUCCESS) {
    libusb_exit(watcher);
    unwatched_ = true;
    return Watch::kOff;
  }
  watcher_ = watcher;
  return Watch::kOn;
}

void DeviceListing::refreshLocked() {
  // libusb's own thread takes in the kernel's notices of the bus; asking for the
  // device list makes libusb take in those that have come and not been handled
  // yet, so that a change made just before this call is seen. Handling the events
  // then calls OnBusChange for each. Neither call waits.
  libusb_device** devices = nullptr;
  if (libusb_get_device_list(watcher_, &devices) >= 0) libusb_free_device_list(devices, 1);
  timeval noWait{};
  libusb_handle_events_timeout_completed(watcher_, &noWait, nullptr);
  // Cleared before the look: a change during it is looked for at the next call.
  const bool changed = changed_.exchange(false);
  const auto now = std::chrono::steady_clock::now();
  if (scan_ != nullptr && !scan_->Failed() && !unreadable_ && !changed && now - lookedAt_ < lookAtLeastEvery_)
    return;

  scan_.reset();  // one context at a time
  scan_ = std::make_unique<Scan>();
  lookedAt_ = now;
  serials_.clear();
  unreadable_ = false;
  for (auto* d = scan_->Devices(); d != nullptr; d = d->next) serials_.emplace_back();
}

std::uint32_t DeviceListing::Count() {
  std::lock_guard lock(mutex_);
  switch (watchLocked()) {
    case Watch::kOn:
      refreshLocked();
      return static_cast<std::uint32_t>(serials_.size());
    case Watch::kNoUsb:
      return 0;
    case Watch::kOff:
      break;
  }
  const Scan scan;
  std::uint32_t count = 0;
  for (auto* d = scan.Devices(); d != nullptr; d = d->next) ++count;
  return count;
}

std::optional<std::string> DeviceListing::SerialAt(std::uintptr_t index) {
  std::lock_guard lock(mutex_);
  switch (watchLocked()) {
    case Watch::kOn: {
      refreshLocked();
      if (index >= serials_.size()) return std::nullopt;
      auto* d = scan_->Devices();
      for (std::uintptr_t i = 0; i < index; ++i) d = d->next;
      std::optional<std::string>& serial = serials_[index];
      if (!serial) serial = ReadSerial(scan_->Context(), d->dev);
      // Never kept: udev may still be giving the user access to a chip just plugged in.
      if (!serial) unreadable_ = true;
      return serial.value_or(std::string());
    }
    case Watch::kNoUsb:
      return std::nullopt;
    case Watch::kOff:
      break;
  }
  const Scan scan;
  std::uintptr_t i = 0;
  for (auto* d = scan.Devices(); d != nullptr; d = d->next, ++i) {
    if (i == index) return ReadSerial(scan.Context(), d->dev).value_or(std::string());
  }
  return std::nullopt;
}

}  // namespace virn::link::detail
