// What the main window's detector button does to the device while connected.
#include <gtest/gtest.h>

#include <QToolButton>

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
};

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
