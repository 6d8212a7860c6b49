#include "sim/sim_bus.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <span>
#include <utility>

namespace virn::sim {

using link::FT_DEVICE_NOT_FOUND;
using link::FT_HANDLE;
using link::FT_INVALID_HANDLE;
using link::FT_INVALID_PARAMETER;
using link::FT_OK;
using link::FT_STATUS;

struct SimBus::Handle {
  std::shared_ptr<SimDevice> device;
  std::uint64_t session = 0;
  std::atomic<std::uint32_t> readTimeoutMs{link::kDefaultReadTimeoutMs};
  std::atomic<std::uint32_t> writeTimeoutMs{link::kDefaultWriteTimeoutMs};
  // Set once by FT_Close; a read waiting on the device sees it and gives up.
  std::atomic<bool> closed{false};
  std::mutex mutex;
  std::condition_variable idle;
  int active = 0;  // calls in progress, guarded by mutex
};

// Keeps a handle alive and counted as busy for the length of one call, so that
// FT_Close can wait for the call to leave before it ends the session.
class SimBus::Call {
 public:
  Call(const SimBus& bus, FT_HANDLE id) : handle_(bus.lookup(id)) {
    if (!handle_) return;
    bool closed = false;
    {
      std::lock_guard lock(handle_->mutex);
      closed = handle_->closed.load();
      if (!closed) ++handle_->active;
    }
    // Dropped only after the lock is released: this may be the last reference.
    if (closed) handle_.reset();
  }
  ~Call() {
    if (!handle_) return;
    std::lock_guard lock(handle_->mutex);
    if (--handle_->active == 0) handle_->idle.notify_all();
  }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  explicit operator bool() const { return handle_ != nullptr; }
  Handle* operator->() const { return handle_.get(); }

 private:
  std::shared_ptr<Handle> handle_;
};

SimBus::SimBus() = default;

SimBus::~SimBus() {
  std::map<FT_HANDLE, std::shared_ptr<Handle>> handles;
  std::vector<std::shared_ptr<SimDevice>> devices;
  {
    std::lock_guard lock(mutex_);
    handles.swap(handles_);
    devices.swap(plugged_);
  }
  for (auto& [id, handle] : handles) closeHandle(*handle);
  for (auto& device : devices) device->Port().Unplug();
}

bool SimBus::Plug(std::shared_ptr<SimDevice> device) {
  if (!device) return false;
  std::lock_guard lock(mutex_);
  const bool taken = std::any_of(plugged_.begin(), plugged_.end(), [&](const auto& d) {
    return d == device || d->Serial() == device->Serial();
  });
  if (taken) return false;
  device->Port().Plug();
  plugged_.push_back(std::move(device));
  return true;
}

bool SimBus::Unplug(std::string_view serial) {
  std::shared_ptr<SimDevice> device;
  {
    std::lock_guard lock(mutex_);
    const auto it =
        std::find_if(plugged_.begin(), plugged_.end(), [&](const auto& d) { return d->Serial() == serial; });
    if (it == plugged_.end()) return false;
    device = *it;
    plugged_.erase(it);
    // Under the bus lock, so that an open cannot find the device in the list
    // after it has been marked unplugged.
    device->Port().Unplug();
  }
  return true;
}

std::shared_ptr<SimDevice> SimBus::Find(std::string_view serial) const {
  std::lock_guard lock(mutex_);
  const auto it =
      std::find_if(plugged_.begin(), plugged_.end(), [&](const auto& d) { return d->Serial() == serial; });
  return it == plugged_.end() ? nullptr : *it;
}

std::vector<std::string> SimBus::PluggedSerials() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> serials;
  for (const auto& d : plugged_) serials.push_back(d->Serial());
  return serials;
}

std::size_t SimBus::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

FT_STATUS SimBus::FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) {
  if (flags == link::FT_LIST_NUMBER_ONLY) {
    if (arg1 == nullptr) return FT_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    *static_cast<std::uint32_t*>(arg1) = static_cast<std::uint32_t>(plugged_.size());
    return FT_OK;
  }
  if (flags == (link::FT_LIST_BY_INDEX | link::FT_OPEN_BY_SERIAL_NUMBER)) {
    if (arg2 == nullptr) return FT_INVALID_PARAMETER;
    // The index travels in the pointer argument, as in the vendor's call.
    const auto index = reinterpret_cast<std::uintptr_t>(arg1);
    std::lock_guard lock(mutex_);
    if (index >= plugged_.size()) return FT_DEVICE_NOT_FOUND;
    link::CopySerialToListing(plugged_[index]->Serial(), static_cast<char*>(arg2));
    return FT_OK;
  }
  return FT_INVALID_PARAMETER;
}

