// Talking to the instrument through the libftdi backend and the emulated chip:
// the version handshake, a sweep paced as the instrument paces it, the read
// time-out on a chip with nothing to say, and reads that a write or a close
// meets while they wait. How long these take is printed by bench/usb_bench.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_factory.h"
#include "sim/sweep_model.h"
#include "support/poll_until.h"
#include "usb/backend_helpers.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

using link::FT_HANDLE;
using link::FT_OK;
namespace opcode = link::opcode;

const std::string kInstrument(sim::kInstrumentSerial);
constexpr std::uint32_t kLinkTimeoutMs = 20;  // what the program sets after the handshake

class FtdiTransferOnUsb : public ::testing::Test {
 protected:
  void SetUp() override {
    plugged_ = PlugInstrumentBehind(bus_);
    ASSERT_EQ(Open(backend_, kInstrument, &handle_), FT_OK);
  }
  void TearDown() override {
    if (handle_ != 0) {
      EXPECT_EQ(backend_.FT_Close(handle_), FT_OK);
    }
  }

  EmulatedBus bus_;
  InstrumentOnBus plugged_;
  link::FtdiBackend backend_;
  FT_HANDLE handle_ = 0;
};

TEST_F(FtdiTransferOnUsb, TheVersionQueryIsAnsweredWithTheVersionReply) {
  ASSERT_EQ(SendFrame(backend_, handle_, opcode::kVersionQuery, 0), FT_OK);
  link::FT_STATUS status = link::FT_OTHER_ERROR;
  const std::vector<std::uint8_t> reply = ReadUpTo(backend_, handle_, link::kVersionReplySize, &status);
  EXPECT_EQ(status, FT_OK);
  EXPECT_EQ(reply, sim::MakeVersionReply(sim::kDefaultVersionText));
  const auto log = plugged_.instrument->WireLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].frame, link::EncodeFrame(opcode::kVersionQuery, 0));
  EXPECT_EQ(plugged_.instrument->State().versionQueries, 1u);
}

