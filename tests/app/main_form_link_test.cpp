// The main window over the simulated bus: what it shows of discovery,
// handshake and watchdog, and the acquisition thread's life with the window's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

#include "app/main_form.h"
#include "app/program_name.h"
#include "app/status_bar.h"
#include "link/command_frame.h"
#include "linked_window_fixture.h"
#include "settings/klm_api.h"
#include "sim/other_devices.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"

namespace virn::app {
namespace {

TEST_F(LinkedWindowFixture, OneDiscoveryTickFindsTheInstrumentBehindOtherDevices) {
  PlugTypical(2);
  auto form = Window();
  form->show();
  form->controller().DiscoveryTick();
  EXPECT_TRUE(form->controller().Connected());
  EXPECT_EQ(form->statusBar()->panelText(0), QStringLiteral("OK"));
  EXPECT_EQ(form->statusBar()->panelText(1), QStringLiteral("Вер. МК: 2.07"));
  ASSERT_EQ(Commands().size(), 1u);
  EXPECT_EQ(Commands()[0], (link::Command{9, 0}));
}

TEST_F(LinkedWindowFixture, TheDiscoveryTimerFindsTheInstrumentByItself) {
  PlugTypical();
  auto form = Window();
  form->show();
  ASSERT_TRUE(test::PollUntil([&] { return form->controller().Connected(); }));
  EXPECT_EQ(form->statusBar()->panelText(0), QStringLiteral("OK"));
}

TEST_F(LinkedWindowFixture, UnplugReturnsToDiscoveryAndReplugReconnects) {
  PlugTypical();
  auto form = Window();
  form->show();
  form->controller().DiscoveryTick();
  ASSERT_TRUE(form->controller().Connected());
  bus.Unplug(sim::kInstrumentSerial);
  form->controller().WatchdogTick();
  EXPECT_FALSE(form->controller().Connected());
  EXPECT_EQ(form->statusBar()->panelText(0), QStringLiteral("Нет связи"));
  EXPECT_EQ(form->statusBar()->panelText(1), QString());
  bus.Plug(instrument);
  form->controller().DiscoveryTick();
  EXPECT_TRUE(form->controller().Connected());
}

TEST_F(LinkedWindowFixture, EveryPassReachesTheWindowUntilItCloses) {
  PlugTypical();
  auto form = Window();
  form->show();
  ASSERT_TRUE(test::PollUntil([&] { return form->sweepPasses() >= 20; }));
  form->close();
  const auto passesAtClose = form->sweepPasses();
  test::RunEventsFor(std::chrono::milliseconds(100));
  EXPECT_EQ(form->sweepPasses(), passesAtClose);
  form.reset();
}

TEST_F(LinkedWindowFixture, ClosingDuringSweepsAlwaysEndsPromptly) {
  PlugTypical();
  for (int round = 0; round < 15; ++round) {
    auto form = Window();
    form->show();
    form->controller().DiscoveryTick();
    ASSERT_TRUE(form->controller().Connected());
    form->controller().Thread().DelayOn = (round % 2) == 1;
    form->controller().Thread().PeriodIndex = 1 + round % 4;
    form->controller().Thread().StartSweeps();
    const auto target = form->sweepPasses() + static_cast<std::uint64_t>(round % 3);
    EXPECT_TRUE(test::PollUntil([&] { return form->sweepPasses() >= target; }));
    form->close();
    form.reset();  // terminates and joins the thread
  }
  // The device was closed each time; nothing stays open.
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace virn::app
