// FT_Read on the simulated bus: the time-out rule the program's version query and
// sample reads rely on, queued bytes across reads, reset, status and bytes that
// become readable later.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "bus_helpers.h"
#include "sim/other_devices.h"
#include "sim/sim_bus.h"

namespace virn::sim::test {
namespace {

using namespace link;
using namespace std::chrono_literals;
using Clock = SimDevice::Clock;

class BusRead : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Plug(device);
    handle = OpenOrFail(bus, "PORT");
    ASSERT_EQ(bus.FT_SetTimeouts(handle, 20, 20), FT_OK);
  }
  void Queue(const std::vector<std::uint8_t>& bytes) { device->QueueOutput(bytes); }

  SimBus bus;
  std::shared_ptr<SilentDevice> device = std::make_shared<SilentDevice>("PORT");
  FT_HANDLE handle = 0;
};

TEST_F(BusRead, TimeOutReturnsFewerBytesAndLeavesTheRestOfTheBufferUntouched) {
  Queue({0x11, 0x22, 0x33});
  std::array<std::uint8_t, 11> buffer;
  buffer.fill(0xEE);
  std::uint32_t got = 99;
  ASSERT_EQ(bus.FT_Read(handle, buffer.data(), 11, &got), FT_OK);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(buffer[0], 0x11);
  EXPECT_EQ(buffer[2], 0x33);
  for (std::size_t i = 3; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xEE) << i;
}

TEST_F(BusRead, NothingQueuedTimesOutWithZeroBytes) {
  std::uint8_t byte = 0x5A;
  std::uint32_t got = 99;
  ASSERT_EQ(bus.FT_Read(handle, &byte, 1, &got), FT_OK);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(byte, 0x5A);
}

TEST_F(BusRead, ZeroLengthReadSucceedsAtOnce) {
  Queue({1});
  std::uint8_t byte = 0;
  std::uint32_t got = 99;
  ASSERT_EQ(bus.FT_Read(handle, &byte, 0, &got), FT_OK);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(RxBytes(bus, handle), 1u);
}

