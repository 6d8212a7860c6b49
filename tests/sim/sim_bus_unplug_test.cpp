// Unplugging, re-plugging and closing while other threads use the handle: the
// program's watchdog notices an unplug through FT_GetStatus, and its GUI thread
// may close the device while the acquisition thread is inside a read.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "bus_helpers.h"
#include "sim/other_devices.h"
#include "sim/sim_bus.h"
#include "sim/sim_instrument.h"

namespace virn::sim::test {
namespace {

using namespace link;

class BusUnplug : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Plug(device);
    handle = OpenOrFail(bus, "UNIT");
  }
  SimBus bus;
  std::shared_ptr<SimInstrument> device = std::make_shared<SimInstrument>("UNIT");
  FT_HANDLE handle = 0;
};

TEST_F(BusUnplug, EveryCallButCloseFailsWithIoErrorAfterUnplug) {
  device->QueueOutput(std::vector<std::uint8_t>{1, 2});
  ASSERT_TRUE(bus.Unplug("UNIT"));
  std::uint8_t buffer[2] = {0xEE, 0xEE};
  std::uint32_t n = 7, tx = 0, events = 0;
  EXPECT_EQ(bus.FT_Read(handle, buffer, 2, &n), FT_IO_ERROR);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(buffer[0], 0xEE);
  EXPECT_EQ(bus.FT_Write(handle, buffer, 2, &n), FT_IO_ERROR);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(bus.FT_ResetDevice(handle), FT_IO_ERROR);
  EXPECT_EQ(bus.FT_SetTimeouts(handle, 20, 20), FT_IO_ERROR);
  EXPECT_NE(bus.FT_GetStatus(handle, &n, &tx, &events), FT_OK);
  EXPECT_EQ(bus.FT_Close(handle), FT_OK);
  EXPECT_EQ(bus.FT_Close(handle), FT_INVALID_HANDLE);
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

TEST_F(BusUnplug, WritesAfterUnplugNeverReachTheDevice) {
  ASSERT_TRUE(bus.Unplug("UNIT"));
  EXPECT_EQ(SendFrame(bus, handle, 6, 0), FT_IO_ERROR);
  EXPECT_TRUE(device->WireLog().empty());
}

TEST_F(BusUnplug, UnpluggedDeviceIsNeitherListedNorOpenable) {
  ASSERT_TRUE(bus.Unplug("UNIT"));
  std::uint32_t count = 9;
  ASSERT_EQ(bus.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 0u);
  FT_HANDLE other = 0;
  EXPECT_EQ(bus.FT_OpenEx("UNIT", FT_OPEN_BY_SERIAL_NUMBER, &other), FT_DEVICE_NOT_FOUND);
}

TEST_F(BusUnplug, UnplugEndsABlockedReadAndStatusTurnsNonzero) {
  ASSERT_EQ(bus.FT_SetTimeouts(handle, 0, 0), FT_OK);  // would wait forever
  FT_STATUS readStatus = FT_OK;
  std::thread reader([&] {
    std::uint8_t byte = 0;
    std::uint32_t got = 0;
    readStatus = bus.FT_Read(handle, &byte, 1, &got);
  });
  ASSERT_TRUE(virn::test::PollUntil([&] { return device->Port().WaitingReaders() == 1; },
                                    virn::test::WhileWaiting::Sleep));
  ASSERT_TRUE(bus.Unplug("UNIT"));
  reader.join();
  EXPECT_EQ(readStatus, FT_IO_ERROR);
  std::uint32_t rx = 0, tx = 0, events = 0;
  EXPECT_NE(bus.FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
}

TEST_F(BusUnplug, ReplugMakesTheDeviceOpenableWithAFreshSession) {
  // Half a frame before the unplug must not combine with bytes after it.
  ASSERT_EQ(WriteBytes(bus, handle, {9, 0}), FT_OK);
  ASSERT_TRUE(bus.Unplug("UNIT"));
  ASSERT_TRUE(bus.Plug(device));

  // The old handle stays dead even though the same device is back.
  EXPECT_EQ(SendFrame(bus, handle, 9, 0), FT_IO_ERROR);
  const FT_HANDLE fresh = OpenOrFail(bus, "UNIT");
  EXPECT_GT(fresh, handle);
  ASSERT_EQ(bus.FT_SetTimeouts(fresh, 20, 20), FT_OK);
  ASSERT_EQ(SendFrame(bus, fresh, 9, 0), FT_OK);
  EXPECT_EQ(ReadUpTo(bus, fresh, 11), MakeVersionReply(kDefaultVersionText));
  // Closing the stale handle later must not end the new session.
  EXPECT_EQ(bus.FT_Close(handle), FT_OK);
  EXPECT_EQ(RxBytes(bus, fresh), 0u);
  EXPECT_EQ(SendFrame(bus, fresh, 6, 0), FT_OK);
}

TEST_F(BusUnplug, AnotherDeviceWithTheSameSerialCanReplaceTheUnpluggedOne) {
  ASSERT_TRUE(bus.Unplug("UNIT"));
  auto replacement = std::make_shared<SimInstrument>("UNIT");
  ASSERT_TRUE(bus.Plug(replacement));
  const FT_HANDLE fresh = OpenOrFail(bus, "UNIT");
  ASSERT_EQ(SendFrame(bus, fresh, 2, 420), FT_OK);
  EXPECT_EQ(replacement->WireLog().size(), 1u);
  EXPECT_TRUE(device->WireLog().empty());
}

TEST_F(BusUnplug, CloseEndsABlockedReadOnAnotherThread) {
  ASSERT_EQ(bus.FT_SetTimeouts(handle, 0, 0), FT_OK);
  FT_STATUS readStatus = FT_OK;
  std::thread reader([&] {
    std::uint8_t byte = 0;
    std::uint32_t got = 0;
    readStatus = bus.FT_Read(handle, &byte, 1, &got);
  });
  ASSERT_TRUE(virn::test::PollUntil([&] { return device->Port().WaitingReaders() == 1; },
                                    virn::test::WhileWaiting::Sleep));
  EXPECT_EQ(bus.FT_Close(handle), FT_OK);
  // FT_Close waits for calls in progress: the read has returned by now.
  EXPECT_EQ(device->Port().WaitingReaders(), 0u);
  reader.join();
  EXPECT_EQ(readStatus, FT_IO_ERROR);
  EXPECT_FALSE(device->Port().IsOpen());
}

// The program's shutdown: the acquisition thread reads and writes while the GUI
// thread closes. Whatever the interleaving, every call returns, the outcomes are
// the documented ones, and the device is free again afterwards.
TEST(BusRaces, CloseRacingReadsAndWritesOnOtherThreads) {
  SimBus bus;
  auto device = std::make_shared<SimInstrument>("RACE");
  bus.Plug(device);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const FT_HANDLE handle = OpenOrFail(bus, "RACE");
    ASSERT_EQ(bus.FT_SetTimeouts(handle, round % 2 == 0 ? 0 : 5, 5), FT_OK);
    std::atomic<bool> go{false};
    FT_STATUS readStatus = FT_OK, writeStatus = FT_OK;
    std::thread reader([&] {
      while (!go.load()) std::this_thread::yield();
      std::uint8_t buffer[11];
      std::uint32_t got = 0;
      readStatus = bus.FT_Read(handle, buffer, 11, &got);
    });
    std::thread writer([&] {
      while (!go.load()) std::this_thread::yield();
      writeStatus = SendFrame(bus, handle, 7, 1);
    });
    go = true;
    if (round % 3 == 0) std::this_thread::yield();
    ASSERT_EQ(bus.FT_Close(handle), FT_OK);
    reader.join();
    writer.join();
    EXPECT_TRUE(readStatus == FT_OK || readStatus == FT_IO_ERROR || readStatus == FT_INVALID_HANDLE)
        << readStatus;
    EXPECT_TRUE(writeStatus == FT_OK || writeStatus == FT_INVALID_HANDLE) << writeStatus;
    EXPECT_FALSE(device->Port().IsOpen());
  }
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

TEST(BusRaces, UnplugAndReplugRacingAReader) {
  SimBus bus;
  auto device = std::make_shared<SimInstrument>("RACE");
  bus.Plug(device);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const FT_HANDLE handle = OpenOrFail(bus, "RACE");
    ASSERT_EQ(bus.FT_SetTimeouts(handle, 0, 0), FT_OK);
    FT_STATUS readStatus = FT_OK;
    std::thread reader([&] {
      std::uint8_t buffer[11];
      std::uint32_t got = 0;
      readStatus = bus.FT_Read(handle, buffer, 11, &got);
      std::uint32_t rx = 0, tx = 0, events = 0;
      if (readStatus == FT_IO_ERROR) {
        EXPECT_NE(bus.FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
      }
    });
    ASSERT_TRUE(bus.Unplug("RACE"));
    ASSERT_TRUE(bus.Plug(device));
    reader.join();
    EXPECT_EQ(readStatus, FT_IO_ERROR);
    EXPECT_EQ(bus.FT_Close(handle), FT_OK);
  }
}

TEST(BusRaces, FramesFromTwoWritingThreadsNeverInterleave) {
  SimBus bus;
  auto device = std::make_shared<SimInstrument>("RACE");
  bus.Plug(device);
  const FT_HANDLE handle = OpenOrFail(bus, "RACE");
  constexpr int kFrames = 500;
  auto send = [&](std::uint8_t opcode) {
    for (int i = 0; i < kFrames; ++i) EXPECT_EQ(SendFrame(bus, handle, opcode, i), FT_OK);
  };
  std::thread a(send, 12);
  std::thread b(send, 13);
  a.join();
  b.join();
  const auto log = device->WireLog();
  ASSERT_EQ(log.size(), 2u * kFrames);
  int next12 = 0, next13 = 0;
  for (const WireEntry& e : log) {
    const Command c = DecodeFrame(e.frame);
    ASSERT_TRUE(c.opcode == 12 || c.opcode == 13);
    EXPECT_EQ(c.argument, c.opcode == 12 ? next12++ : next13++);  // whole frames, each thread in order
  }
}

}  // namespace
}  // namespace virn::sim::test
