// The instrument controller over the simulated bus, without a window: what
// each operation sends, waits and reports, in one sequence, and the rules that
// decide it.
#include "control/instrument_controller.h"

#include <gtest/gtest.h>

#include <functional>
#include <variant>

#include "measure/frequency.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"
#include "support/call_log_d2xx.h"
#include "support/poll_until.h"

namespace virn::control {
namespace {

using Strings = std::vector<std::string>;

std::string Describe(const Event& event) {
  return std::visit(
      [](const auto& e) -> std::string {
        using E = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<E, event::Connected>) return "Connected";
        if constexpr (std::is_same_v<E, event::Lost>) return "Lost";
        if constexpr (std::is_same_v<E, event::Pass>) return "Pass";
        if constexpr (std::is_same_v<E, event::RangeChanged>) {
          return "Range " + std::to_string(e.range.StartFreq) + " " + std::to_string(e.range.EndFreq) + " " +
                 std::to_string(e.range.SweepStep);
        }
        if constexpr (std::is_same_v<E, event::Started>) return "Started";
        if constexpr (std::is_same_v<E, event::Stopped>) return "Stopped";
        if constexpr (std::is_same_v<E, event::PauseChanged>) return e.paused ? "Paused" : "Resumed";
        if constexpr (std::is_same_v<E, event::ModeApplied>) return "Mode " + std::to_string(int(e.mode));
        if constexpr (std::is_same_v<E, event::DetectorChanged>) return e.linear ? "Linear" : "Log";
        if constexpr (std::is_same_v<E, event::DelayChanged>) return e.on ? "Delay on" : "Delay off";
        if constexpr (std::is_same_v<E, event::AveragingChanged>)
          return e.on ? "Averaging on" : "Averaging off";
        if constexpr (std::is_same_v<E, event::PeriodChanged>) return "Period " + std::to_string(e.index);
        return "?";
      },
      event);
}

TripleEntry Typed(const char* mhz, const char* khz, const char* hz) {
  return {{QString::fromLatin1(mhz), QString::fromLatin1(khz), QString::fromLatin1(hz)}, {0, 0, 0}};
}

// Frames (sweep requests left out), waits and events, in the order they happen.
struct ControllerFixture : ::testing::Test {
  sim::SimBus bus;
  test::CallLogD2xx calls{bus};
  link::D2XXUnit unit{calls};
  std::shared_ptr<sim::SimInstrument> instrument = sim::PopulateTypicalBus(bus, {}).instrument;
  Strings seen;
  std::unique_ptr<InstrumentController> controller;
  Subscription subscription;

