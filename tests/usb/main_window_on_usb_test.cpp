// The main window of `virn` over the libftdi backend and the emulated bus: the
// program's own discovery, Start, sweeps, watchdog and rediscovery, through
// the real libftdi1 and libusb.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/main_form.h"
#include "app/program_name.h"
#include "app/status_bar.h"
#include "link/command_frame.h"
#include "link/d2xx_unit.h"
#include "link/ftdi_backend.h"
#include "settings/klm_api.h"
#include "sim/sim_factory.h"
#include "sim/wire_log.h"
#include "support/poll_until.h"
#include "support/window_fixture.h"
#include "support/wire_log_on_failure.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

constexpr qint64 kDiscoveryTickMs = 100;
constexpr qint64 kWatchdogTickMs = 5000;
// A sweep request a period after the one before: within 10 % in a plain
// build; sanitizers slow every byte's way through the emulation.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr double kPeriodToleranceMs = 120.0;
#else
constexpr double kPeriodToleranceMs = 40.0;
#endif

struct MainWindowOnUsb : test::WindowFixture {
  EmulatedBus bus;
  InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  link::D2XXUnit unit{backend};

  MainWindowOnUsb() : WindowFixture(QStringLiteral("virn")) {}
  ~MainWindowOnUsb() override {
    test::PrintWireLogIfFailed(QStringLiteral("instrument's wire log"), plugged.instrument->WireLog(),
                               sim::FormatWireLogLine);
  }
  // Runs the window's timers until `done`, at most `limitMs`; the time it took.
  static qint64 ProcessUntil(const std::function<bool()>& done, qint64 limitMs) {
    QElapsedTimer timer;
    timer.start();
    return test::PollUntil(done, test::WhileWaiting::RunEvents, std::chrono::milliseconds(limitMs))
               ? timer.elapsed()
               : -1;
  }
  static QString Panel0(app::TMainForm& form) { return form.statusBar()->panelText(0); }
  std::vector<link::Command> Commands() const {
    std::vector<link::Command> commands;
    for (const auto& entry : plugged.instrument->WireLog())
      commands.push_back(link::DecodeFrame(entry.frame));
    return commands;
  }
};

TEST_F(MainWindowOnUsb, FindsTheInstrumentBehindAnotherChipAndSweepsAtItsPeriod) {
  const auto form = Window(unit);
  form->show();
  ASSERT_GE(ProcessUntil([&] { return form->controller().Connected(); }, 5000), 0);
  EXPECT_EQ(Panel0(*form), QStringLiteral("OK"));
  EXPECT_EQ(form->statusBar()->panelText(1), QStringLiteral("Вер. МК: 2.07"));
  EXPECT_EQ(unit.SerialNumber, sim::kInstrumentSerial);
  // The chip ahead of it was asked once and let go of.
  EXPECT_EQ(plugged.others[0]->BytesReceived(), link::kFrameSize);
  EXPECT_FALSE(plugged.others[0]->Port().IsOpen());

  plugged.instrument->ClearWireLog();
  Button(*form, "KlSpeedButton1")->click();
  ASSERT_GE(ProcessUntil([&] { return plugged.instrument->State().sweepRequests >= 5; }, 20000), 0);
  const std::vector<link::Command> commands = Commands();
  const std::vector<link::Command> setup = {{11, 0}, {2, 420}, {1, 43}, {12, 1}, {13, 0}, {5, 1}};
  ASSERT_GE(commands.size(), setup.size() + 2);
  EXPECT_TRUE(std::equal(setup.begin(), setup.end(), commands.begin())) << "the start sequence";
  // A sweep request only once the 421 bytes of the one before are in: one a period apart.
  const auto log = plugged.instrument->WireLog();
  std::vector<std::int64_t> requests;
  for (const auto& entry : log) {
    if (link::DecodeFrame(entry.frame).opcode == link::opcode::kTakeSweep) requests.push_back(entry.timeMs);
  }
  ASSERT_GE(requests.size(), 5U);
  for (std::size_t i = 1; i < requests.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(requests[i] - requests[i - 1]), 400.0, kPeriodToleranceMs)
        << "sweep " << i;
  }
  // The curve is the band-pass filter's, point by point in order: low at both ends, near 0 dB in the middle.
  const auto samples = form->PlotInputsNow().Samples;
  EXPECT_GT(*std::max_element(samples.begin() + 150, samples.begin() + 270), 220);
  EXPECT_LT(samples.front(), 150);
  EXPECT_LT(samples.back(), 150);
  Button(*form, "KlSpeedButton2")->click();
}

TEST_F(MainWindowOnUsb, UnplugDuringASweepIsNoticedByTheWatchdogAndReplugFindsItAgain) {
  const auto form = Window(unit);
  form->show();
  ASSERT_GE(ProcessUntil([&] { return form->controller().Connected(); }, 5000), 0);
  Button(*form, "KlSpeedButton1")->click();
  ASSERT_GE(ProcessUntil([&] { return plugged.instrument->State().sweepRequests >= 2; }, 10000), 0);

  // Once with the window's own timers: within one watchdog period, then within one discovery tick.
  bus.Unplug(*plugged.instrumentChip);
  const qint64 dropped = ProcessUntil([&] { return Panel0(*form) == QStringLiteral("Нет связи"); }, 8000);
  ASSERT_GE(dropped, 0) << "no \"Нет связи\" within 8 s";
  EXPECT_LE(dropped, kWatchdogTickMs + 500);
  EXPECT_FALSE(form->controller().Connected());
  bus.Replug(*plugged.instrumentChip);
  const qint64 found = ProcessUntil([&] { return Panel0(*form) == QStringLiteral("OK"); }, 5000);
  ASSERT_GE(found, 0);
  EXPECT_LE(found, 2 * kDiscoveryTickMs + 200) << "found again within a discovery tick of its return";
  std::printf("unplug to \"Нет связи\": %lld ms; replug to \"OK\": %lld ms\n",
              static_cast<long long>(dropped), static_cast<long long>(found));

  // Then 50 times at random moments of a sweep, the watchdog's tick given at once.
  std::uint32_t seed = 12345;
  for (int cycle = 0; cycle < 50; ++cycle) {
    Button(*form, "KlSpeedButton1")->click();
    seed = seed * 1103515245 + 12345;
    const qint64 pause = 20 + static_cast<qint64>((seed >> 16) % 400);
    ProcessUntil([] { return false; }, pause);
    bus.Unplug(*plugged.instrumentChip);
    form->controller().WatchdogTick();
    ASSERT_EQ(Panel0(*form), QStringLiteral("Нет связи")) << "cycle " << cycle;
    bus.Replug(*plugged.instrumentChip);
    ASSERT_GE(ProcessUntil([&] { return Panel0(*form) == QStringLiteral("OK"); }, 3000), 0)
        << "cycle " << cycle;
  }
  Button(*form, "KlSpeedButton2")->click();
}

}  // namespace
}  // namespace virn::usbemu
