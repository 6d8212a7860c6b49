// What the simulated instrument puts out and keeps of its last sweep: the
// steady carrier a frequency counter reads (opcode 8 on, opcode 7 off, the
// clock error on top), power-up with the output off, the latest sweep's bytes,
// and an external carrier at the input. Read from other threads while frames
// arrive, as the demo's bench does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "bus_helpers.h"
#include "sim/sim_bus.h"
#include "sim/sim_instrument.h"
#include "sim/sweep_model.h"

namespace virn::sim::test {
namespace {

using namespace link;
using namespace std::chrono_literals;

class Output : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Plug(instrument);
    handle = OpenOrFail(bus, "INSTR");
    ASSERT_EQ(bus.FT_SetTimeouts(handle, 20, 20), FT_OK);
  }
  void Send(std::uint8_t opcode, std::int32_t argument) {
    ASSERT_EQ(SendFrame(bus, handle, opcode, argument), FT_OK);
  }
  // One fast sweep read in full.
  std::vector<std::uint8_t> TakeSweep() {
    Send(5, 1);
    Send(7, 1);
    std::vector<std::uint8_t> levels;
    EXPECT_TRUE(virn::test::PollUntil(
        [&] {
          const auto more = ReadUpTo(bus, handle, kSweepPoints);
          levels.insert(levels.end(), more.begin(), more.end());
          return levels.size() >= static_cast<std::size_t>(kSweepPoints);
        },
        virn::test::WhileWaiting::Sleep));
    return levels;
  }

  SimBus bus;
  std::shared_ptr<SimInstrument> instrument = std::make_shared<SimInstrument>("INSTR");
  FT_HANDLE handle = 0;
};

TEST_F(Output, GeneratorWordIsASteadyCarrierOffByTheClock) {
  EXPECT_FALSE(instrument->OutputFrequencyHz());  // nothing since power-up
  Send(8, 45000000);
  ASSERT_TRUE(instrument->OutputFrequencyHz());
  EXPECT_NEAR(*instrument->OutputFrequencyHz(), 45000450, 1e-6);  // 10 ppm fast by default
  // The clock error applies to what is put out now, not when the word came.
  instrument->SetClockFactor(1 - 20e-6);
  EXPECT_NEAR(*instrument->OutputFrequencyHz(), 44999100, 1e-6);
  instrument->SetClockFactor(1.0);
  // Commands that set no frequency leave the carrier alone.
  for (const std::uint8_t op : {1, 2, 3, 4, 5, 6, 9, 11, 12, 13}) Send(op, 1);
  EXPECT_EQ(instrument->OutputFrequencyHz(), 45000000.0);
  // The word is unsigned on the wire.
  Send(8, -1);
  EXPECT_EQ(instrument->OutputFrequencyHz(), 4294967295.0);
  Send(8, 0);
  EXPECT_EQ(instrument->OutputFrequencyHz(), 0.0);
}

TEST_F(Output, ASweepIsNoCarrierUntilTheNextGeneratorWord) {
  instrument->SetClockFactor(1.0);
  Send(8, 1000000);
  Send(7, 1);
  EXPECT_FALSE(instrument->OutputFrequencyHz());
  Send(8, 2000000);
  EXPECT_EQ(instrument->OutputFrequencyHz(), 2000000.0);
  // Any opcode 7 ends it, and so does a muted one: the output sweeps all the same.
  Send(7, 0);
  EXPECT_FALSE(instrument->OutputFrequencyHz());
  instrument->SetMuted(true);
  Send(8, 3000000);
  Send(7, 1);
  EXPECT_FALSE(instrument->OutputFrequencyHz());
}

