// Pulling the instrument's chip off the bus and plugging it in again while the
// libftdi backend uses it: waiting reads fail instead of hanging, every call on
// the lost handle fails, and the chip is found and opened again. How soon a
// read notices is printed by bench/usb_bench.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_factory.h"
#include "support/poll_until.h"
#include "usb/backend_helpers.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

using link::FT_HANDLE;
using link::FT_IO_ERROR;
using link::FT_OK;
namespace opcode = link::opcode;

const std::string kInstrument(sim::kInstrumentSerial);

bool Handshakes(link::FtdiBackend& backend, FT_HANDLE handle) {
  if (backend.FT_SetTimeouts(handle, 200, 50) != FT_OK) return false;
  if (SendFrame(backend, handle, opcode::kVersionQuery, 0) != FT_OK) return false;
  return ReadUpTo(backend, handle, link::kVersionReplySize) ==
         sim::MakeVersionReply(sim::kDefaultVersionText);
}

TEST(FtdiUnplugOnUsb, AReadFailsWhenTheChipIsPulledAndTheChipComesBack) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  EmulatedChip& chip = *plugged.instrumentChip;
  link::FtdiBackend backend;
  const std::vector<std::string> both{sim::OtherDeviceSerial(0), kInstrument};

  constexpr int kCycles = 50;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    FT_HANDLE handle = 0;
    ASSERT_EQ(Open(backend, kInstrument, &handle), FT_OK);
    ASSERT_TRUE(Handshakes(backend, handle));
    // Every other cycle the chip goes while a sweep streams, otherwise while
    // the read waits on an idle chip. The read has no time limit: only the
    // unplug can end it.
    const bool streaming = cycle % 2 == 0;
    if (streaming) {
      ASSERT_EQ(SendFrame(backend, handle, opcode::kTakeSweep, 1), FT_OK);
    }
    ASSERT_EQ(backend.FT_SetTimeouts(handle, 0, 50), FT_OK);
    auto read = std::async(std::launch::async, [&] {
      link::FT_STATUS status = FT_OK;
      while (status == FT_OK) ReadUpTo(backend, handle, 1, &status);
      return status;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + cycle % 7));
    bus.Unplug(chip);
    ASSERT_EQ(read.wait_for(test::kHangDeadline), std::future_status::ready) << "the read hangs";
    EXPECT_EQ(read.get(), FT_IO_ERROR);

    EXPECT_NE(PollStatus(backend, handle), FT_OK);
    EXPECT_EQ(backend.FT_Close(handle), FT_OK);
    EXPECT_EQ(ListedSerials(backend), std::vector<std::string>{sim::OtherDeviceSerial(0)});
    FT_HANDLE none = 0;
    EXPECT_EQ(Open(backend, kInstrument, &none), link::FT_DEVICE_NOT_FOUND);

    const int oldNumber = chip.DeviceNumber();
    bus.Replug(chip);
    EXPECT_NE(chip.DeviceNumber(), oldNumber);  // a real bus numbers the new arrival afresh
    ASSERT_EQ(ListedSerials(backend), both);
  }
  // The instrument heard every handshake and every sweep request.
  EXPECT_EQ(plugged.instrument->State().versionQueries, static_cast<std::uint32_t>(kCycles));
  EXPECT_EQ(plugged.instrument->State().sweepRequests, static_cast<std::uint32_t>(kCycles / 2));
}

TEST(FtdiUnplugOnUsb, EveryCallOnAPulledChipFailsButTheClose) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  FT_HANDLE handle = 0;
  ASSERT_EQ(Open(backend, kInstrument, &handle), FT_OK);
  ASSERT_EQ(PollStatus(backend, handle), FT_OK);
  // A read that waited for its time-out instead of noticing would end without an error.
  ASSERT_EQ(backend.FT_SetTimeouts(handle, test::kHangMs, test::kHangMs), FT_OK);
  bus.Unplug(*plugged.instrumentChip);
  EXPECT_FALSE(plugged.instrument->Port().Plugged());

  EXPECT_EQ(PollStatus(backend, handle), FT_IO_ERROR);
  link::FT_STATUS status = FT_OK;
  EXPECT_TRUE(ReadUpTo(backend, handle, 1, &status).empty());
  EXPECT_EQ(status, FT_IO_ERROR);
  EXPECT_EQ(SendFrame(backend, handle, opcode::kVersionQuery, 0), FT_IO_ERROR);
  EXPECT_EQ(backend.FT_ResetDevice(handle), FT_IO_ERROR);
  EXPECT_EQ(backend.FT_Close(handle), FT_OK);
  EXPECT_EQ(plugged.instrument->FramesReceived(), 0u);
}

TEST(FtdiUnplugOnUsb, TheOtherChipKeepsWorkingWhileTheInstrumentComesAndGoes) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  FT_HANDLE other = 0;
  ASSERT_EQ(Open(backend, sim::OtherDeviceSerial(0), &other), FT_OK);
  bus.Unplug(*plugged.instrumentChip);
  EXPECT_EQ(PollStatus(backend, other), FT_OK);
  bus.Replug(*plugged.instrumentChip);
  EXPECT_EQ(PollStatus(backend, other), FT_OK);
  ASSERT_EQ(SendFrame(backend, other, opcode::kVersionQuery, 0), FT_OK);
  EXPECT_EQ(plugged.others[0]->BytesReceived(), link::kFrameSize);

  FT_HANDLE instrument = 0;
  ASSERT_EQ(Open(backend, kInstrument, &instrument), FT_OK);
  EXPECT_TRUE(Handshakes(backend, instrument));
  EXPECT_EQ(backend.FT_Close(instrument), FT_OK);
  EXPECT_EQ(backend.FT_Close(other), FT_OK);
}

TEST(FtdiUnplugOnUsb, AChipPulledBeforeItIsOpenedIsNotFound) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  bus.Unplug(*plugged.instrumentChip);
  bus.Unplug(*plugged.instrumentChip);  // twice changes nothing
  EXPECT_EQ(ListedSerials(backend), std::vector<std::string>{sim::OtherDeviceSerial(0)});
  FT_HANDLE handle = 0;
  EXPECT_EQ(Open(backend, kInstrument, &handle), link::FT_DEVICE_NOT_FOUND);
  bus.Replug(*plugged.instrumentChip);
  bus.Replug(*plugged.instrumentChip);
  ASSERT_EQ(Open(backend, kInstrument, &handle), FT_OK);
  EXPECT_TRUE(Handshakes(backend, handle));
  EXPECT_EQ(backend.FT_Close(handle), FT_OK);
}

}  // namespace
}  // namespace virn::usbemu
