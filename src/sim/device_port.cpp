#include "sim/device_port.h"

#include <algorithm>
#include <optional>

namespace virn::sim {

using link::FT_DEVICE_NOT_FOUND;
using link::FT_DEVICE_NOT_OPENED;
using link::FT_IO_ERROR;
using link::FT_OK;
using link::FT_STATUS;

void DevicePort::Plug() {
  std::lock_guard lock(mutex_);
  plugged_ = true;
}

void DevicePort::Unplug() {
  {
    std::lock_guard lock(mutex_);
    plugged_ = false;
    open_ = false;
    ++session_;
    queue_.clear();
  }
  changed_.notify_all();
}

bool DevicePort::Plugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

bool DevicePort::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

FT_STATUS DevicePort::Open(std::uint64_t* session) {
  std::lock_guard lock(mutex_);
  if (!plugged_) return FT_DEVICE_NOT_FOUND;
  if (open_) return FT_DEVICE_NOT_OPENED;
  open_ = true;
  ++session_;
  queue_.clear();
  *session = session_;
  return FT_OK;
}

void DevicePort::Close(std::uint64_t session) {
  {
    std::lock_guard lock(mutex_);
    if (!currentLocked(session)) return;
    open_ = false;
    queue_.clear();
  }
  changed_.notify_all();
}

bool DevicePort::IsCurrent(std::uint64_t session) const {
  std::lock_guard lock(mutex_);
  return currentLocked(session);
}

FT_STATUS DevicePort::Purge(std::uint64_t session) {
  std::lock_guard lock(mutex_);
  if (!currentLocked(session)) return FT_IO_ERROR;
  queue_.clear();
  return FT_OK;
}

FT_STATUS DevicePort::ReadyCount(std::uint64_t session, std::uint32_t* count) const {
  std::lock_guard lock(mutex_);
  if (!currentLocked(session)) return FT_IO_ERROR;
  *count = static_cast<std::uint32_t>(readyLocked(Clock::now()));
  return FT_OK;
}

FT_STATUS DevicePort::Read(std::uint64_t session, std::uint8_t* out, std::uint32_t n, std::uint32_t timeoutMs,
                           const std::atomic<bool>& cancelled, std::uint32_t* got) {
  *got = 0;
  const bool limited = timeoutMs != 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock lock(mutex_);
  for (;;) {
    if (cancelled.load() || !currentLocked(session)) return FT_IO_ERROR;
    const auto now = Clock::now();
    const std::size_t ready = readyLocked(now);
    if (ready >= n || (limited && now >= deadline)) {
      const std::size_t take = std::min<std::size_t>(ready, n);
      for (std::size_t i = 0; i < take; ++i) out[i] = queue_[i].value;
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(take));
      *got = static_cast<std::uint32_t>(take);
      return FT_OK;
    }
    // Sleep until the deadline or until the next queued byte is due, whichever
    // comes first; pushes, unplugs and cancels notify in between.
    std::optional<Clock::time_point> wake;
    if (limited) wake = deadline;
    if (ready < queue_.size()) {
      const auto due = queue_[ready].readyAt;
      wake = wake ? std::min(*wake, due) : due;
    }
    ++waiting_;
    if (wake) {
      changed_.wait_until(lock, *wake);
    } else {
      changed_.wait(lock);
    }
    --waiting_;
  }
}

void DevicePort::Wake() {
  // Taking the lock orders this wake after a reader's check of its cancel flag,
  // so a reader about to sleep cannot miss it.
  { std::lock_guard lock(mutex_); }
  changed_.notify_all();
}

std::size_t DevicePort::WaitingReaders() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

void DevicePort::Push(std::span<const std::uint8_t> bytes, Clock::time_point readyAt) {
  if (bytes.empty()) return;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return;
    for (std::uint8_t b : bytes) appendLocked(b, readyAt);
  }
  changed_.notify_all();
}

void DevicePort::PushPaced(std::span<const std::uint8_t> bytes, Clock::time_point first,
                           Clock::duration spacing) {
  if (bytes.empty()) return;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return;
    auto at = first;
    for (std::uint8_t b : bytes) {
      appendLocked(b, at);
      at += spacing;
    }
  }
  changed_.notify_all();
}

void DevicePort::DropPending(Clock::time_point now) {
  std::lock_guard lock(mutex_);
  queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(readyLocked(now)), queue_.end());
}

bool DevicePort::currentLocked(std::uint64_t session) const {
  return open_ && session == session_;
}

std::size_t DevicePort::readyLocked(Clock::time_point now) const {
  // Ready times never decrease along the queue, so the ready bytes are a prefix.
  const auto firstPending = std::partition_point(queue_.begin(), queue_.end(),
                                                 [now](const QueuedByte& q) { return q.readyAt <= now; });
  return static_cast<std::size_t>(firstPending - queue_.begin());
}

void DevicePort::appendLocked(std::uint8_t value, Clock::time_point readyAt) {
  if (!queue_.empty()) readyAt = std::max(readyAt, queue_.back().readyAt);
  queue_.push_back({value, readyAt});
}

}  // namespace virn::sim
