// The shared command sequences against the simulated instrument: order, the
// set-up wait, the connection gate, and what Stop does to the thread.
#include "measure/instrument_sequences.h"

#include <gtest/gtest.h>

#include <QString>

#include "sim/sim_bus.h"
#include "sim/sim_factory.h"

namespace virn::measure {
namespace {

using link::Command;
namespace op = link::opcode;

// The little of a main window the discovery needs.
struct QuietHost : link::LinkHost {
  void SetStatusPanel(int, const QString&) override {}
  void SetDiscoveryEnabled(bool) override {}
  void SetWatchdogEnabled(bool) override {}
  bool GeneratorModeDown() const override { return false; }
  void SendGeneratorSetup() override {}
  bool SweepRunning() const override { return false; }
  void StopSweep() override {}
};

struct Sequences : ::testing::Test {
  sim::SimBus bus;
  link::D2XXUnit unit{bus};
  link::InstrumentLink link{unit};
  std::shared_ptr<sim::SimInstrument> instrument = sim::PopulateTypicalBus(bus, {}).instrument;

  Sequences() { unit.ShowFTErrors = false; }
  void Connect() {
    QuietHost host;
    link.DiscoveryTick(host);
    ASSERT_TRUE(link.Connected());
    instrument->ClearWireLog();
  }
  std::vector<Command> Commands() const {
    std::vector<Command> commands;
    for (const auto& entry : instrument->WireLog()) commands.push_back(link::DecodeFrame(entry.frame));
    return commands;
  }
};

TEST_F(Sequences, GeneratorSetUpSendsTheCoefficientWaitsThenTheWord) {
  Connect();
  std::vector<std::chrono::milliseconds> waits;
  SendGeneratorSetup(link, 43, 999990, [&](std::chrono::milliseconds d) {
    // The coefficient is on the wire before the wait begins.
    EXPECT_EQ(Commands().size(), 1u);
    waits.push_back(d);
  });
  EXPECT_EQ(Commands(), (std::vector<Command>{{op::kDdsCoefficient, 43}, {op::kGeneratorWord, 999990}}));
  EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{kGeneratorSetupWait}));
}

TEST_F(Sequences, GeneratorSetUpSleepsFiftyMillisecondsByItself) {
  Connect();
  SendGeneratorSetup(link, 0, 1000000);
  const auto log = instrument->WireLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_GE(log[1].timeMs - log[0].timeMs, 50);
  EXPECT_EQ(link::DecodeFrame(log[0].frame), (Command{op::kDdsCoefficient, 0}));
}

TEST_F(Sequences, NothingGoesOutWithoutAConnection) {
  SendGeneratorSetup(link, 43, 1000000, [](std::chrono::milliseconds) {});
  SendGeneratorWord(link, 1000000);
  TDrawThread thread(unit);
  StopAcquisition(link, thread);
  EXPECT_EQ(instrument->FramesReceived(), 0u);
}

TEST_F(Sequences, StopTellsTheInstrumentAndEndsSweepsAndAnyHold) {
  Connect();
  TDrawThread thread(unit);
  thread.StartSweeps();
  thread.Paused = true;
  StopAcquisition(link, thread);
  EXPECT_EQ(Commands(), (std::vector<Command>{{op::kStop, 0}}));
  EXPECT_FALSE(thread.Running.load());
  EXPECT_FALSE(thread.Paused.load());
}

TEST_F(Sequences, TheGeneratorWordGoesOutAsGiven) {
  Connect();
  SendGeneratorWord(link, -1);
  const link::Frame expected = {0x08, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(instrument->WireLog().at(0).frame, expected);
}

}  // namespace
}  // namespace virn::measure
