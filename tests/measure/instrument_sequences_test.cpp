// The shared command sequences against the simulated instrument: order, the
// set-up wait, the connection gate, and what Start and Stop do to the thread.
#include "measure/instrument_sequences.h"

#include <gtest/gtest.h>

#include <QString>

#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "support/call_log_d2xx.h"

namespace virn::measure {
namespace {

using link::Command;
namespace op = link::opcode;

struct Sequences : ::testing::Test {
  sim::SimBus bus;
  link::D2XXUnit unit{bus};
  link::InstrumentLink link{unit};
  std::shared_ptr<sim::SimInstrument> instrument = sim::PopulateTypicalBus(bus, {}).instrument;

  Sequences() { unit.ShowFTErrors = false; }
  void Connect() {
    ASSERT_TRUE(link.Discover());
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

StartSetup SomeStart() {
  StartSetup setup;
  setup.linearDetector = true;
  setup.dds = 41;
  setup.delay = true;
  setup.averaging = true;
  setup.periodIndex = 3;
  setup.startWord = 123456;
  setup.step = -250;
  return setup;
}

TEST_F(Sequences, StartSendsTheOptionsThenTheRangeInTheInstrumentsOrder) {
  Connect();
  SendStartSetup(link, SomeStart());
  EXPECT_EQ(Commands(), (std::vector<Command>{{op::kDetector, 1},
                                              {op::kSweepSteps, 420},
                                              {op::kDdsCoefficient, 41},
                                              {op::kDelay, 1},
                                              {op::kAveraging, 1},
                                              {op::kPeriod, 3},
                                              {op::kStartWord, 123456},
                                              {op::kStep, -250}}));
}

TEST_F(Sequences, StartWithEverythingOffSendsZeros) {
  Connect();
  StartSetup setup;
  setup.dds = 43;
  setup.startWord = 100000;
  setup.step = 118810;
  SendStartSetup(link, setup);
  EXPECT_EQ(Commands(), (std::vector<Command>{{op::kDetector, 0},
                                              {op::kSweepSteps, 420},
                                              {op::kDdsCoefficient, 43},
                                              {op::kDelay, 0},
                                              {op::kAveraging, 0},
                                              {op::kPeriod, 1},
                                              {op::kStartWord, 100000},
                                              {op::kStep, 118810}}));
}

TEST(StartSequence, TheDeviceIsResetBeforeTheFirstFrame) {
  sim::SimBus bus;
  test::CallLogD2xx calls(bus);
  link::D2XXUnit unit(calls);
  unit.ShowFTErrors = false;
  link::InstrumentLink link(unit);
  sim::PopulateTypicalBus(bus, {});
  ASSERT_TRUE(link.Discover());
  calls.Clear();
  SendStartSetup(link, SomeStart());
  const std::vector<std::string> log = calls.Calls();
  ASSERT_EQ(log.size(), 9U);
  EXPECT_EQ(log[0], "reset");
  EXPECT_EQ(log[1], "write 0B 01 00 00 00");
  EXPECT_EQ(log[8], "write 04 06 FF FF FF");
}

TEST_F(Sequences, ARetuneSendsStepThenStartWordBehindThePauseFence) {
  Connect();
  TDrawThread thread(unit);
  // Frames and waits in the order they happen, each with the hold as it stood.
  std::vector<std::string> seen;
  const auto held = [&] { return thread.Paused.load() ? " held" : " free"; };
  instrument->SetFrameSink([&](const sim::WireEntry& entry) {
    const Command command = link::DecodeFrame(entry.frame);
    seen.push_back(std::to_string(command.opcode) + " " + std::to_string(command.argument) + held());
  });
  Retune(link, thread, 118571, 200000,
         [&](std::chrono::milliseconds d) { seen.push_back("wait " + std::to_string(d.count()) + held()); });
  instrument->SetFrameSink({});
  EXPECT_EQ(seen,
            (std::vector<std::string>{"4 118571 held", "wait 10 held", "3 200000 held", "wait 10 held"}));
  EXPECT_FALSE(thread.Paused.load());
}

TEST_F(Sequences, StartWithoutAConnectionSendsNoFrame) {
  SendStartSetup(link, SomeStart());
  EXPECT_EQ(instrument->FramesReceived(), 0u);
}

TEST_F(Sequences, StartTellsTheThreadTheWaitAndSetsItSweeping) {
  Connect();
  TDrawThread thread(unit);
  StartAcquisition(link, thread, SomeStart());
  EXPECT_TRUE(thread.Running.load());
  EXPECT_EQ(thread.PeriodIndex.load(), 3);
  EXPECT_TRUE(thread.DelayOn.load());
  EXPECT_EQ(thread.SweepWait(), std::chrono::milliseconds(3 * 400 + 2));
  EXPECT_EQ(Commands().size(), 8u);
  StopAcquisition(link, thread);
}

}  // namespace
}  // namespace virn::measure
