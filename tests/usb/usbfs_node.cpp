#include "usb/usbfs_node.h"

#include <fcntl.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace virn::usbemu {

namespace {

// What libusb learns from GET_CAPABILITIES: a 4096-byte bulk read goes out as
// one URB, and URBs can still be reaped after the device has gone.
constexpr std::uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
constexpr std::size_t kSetupSize = 8;
constexpr std::size_t kFifoPage = 4096;
constexpr std::uint8_t kDirectionIn = 0x80;

void Complete(UMockdevIoctlClient* client, long result, int error) {
  umockdev_ioctl_client_complete(client, result, error);
}

void Fail(UMockdevIoctlClient* client, int error) {
  Complete(client, -1, error);
}

// The ioctl argument resolved as `size` bytes of client memory; the caller
// owns the returned reference. Null when the client's pointer is unusable.
UMockdevIoctlData* ResolveArg(UMockdevIoctlClient* client, std::size_t size) {
  return umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, nullptr);
}

// Reads the resolved argument as a T.
template <typename T>
bool ReadArg(UMockdevIoctlClient* client, T* value) {
  UMockdevIoctlData* data = ResolveArg(client, sizeof(T));
  if (data == nullptr) return false;
  std::memcpy(value, data->data, sizeof(T));
  g_object_unref(data);
  return true;
}

}  // namespace

// A URB the client submitted, kept resolved until it is reaped. Everything the
// chip answers is staged here and only written into the client's URB when it
// is reaped: umockdev flushes resolved memory on its own thread after each
// ioctl, so the URB's memory is touched by that thread alone. The buffer of a
// bulk IN URB is resolved only then, for just the bytes that came: reading
// 4096 bytes of the client's memory for every idle status packet would be
// wasted.
struct UsbfsNode::Urb {
  UMockdevIoctlData* data = nullptr;  // the usbdevfs_urb as resolved at submit; owned
  UMockdevIoctlClient* client = nullptr;
  gulong address = 0;  // the URB's address in the client, which DISCARDURB names
  unsigned char type = 0;
  unsigned char endpoint = 0;
  std::size_t length = 0;            // the buffer's length
  std::vector<std::uint8_t> staged;  // IN data (for control transfers: after the setup packet)
  InTransfer in;                     // a bulk IN URB being filled, over `staged`
  int status = 0;
  std::size_t actual = 0;

  usbdevfs_urb* Fields() const { return reinterpret_cast<usbdevfs_urb*>(data->data); }
};

void UsbfsNode::UrbDeleter::operator()(Urb* urb) const {
  if (urb->data != nullptr) g_object_unref(urb->data);
  delete urb;
}

UsbfsNode::UsbfsNode(std::mutex& busMutex, std::condition_variable& pumpWake, std::string devnodePath,
                     std::unique_ptr<Ft232rChip> chip)
    : mutex_(busMutex), pumpWake_(pumpWake), devnodePath_(std::move(devnodePath)), chip_(std::move(chip)) {}

UsbfsNode::~UsbfsNode() {
  Detach();
  if (handler_ != nullptr) {
    g_signal_handlers_disconnect_by_data(handler_, this);
    g_object_unref(handler_);
  }
  waitingIn_.clear();
  for (auto& [client, state] : clients_) {
    state.completed.clear();
    g_object_weak_unref(G_OBJECT(client), reinterpret_cast<GWeakNotify>(&UsbfsNode::ClientFinalized), this);
  }
  if (fifo_ >= 0) close(fifo_);
}

