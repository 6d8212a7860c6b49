// What the main window does to the device itself, beside the frames: the
// handshake's reset and 20/20 ms time-outs, Start's reset before its set-up,
// and the detector command the detector button sends while connected.
#include <gtest/gtest.h>

#include <QToolButton>
#include <algorithm>

#include "app/main_form.h"
#include "link/d2xx_unit.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "support/call_log_d2xx.h"
#include "support/window_fixture.h"

namespace virn::app {
namespace {

struct DeviceCalls : test::WindowFixture {
  sim::SimBus bus;
  test::CallLogD2xx calls{bus};
  link::D2XXUnit unit{calls};

  DeviceCalls() { sim::PopulateTypicalBus(bus, sim::TypicalBusOptions{}); }
  // The calls after the first one equal to `from`.
  std::vector<std::string> CallsAfter(const std::string& from) const {
    const std::vector<std::string> all = calls.Calls();
    const auto at = std::find(all.begin(), all.end(), from);
    return at == all.end() ? std::vector<std::string>{} : std::vector<std::string>(at + 1, all.end());
  }
};

const std::string kVersionRequest = "write 09 00 00 00 00";

TEST_F(DeviceCalls, TheHandshakeResetsTheDeviceAndSetsTwentyMillisecondTimeOuts) {
  const auto form = ConnectedWindow(unit);
  ASSERT_TRUE(form->controller().Connected());
  EXPECT_EQ(CallsAfter(kVersionRequest), (std::vector<std::string>{"reset", "timeouts 20 20"}));
}

TEST_F(DeviceCalls, StartResetsTheDeviceBeforeItsSetUp) {
  const auto form = ConnectedWindow(unit);
  ASSERT_TRUE(form->controller().Connected());
  calls.Clear();
  Click(*form, "KlSpeedButton1");
  const std::vector<std::string> after = calls.Calls();
  ASSERT_GE(after.size(), 2U);
  EXPECT_EQ(after[0], "reset");
  EXPECT_EQ(after[1], "write 0B 00 00 00 00") << "the detector command opens the set-up";
  Click(*form, "KlSpeedButton2");
}

TEST_F(DeviceCalls, TheDetectorButtonSendsOneForLinearAndZeroForLogarithmic) {
  const auto form = ConnectedWindow(unit);
  ASSERT_TRUE(form->controller().Connected());
  calls.Clear();
  Click(*form, "mnuLinear");
  ASSERT_TRUE(form->findChild<QToolButton*>(QStringLiteral("mnuLinear"))->isChecked());
  EXPECT_EQ(calls.Calls(), (std::vector<std::string>{"write 0B 01 00 00 00"}));
  calls.Clear();
  Click(*form, "mnuLinear");
  EXPECT_EQ(calls.Calls(), (std::vector<std::string>{"write 0B 00 00 00 00"}));
}

}  // namespace
}  // namespace virn::app
