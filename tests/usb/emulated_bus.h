// A USB bus with FT232R chips on it, emulated under umockdev at the usbdevfs
// level. Unmodified libusb and libftdi1 find the chips, open them and talk
// through them to the simulated devices behind, in this process or in a child
// process started with ChildEnvironment(). Chips can be unplugged and plugged
// in again at any moment, from any thread.
//
// The process must run under umockdev's preload (umockdev-wrapper, or
// LD_PRELOAD=libumockdev-preload.so.0). One bus per process at a time: the
// testbed steers the preload through the process's UMOCKDEV_DIR.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim/sim_device.h"
#include "usb/ft232r_chip.h"
#include "usb/ft232r_descriptors.h"
#include "usb/usbfs_node.h"

namespace virn::usbemu {

struct ChipOptions {
  ChipStrings strings;  // an empty serial number: the device's own
  int port = 0;         // the root hub port; 0: the lowest free one
  // False: libusb hears nothing of the plug, as where no udev daemon passes the
  // kernel's notices on; the chip shows only to a fresh look at sysfs.
  bool announced = true;
};

// One chip and the device behind it, plugged in or not. Owned by the bus.
class EmulatedChip {
 public:
  const std::string& Serial() const { return strings_.serial; }
  sim::SimDevice& Device() const { return *device_; }
  int Port() const { return port_; }
  // The number the bus gave the chip when it was last plugged in; 0 before.
  int DeviceNumber() const;
  bool Plugged() const;
  // What the host has set in the chip since it was last plugged in.
  ChipSettings Settings() const;
  // The URBs that passed through the chip's node since it was last plugged in.
  NodeTraffic Traffic() const;
  // Until it is unplugged, the chip stalls every string request while unreadable.
  void SetStringsReadable(bool readable);

 private:
  friend class EmulatedBus;
  EmulatedChip(std::mutex& busMutex, std::shared_ptr<sim::SimDevice> device, ChipStrings strings, int port)
      : mutex_(busMutex), device_(std::move(device)), strings_(std::move(strings)), port_(port) {}

  std::mutex& mutex_;
  std::shared_ptr<sim::SimDevice> device_;
  ChipStrings strings_;
  const int port_;
  int deviceNumber_ = 0;       // guarded by mutex_
  UsbfsNode* node_ = nullptr;  // the node of the current plug, null while unplugged; guarded by mutex_
};

class EmulatedBus {
 public:
  // Throws std::runtime_error when the preload is not active.
  EmulatedBus();
  ~EmulatedBus();
  EmulatedBus(const EmulatedBus&) = delete;
  EmulatedBus& operator=(const EmulatedBus&) = delete;

  static bool PreloadActive();

  // Plugs a new chip into a port of the root hub, with `device` behind its
  // serial port. The chip gets the next free device number, as on a real bus:
  // chips plugged in earlier have lower numbers.
  EmulatedChip& Plug(std::shared_ptr<sim::SimDevice> device, ChipOptions options = {});
  // The chip leaves the bus: transfers in progress and every later one fail
  // with "no device", the device behind is unplugged, and libusb hears of the
  // removal. Nothing happens when it is unplugged already.
  void Unplug(EmulatedChip& chip);
  // Plugs an unplugged chip in again, into the same port, with a new device
  // number. Nothing happens when it is plugged in already.
  void Replug(EmulatedChip& chip);

  // The testbed's root: what UMOCKDEV_DIR must name for a client process.
  const std::string& RootDir() const { return rootDir_; }
  // The environment a child process needs to see this bus: the preload
  // (ahead of any it has already), UMOCKDEV_DIR, and the AddressSanitizer
  // option without which a sanitized child aborts under the preload. Merge
  // ASAN_OPTIONS with any options of your own.
  std::vector<std::pair<std::string, std::string>> ChildEnvironment() const;

 private:
  void plugIn(EmulatedChip& chip, bool announced = true);
  int nextDeviceNumberLocked() const;
  int freePortLocked() const;
  void pumpLoop();

  UMockdevTestbed* testbed_ = nullptr;
  std::string rootDir_;

  // Held for a whole plug or unplug, so two of them never interleave; never
  // taken by the emulation's threads.
  std::mutex plugMutex_;
  std::mutex mutex_;  // guards the chips, the nodes and everything they hold
  std::condition_variable pumpWake_;
  std::vector<std::unique_ptr<EmulatedChip>> chips_;
  // Every node ever made: a node stays after its chip left, for the clients
  // that still have it open.
  std::vector<std::unique_ptr<UsbfsNode>> nodes_;
  int lastDeviceNumber_ = kRootHubDeviceNumber;
  bool stopping_ = false;
  std::thread pump_;  // answers the IN URBs when the chips' latency timers run out
};

}  // namespace virn::usbemu