TEST_F(Output, PowerUpTurnsTheOutputOffAndKeepsTheCounters) {
  Send(8, 7000000);
  Send(9, 0);
  ReadUpTo(bus, handle, 11);
  const std::uint64_t frames = instrument->FramesReceived();
  const InstrumentState state = instrument->State();
  ASSERT_TRUE(instrument->OutputFrequencyHz());

  ASSERT_TRUE(bus.Unplug("INSTR"));
  instrument->PowerUp();
  ASSERT_TRUE(bus.Plug(instrument));
  EXPECT_FALSE(instrument->OutputFrequencyHz());
  EXPECT_EQ(instrument->FramesReceived(), frames);
  EXPECT_EQ(instrument->State(), state);
  EXPECT_EQ(instrument->WireLog().size(), frames);

  // A word after the power-up puts the carrier back.
  const FT_HANDLE fresh = OpenOrFail(bus, "INSTR");
  ASSERT_EQ(SendFrame(bus, fresh, 8, 7000000), FT_OK);
  EXPECT_TRUE(instrument->OutputFrequencyHz());
}

TEST_F(Output, LastSweepIsWhatTheHostRead) {
  instrument->SetOutputResponse(FlatOutput());
  EXPECT_EQ(instrument->SweepsComputed(), 0u);
  EXPECT_EQ(instrument->LastSweepLevels(), SweepLevels{});
  Send(3, 100000);
  Send(4, 118810);
  const auto first = TakeSweep();
  ASSERT_EQ(first.size(), static_cast<std::size_t>(kSweepPoints));
  const SweepLevels kept = instrument->LastSweepLevels();
  EXPECT_TRUE(std::equal(first.begin(), first.end(), kept.begin()));
  EXPECT_EQ(instrument->SweepsComputed(), 1u);

  instrument->SetNetwork(Attenuator(-40));
  const auto second = TakeSweep();
  EXPECT_TRUE(std::equal(second.begin(), second.end(), instrument->LastSweepLevels().begin()));
  EXPECT_EQ(instrument->LastSweepLevels()[200], 124);
  EXPECT_EQ(instrument->SweepsComputed(), 2u);

  // A muted detector measures nothing, so the last sweep stays.
  instrument->SetMuted(true);
  Send(7, 1);
  EXPECT_EQ(instrument->SweepsComputed(), 2u);
  EXPECT_TRUE(std::equal(second.begin(), second.end(), instrument->LastSweepLevels().begin()));
}

TEST_F(Output, ExternalCarrierReplacesTheNetworkUntilRemoved) {
  instrument->SetNetwork(ThroughLine());
  instrument->SetExternalInput(CarrierSignal{});
  Send(3, 10000000);  // every point on the 10 MHz fundamental, 100 Hz off with the clock
  Send(4, 0);
  const auto carrier = TakeSweep();
  ASSERT_EQ(carrier.size(), static_cast<std::size_t>(kSweepPoints));
  for (const std::uint8_t b : carrier) ASSERT_NEAR(b, 208, 1);  // -10 dB: 236 - 28

  Send(3, 15000000);  // between the harmonics: the detector's floor
  const auto between = TakeSweep();
  for (const std::uint8_t b : between) ASSERT_LT(b, 25);

  instrument->SetExternalInput(std::nullopt);
  const auto through = TakeSweep();
  for (const std::uint8_t b : through) ASSERT_NEAR(b, 236, 1);
}

TEST_F(Output, ReadableFromAnotherThreadWhileFramesArrive) {
  std::atomic<bool> done{false};
  std::atomic<int> carriersSeen{0};
  std::thread reader([&] {
    while (!done) {
      if (instrument->OutputFrequencyHz()) ++carriersSeen;
      const SweepLevels levels = instrument->LastSweepLevels();
      (void)levels;
      (void)instrument->SweepsComputed();
    }
  });
  Send(5, 1);
  for (int i = 0; i < 200; ++i) {
    Send(8, 1000000 + i);
    Send(7, 1);
    if (i % 50 == 0) {
      instrument->PowerUp();
      instrument->SetClockFactor(1.0 + i * 1e-6);
    }
  }
  Send(8, 5000000);
  EXPECT_TRUE(virn::test::PollUntil([&] { return carriersSeen > 0; }, virn::test::WhileWaiting::Sleep));
  done = true;
  reader.join();
  EXPECT_EQ(instrument->SweepsComputed(), 200u);
  Send(6, 0);
}

}  // namespace
}  // namespace virn::sim::test