TEST_F(FtdiTransferOnUsb, ASweepArrivesByteByByteOverTheInstrumentsPeriod) {
  // The program's start sequence, then the sweep command.
  ASSERT_EQ(backend_.FT_ResetDevice(handle_), FT_OK);
  ASSERT_EQ(backend_.FT_SetTimeouts(handle_, kLinkTimeoutMs, kLinkTimeoutMs), FT_OK);
  constexpr std::int32_t kPeriodIndex = 1;
  const std::vector<link::Command> setup{{opcode::kDetector, 0},          {opcode::kSweepSteps, 420},
                                         {opcode::kDdsCoefficient, 43},   {opcode::kDelay, 0},
                                         {opcode::kAveraging, 0},         {opcode::kPeriod, kPeriodIndex},
                                         {opcode::kStartWord, 1'000'000}, {opcode::kStep, 100'000}};
  for (const link::Command& command : setup) {
    ASSERT_EQ(SendFrame(backend_, handle_, command.opcode, command.argument), FT_OK);
  }
  const auto start = Clock::now();
  ASSERT_EQ(SendFrame(backend_, handle_, opcode::kTakeSweep, 1), FT_OK);

  std::vector<std::uint8_t> levels;
  double lastByteMs = 0;
  // One byte per read, as the acquisition thread reads them; the deadline
  // keeps a broken pacing from hanging the test.
  const auto deadline = start + test::kHangDeadline;
  while (levels.size() < static_cast<std::size_t>(sim::kSweepPoints) && Clock::now() < deadline) {
    link::FT_STATUS status = link::FT_OTHER_ERROR;
    const std::vector<std::uint8_t> byte = ReadUpTo(backend_, handle_, 1, &status);
    ASSERT_EQ(status, FT_OK);
    if (byte.empty()) continue;
    levels.push_back(byte[0]);
    lastByteMs = MsSince(start);
  }
  ASSERT_EQ(levels.size(), static_cast<std::size_t>(sim::kSweepPoints));
  const sim::SweepLevels sent = plugged_.instrument->LastSweepLevels();
  EXPECT_EQ(levels, std::vector<std::uint8_t>(sent.begin(), sent.end()));
  // The instrument measures the last level 420 point spacings after the first.
  const std::chrono::duration<double, std::milli> lastMeasured = sim::PointSpacing(kPeriodIndex) * 420;
  EXPECT_GE(lastByteMs, lastMeasured.count());
  // Nothing follows the last level.
  EXPECT_TRUE(ReadUpTo(backend_, handle_, 1).empty());

  const auto log = plugged_.instrument->WireLog();
  ASSERT_EQ(log.size(), setup.size() + 1);
  for (std::size_t i = 0; i < setup.size(); ++i) {
    EXPECT_EQ(log[i].frame, link::EncodeFrame(setup[i].opcode, setup[i].argument)) << i;
  }
  EXPECT_EQ(log.back().frame, link::EncodeFrame(opcode::kTakeSweep, 1));
}

TEST_F(FtdiTransferOnUsb, AResetDropsTheRestOfASweep) {
  ASSERT_EQ(SendFrame(backend_, handle_, opcode::kTakeSweep, 1), FT_OK);
  ASSERT_EQ(backend_.FT_SetTimeouts(handle_, 200, kLinkTimeoutMs), FT_OK);
  ASSERT_EQ(ReadUpTo(backend_, handle_, 5).size(), 5u);
  ASSERT_EQ(backend_.FT_ResetDevice(handle_), FT_OK);
  // The instrument's queue went with the reset; what arrives within a whole
  // sweep period is at most the few bytes that were on their way already.
  ASSERT_EQ(backend_.FT_SetTimeouts(handle_, 450, kLinkTimeoutMs), FT_OK);
  EXPECT_LT(ReadUpTo(backend_, handle_, 100).size(), 5u);
  EXPECT_EQ(plugged_.instrumentChip->Settings().resets, 2u);  // the open's and this one
}

// What shows a wait that does not sleep is the number of URBs per latency
// period and libusb reaping more often than URBs complete; the reading
// thread's share of the CPU is printed by the benchmark.
TEST(FtdiReadTimeoutOnUsb, ASilentChipsReadEndsAtItsTimeOutAndSleepsWhileItWaits) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  EmulatedChip& chip = *plugged.otherChips[0];
  link::FtdiBackend backend;
  FT_HANDLE handle = 0;
  ASSERT_EQ(Open(backend, chip.Serial(), &handle), FT_OK);
  ASSERT_EQ(backend.FT_SetTimeouts(handle, kLinkTimeoutMs, kLinkTimeoutMs), FT_OK);

  constexpr int kReads = 50;
  const NodeTraffic before = chip.Traffic();
  const auto wallStart = Clock::now();
  for (int i = 0; i < kReads; ++i) {
    const auto start = Clock::now();
    link::FT_STATUS status = link::FT_OTHER_ERROR;
    const std::vector<std::uint8_t> bytes = ReadUpTo(backend, handle, 8, &status);
    // A read never gives up before its time-out.
    EXPECT_GE(MsSince(start), kLinkTimeoutMs);
    ASSERT_EQ(status, FT_OK);
    EXPECT_TRUE(bytes.empty());
  }
  const double wallMs = MsSince(wallStart);
  const NodeTraffic after = chip.Traffic();

  // The reads took at least a latency period for every URB but the first two
  // (the chip answers no sooner), each reaped once libusb's poll woke: a
  // lower bound on the time, which a slow machine only makes easier.
  const double latency = link::FtdiBackend::kLatencyTimerMs;
  const auto urbs = static_cast<double>(after.reaped - before.reaped);
  EXPECT_GE(wallMs, (urbs - 2) * latency);
  EXPECT_LE(after.emptyReaps - before.emptyReaps, after.reaped - before.reaped + 5);
  EXPECT_EQ(backend.FT_Close(handle), FT_OK);
}

TEST_F(FtdiTransferOnUsb, AWriteGetsInWhileAReadWaitsWithoutLimit) {
  ASSERT_EQ(backend_.FT_SetTimeouts(handle_, 0, kLinkTimeoutMs), FT_OK);
  auto read = std::async(std::launch::async, [&] {
    link::FT_STATUS status = link::FT_OTHER_ERROR;
    auto bytes = ReadUpTo(backend_, handle_, link::kVersionReplySize, &status);
    return std::make_pair(status, bytes);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_EQ(SendFrame(backend_, handle_, opcode::kVersionQuery, 0), FT_OK);
  ASSERT_EQ(read.wait_for(test::kHangDeadline), std::future_status::ready);
  const auto [status, bytes] = read.get();
  EXPECT_EQ(status, FT_OK);
  EXPECT_EQ(bytes, sim::MakeVersionReply(sim::kDefaultVersionText));
}

TEST_F(FtdiTransferOnUsb, ACloseEndsAReadThatWaits) {
  ASSERT_EQ(backend_.FT_SetTimeouts(handle_, 0, kLinkTimeoutMs), FT_OK);
  std::atomic<bool> returned{false};
  const std::uint64_t submitted = plugged_.instrumentChip->Traffic().submitted;
  auto read = std::async(std::launch::async, [&] {
    link::FT_STATUS status = link::FT_OTHER_ERROR;
    auto bytes = ReadUpTo(backend_, handle_, 1, &status);
    returned = true;
    return std::make_pair(status, bytes);
  });
  // The read waits on the chip; with no time-out only the close can end it.
  ASSERT_TRUE(test::PollUntil([&] { return plugged_.instrumentChip->Traffic().submitted > submitted; },
                              test::WhileWaiting::Sleep));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_FALSE(returned.load());
  EXPECT_EQ(backend_.FT_Close(handle_), FT_OK);
  handle_ = 0;
  ASSERT_EQ(read.wait_for(test::kHangDeadline), std::future_status::ready);
  const auto [status, bytes] = read.get();
  // A close ends the wait as a time-out would.
  EXPECT_EQ(status, FT_OK);
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(plugged_.instrument->Port().IsOpen());
}

}  // namespace
}  // namespace virn::usbemu