FT_STATUS SimBus::FT_OpenEx(const void* arg, std::uint32_t flags, FT_HANDLE* handle) {
  if (arg == nullptr || handle == nullptr || flags != link::FT_OPEN_BY_SERIAL_NUMBER) {
    return FT_INVALID_PARAMETER;
  }
  const std::string_view serial(static_cast<const char*>(arg));
  std::shared_ptr<SimDevice> device = Find(serial);
  if (!device) return FT_DEVICE_NOT_FOUND;

  auto opened = std::make_shared<Handle>();
  opened->device = device;
  // Outside the bus lock: opening runs the device's hook, and the bus must stay
  // usable meanwhile. An unplug in between leaves a handle that can only fail,
  // as with a real device pulled right after it was opened.
  const FT_STATUS status = device->BeginSession(&opened->session);
  if (status != FT_OK) return status;

  std::lock_guard lock(mutex_);
  const FT_HANDLE id = nextHandle_++;
  handles_.emplace(id, std::move(opened));
  *handle = id;
  return FT_OK;
}

FT_STATUS SimBus::FT_Close(FT_HANDLE id) {
  std::shared_ptr<Handle> handle;
  {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(id);
    if (it == handles_.end()) return FT_INVALID_HANDLE;
    handle = std::move(it->second);
    handles_.erase(it);
  }
  closeHandle(*handle);
  return FT_OK;
}

void SimBus::closeHandle(Handle& handle) {
  {
    std::lock_guard lock(handle.mutex);
    handle.closed = true;
  }
  handle.device->Port().Wake();
  {
    std::unique_lock lock(handle.mutex);
    handle.idle.wait(lock, [&] { return handle.active == 0; });
  }
  handle.device->Port().Close(handle.session);
}

FT_STATUS SimBus::FT_Read(FT_HANDLE id, void* buffer, std::uint32_t n, std::uint32_t* got) {
  Call call(*this, id);
  if (!call) return FT_INVALID_HANDLE;
  if (buffer == nullptr || got == nullptr) return FT_INVALID_PARAMETER;
  return call->device->Port().Read(call->session, static_cast<std::uint8_t*>(buffer), n,
                                   call->readTimeoutMs.load(), call->closed, got);
}

FT_STATUS SimBus::FT_Write(FT_HANDLE id, const void* buffer, std::uint32_t n, std::uint32_t* written) {
  Call call(*this, id);
  if (!call) return FT_INVALID_HANDLE;
  if ((buffer == nullptr && n > 0) || written == nullptr) return FT_INVALID_PARAMETER;
  *written = 0;
  const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(buffer), n);
  const FT_STATUS status = call->device->Deliver(call->session, bytes);
  if (status == FT_OK) *written = n;
  return status;
}

FT_STATUS SimBus::FT_ResetDevice(FT_HANDLE id) {
  Call call(*this, id);
  if (!call) return FT_INVALID_HANDLE;
  return call->device->ResetSession(call->session);
}

FT_STATUS SimBus::FT_SetTimeouts(FT_HANDLE id, std::uint32_t readMs, std::uint32_t writeMs) {
  Call call(*this, id);
  if (!call) return FT_INVALID_HANDLE;
  if (!call->device->Port().IsCurrent(call->session)) return link::FT_IO_ERROR;
  call->readTimeoutMs = readMs;
  call->writeTimeoutMs = writeMs;
  return FT_OK;
}

FT_STATUS SimBus::FT_GetStatus(FT_HANDLE id, std::uint32_t* rxBytes, std::uint32_t* txBytes,
                               std::uint32_t* eventStatus) {
  Call call(*this, id);
  if (!call) return FT_INVALID_HANDLE;
  if (rxBytes == nullptr || txBytes == nullptr || eventStatus == nullptr) return FT_INVALID_PARAMETER;
  const FT_STATUS status = call->device->Port().ReadyCount(call->session, rxBytes);
  if (status != FT_OK) return status;
  *txBytes = 0;
  *eventStatus = 0;
  return FT_OK;
}

std::shared_ptr<SimBus::Handle> SimBus::lookup(FT_HANDLE id) const {
  std::lock_guard lock(mutex_);
  const auto it = handles_.find(id);
  return it == handles_.end() ? nullptr : it->second;
}

}  // namespace virn::sim