TEST_F(BusRead, BytesNotAskedForStayQueuedInOrder) {
  Queue({1, 2, 3, 4, 5});
  EXPECT_EQ(ReadUpTo(bus, handle, 2), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(RxBytes(bus, handle), 3u);
  EXPECT_EQ(ReadUpTo(bus, handle, 1), (std::vector<std::uint8_t>{3}));
  EXPECT_EQ(ReadUpTo(bus, handle, 10), (std::vector<std::uint8_t>{4, 5}));
  EXPECT_EQ(RxBytes(bus, handle), 0u);
}

TEST_F(BusRead, ResetDropsQueuedBytes) {
  Queue({1, 2, 3});
  ASSERT_EQ(bus.FT_ResetDevice(handle), FT_OK);
  EXPECT_EQ(RxBytes(bus, handle), 0u);
  EXPECT_TRUE(ReadUpTo(bus, handle, 3).empty());
}

TEST_F(BusRead, StatusReportsOnlyBytesThatAreReadableNow) {
  uint32_t tx = 7, events = 7, rx = 7;
  Queue({1, 2});
  device->QueueOutputAt(std::vector<std::uint8_t>{3, 4, 5}, Clock::now() + 1h);
  ASSERT_EQ(bus.FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 2u);
  EXPECT_EQ(tx, 0u);
  EXPECT_EQ(events, 0u);
  // A time-out read takes the ready ones and leaves the future ones queued.
  EXPECT_EQ(ReadUpTo(bus, handle, 5), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(RxBytes(bus, handle), 0u);
}

TEST_F(BusRead, CancellingPendingOutputKeepsOnlyWhatIsReadable) {
  Queue({1, 2});
  device->QueueOutputAt(std::vector<std::uint8_t>{3, 4, 5}, Clock::now() + 1h);
  device->CancelPendingOutput();
  EXPECT_EQ(RxBytes(bus, handle), 2u);
  // Later output is not held behind the withdrawn bytes.
  Queue({6});
  EXPECT_EQ(ReadUpTo(bus, handle, 5), (std::vector<std::uint8_t>{1, 2, 6}));
  device->CancelPendingOutput();  // nothing queued: nothing happens
  EXPECT_EQ(RxBytes(bus, handle), 0u);
}

TEST_F(BusRead, ReadWaitsForBytesThatBecomeReadableLater) {
  ASSERT_EQ(bus.FT_SetTimeouts(handle, 10000, 20), FT_OK);
  const auto readyAt = Clock::now() + 40ms;
  device->QueueOutputAt(std::vector<std::uint8_t>{7, 8, 9}, readyAt);
  EXPECT_EQ(ReadUpTo(bus, handle, 3), (std::vector<std::uint8_t>{7, 8, 9}));
  EXPECT_GE(Clock::now(), readyAt);  // never handed out before their time
}

TEST_F(BusRead, PacedBytesArriveInOrderAndNoneEarly) {
  ASSERT_EQ(bus.FT_SetTimeouts(handle, 10000, 20), FT_OK);
  std::vector<std::uint8_t> sweep(30);
  for (std::size_t i = 0; i < sweep.size(); ++i) sweep[i] = static_cast<std::uint8_t>(i);
  const auto first = Clock::now() + 5ms;
  device->QueueOutputPaced(sweep, first, 1ms);
  std::vector<std::uint8_t> received;
  for (std::size_t i = 0; i < sweep.size(); ++i) {
    const auto one = ReadUpTo(bus, handle, 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_GE(Clock::now(), first + static_cast<int>(i) * 1ms);
    received.push_back(one[0]);
  }
  EXPECT_EQ(received, sweep);
}

TEST_F(BusRead, LaterBytesNeverOvertakeEarlierOnes) {
  device->QueueOutputAt(std::vector<std::uint8_t>{1}, Clock::now() + 30ms);
  Queue({2});  // due now, but queued behind a byte that is not ready yet
  EXPECT_EQ(RxBytes(bus, handle), 0u);
  ASSERT_EQ(bus.FT_SetTimeouts(handle, 10000, 20), FT_OK);
  EXPECT_EQ(ReadUpTo(bus, handle, 2), (std::vector<std::uint8_t>{1, 2}));
}

TEST_F(BusRead, WaitingReadGetsBytesQueuedWhileItWaits) {
  ASSERT_EQ(bus.FT_SetTimeouts(handle, 0, 0), FT_OK);  // no limit
  std::vector<std::uint8_t> got;
  std::thread reader([&] { got = ReadUpTo(bus, handle, 4); });
  ASSERT_TRUE(virn::test::PollUntil([&] { return device->Port().WaitingReaders() == 1; },
                                    virn::test::WhileWaiting::Sleep));
  Queue({1, 2});
  Queue({3, 4});
  reader.join();
  EXPECT_EQ(got, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

TEST_F(BusRead, TimeOutsApplyPerHandleAndZeroMeansNoLimit) {
  ASSERT_EQ(bus.FT_SetTimeouts(handle, 0, 0), FT_OK);
  std::vector<std::uint8_t> got;
  std::thread reader([&] { got = ReadUpTo(bus, handle, 1); });
  ASSERT_TRUE(virn::test::PollUntil([&] { return device->Port().WaitingReaders() == 1; },
                                    virn::test::WhileWaiting::Sleep));
  // Far longer than the default time-out: a limited read would have given up.
  std::this_thread::sleep_for(std::chrono::milliseconds(kDefaultReadTimeoutMs * 3));
  EXPECT_EQ(device->Port().WaitingReaders(), 1u);
  Queue({0x42});
  reader.join();
  EXPECT_EQ(got, std::vector<std::uint8_t>{0x42});
}

TEST_F(BusRead, ReopeningStartsWithAnEmptyQueue) {
  Queue({1, 2, 3});
  ASSERT_EQ(bus.FT_Close(handle), FT_OK);
  const FT_HANDLE again = OpenOrFail(bus, "PORT");
  EXPECT_EQ(RxBytes(bus, again), 0u);
}

TEST_F(BusRead, OutputWhileClosedIsDropped) {
  ASSERT_EQ(bus.FT_Close(handle), FT_OK);
  Queue({1, 2, 3});
  const FT_HANDLE again = OpenOrFail(bus, "PORT");
  EXPECT_EQ(RxBytes(bus, again), 0u);
}

TEST_F(BusRead, WritesReachTheDeviceSynchronously) {
  ASSERT_EQ(WriteBytes(bus, handle, {1, 2, 3}), FT_OK);
  EXPECT_EQ(device->BytesReceived(), 3u);
  std::uint32_t written = 9;
  ASSERT_EQ(bus.FT_Write(handle, nullptr, 0, &written), FT_OK);
  EXPECT_EQ(written, 0u);
}

}  // namespace
}  // namespace virn::sim::test