void UsbfsNode::Attach(UMockdevTestbed* testbed, const std::string& rootDir) {
  fifoPath_ = rootDir + devnodePath_;
  const std::string dir = fifoPath_.substr(0, fifoPath_.rfind('/'));
  if (g_mkdir_with_parents(dir.c_str(), 0755) != 0 || mkfifo(fifoPath_.c_str(), 0666) != 0) {
    throw std::runtime_error("cannot create the device node " + fifoPath_ + ": " + std::strerror(errno));
  }
  // Opening for reading and writing does not wait for a peer, and keeps the
  // FIFO alive however often the clients open and close it.
  fifo_ = open(fifoPath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fifo_ < 0) throw std::runtime_error("cannot open the device node " + fifoPath_);
  // Fill it: a full FIFO is "no URB to reap" to libusb's poll.
  const std::vector<char> page(kFifoPage, 0);
  while (write(fifo_, page.data(), page.size()) > 0) {
  }

  handler_ = umockdev_ioctl_base_new();
  published_.store(true, std::memory_order_release);
  g_signal_connect_data(handler_, "handle-ioctl", reinterpret_cast<GCallback>(&UsbfsNode::HandleIoctl), this,
                        nullptr, G_CONNECT_AFTER);
  g_signal_connect_data(handler_, "client-connected",
                        reinterpret_cast<GCallback>(&UsbfsNode::ClientConnected), this, nullptr,
                        GConnectFlags{});
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed, devnodePath_.c_str(), handler_, &error)) {
    const std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    throw std::runtime_error("cannot attach to " + devnodePath_ + ": " + message);
  }
  testbed_ = testbed;
}

void UsbfsNode::Detach() {
  if (testbed_ == nullptr) return;
  umockdev_testbed_detach_ioctl(testbed_, devnodePath_.c_str(), nullptr);
  testbed_ = nullptr;
}

int UsbfsNode::HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
  auto* node = static_cast<UsbfsNode*>(self);
  (void)node->published_.load(std::memory_order_acquire);
  node->handleIoctl(client);
  return TRUE;
}

void UsbfsNode::ClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
  auto* node = static_cast<UsbfsNode*>(self);
  (void)node->published_.load(std::memory_order_acquire);
  node->connected(client);
}

void UsbfsNode::ClientFinalized(void* self, void* client) {
  auto* node = static_cast<UsbfsNode*>(self);
  (void)node->published_.load(std::memory_order_acquire);
  node->vanished(static_cast<UMockdevIoctlClient*>(client));
}

void UsbfsNode::connected(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  if (!clients_.try_emplace(client).second) return;
  g_object_weak_ref(G_OBJECT(client), reinterpret_cast<GWeakNotify>(&UsbfsNode::ClientFinalized), this);
}

void UsbfsNode::handleIoctl(UMockdevIoctlClient* client) {
  const gulong request = umockdev_ioctl_client_get_request(client);
  std::unique_lock lock(mutex_);
  if (!clients_.contains(client)) {
    // Every client is announced before its first ioctl; one that was not is served all the same.
    lock.unlock();
    connected(client);
    lock.lock();
  }
  if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) {
    reap(client);
    return;
  }
  // A device that has left the bus answers nothing but the reaping of what completed.
  if (gone_) {
    Fail(client, ENODEV);
    return;
  }
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* data = ResolveArg(client, sizeof(std::uint32_t));
      if (data == nullptr) return Fail(client, EFAULT);
      std::memcpy(data->data, &kCapabilities, sizeof kCapabilities);
      Complete(client, 0, 0);
      g_object_unref(data);
      return;
    }
    case USBDEVFS_CLAIMINTERFACE: {
      unsigned int interface = 0;
      if (!ReadArg(client, &interface)) return Fail(client, EFAULT);
      if (interface != 0) return Fail(client, ENOENT);
      return claim(client) ? Complete(client, 0, 0) : Fail(client, EBUSY);
    }
    case USBDEVFS_DISCONNECT_CLAIM: {
      // No kernel driver is bound in the emulation, so there is nothing to detach first.
      usbdevfs_disconnect_claim claimRequest{};
      if (!ReadArg(client, &claimRequest)) return Fail(client, EFAULT);
      if (claimRequest.interface != 0) return Fail(client, ENOENT);
      return claim(client) ? Complete(client, 0, 0) : Fail(client, EBUSY);
    }
    case USBDEVFS_RELEASEINTERFACE: {
      unsigned int interface = 0;
      if (!ReadArg(client, &interface)) return Fail(client, EFAULT);
      if (interface != 0 || !clients_[client].claimed) return Fail(client, EINVAL);
      release(client);
      return Complete(client, 0, 0);
    }
    case USBDEVFS_IOCTL:
      return usbfsIoctl(client);
    case USBDEVFS_GETDRIVER:
      return Fail(client, ENODATA);  // no driver on the interface
    case USBDEVFS_CONNECTINFO: {
      UMockdevIoctlData* data = ResolveArg(client, sizeof(usbdevfs_connectinfo));
      if (data == nullptr) return Fail(client, EFAULT);
      usbdevfs_connectinfo info{};
      info.devnum = static_cast<unsigned int>(std::stoi(devnodePath_.substr(devnodePath_.rfind('/') + 1)));
      info.slow = 0;
      std::memcpy(data->data, &info, sizeof info);
      Complete(client, 0, 0);
      g_object_unref(data);
      return;
    }
    case USBDEVFS_SUBMITURB:
      return submit(client, lock);
    case USBDEVFS_DISCARDURB:
      return discard(client);
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
      return Complete(client, 0, 0);
    default:
      return Fail(client, ENOTTY);
  }
}

