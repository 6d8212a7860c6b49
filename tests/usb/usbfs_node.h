// One device node of the emulated bus, /dev/bus/usb/001/NNN, as usbdevfs shows
// it to libusb: the ioctls libusb sends (claims, driver detach and re-attach,
// URBs submitted, reaped and discarded), each URB completed by the chip behind
// the node, and the readiness libusb's poll waits for. Serves every client that
// opens the node, in this process or in a child started under the preload.
//
// The node itself is a FIFO that is kept full while no URB waits to be reaped:
// libusb polls the node for POLLOUT, and a full FIFO does not show it, so an
// idle wait sleeps instead of spinning as it would on a regular file.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "usb/ft232r_chip.h"

// umockdev's types, declared as its header does; the header itself stays out
// of here, as GLib's headers clash with Qt's keywords in the tests.
typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace virn::usbemu {

// What passed through a node, for tests that check how the host uses the bus.
struct NodeTraffic {
  std::uint64_t submitted = 0;   // URBs submitted
  std::uint64_t reaped = 0;      // URBs handed back
  std::uint64_t emptyReaps = 0;  // reaps that found nothing: libusb polled the node for no reason
};

class UsbfsNode {
 public:
  using Clock = Ft232rChip::Clock;

  // `busMutex` guards every node of a bus and is held by the bus's packet pump;
  // `pumpWake` is notified when an IN URB starts waiting.
  UsbfsNode(std::mutex& busMutex, std::condition_variable& pumpWake, std::string devnodePath,
            std::unique_ptr<Ft232rChip> chip);
  ~UsbfsNode();
  UsbfsNode(const UsbfsNode&) = delete;
  UsbfsNode& operator=(const UsbfsNode&) = delete;

  // Creates the FIFO node under the testbed's root and attaches the ioctl
  // handler to it. Call before the device appears in sysfs.
  void Attach(UMockdevTestbed* testbed, const std::string& rootDir);
  // Stops taking new clients. Clients still connected are served until the
  // testbed, whose thread runs the handler, is gone; destroy the node after it.
  void Detach();

  const std::string& DevnodePath() const { return devnodePath_; }

  // --- Called with the bus mutex held ---
  // The chip is gone from the bus: waiting URBs complete with -ENODEV, every
  // later ioctl fails with ENODEV but the reaping of what completed, and the
  // node leaves /dev. The device behind keeps its own plug state; the bus
  // unplugs it.
  void GoneLocked();
  // When the chip next answers the IN URB at the head of the queue; nothing
  // waiting gives Clock::time_point::max().
  Clock::time_point NextPacketAtLocked(Clock::time_point now) const;
  // Lets the chip answer the waiting IN URBs that are due now.
  void PumpLocked();
  ChipSettings SettingsLocked() const { return chip_->Settings(); }
  void SetStringsReadableLocked(bool readable) { chip_->SetStringsReadable(readable); }
  NodeTraffic TrafficLocked() const { return traffic_; }
  std::size_t ClientsLocked() const { return clients_.size(); }

 private:
  struct Urb;
  struct UrbDeleter {
    void operator()(Urb* urb) const;
  };
  using UrbPtr = std::unique_ptr<Urb, UrbDeleter>;
  struct Client {
    std::deque<UrbPtr> completed;  // waiting to be reaped, in completion order
    bool claimed = false;
  };

  // umockdev's signal handlers; `self` is the node. umockdev never reports a
  // client that goes away, but it drops the client object once the client's
  // connection has closed, so a weak reference tells.
  static int HandleIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  static void ClientConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  static void ClientFinalized(void* self, void* client);

  void handleIoctl(UMockdevIoctlClient* client);
  void submit(UMockdevIoctlClient* client, std::unique_lock<std::mutex>& lock);
  void submitControl(UMockdevIoctlClient* client, UrbPtr urb);
  void submitBulkOut(UMockdevIoctlClient* client, UrbPtr urb, std::unique_lock<std::mutex>& lock);
  void reap(UMockdevIoctlClient* client);
  void discard(UMockdevIoctlClient* client);
  void usbfsIoctl(UMockdevIoctlClient* client);
  bool claim(UMockdevIoctlClient* client);
  void release(UMockdevIoctlClient* client);
  void connected(UMockdevIoctlClient* client);
  void vanished(UMockdevIoctlClient* client);

  void completeLocked(UrbPtr urb, int status);
  void updateReadinessLocked();
  bool anyCompletedLocked() const;

  std::mutex& mutex_;
  std::condition_variable& pumpWake_;
  const std::string devnodePath_;
  std::unique_ptr<Ft232rChip> chip_;  // guarded by mutex_, as is everything below

  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  std::string fifoPath_;
  int fifo_ = -1;       // the emulation's own end of the node
  bool ready_ = false;  // the FIFO shows POLLOUT
  bool gone_ = false;
  std::map<UMockdevIoctlClient*, Client> clients_;  // each with a weak reference to its client
  std::deque<UrbPtr> waitingIn_;                    // bulk IN URBs of every client, in submission order
  NodeTraffic traffic_;
  // Set before the handler is attached and read first by every callback: GLib
  // hands the node to umockdev's thread through locks ThreadSanitizer cannot
  // see, so this is what shows it that the node was built before it is used.
  std::atomic<bool> published_{false};
};

}  // namespace virn::usbemu