  void Make(const measure::Settings& settings = {}) {
    subscription.Reset();
    controller.reset();
    InstrumentController::Options options;
    options.wait = [this](std::chrono::milliseconds d) {
      seen.push_back("wait " + std::to_string(d.count()));
    };
    controller = std::make_unique<InstrumentController>(unit, settings, options);
    subscription = controller->Subscribe([this](const Event& event) {
      if (!std::holds_alternative<event::Pass>(event)) seen.push_back(Describe(event));
    });
    instrument->SetFrameSink([this](const sim::WireEntry& entry) {
      const link::Command command = link::DecodeFrame(entry.frame);
      if (command.opcode == link::opcode::kTakeSweep) return;
      seen.push_back(std::to_string(command.opcode) + " " + std::to_string(command.argument));
    });
    controller->Begin();
  }
  void Connect(const measure::Settings& settings = {}) {
    Make(settings);
    controller->DiscoveryTick();
    ASSERT_TRUE(controller->Connected());
    seen.clear();
  }
  void TearDown() override {
    if (controller) controller->Shutdown();
    instrument->SetFrameSink({});
  }
};

TEST_F(ControllerFixture, TheHandshakeConnectsAndInGeneratorModeSetsUpTheGenerator) {
  measure::Settings settings;
  settings.mode = measure::Mode::Generator;
  Make(settings);
  EXPECT_TRUE(controller->Discovering());
  controller->DiscoveryTick();
  EXPECT_EQ(seen, (Strings{"9 0", "Connected", "1 43", "wait 50", "8 1000000"}));
  EXPECT_FALSE(controller->Discovering());
  EXPECT_TRUE(controller->Watching());
}

TEST_F(ControllerFixture, ALostDeviceStopsTheSweepWhileStillConnectedThenDiscoveryResumes) {
  Connect();
  controller->Start();
  seen.clear();
  calls.Clear();
  controller->WatchdogTick();  // still there: nothing happens
  EXPECT_TRUE(seen.empty());
  bus.Unplug(sim::kInstrumentSerial);
  controller->WatchdogTick();
  EXPECT_EQ(seen, (Strings{"Lost", "Stopped"}));
  // The stop command went to the lost device before it was closed.
  const Strings device = calls.Calls();
  ASSERT_GE(device.size(), 2U);
  EXPECT_EQ(device[device.size() - 2], "write 06 00 00 00 00");
  EXPECT_EQ(device.back(), "close");
  EXPECT_FALSE(controller->Connected());
  EXPECT_TRUE(controller->Discovering());
  EXPECT_FALSE(controller->Watching());
}

// Start in each mode: the analyser with its oscillator at half frequency takes
// start and step halved toward zero; a falling range sends a negative step.
TEST_F(ControllerFixture, StartSendsTheRangeAsTheModeTakesIt) {
  struct Row {
    measure::Mode mode;
    bool vfoDiv;
    measure::TriplePlaces start, end;
    std::int32_t startWord, step;
  };
  const Row rows[] = {
      {measure::Mode::Sweep, true, {0, 100, 0}, {50, 0, 0}, 100000, 118810},
      {measure::Mode::Analyser, false, {0, 100, 0}, {50, 0, 0}, 100000, 118810},
      {measure::Mode::Analyser, true, {0, 100, 0}, {50, 0, 0}, 50000, 59405},
      {measure::Mode::Analyser, true, {0, 100, 1}, {0, 101, 261}, 50000, 1},  // step 3
      {measure::Mode::Sweep, false, {50, 0, 0}, {0, 100, 0}, 50000000, -118810},
      {measure::Mode::Sweep, false, {0, 100, 0}, {0, 100, 0}, 100000, 1},
  };
  for (const Row& row : rows) {
    measure::Settings settings;
    settings.mode = row.mode;
    settings.vfoDiv = row.vfoDiv;
    settings.startFreq = row.start;
    settings.endFreq = row.end;
    Connect(settings);
    EXPECT_EQ(controller->Start(), StartResult::Started);
    const Strings range(seen.begin() + 6, seen.begin() + 8);
    EXPECT_EQ(range, (Strings{"3 " + std::to_string(row.startWord), "4 " + std::to_string(row.step)}))
        << int(row.mode) << " " << row.vfoDiv;
    controller->Stop();
  }
}

TEST_F(ControllerFixture, StartReadsTheFieldsSendsTheSetUpAndReportsWhatItShows) {
  Connect();
  controller->EditRange(Typed("1", "", ""), Typed("43", "0", "0"));
  seen.clear();
  EXPECT_EQ(controller->Start(), StartResult::Started);
  EXPECT_EQ(seen, (Strings{"11 0", "2 420", "1 43", "12 1", "13 0", "5 1", "3 1000000", "4 100000", "Log",
                           "Range 1000000 43000000 100000", "Started"}));
  EXPECT_TRUE(controller->SweepRunning());
  EXPECT_EQ(controller->Thread().SweepWait(), std::chrono::milliseconds(402));
  EXPECT_EQ(controller->Start(), StartResult::Started) << "while running: nothing more";
  EXPECT_EQ(seen.size(), 11U);
}

TEST_F(ControllerFixture, WithoutAConnectionNothingIsSentAndStartIsRefused) {
  Make();
  EXPECT_EQ(controller->Start(), StartResult::NotConnected);
  controller->Stop();
  controller->SetDetector(true);
  controller->SetDelay(false);
  controller->SetAveraging(true);
  controller->SetPeriod(2);
  controller->EditGenerator(Typed("2", "0", "0"));
  controller->SwitchMode(measure::Mode::Generator);
  controller->ApplyOptions(40, true);
  EXPECT_EQ(instrument->FramesReceived(), 0U);
  const measure::Settings& s = controller->Settings();
  EXPECT_TRUE(s.linear && !s.delay && s.averaging && s.vfoDiv);
  EXPECT_EQ(s.delayIndex, 2);
  EXPECT_EQ(s.dds, 40);
  EXPECT_EQ(s.genFreq, (measure::TriplePlaces{0, 0, 0}));
}

TEST_F(ControllerFixture, ARangeEditRetunesARunningSweepButWaitsWhilePaused) {
  Connect();
  controller->Start();
  seen.clear();
  controller->EditRange(Typed("0", "200", "0"), Typed("50", "0", "0"));
  EXPECT_EQ(seen, (Strings{"Range 200000 50000000 118571", "4 118571", "wait 10", "3 200000", "wait 10"}));
  seen.clear();
  controller->Pause(true);
  controller->EditRange(Typed("0", "300", "0"), Typed("50", "0", "0"));
  EXPECT_EQ(seen, (Strings{"Paused"}));
  EXPECT_EQ(controller->RangeInEffect().StartFreq, 200000);
  EXPECT_EQ(controller->Settings().startFreq, (measure::TriplePlaces{0, 0, 0})) << "the places are stored";
  controller->Pause(false);
  controller->EditRange(Typed("0", "300", "5"), Typed("50", "0", "0"));
  EXPECT_EQ(controller->RangeInEffect().StartFreq, 300005);
}

TEST_F(ControllerFixture, AnUnreadableEndKeepsTheNewStartAndTheRestAsTheyWere) {
  Make();
  EXPECT_THROW(controller->EditRange(Typed("1", "0", "0"), Typed("1x", "0", "0")), measure::EConvertError);
  EXPECT_EQ(controller->RangeInEffect(), (Range{1000000, 50000000, 118810}));
  EXPECT_TRUE(seen.empty());
}

TEST_F(ControllerFixture, TheModeSwitchStopsSendsTheGeneratorWordAndInGeneratorModeSetsItUp) {
  Connect();
  controller->Start();
  seen.clear();
  controller->SwitchMode(measure::Mode::Generator);
  EXPECT_EQ(seen, (Strings{"6 0", "Stopped", "8 1000000", "Range 100000 50000000 118810", "1 43", "wait 50",
                           "8 1000000", "Mode 1"}));
  EXPECT_FALSE(controller->SweepRunning());
  EXPECT_FALSE(controller->Thread().Running.load());
}

TEST_F(ControllerFixture, AcceptedOptionsAreStoredStatedStopTheSweepAndSetUpTheGenerator) {
  Connect();
  controller->Start();
  seen.clear();
  controller->ApplyOptions(0, true);
  EXPECT_EQ(seen, (Strings{"Range 100000 50000000 118810", "6 0", "Stopped", "1 0", "wait 50", "8 1000000"}));
  EXPECT_TRUE(controller->Settings().vfoDiv);
}

TEST_F(ControllerFixture, SweepOptionsGoOutAtOnceDuringASweepAndTheStoredOnesOnlyWhenChanged) {
  Connect();
  controller->Start();
  seen.clear();
  controller->SetPeriod(2);
  controller->SetAveraging(true);
  controller->SetDelay(false);
  controller->StoreDelay(false);
  controller->StoreAveraging(false);
  controller->StoreDelayIndex(4);  // not in the list
  EXPECT_EQ(seen, (Strings{"5 3", "Period 2", "13 1", "Averaging on", "12 0", "Delay off", "13 0",
                           "Averaging off"}));
  EXPECT_EQ(controller->Thread().PeriodIndex.load(), 3);
  EXPECT_FALSE(controller->Thread().DelayOn.load());
  EXPECT_THROW(controller->SetPeriod(4), std::out_of_range);
}

TEST_F(ControllerFixture, TheGeneratorWordGoesOutAtOnceThroughTheFrequencyCalibration) {
  Connect();
  controller->SetRealFreq(45000450);
  controller->EditGenerator(Typed("10", "0", "0"));
  controller->SetRealFreq(0);  // cannot be a measured frequency: the default stands
  controller->SetGeneratorFrequency(1000000);
  EXPECT_EQ(seen, (Strings{"8 9999900", "8 1000000"}));
  EXPECT_EQ(controller->Settings().genFreq, (measure::TriplePlaces{1, 0, 0}));
  EXPECT_THROW(controller->SetGeneratorFrequency(1000000000), std::out_of_range);
}

TEST_F(ControllerFixture, TakenSweepsAreWholeAskedForAfterTheRequestAndEndWithStop) {
  Connect();
  std::vector<Sweep> sweeps;
  std::optional<SweepOutcome> outcome;
  controller->TakeSweeps(
      2,
      [&](const Sweep& sweep) {
        sweeps.push_back(sweep);
        // The thread waits in the hand-off: these are the instrument's latest levels.
        const sim::SweepLevels levels = instrument->LastSweepLevels();
        EXPECT_TRUE(std::equal(levels.begin(), levels.end(), sweep.samples.begin()));
        return true;
      },
      [&](SweepOutcome o, int taken) {
        outcome = o;
        EXPECT_EQ(taken, 2);
      });
  ASSERT_TRUE(test::PollUntil([&] { return outcome.has_value(); }));
  EXPECT_EQ(*outcome, SweepOutcome::Done);
  ASSERT_EQ(sweeps.size(), 2U);
  EXPECT_EQ(sweeps[1].number, sweeps[0].number + 1);
  EXPECT_EQ(sweeps[0].range, controller->RangeInEffect());
  EXPECT_EQ(seen.back(), "Stopped");
  EXPECT_EQ(instrument->State().sweepRequests, 2U);
}

TEST_F(ControllerFixture, ARequestDuringContinuousSweepsSkipsTheSweepInFlightAndLeavesThemRunning) {
  Connect();
  controller->Start();
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 1; }));
  const std::uint64_t asked = controller->Thread().SweepsRequested();
  std::optional<SweepOutcome> outcome;
  std::uint64_t number = 0;
  controller->TakeSweeps(
      1,
      [&](const Sweep& sweep) {
        number = sweep.number;
        return true;
      },
      [&](SweepOutcome o, int /*taken*/) { outcome = o; });
  ASSERT_TRUE(test::PollUntil([&] { return outcome.has_value(); }));
  EXPECT_EQ(*outcome, SweepOutcome::Done);
  EXPECT_GT(number, asked);
  EXPECT_TRUE(controller->SweepRunning());
}