void UsbfsNode::usbfsIoctl(UMockdevIoctlClient* client) {
  usbdevfs_ioctl command{};
  if (!ReadArg(client, &command)) return Fail(client, EFAULT);
  if (command.ifno != 0) return Fail(client, EINVAL);
  switch (command.ioctl_code) {
    case USBDEVFS_DISCONNECT:
      return Fail(client, ENODATA);  // no driver to detach
    case USBDEVFS_CONNECT:
      // The serial driver would bind again here; the emulation has none, which
      // the kernel reports as success all the same.
      return Complete(client, 0, 0);
    default:
      return Fail(client, ENOTTY);
  }
}

bool UsbfsNode::claim(UMockdevIoctlClient* client) {
  Client& state = clients_[client];
  if (state.claimed) return true;
  for (const auto& [other, otherState] : clients_) {
    if (other != client && otherState.claimed) return false;
  }
  if (!chip_->BeginSession()) return false;
  state.claimed = true;
  return true;
}

void UsbfsNode::release(UMockdevIoctlClient* client) {
  Client& state = clients_[client];
  if (!state.claimed) return;
  state.claimed = false;
  chip_->EndSession();
}

void UsbfsNode::vanished(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  const auto it = clients_.find(client);
  if (it == clients_.end()) return;
  // As the kernel does on close: the client's URBs are killed unseen and its
  // interface released.
  std::erase_if(waitingIn_, [client](const UrbPtr& urb) { return urb->client == client; });
  if (it->second.claimed && !gone_) chip_->EndSession();
  clients_.erase(it);
  updateReadinessLocked();
}

void UsbfsNode::submit(UMockdevIoctlClient* client, std::unique_lock<std::mutex>& lock) {
  ++traffic_.submitted;
  UrbPtr urb(new Urb);
  urb->client = client;
  urb->data = ResolveArg(client, sizeof(usbdevfs_urb));
  if (urb->data == nullptr) return Fail(client, EFAULT);
  urb->address = urb->data->client_addr;
  const usbdevfs_urb* fields = urb->Fields();
  urb->type = fields->type;
  urb->endpoint = fields->endpoint;
  if (fields->buffer_length < 0) return Fail(client, EINVAL);
  urb->length = static_cast<std::size_t>(fields->buffer_length);
  const bool bulkIn = urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == kBulkInEndpoint;
  if (urb->length > 0 && !bulkIn) {
    // The parent keeps the resolved buffer; the pointer in its fields now points to the copy.
    UMockdevIoctlData* buffer =
        umockdev_ioctl_data_resolve(urb->data, offsetof(usbdevfs_urb, buffer), urb->length, nullptr);
    if (buffer == nullptr) return Fail(client, EFAULT);
    g_object_unref(buffer);
  }

  if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
    if (urb->endpoint != 0 || urb->length < kSetupSize) return Fail(client, EINVAL);
    return submitControl(client, std::move(urb));
  }
  if (urb->type != USBDEVFS_URB_TYPE_BULK) return Fail(client, EINVAL);
  if (urb->endpoint != kBulkInEndpoint && urb->endpoint != kBulkOutEndpoint) return Fail(client, ENOENT);
  // Like the kernel, a bulk transfer on an unclaimed interface claims it.
  if (!claim(client)) return Fail(client, EBUSY);
  if (urb->endpoint == kBulkOutEndpoint) return submitBulkOut(client, std::move(urb), lock);

  urb->staged.assign(urb->length, 0);
  urb->in = InTransfer{urb->staged.data(), urb->length, 0};
  waitingIn_.push_back(std::move(urb));
  Complete(client, 0, 0);
  pumpWake_.notify_all();
}

