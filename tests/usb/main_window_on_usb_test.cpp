// The main window of `virn` over the libftdi backend and the emulated bus: the
// program's own discovery, Start, sweeps, watchdog and rediscovery, through
// the real libftdi1 and libusb. Their timing is printed by bench/usb_bench.cpp.
#include <gtest/gtest.h>

#include <QToolButton>
#include <algorithm>
#include <memory>

#include "app/main_form.h"
#include "app/status_bar.h"
#include "link/command_frame.h"
#include "link/d2xx_unit.h"
#include "link/ftdi_backend.h"
#include "sim/sim_factory.h"
#include "sim/wire_log.h"
#include "support/poll_until.h"
#include "support/window_fixture.h"
#include "support/wire_log_on_failure.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

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
  static QString Panel0(app::TMainForm& form) { return form.statusBar()->panelText(0); }
  std::vector<link::Command> Commands() const {
    std::vector<link::Command> commands;
    for (const auto& entry : plugged.instrument->WireLog())
      commands.push_back(link::DecodeFrame(entry.frame));
    return commands;
  }
};

TEST_F(MainWindowOnUsb, FindsTheInstrumentBehindAnotherChipAndSweeps) {
  const auto form = Window(unit);
  form->show();
  ASSERT_TRUE(test::PollUntil([&] { return form->controller().Connected(); }));
  EXPECT_EQ(Panel0(*form), QStringLiteral("OK"));
  EXPECT_EQ(form->statusBar()->panelText(1), QStringLiteral("Вер. МК: 2.07"));
  EXPECT_EQ(unit.SerialNumber, sim::kInstrumentSerial);
  // The chip ahead of it was asked once and let go of.
  EXPECT_EQ(plugged.others[0]->BytesReceived(), link::kFrameSize);
  EXPECT_FALSE(plugged.others[0]->Port().IsOpen());

  plugged.instrument->ClearWireLog();
  Button(*form, "KlSpeedButton1")->click();
  ASSERT_TRUE(test::PollUntil([&] { return plugged.instrument->State().sweepRequests >= 5; }));
  const std::vector<link::Command> commands = Commands();
  const std::vector<link::Command> setup = {{11, 0}, {2, 420}, {1, 43}, {12, 1}, {13, 0}, {5, 1}};
  ASSERT_GE(commands.size(), setup.size() + 2);
  EXPECT_TRUE(std::equal(setup.begin(), setup.end(), commands.begin())) << "the start sequence";
  // From the first sweep request on, nothing else (bench/usb_bench.cpp prints how far apart they come).
  const link::Command request{link::opcode::kTakeSweep, 1};
  const auto first = std::find(commands.begin(), commands.end(), request);
  EXPECT_EQ(std::count(first, commands.end(), request), commands.end() - first);
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
  ASSERT_TRUE(test::PollUntil([&] { return form->controller().Connected(); }));
  Button(*form, "KlSpeedButton1")->click();
  ASSERT_TRUE(test::PollUntil([&] { return plugged.instrument->State().sweepRequests >= 2; }));

  // Once with the window's own timers: the watchdog notices, discovery finds it again.
  bus.Unplug(*plugged.instrumentChip);
  ASSERT_TRUE(test::PollUntil([&] { return Panel0(*form) == QStringLiteral("Нет связи"); }));
  EXPECT_FALSE(form->controller().Connected());
  bus.Replug(*plugged.instrumentChip);
  ASSERT_TRUE(test::PollUntil([&] { return Panel0(*form) == QStringLiteral("OK"); }));

  // Then 50 times at random moments of a sweep, the watchdog's tick given at once.
  std::uint32_t seed = 12345;
  for (int cycle = 0; cycle < 50; ++cycle) {
    Button(*form, "KlSpeedButton1")->click();
    seed = seed * 1103515245 + 12345;
    test::RunEventsFor(std::chrono::milliseconds(20 + (seed >> 16) % 400));
    bus.Unplug(*plugged.instrumentChip);
    form->controller().WatchdogTick();
    ASSERT_EQ(Panel0(*form), QStringLiteral("Нет связи")) << "cycle " << cycle;
    bus.Replug(*plugged.instrumentChip);
    ASSERT_TRUE(test::PollUntil([&] { return Panel0(*form) == QStringLiteral("OK"); })) << "cycle " << cycle;
  }
  Button(*form, "KlSpeedButton2")->click();
}

}  // namespace
}  // namespace virn::usbemu