TEST_F(ControllerFixture, AbortAndRefusalEndARequestWithStop) {
  Connect();
  for (const bool refuse : {false, true}) {
    std::optional<SweepOutcome> outcome;
    controller->TakeSweeps(
        5,
        [&](const Sweep& /*sweep*/) {
          if (!refuse) controller->AbortSweeps();
          return !refuse;
        },
        [&](SweepOutcome o, int taken) {
          outcome = o;
          EXPECT_EQ(taken, refuse ? 0 : 1);
        });
    ASSERT_TRUE(test::PollUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, refuse ? SweepOutcome::Refused : SweepOutcome::Aborted);
    EXPECT_FALSE(controller->SweepRunning());
  }
  EXPECT_EQ(instrument->State().stops, 2U);
}

// A front end redraws only when the revision moved or a pass read levels, so
// every change must move it, the ones no event announces included.
TEST_F(ControllerFixture, EveryChangeMovesTheRevisionAndIdlePassesDoNot) {
  Connect();
  using Change = std::function<void(InstrumentController&)>;
  const std::pair<const char*, Change> changes[] = {
      {"calibration", [](auto& c) { c.SetCalibrationValue(&measure::LevelCalibration::CorrLin_0Db, 7); }},
      {"analyser 0 dB", [](auto& c) { c.SetZeroDbAnaliser(12); }},
      {"marker", [](auto& c) { c.SetMarker(true, 40); }},
      {"generator", [](auto& c) { c.EditGenerator(Typed("3", "0", "0")); }},
      {"range", [](auto& c) { c.SetRange(1000000, 2000000); }},
      {"mode selected", [](auto& c) { c.SelectMode(measure::Mode::Analyser, true); }},
  };
  for (const auto& [name, change] : changes) {
    const std::uint64_t before = controller->Revision();
    change(*controller);
    EXPECT_GT(controller->Revision(), before) << name;
  }
  const std::uint64_t idle = controller->Revision();
  std::uint64_t passes = 0;
  bool levelsRead = false;
  const Subscription counting = controller->Subscribe([&](const Event& event) {
    if (const auto* pass = std::get_if<event::Pass>(&event)) {
      ++passes;
      levelsRead = levelsRead || pass->levelsRead;
    }
  });
  ASSERT_TRUE(test::PollUntil([&] { return passes >= 10; }));
  EXPECT_EQ(controller->Revision(), idle);
  EXPECT_FALSE(levelsRead);
}

