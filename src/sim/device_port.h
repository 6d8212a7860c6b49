// The host-facing side of one simulated device: whether it is plugged in and
// open, which session the current open belongs to, and the queue of bytes the
// device has sent towards the host. Every byte carries the time it becomes
// readable, so a device can stream data over a period instead of all at once.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>

#include "link/d2xx.h"

namespace virn::sim {

class DevicePort {
 public:
  using Clock = std::chrono::steady_clock;

  DevicePort() = default;
  DevicePort(const DevicePort&) = delete;
  DevicePort& operator=(const DevicePort&) = delete;

  // --- Bus side ---
  void Plug();
  // Ends the session: readers waiting now wake and fail, the queue is dropped,
  // and every handle opened before can only fail from now on.
  void Unplug();
  bool Plugged() const;
  bool IsOpen() const;
  // Starts a fresh session with an empty queue. FT_DEVICE_NOT_FOUND when not
  // plugged, FT_DEVICE_NOT_OPENED when a session is already open.
  link::FT_STATUS Open(std::uint64_t* session);
  // Ends the given session if it is still the current one.
  void Close(std::uint64_t session);
  bool IsCurrent(std::uint64_t session) const;
  // Drops every queued byte, ready or not. FT_IO_ERROR for a stale session.
  link::FT_STATUS Purge(std::uint64_t session);
  // Number of bytes readable now. FT_IO_ERROR for a stale session.
  link::FT_STATUS ReadyCount(std::uint64_t session, std::uint32_t* count) const;
  // Waits until n bytes are readable, the time-out passes (0: no limit), the
  // session ends or `cancelled` is set. Copies only the bytes that arrived, so
  // the rest of `out` keeps its contents. A time-out is FT_OK with fewer bytes;
  // an ended session or a cancel is FT_IO_ERROR with none.
  link::FT_STATUS Read(std::uint64_t session, std::uint8_t* out, std::uint32_t n, std::uint32_t timeoutMs,
                       const std::atomic<bool>& cancelled, std::uint32_t* got);
  // Wakes every waiting reader so that it looks at its cancel flag again.
  void Wake();
  // Readers asleep in Read right now; lets tests act only once a read blocks.
  std::size_t WaitingReaders() const;

  // --- Device side ---
  // Queues bytes that become readable at readyAt. Bytes never overtake bytes
  // queued before them: an earlier time is moved up to the last queued byte's.
  // Dropped while no session is open, as there is nobody to receive them.
  void Push(std::span<const std::uint8_t> bytes, Clock::time_point readyAt);
  // Queues bytes that become readable one by one: the first at `first`, each
  // following one `spacing` later.
  void PushPaced(std::span<const std::uint8_t> bytes, Clock::time_point first, Clock::duration spacing);
  // Drops the queued bytes that are not readable yet at `now`: the rest of a
  // stream the device stopped sending. Bytes already readable have reached the
  // host and stay.
  void DropPending(Clock::time_point now);

 private:
  struct QueuedByte {
    std::uint8_t value;
    Clock::time_point readyAt;
  };

  bool currentLocked(std::uint64_t session) const;
  std::size_t readyLocked(Clock::time_point now) const;
  void appendLocked(std::uint8_t value, Clock::time_point readyAt);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<QueuedByte> queue_;
  bool plugged_ = false;
  bool open_ = false;
  std::size_t waiting_ = 0;
  // Bumped by every open and every unplug, so a handle from an earlier session
  // never matches again, even after the same device is plugged back in.
  std::uint64_t session_ = 0;
};

}  // namespace virn::sim
