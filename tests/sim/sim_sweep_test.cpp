// Sweeps through the simulated bus, read as the program's acquisition loop reads
// them: one byte at a time with a 20 ms time-out. The levels show the model
// network through the chosen detector; the bytes come paced over the sweep
// period; faults (a muted detector, a stop, an unplug mid-sweep, a second request
// during a sweep) behave as on a real instrument.
//
// Timing checks are inequalities against the clock read around each call, so a
// slow or loaded machine can only make them looser, never fail them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include "bus_helpers.h"
#include "sim/network_model.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"
#include "sim/sweep_model.h"

namespace virn::sim::test {
namespace {

using namespace link;
using namespace std::chrono_literals;
using Clock = SimDevice::Clock;

constexpr std::int32_t kStart = 100000;
constexpr std::int32_t kStep = 118810;
constexpr std::size_t kPoints = kSweepPoints;
// 20 MHz, the filter's centre, lies between points 167 and 168.
constexpr std::size_t kCentrePoint = 167;
constexpr int kPassbandLevel = 247;  // 251 - 2.5 * 1.5 dB insertion loss
constexpr int kFloorLevel = 51;
constexpr int kTolerance = 5;  // five times the noise

// Whole point spacings in a stretch of time: an upper bound on the bytes a sweep
// can have made readable within it.
std::int64_t Spacings(Clock::duration elapsed, std::int32_t periodIndex) {
  return elapsed / PointSpacing(periodIndex);
}

double StandardDeviation(const std::vector<std::uint8_t>& values) {
  const double n = static_cast<double>(values.size());
  const double mean = std::accumulate(values.begin(), values.end(), 0.0) / n;
  double squares = 0;
  for (const std::uint8_t v : values) squares += (v - mean) * (v - mean);
  return std::sqrt(squares / (n - 1));
}

class Sweep : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program's uncalibrated scale on an exact clock, with a flat sample of
    // noise: what is checked here does not depend on the instrument's errors.
    instrument->SetDetector({.log = {.zeroDbSample = 251, .samplesPerDb = 2.5, .floorDb = -80},
                             .linear = {.fullScale = 240, .floorSamples = 1.5}});
    instrument->SetClockFactor(1.0);
    instrument->SetNoiseRms(1.0);
    instrument->SetFloorNoiseRms(0);
    bus.Plug(instrument);
    Open();
  }
  void Open() {
    handle = OpenOrFail(bus, "INSTR");
    ASSERT_EQ(bus.FT_SetTimeouts(handle, 20, 20), FT_OK);
  }
  // The frames the program sends when the user presses Start, in its order.
  void Configure(std::int32_t start, std::int32_t step, std::int32_t period, bool linear = false,
                 bool averaging = false) {
    ASSERT_EQ(SendFrame(bus, handle, 11, linear ? 1 : 0), FT_OK);
    ASSERT_EQ(SendFrame(bus, handle, 2, 420), FT_OK);
    ASSERT_EQ(SendFrame(bus, handle, 1, 43), FT_OK);
    ASSERT_EQ(SendFrame(bus, handle, 12, 0), FT_OK);
    ASSERT_EQ(SendFrame(bus, handle, 13, averaging ? 1 : 0), FT_OK);
    ASSERT_EQ(SendFrame(bus, handle, 5, period), FT_OK);
    ASSERT_EQ(SendFrame(bus, handle, 3, start), FT_OK);
    ASSERT_EQ(SendFrame(bus, handle, 4, step), FT_OK);
  }
  // Sends opcode 7. The write hands the frame over before it returns, so the
  // instrument has the request by the returned time.
  Clock::time_point RequestSweep() {
    EXPECT_EQ(SendFrame(bus, handle, 7, 1), FT_OK);
    return Clock::now();
  }
  // The program's read loop: one byte per read; stops early at the first read
  // that gets nothing.
  std::vector<std::uint8_t> ReadLevels(std::size_t count) {
    std::vector<std::uint8_t> levels;
    while (levels.size() < count) {
      std::uint8_t byte = 0;
      std::uint32_t got = 0;
      if (bus.FT_Read(handle, &byte, 1, &got) != FT_OK || got == 0) break;
      levels.push_back(byte);
    }
    return levels;
  }
  // Takes one sweep the way the acquisition loop does: request, 100 ms, reads.
  std::vector<std::uint8_t> TakeSweep() {
    RequestSweep();
    std::this_thread::sleep_for(100ms);
    return ReadLevels(kPoints);
  }
  bool NothingMoreToRead() { return ReadLevels(1).empty(); }

