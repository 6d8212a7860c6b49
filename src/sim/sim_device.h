// One simulated FTDI device: a serial number, the port the bus reads from, and
// the device's reaction to the bytes the host writes. Subclasses implement the
// reactions; the base serialises them, so a subclass's hooks never run twice at
// once even when the program writes from two threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "link/d2xx.h"
#include "sim/device_port.h"

namespace virn::sim {

class SimDevice {
 public:
  using Clock = DevicePort::Clock;

  explicit SimDevice(std::string serial);
  virtual ~SimDevice() = default;
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  const std::string& Serial() const { return serial_; }
  // The device's own time base: created with the device, never adjusted.
  Clock::time_point Epoch() const { return epoch_; }
  std::int64_t ElapsedMs() const;

  // Sends bytes towards the host: readable now, at a given time, or one by one
  // at a fixed spacing. Dropped while the device is not open.
  void QueueOutput(std::span<const std::uint8_t> bytes);
  void QueueOutputAt(std::span<const std::uint8_t> bytes, Clock::time_point readyAt);
  void QueueOutputPaced(std::span<const std::uint8_t> bytes, Clock::time_point first,
                        Clock::duration spacing);
  // Withdraws the output that is not readable yet, as a device that stops
  // streaming never sends it.
  void CancelPendingOutput();

  DevicePort& Port() { return port_; }
  const DevicePort& Port() const { return port_; }

  // --- Called by the bus ---
  // Opens a fresh session (empty queue, OnOpen run) and returns its number.
  link::FT_STATUS BeginSession(std::uint64_t* session);
  // Hands written bytes to the device. FT_IO_ERROR when the session has ended.
  link::FT_STATUS Deliver(std::uint64_t session, std::span<const std::uint8_t> bytes);
  // Drops the queued output and whatever input the device has half received.
  link::FT_STATUS ResetSession(std::uint64_t session);

 protected:
  // A new session starts: forget any partly received input.
  virtual void OnOpen() {}
  // The host wrote these bytes (any split: a frame may come in several pieces).
  virtual void OnBytes(std::span<const std::uint8_t> bytes) = 0;
  // The host reset the device: forget any partly received input.
  virtual void OnReset() {}

 private:
  const std::string serial_;
  const Clock::time_point epoch_;
  DevicePort port_;
  // Held while a hook runs; also orders a delivery against a new session, so
  // that bytes written in an old session can never reach a new one.
  std::mutex deliveryMutex_;
};

}  // namespace virn::sim