TEST_F(ControllerFixture, ShutdownClosesTheDeviceEndsTheThreadAndAnyRequestWithoutAFrame) {
  Connect();
  std::optional<SweepOutcome> outcome;
  controller->TakeSweeps(
      5, [](const Sweep&) { return true; }, [&](SweepOutcome o, int) { outcome = o; });
  seen.clear();
  controller->Shutdown();
  controller->Shutdown();
  EXPECT_EQ(outcome, SweepOutcome::Aborted);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(bus.OpenHandleCount(), 0U);
  EXPECT_FALSE(controller->Discovering());
}

TEST(Listeners, OneSubscribingDuringADeliveryGetsTheNextEventAndOneLeavingGoesAtOnce) {
  Listeners listeners;
  Strings got;
  Subscription late;
  Subscription first = listeners.Add([&](const Event&) {
    got.push_back("first");
    if (!late.Active()) late = listeners.Add([&](const Event&) { got.push_back("late"); });
  });
  Subscription leaving;
  leaving = listeners.Add([&](const Event&) {
    got.push_back("leaving");
    leaving.Reset();
  });
  listeners.Emit(event::Lost{});
  listeners.Emit(event::Lost{});
  EXPECT_EQ(got, (Strings{"first", "leaving", "first", "late"}));
}

}  // namespace
}  // namespace virn::control