  SimBus bus;
  std::shared_ptr<SimInstrument> instrument = std::make_shared<SimInstrument>("INSTR");
  FT_HANDLE handle = 0;
};

TEST_F(Sweep, DeliversAllPointsOfTheBandPassOneReadAtATime) {
  Configure(kStart, kStep, 1);
  const auto levels = TakeSweep();
  ASSERT_EQ(levels.size(), kPoints);
  EXPECT_TRUE(NothingMoreToRead());
  EXPECT_EQ(instrument->State().sweepRequests, 1u);

  for (std::size_t i = kCentrePoint - 8; i <= kCentrePoint + 8; ++i) {
    EXPECT_NEAR(levels[i], kPassbandLevel, kTolerance) << "passband point " << i;
  }
  for (std::size_t i = 0; i <= 25; ++i) EXPECT_NEAR(levels[i], kFloorLevel, kTolerance) << "stop band " << i;
  const auto peak = std::max_element(levels.begin(), levels.end()) - levels.begin();
  EXPECT_GE(peak, 144);  // inside the -3 dB edges, 17.2 and 23.2 MHz
  EXPECT_LE(peak, 195);
}

TEST_F(Sweep, BytesArrivePacedOverThePeriod) {
  Configure(kStart, kStep, 1);
  const auto beforeRequest = Clock::now();
  const auto requested = RequestSweep();
  const std::uint32_t atOnce = RxBytes(bus, handle);
  // The first level is measured one spacing after the request.
  EXPECT_LE(atOnce, Spacings(Clock::now() - beforeRequest, 1));

  std::this_thread::sleep_for(150ms);
  const auto beforeStatus = Clock::now();
  const std::uint32_t midway = RxBytes(bus, handle);
  const auto afterStatus = Clock::now();
  EXPECT_LE(midway, Spacings(afterStatus - beforeRequest, 1));
  EXPECT_GE(midway, std::min<std::int64_t>(kPoints, Spacings(beforeStatus - requested, 1)));

  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  EXPECT_EQ(RxBytes(bus, handle), kPoints);
  EXPECT_EQ(ReadLevels(kPoints).size(), kPoints);
  EXPECT_TRUE(NothingMoreToRead());
}

TEST_F(Sweep, SlowerPeriodSpreadsTheSameSweepWider) {
  Configure(kStart, kStep, 4);
  const auto beforeRequest = Clock::now();
  RequestSweep();
  std::this_thread::sleep_for(200ms);
  // At 7.6 ms a point, 200 ms hold fewer than 30 points.
  EXPECT_LE(RxBytes(bus, handle), Spacings(Clock::now() - beforeRequest, 4));
  ASSERT_EQ(SendFrame(bus, handle, 6, 0), FT_OK);
}

TEST_F(Sweep, LinearDetectorChangesTheScale) {
  Configure(kStart, kStep, 1, /*linear=*/true);
  const auto linear = TakeSweep();
  ASSERT_EQ(linear.size(), kPoints);
  EXPECT_NEAR(linear[kCentrePoint], 202, kTolerance);  // 240 * 10^(-1.5 / 20)
  for (std::size_t i = 0; i <= 25; ++i) EXPECT_LE(linear[i], 6) << i;

  ASSERT_EQ(SendFrame(bus, handle, 11, 0), FT_OK);
  const auto log = TakeSweep();
  ASSERT_EQ(log.size(), kPoints);
  EXPECT_NEAR(log[kCentrePoint], kPassbandLevel, kTolerance);
  EXPECT_NEAR(log[10], kFloorLevel, kTolerance);
}