void UsbfsNode::submitControl(UMockdevIoctlClient* client, UrbPtr urb) {
  const auto* buffer = static_cast<const std::uint8_t*>(urb->Fields()->buffer);
  const SetupPacket setup = SetupPacket::Parse(buffer);
  const std::size_t dataLength = std::min<std::size_t>(setup.length, urb->length - kSetupSize);
  const bool in = (setup.requestType & kDirectionIn) != 0;
  std::vector<std::uint8_t> reply;
  const int answered = chip_->Control(
      setup, in ? std::span<const std::uint8_t>{} : std::span(buffer + kSetupSize, dataLength), reply);
  Complete(client, 0, 0);
  if (answered == Ft232rChip::kStall) return completeLocked(std::move(urb), -EPIPE);
  if (in) {
    reply.resize(std::min(reply.size(), dataLength));
    urb->actual = reply.size();
    urb->staged = std::move(reply);
  } else {
    urb->actual = dataLength;
  }
  completeLocked(std::move(urb), 0);
}

void UsbfsNode::submitBulkOut(UMockdevIoctlClient* client, UrbPtr urb, std::unique_lock<std::mutex>& lock) {
  const auto* buffer = static_cast<const std::uint8_t*>(urb->Fields()->buffer);
  const std::vector<std::uint8_t> bytes(buffer, buffer + urb->length);
  const std::optional<std::uint64_t> session = chip_->Session();
  sim::SimDevice& device = chip_->Device();
  Complete(client, 0, 0);
  // The device's hooks run without the bus lock: a frame sink may plug or
  // unplug chips of this very bus.
  lock.unlock();
  const bool delivered = session && device.Deliver(*session, bytes) == link::FT_OK;
  lock.lock();
  urb->actual = delivered ? bytes.size() : 0;
  completeLocked(std::move(urb), gone_ ? -ENODEV : (delivered ? 0 : -EPIPE));
}

void UsbfsNode::reap(UMockdevIoctlClient* client) {
  const auto it = clients_.find(client);
  if (it == clients_.end() || it->second.completed.empty()) {
    ++traffic_.emptyReaps;
    return Fail(client, gone_ ? ENODEV : EAGAIN);
  }
  ++traffic_.reaped;
  UrbPtr urb = std::move(it->second.completed.front());
  it->second.completed.pop_front();

  usbdevfs_urb* fields = urb->Fields();
  fields->status = urb->status;
  fields->actual_length = static_cast<int>(urb->actual);
  if (urb->type == USBDEVFS_URB_TYPE_CONTROL && !urb->staged.empty()) {
    auto* buffer = static_cast<std::uint8_t*>(fields->buffer);
    std::memcpy(buffer + kSetupSize, urb->staged.data(),
                std::min(urb->staged.size(), urb->length - kSetupSize));
  } else if (urb->endpoint == kBulkInEndpoint && urb->actual > 0) {
    // Only the bytes that came are resolved, so only they go back to the client.
    UMockdevIoctlData* buffer =
        umockdev_ioctl_data_resolve(urb->data, offsetof(usbdevfs_urb, buffer), urb->actual, nullptr);
    if (buffer == nullptr) return Fail(client, EFAULT);
    std::memcpy(buffer->data, urb->staged.data(), urb->actual);
    g_object_unref(buffer);
  }
  UMockdevIoctlData* pointer = ResolveArg(client, sizeof(void*));
  if (pointer == nullptr) return Fail(client, EFAULT);
  umockdev_ioctl_data_set_ptr(pointer, 0, urb->data);
  Complete(client, 0, 0);
  g_object_unref(pointer);
  updateReadinessLocked();
}

