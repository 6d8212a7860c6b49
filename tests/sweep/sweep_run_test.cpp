// A run of virn-sweep in this process over the simulated bus: the frames the
// instrument gets, the sweeps handed on being the instrument's own bytes, the
// end of the run in each of its three ways.
#include "sweep/sweep_run.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <csignal>
#include <thread>

#include "link/command_frame.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"

namespace virn::sweep {
namespace {

namespace op = link::opcode;
using link::Command;

struct Sweeps {
  std::vector<int> numbers;
  std::vector<exports::SweepTable> tables;
  std::vector<sim::SweepLevels> instrumentLevels;
};

struct RunFixture : ::testing::Test {
  sim::SimBus bus;
  sim::TypicalBus devices = sim::PopulateTypicalBus(bus, {});
  link::D2XXUnit unit{bus};
  Sweeps got;

  static SweepPlan Plan(int count) {
    SweepOptions options;
    options.count = count;
    options.startHz = 1000000;
    options.endHz = 43000000;
    measure::Settings settings;
    settings.calibration.CorrLog_0Db = 15;
    return PlanSweeps(options, settings);
  }
  SweepRun::SweepSink Sink() {
    return [this](int number, const exports::SweepTable& table) {
      got.numbers.push_back(number);
      got.tables.push_back(table);
      // The thread waits in the hand-off: nothing newer has been asked for.
      got.instrumentLevels.push_back(devices.instrument->LastSweepLevels());
      return true;
    };
  }
  std::vector<Command> Commands() const {
    std::vector<Command> commands;
    for (const auto& entry : devices.instrument->WireLog())
      commands.push_back(link::DecodeFrame(entry.frame));
    return commands;
  }
};

TEST_F(RunFixture, FindsTheInstrumentSendsStartTakesTheSweepsAndStops) {
  const SweepPlan plan = Plan(3);
  SweepRun run(unit, plan, Sink());
  EXPECT_EQ(run.Run(std::chrono::seconds(5)), RunOutcome::Done);
  EXPECT_EQ(run.SweepsTaken(), 3);
  EXPECT_EQ(run.VersionText(), std::string(sim::kDefaultVersionText));
  ASSERT_EQ(got.numbers, (std::vector<int>{1, 2, 3}));
  for (std::size_t i = 0; i < got.tables.size(); ++i) {
    const exports::SweepTable& table = got.tables[i];
    EXPECT_EQ(table.StartFreq, 1000000);
    EXPECT_EQ(table.EndFreq, 43000000);
    EXPECT_EQ(table.ZeroOffset, 15);
    for (std::size_t p = 0; p < table.Samples.size(); ++p) {
      ASSERT_EQ(table.Samples[p], got.instrumentLevels[i][p]) << "sweep " << i + 1 << " point " << p;
    }
  }

  const std::vector<Command> commands = Commands();
  // The version query, then Start's eight frames, then the sweep requests, Stop last.
  ASSERT_GE(commands.size(), 1U + 8U + 3U + 1U);
  EXPECT_EQ(commands[0], (Command{op::kVersionQuery, 0}));
  const std::vector<Command> start(commands.begin() + 1, commands.begin() + 9);
  EXPECT_EQ(start, (std::vector<Command>{{op::kDetector, 0},
                                         {op::kSweepSteps, 420},
                                         {op::kDdsCoefficient, 43},
                                         {op::kDelay, 1},
                                         {op::kAveraging, 0},
                                         {op::kPeriod, 1},
                                         {op::kStartWord, 1000000},
                                         {op::kStep, 100000}}));
  int requests = 0;
  for (std::size_t i = 9; i + 1 < commands.size(); ++i) {
    EXPECT_EQ(commands[i], (Command{op::kTakeSweep, 1})) << i;
    ++requests;
  }
  EXPECT_EQ(requests, 3);
  EXPECT_EQ(commands.back(), (Command{op::kStop, 0}));
  EXPECT_EQ(bus.OpenHandleCount(), 0U) << "the device is closed";
  EXPECT_TRUE(bus.PluggedSerials().size() == 1);
}

TEST_F(RunFixture, NoInstrumentEndsTheRunAtTheTimeout) {
  ASSERT_TRUE(bus.Unplug(sim::kInstrumentSerial));
  SweepRun run(unit, Plan(1), Sink());
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(run.Run(std::chrono::milliseconds(300)), RunOutcome::NoInstrument);
  EXPECT_GE(timer.elapsed(), 290);
  EXPECT_TRUE(got.numbers.empty());
  EXPECT_EQ(devices.instrument->FramesReceived(), 0U);
}

TEST_F(RunFixture, AnInstrumentPulledOutMidRunIsLostAndNothingMoreIsTaken) {
  SweepRun run(unit, Plan(50), [&](int number, const exports::SweepTable& table) {
    if (number == 2) bus.Unplug(sim::kInstrumentSerial);
    return Sink()(number, table);
  });
  EXPECT_EQ(run.Run(std::chrono::seconds(5)), RunOutcome::InstrumentLost);
  EXPECT_EQ(run.SweepsTaken(), 2);
  EXPECT_EQ(got.numbers, (std::vector<int>{1, 2}));
  EXPECT_EQ(bus.OpenHandleCount(), 0U);
}

TEST_F(RunFixture, ASweepWhoseLevelsDoNotComeEndsTheRunAsLost) {
  devices.instrument->SetMuted(true);
  SweepRun run(unit, Plan(1), Sink());
  // Every read times out (421 x 20 ms): the sweep is read out, but with levels
  // that are only the buffer's old contents it is not taken.
  EXPECT_EQ(run.Run(std::chrono::seconds(5)), RunOutcome::InstrumentLost);
  EXPECT_EQ(run.SweepsTaken(), 0);
  EXPECT_TRUE(got.numbers.empty());
  EXPECT_EQ(devices.instrument->State().stops, 1U);
}

TEST_F(RunFixture, AnOutputThatFailsEndsTheRunWithStop) {
  SweepRun run(unit, Plan(50), [&](int number, const exports::SweepTable& table) {
    Sink()(number, table);
    return number < 2;
  });
  EXPECT_EQ(run.Run(std::chrono::seconds(5)), RunOutcome::OutputFailed);
  EXPECT_EQ(run.SweepsTaken(), 1) << "the sweep the output refused does not count";
  EXPECT_EQ(got.numbers, (std::vector<int>{1, 2}));
  EXPECT_EQ(Commands().back(), (Command{op::kStop, 0}));
  EXPECT_EQ(bus.OpenHandleCount(), 0U);
}

TEST_F(RunFixture, AnInterruptEndsTheRunWithStopAndTheDeviceClosed) {
  SweepRun* running = nullptr;
  SweepRun run(unit, Plan(50), [&](int number, const exports::SweepTable& table) {
    if (number == 3) running->Interrupt();
    return Sink()(number, table);
  });
  running = &run;
  run.Interrupt();  // before the run: nothing to end
  EXPECT_EQ(run.Run(std::chrono::seconds(5)), RunOutcome::Interrupted);
  EXPECT_EQ(run.SweepsTaken(), 3);
  EXPECT_EQ(Commands().back(), (Command{op::kStop, 0}));
  EXPECT_EQ(devices.instrument->State().stops, 1U);
  EXPECT_EQ(bus.OpenHandleCount(), 0U);
}

TEST(ExitStatus, OnePerOutcome) {
  EXPECT_EQ(ExitStatus(RunOutcome::Done), 0);
  EXPECT_EQ(ExitStatus(RunOutcome::NoInstrument), 1);
  EXPECT_EQ(ExitStatus(RunOutcome::InstrumentLost), 3);
  EXPECT_EQ(ExitStatus(RunOutcome::OutputFailed), 3);
  EXPECT_EQ(ExitStatus(RunOutcome::Interrupted, SIGINT), 130);
  EXPECT_EQ(ExitStatus(RunOutcome::Interrupted, SIGTERM), 143);
  EXPECT_TRUE(OutcomeMessage(RunOutcome::Done, std::chrono::seconds(5), 1, 1).isEmpty());
  EXPECT_EQ(OutcomeMessage(RunOutcome::NoInstrument, std::chrono::milliseconds(2500), 0, 1),
            QStringLiteral("no instrument found within 2.5 s"));
  EXPECT_EQ(OutcomeMessage(RunOutcome::InstrumentLost, std::chrono::seconds(5), 2, 50),
            QStringLiteral("the instrument stopped answering after 2 of 50 sweeps"));
  EXPECT_EQ(OutcomeMessage(RunOutcome::Interrupted, std::chrono::seconds(5), 7, 50),
            QStringLiteral("interrupted after 7 of 50 sweeps"));
  EXPECT_EQ(OutcomeMessage(RunOutcome::OutputFailed, std::chrono::seconds(5), 1, 50),
            QStringLiteral("the output is gone after 1 of 50 sweeps"));
}

}  // namespace
}  // namespace virn::sweep