TEST_F(Sweep, NetworkCanBeSwappedForACableOrAnAttenuator) {
  Configure(kStart, kStep, 1);
  instrument->SetNetwork(ThroughLine());
  const auto through = TakeSweep();
  ASSERT_EQ(through.size(), kPoints);
  for (const std::uint8_t b : through) ASSERT_NEAR(b, 251, kTolerance);

  instrument->SetNetwork(Attenuator(-40));
  const auto pad = TakeSweep();
  ASSERT_EQ(pad.size(), kPoints);
  for (const std::uint8_t b : pad) ASSERT_NEAR(b, 151, kTolerance);

  instrument->SetNetwork(nullptr);  // back to the filter
  const auto filter = TakeSweep();
  ASSERT_EQ(filter.size(), kPoints);
  EXPECT_NEAR(filter[kCentrePoint], kPassbandLevel, kTolerance);
  EXPECT_NEAR(filter[5], kFloorLevel, kTolerance);
}

TEST_F(Sweep, ClockErrorMovesThePassband) {
  // A fast clock puts out more than asked, so the filter's centre is reached at
  // a lower nominal frequency: 20 MHz / 1.05 = 19.05 MHz, point 159.
  instrument->SetNoiseRms(0);
  instrument->SetClockFactor(1.05);
  Configure(kStart, kStep, 1);
  const auto fast = TakeSweep();
  ASSERT_EQ(fast.size(), kPoints);
  // The filter is geometric, so its -3 dB edges move by the same factor.
  const auto firstAbove = [](const std::vector<std::uint8_t>& v, int level) {
    return std::find_if(v.begin(), v.end(), [level](std::uint8_t b) { return b >= level; }) - v.begin();
  };
  instrument->SetClockFactor(1.0);
  const auto exact = TakeSweep();
  ASSERT_EQ(exact.size(), kPoints);
  const auto exactEdge = firstAbove(exact, 240);
  const auto fastEdge = firstAbove(fast, 240);
  EXPECT_GE(exactEdge - fastEdge, 6);
  EXPECT_LE(exactEdge - fastEdge, 9);
}

TEST_F(Sweep, AveragingReducesTheSpreadAtOneFrequency) {
  instrument->SetOutputResponse(FlatOutput());  // the level at the centre in round numbers
  constexpr int kSweeps = 5;
  const auto takeMany = [&](bool averaging) {
    // Start = end: every point is measured at the filter's centre.
    Configure(20000000, 0, 1, false, averaging);
    for (int i = 0; i < kSweeps; ++i) RequestSweep();  // queued one behind the other
    std::this_thread::sleep_for(100ms);
    return ReadLevels(kPoints * kSweeps);
  };
  const auto plain = takeMany(false);
  const auto averaged = takeMany(true);
  ASSERT_EQ(plain.size(), kPoints * kSweeps);
  ASSERT_EQ(averaged.size(), kPoints * kSweeps);
  const double plainSpread = StandardDeviation(plain);
  const double averagedSpread = StandardDeviation(averaged);
  EXPECT_GT(plainSpread, 0.7);
  EXPECT_LT(plainSpread, 1.5);
  EXPECT_LT(averagedSpread, 0.6 * plainSpread);
  const double plainMean =
      std::accumulate(plain.begin(), plain.end(), 0.0) / static_cast<double>(plain.size());
  const double averagedMean =
      std::accumulate(averaged.begin(), averaged.end(), 0.0) / static_cast<double>(averaged.size());
  EXPECT_NEAR(plainMean, 247.25, 0.2);
  EXPECT_NEAR(averagedMean, 247.25, 0.3);
}

TEST_F(Sweep, NoiseSeedMakesSweepsRepeatable) {
  Configure(kStart, kStep, 1);
  instrument->SetNoiseSeed(99);
  const auto first = TakeSweep();
  instrument->SetNoiseSeed(99);
  const auto again = TakeSweep();
  const auto next = TakeSweep();
  ASSERT_EQ(first.size(), kPoints);
  EXPECT_EQ(first, again);
  EXPECT_NE(first, next);
}