void UsbfsNode::discard(UMockdevIoctlClient* client) {
  // The argument is the URB's address itself, not a pointer to it.
  gulong address = 0;
  std::memcpy(&address, umockdev_ioctl_client_get_arg(client)->data, sizeof address);
  const auto it = std::find_if(waitingIn_.begin(), waitingIn_.end(), [&](const UrbPtr& urb) {
    return urb->client == client && urb->address == address;
  });
  // One that has completed already only waits to be reaped.
  if (it == waitingIn_.end()) return Fail(client, EINVAL);
  UrbPtr urb = std::move(*it);
  waitingIn_.erase(it);
  Complete(client, 0, 0);
  urb->actual = urb->in.filled;
  completeLocked(std::move(urb), -ENOENT);
}

void UsbfsNode::completeLocked(UrbPtr urb, int status) {
  urb->status = status;
  const auto it = clients_.find(urb->client);
  if (it == clients_.end()) return;  // the client closed the node meanwhile
  it->second.completed.push_back(std::move(urb));
  updateReadinessLocked();
}

bool UsbfsNode::anyCompletedLocked() const {
  for (const auto& [client, state] : clients_) {
    if (!state.completed.empty()) return true;
  }
  return false;
}

void UsbfsNode::updateReadinessLocked() {
  const bool ready = anyCompletedLocked();
  if (ready == ready_ || fifo_ < 0) return;
  char page[kFifoPage] = {};
  // Taking one page out frees a slot of the full FIFO, which shows POLLOUT;
  // putting it back fills the slot again.
  const ssize_t done = ready ? read(fifo_, page, sizeof page) : write(fifo_, page, sizeof page);
  if (done == static_cast<ssize_t>(sizeof page)) ready_ = ready;
}

void UsbfsNode::GoneLocked() {
  if (gone_) return;
  gone_ = true;
  // The host controller gives every URB still on the wire back as failed.
  while (!waitingIn_.empty()) {
    UrbPtr urb = std::move(waitingIn_.front());
    waitingIn_.pop_front();
    urb->actual = urb->in.filled;
    completeLocked(std::move(urb), -ENODEV);
  }
  for (auto& [client, state] : clients_) state.claimed = false;
  chip_->EndSession();
  // The node leaves /dev; clients that have it open keep their descriptor.
  if (!fifoPath_.empty()) unlink(fifoPath_.c_str());
}

UsbfsNode::Clock::time_point UsbfsNode::NextPacketAtLocked(Clock::time_point now) const {
  if (gone_ || waitingIn_.empty()) return Clock::time_point::max();
  return chip_->NextPacketAt(now);
}

void UsbfsNode::PumpLocked() {
  // The clock is read at each packet: the chip's latency timer restarts when a
  // packet really goes, which is later than the pump woke when other nodes'
  // packets went first or the pump's thread was held up in between.
  for (auto now = Clock::now(); !gone_ && !waitingIn_.empty() && chip_->NextPacketAt(now) <= now;
       now = Clock::now()) {
    Urb& urb = *waitingIn_.front();
    if (!chip_->FillIn(urb.in, now)) return;  // a full packet went; the rest comes later
    UrbPtr done = std::move(waitingIn_.front());
    waitingIn_.pop_front();
    done->actual = done->in.filled;
    completeLocked(std::move(done), 0);
  }
}

}  // namespace virn::usbemu
