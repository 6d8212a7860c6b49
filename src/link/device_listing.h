// The FTDI chips on the USB bus as the libftdi backend lists them. The program
// looks for its instrument ten times a second while none is connected; a fresh
// look at the bus each time starts libusb, reads sysfs and opens every chip for
// its serial number. Here a libusb context is kept that only watches: its
// hot-plug notices say when the bus has changed, and until then a listing is
// answered from the last look. The look itself is made on a fresh context as
// before, so the chips come in the same order: a context that watches lists
// the chips that arrived later first. Where no udev daemon passes the kernel's
// notices on (some containers), libusb hears of no change at all, so the bus is
// looked at afresh every second all the same.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct ftdi_context;
struct ftdi_device_list;
struct libusb_context;
struct libusb_device;

namespace virn::link::detail {

// One look at the bus on a context of its own. A context that has a device open reads
// the strings of every other device through that device's handle, so listing never
// shares a context with an open device.
class Scan {
 public:
  Scan();
  ~Scan();
  Scan(const Scan&) = delete;
  Scan& operator=(const Scan&) = delete;

  ftdi_context* Context() const { return context_; }
  ftdi_device_list* Devices() const { return list_; }
  // libusb could not start, or could not list the bus: Devices() shows nothing.
  bool Failed() const { return failed_; }
  // Hands the context over to the caller, who then frees it.
  ftdi_context* ReleaseContext();

 private:
  ftdi_context* context_;
  ftdi_device_list* list_ = nullptr;
  bool failed_ = false;
};

// The device's serial number (empty when it has no serial descriptor), or nothing when
// its strings cannot be read, as when udev has not yet given the user access to it.
std::optional<std::string> ReadSerial(ftdi_context* context, libusb_device* device);

// Safe to call from several threads. Its contexts never have a device open beyond the
// reading of one serial number.
class DeviceListing {
 public:
  static constexpr std::chrono::milliseconds kLookAtLeastEvery{1000};

  explicit DeviceListing(std::chrono::milliseconds lookAtLeastEvery = kLookAtLeastEvery)
      : lookAtLeastEvery_(lookAtLeastEvery) {}
  ~DeviceListing();
  DeviceListing(const DeviceListing&) = delete;
  DeviceListing& operator=(const DeviceListing&) = delete;

  // The number of FTDI chips on the bus now.
  std::uint32_t Count();
  // The serial number of the chip at `index` in the count's order, empty when it
  // cannot be read; nothing past the last chip.
  std::optional<std::string> SerialAt(std::uintptr_t index);

 private:
  enum class Watch { kOn, kOff, kNoUsb };
  // Starts watching at the first call. kOff: libusb reports no bus changes here, and
  // every listing looks at the bus afresh; kNoUsb: libusb cannot start, no device.
  Watch watchLocked();
  // Takes in the bus changes libusb has noticed, and looks at the bus afresh after
  // one, when the last look failed or left a serial number unread, or when it is
  // lookAtLeastEvery_ old.
  void refreshLocked();

  const std::chrono::milliseconds lookAtLeastEvery_;
  std::mutex mutex_;
  // Guarded by mutex_. The last look holds its libusb devices, so that a serial number
  // can still be read after the count; serials_ has one entry per device, filled as read.
  libusb_context* watcher_ = nullptr;
  int callback_ = 0;
  bool unwatched_ = false;
  std::unique_ptr<Scan> scan_;
  std::chrono::steady_clock::time_point lookedAt_;
  std::vector<std::optional<std::string>> serials_;
  bool unreadable_ = false;
  // Set by libusb's hot-plug callback, which runs inside libusb's event handling on
  // the thread that holds mutex_; atomic all the same, as it is libusb that calls it.
  std::atomic<bool> changed_{false};
};

}  // namespace virn::link::detail