TEST_F(Sweep, OnlyArgumentOneTakesASweep) {
  Configure(kStart, kStep, 1);
  ASSERT_EQ(SendFrame(bus, handle, 7, 0), FT_OK);
  ASSERT_EQ(SendFrame(bus, handle, 7, 2), FT_OK);
  const auto requested = Clock::now();
  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  EXPECT_EQ(RxBytes(bus, handle), 0u);
  EXPECT_EQ(instrument->State().sweepRequests, 2u);
}

TEST_F(Sweep, SweepWithTheRangeNeverSetStillTakesTheFastPeriod) {
  // Index 0 (no opcode 5 yet) behaves as index 1.
  const auto requested = RequestSweep();
  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  EXPECT_EQ(RxBytes(bus, handle), kPoints);
}

TEST_F(Sweep, MutedInstrumentSendsNoLevels) {
  instrument->SetMuted(true);
  EXPECT_TRUE(instrument->Muted());
  Configure(kStart, kStep, 1);
  const auto requested = RequestSweep();
  std::this_thread::sleep_for(100ms);
  std::uint8_t byte = 0x5A;
  std::uint32_t got = 99;
  ASSERT_EQ(bus.FT_Read(handle, &byte, 1, &got), FT_OK);  // a time-out, not an error
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(byte, 0x5A);
  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  EXPECT_EQ(RxBytes(bus, handle), 0u);
  EXPECT_EQ(instrument->State().sweepRequests, 1u);

  // The version query still works: only the levels are missing.
  ASSERT_EQ(SendFrame(bus, handle, 9, 0), FT_OK);
  EXPECT_EQ(ReadUpTo(bus, handle, 11), MakeVersionReply(kDefaultVersionText));

  instrument->SetMuted(false);
  EXPECT_EQ(TakeSweep().size(), kPoints);
}

TEST_F(Sweep, StopCutsTheSweepShort) {
  Configure(kStart, kStep, 4);
  const auto beforeRequest = Clock::now();
  RequestSweep();
  std::this_thread::sleep_for(40ms);
  ASSERT_EQ(SendFrame(bus, handle, 6, 0), FT_OK);
  const std::int64_t sentBeforeStop = Spacings(Clock::now() - beforeRequest, 4);
  std::this_thread::sleep_for(200ms);
  // Only what was measured before the stop ever arrives.
  const std::uint32_t leftover = RxBytes(bus, handle);
  EXPECT_LE(leftover, sentBeforeStop);
  EXPECT_EQ(ReadLevels(kPoints).size(), leftover);
  EXPECT_EQ(instrument->State().stops, 1u);

  // The next sweep starts at once, not where the stopped one would have ended.
  ASSERT_EQ(SendFrame(bus, handle, 5, 1), FT_OK);
  const auto requested = RequestSweep();
  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  EXPECT_EQ(RxBytes(bus, handle), kPoints);
}

TEST_F(Sweep, SecondRequestWhileStreamingFollowsTheFirst) {
  Configure(kStart, kStep, 1);
  const auto beforeRequest = Clock::now();
  RequestSweep();
  const auto requested = RequestSweep();

  std::this_thread::sleep_until(requested + SweepPeriod(1) + 150ms);
  const auto beforeStatus = Clock::now();
  const std::uint32_t ready = RxBytes(bus, handle);
  const auto afterStatus = Clock::now();
  // Still one point per spacing: the second sweep neither runs alongside the
  // first nor bunches up at its end.
  EXPECT_LE(ready, Spacings(afterStatus - beforeRequest, 1));
  EXPECT_GE(ready, std::min<std::int64_t>(2 * kPoints, Spacings(beforeStatus - requested, 1)));

  const auto levels = ReadLevels(2 * kPoints);
  ASSERT_EQ(levels.size(), 2 * kPoints);
  EXPECT_TRUE(NothingMoreToRead());
  for (const std::size_t sweep : {std::size_t{0}, kPoints}) {
    EXPECT_NEAR(levels[sweep + kCentrePoint], kPassbandLevel, kTolerance) << sweep;
    EXPECT_NEAR(levels[sweep + 10], kFloorLevel, kTolerance) << sweep;
  }
}

