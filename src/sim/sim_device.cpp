#include "sim/sim_device.h"

#include <utility>

namespace virn::sim {

SimDevice::SimDevice(std::string serial) : serial_(std::move(serial)), epoch_(Clock::now()) {}

std::int64_t SimDevice::ElapsedMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - epoch_).count();
}

void SimDevice::QueueOutput(std::span<const std::uint8_t> bytes) {
  port_.Push(bytes, Clock::now());
}

void SimDevice::QueueOutputAt(std::span<const std::uint8_t> bytes, Clock::time_point readyAt) {
  port_.Push(bytes, readyAt);
}

void SimDevice::QueueOutputPaced(std::span<const std::uint8_t> bytes, Clock::time_point first,
                                 Clock::duration spacing) {
  port_.PushPaced(bytes, first, spacing);
}

void SimDevice::CancelPendingOutput() {
  port_.DropPending(Clock::now());
}

link::FT_STATUS SimDevice::BeginSession(std::uint64_t* session) {
  std::lock_guard lock(deliveryMutex_);
  const link::FT_STATUS status = port_.Open(session);
  if (status == link::FT_OK) OnOpen();
  return status;
}

link::FT_STATUS SimDevice::Deliver(std::uint64_t session, std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(deliveryMutex_);
  if (!port_.IsCurrent(session)) return link::FT_IO_ERROR;
  OnBytes(bytes);
  return link::FT_OK;
}

link::FT_STATUS SimDevice::ResetSession(std::uint64_t session) {
  std::lock_guard lock(deliveryMutex_);
  const link::FT_STATUS status = port_.Purge(session);
  if (status == link::FT_OK) OnReset();
  return status;
}

}  // namespace virn::sim
