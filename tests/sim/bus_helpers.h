// Small helpers shared by the simulated-bus tests: open a device, send a frame,
// read what came back.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/command_frame.h"
#include "link/d2xx.h"
#include "sim/sim_bus.h"
#include "support/poll_until.h"

namespace virn::sim::test {

using link::FT_HANDLE;
using link::FT_STATUS;

inline FT_HANDLE OpenOrFail(SimBus& bus, const std::string& serial) {
  FT_HANDLE handle = 0;
  EXPECT_EQ(bus.FT_OpenEx(serial.c_str(), link::FT_OPEN_BY_SERIAL_NUMBER, &handle), link::FT_OK) << serial;
  return handle;
}

inline FT_STATUS WriteBytes(SimBus& bus, FT_HANDLE handle, const std::vector<std::uint8_t>& bytes) {
  std::uint32_t written = 0;
  const FT_STATUS status =
      bus.FT_Write(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
  if (status == link::FT_OK) {
    EXPECT_EQ(written, bytes.size());
  }
  return status;
}

inline FT_STATUS SendFrame(SimBus& bus, FT_HANDLE handle, std::uint8_t opcode, std::int32_t argument) {
  const link::Frame frame = link::EncodeFrame(opcode, argument);
  return WriteBytes(bus, handle, {frame.begin(), frame.end()});
}

// Reads up to n bytes with the handle's time-out; returns what arrived.
inline std::vector<std::uint8_t> ReadUpTo(SimBus& bus, FT_HANDLE handle, std::uint32_t n) {
  std::vector<std::uint8_t> buffer(n);
  std::uint32_t got = 0;
  EXPECT_EQ(bus.FT_Read(handle, buffer.data(), n, &got), link::FT_OK);
  buffer.resize(got);
  return buffer;
}

inline std::uint32_t RxBytes(SimBus& bus, FT_HANDLE handle) {
  std::uint32_t rx = 0, tx = 0, events = 0;
  EXPECT_EQ(bus.FT_GetStatus(handle, &rx, &tx, &events), link::FT_OK);
  return rx;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace virn::sim::test