TEST_F(Sweep, UnplugMidSweepEndsTheReadsAndTheBusRecovers) {
  Configure(kStart, kStep, 4);  // 3.2 s: long enough to pull the plug halfway
  RequestSweep();
  std::atomic<std::size_t> received{0};
  FT_STATUS endStatus = FT_OK;
  std::thread reader([&] {
    for (int timeouts = 0; received < kPoints && timeouts < 1000;) {
      std::uint8_t byte = 0;
      std::uint32_t got = 0;
      endStatus = bus.FT_Read(handle, &byte, 1, &got);
      if (endStatus != FT_OK) return;
      if (got == 0) ++timeouts;
      received += got;
    }
  });
  ASSERT_TRUE(virn::test::PollUntil([&] { return received >= 10; }, virn::test::WhileWaiting::Sleep));
  ASSERT_TRUE(bus.Unplug("INSTR"));
  reader.join();
  EXPECT_EQ(endStatus, FT_IO_ERROR);
  EXPECT_LT(received.load(), kPoints);

  // Plugged back in: a fresh handle, nothing of the old sweep, and a new sweep
  // that starts at once instead of after the old one's time.
  ASSERT_TRUE(bus.Plug(instrument));
  const FT_HANDLE stale = handle;
  Open();
  EXPECT_EQ(RxBytes(bus, handle), 0u);
  EXPECT_EQ(bus.FT_Close(stale), FT_OK);
  Configure(kStart, kStep, 1);
  const auto requested = RequestSweep();
  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  EXPECT_EQ(RxBytes(bus, handle), kPoints);
  const auto levels = ReadLevels(kPoints);
  ASSERT_EQ(levels.size(), kPoints);
  EXPECT_NEAR(levels[kCentrePoint], kPassbandLevel, kTolerance);
  EXPECT_EQ(bus.OpenHandleCount(), 1u);
}

TEST_F(Sweep, ResetDropsTheRestOfASweep) {
  Configure(kStart, kStep, 4);
  RequestSweep();
  std::this_thread::sleep_for(30ms);
  ASSERT_EQ(bus.FT_ResetDevice(handle), FT_OK);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(RxBytes(bus, handle), 0u);
  ASSERT_EQ(SendFrame(bus, handle, 5, 1), FT_OK);
  const auto requested = RequestSweep();
  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  EXPECT_EQ(RxBytes(bus, handle), kPoints);
}

TEST(TypicalBusSweep, FactoryPutsTheChosenNetworkOnTheInstrument) {
  SimBus bus;
  const TypicalBus typical = PopulateTypicalBus(
      bus, {.plugInstrument = true, .otherDevices = 1, .sink = {}, .network = Attenuator(-40)});
  typical.instrument->SetNoiseRms(0);
  typical.instrument->SetFloorNoiseRms(0);
  const FT_HANDLE h = OpenOrFail(bus, std::string(kInstrumentSerial));
  ASSERT_EQ(bus.FT_SetTimeouts(h, 20, 20), FT_OK);
  ASSERT_EQ(SendFrame(bus, h, 5, 1), FT_OK);
  ASSERT_EQ(SendFrame(bus, h, 7, 1), FT_OK);
  const auto requested = Clock::now();
  std::this_thread::sleep_until(requested + SweepPeriod(1) + 50ms);
  const auto levels = ReadUpTo(bus, h, static_cast<std::uint32_t>(kPoints));
  ASSERT_EQ(levels.size(), kPoints);
  // 40 dB below the default detector's 236 at 0 dB, 2.8 samples a dB.
  EXPECT_TRUE(std::all_of(levels.begin(), levels.end(), [](std::uint8_t b) { return b == 124; }));
}

}  // namespace
}  // namespace virn::sim::test
