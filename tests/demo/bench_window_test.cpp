// The bench window: its counter text and placement as plain functions, then the
// real window over a simulated bus, following the bench whoever changes it,
// changing it when clicked, and staying usable while the main window has a
// window-modal dialog open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QWindow>
#include <functional>
#include <memory>
#include <sstream>

#include "demo/bench_window.h"
#include "link/d2xx_unit.h"
#include "link/instrument_link.h"
#include "sim/bench.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "support/poll_until.h"

namespace virn::demo {
namespace {

TEST(CounterText, GroupsThousandsWithSpacesOrSaysThereIsNoSignal) {
  EXPECT_EQ(CounterText(std::nullopt), QStringLiteral("нет сигнала"));
  EXPECT_EQ(CounterText(45000450), QStringLiteral("45 000 450 Гц"));
  EXPECT_EQ(CounterText(0), QStringLiteral("0 Гц"));
  EXPECT_EQ(CounterText(999), QStringLiteral("999 Гц"));
  EXPECT_EQ(CounterText(1000), QStringLiteral("1 000 Гц"));
  EXPECT_EQ(CounterText(100000), QStringLiteral("100 000 Гц"));
  EXPECT_EQ(CounterText(4294967295), QStringLiteral("4 294 967 295 Гц"));
  EXPECT_EQ(CounterText(-1234), QStringLiteral("-1 234 Гц"));
}

TEST(BesidePosition, RightOfTheMainFrameAtItsTopKeptOnTheScreen) {
  const QRect screen(0, 0, 1920, 1080);
  EXPECT_EQ(BesidePosition(QRect(100, 50, 800, 600), QSize(300, 400), screen), QPoint(900, 50));
  // No room on the right: moved left until it fits, over the main window if need be.
  EXPECT_EQ(BesidePosition(QRect(1500, 50, 400, 600), QSize(300, 400), screen), QPoint(1620, 50));
  // Too low: moved up so that its bottom stays on the screen.
  EXPECT_EQ(BesidePosition(QRect(100, 900, 800, 150), QSize(300, 400), screen), QPoint(900, 680));
  // A main window partly off the top-left: the bench still starts on the screen.
  EXPECT_EQ(BesidePosition(QRect(-500, -40, 300, 200), QSize(300, 400), screen), QPoint(0, 0));
  // Larger than the screen: its title bar stays reachable.
  EXPECT_EQ(BesidePosition(QRect(0, 0, 800, 600), QSize(2500, 1500), screen), QPoint(0, 0));
  // A second screen to the right of the first.
  const QRect right(1920, 0, 1280, 1024);
  EXPECT_EQ(BesidePosition(QRect(2000, 100, 600, 400), QSize(300, 400), right), QPoint(2600, 100));
}

struct BenchWindowFixture : ::testing::Test {
  sim::SimBus bus;
  sim::TypicalBus devices = sim::PopulateTypicalBus(bus, {});
  sim::Bench bench{bus, devices.instrument};
  BenchWindow window{bench};
  std::ostringstream out;

  template <typename T>
  T* Find(const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QString CounterShown() { return Find<QLabel>("counterDisplay")->text(); }
};

TEST_F(BenchWindowFixture, IsAWindowOfItsOwnThatNeverEndsOrBlocksTheProgram) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Стенд"));
  EXPECT_FALSE(window.windowTitle().contains(QStringLiteral("ВИРН")));
  EXPECT_EQ(window.parentWidget(), nullptr);
  EXPECT_FALSE(window.testAttribute(Qt::WA_QuitOnClose));
  EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(window.windowModality(), Qt::NonModal);
}

TEST_F(BenchWindowFixture, ShowsTheStartingBench) {
  EXPECT_TRUE(Find<QCheckBox>("pluggedBox")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("dutBandPass")->isChecked());
  EXPECT_EQ(Find<QRadioButton>("dutAttenuator40")->text(), QStringLiteral("Аттенюатор −40 дБ"));
  EXPECT_EQ(Find<QRadioButton>("dutOpen")->text(), QStringLiteral("Ничего (вход открыт)"));
  EXPECT_EQ(Find<QDoubleSpinBox>("clockPpm")->value(), 10);
  EXPECT_EQ(Find<QSpinBox>("carrierFrequency")->value(), 10000000);
  EXPECT_EQ(Find<QDoubleSpinBox>("carrierLevel")->value(), -10);
  EXPECT_EQ(CounterShown(), QStringLiteral("нет сигнала"));
}

TEST_F(BenchWindowFixture, FollowsChangesTheScriptMakes) {
  bench.Apply("dut attenuator 12", out);
  EXPECT_TRUE(Find<QRadioButton>("dutAttenuator12")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("dutBandPass")->isChecked());
  bench.Apply("clock-ppm -12.5", out);
  EXPECT_EQ(Find<QDoubleSpinBox>("clockPpm")->value(), -12.5);
  bench.Apply("carrier 5e6 -30", out);
  EXPECT_EQ(Find<QSpinBox>("carrierFrequency")->value(), 5000000);
  EXPECT_EQ(Find<QDoubleSpinBox>("carrierLevel")->value(), -30);
  bench.Apply("unplug", out);
  EXPECT_FALSE(Find<QCheckBox>("pluggedBox")->isChecked());
  bench.Apply("plug", out);
  EXPECT_TRUE(Find<QCheckBox>("pluggedBox")->isChecked());
  // Showing the change changed nothing back.
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::Attenuator12);
  EXPECT_EQ(bench.ClockPpm(), -12.5);
  EXPECT_EQ(bench.Carrier().levelDb, -30);
}

TEST_F(BenchWindowFixture, CounterShowsTheGeneratorFrequencyOnItsOwn) {
  link::D2XXUnit unit(bus);
  ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(sim::kInstrumentSerial), link::FT_OK);
  link::SendCommand(unit, link::opcode::kGeneratorWord, 45000000);
  // No bench change: the window's own timer reads the counter.
  EXPECT_TRUE(test::PollUntil([&] { return CounterShown() == QStringLiteral("45 000 450 Гц"); }))
      << CounterShown().toStdString();
  link::SendCommand(unit, link::opcode::kTakeSweep, 1);
  EXPECT_TRUE(test::PollUntil([&] { return CounterShown() == QStringLiteral("нет сигнала"); }));
  link::SendCommand(unit, link::opcode::kStop, 0);
}

TEST_F(BenchWindowFixture, ClicksAndEntriesChangeTheBench) {
  Find<QRadioButton>("dutOpen")->click();
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::Open);
  Find<QRadioButton>("dutCarrier")->click();
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::Carrier);
  Find<QCheckBox>("pluggedBox")->click();
  EXPECT_FALSE(bench.Plugged());
  EXPECT_TRUE(bus.PluggedSerials().empty());
  Find<QCheckBox>("pluggedBox")->click();
  EXPECT_TRUE(bench.Plugged());
  Find<QDoubleSpinBox>("clockPpm")->setValue(-3.25);
  EXPECT_EQ(bench.ClockPpm(), -3.25);
  Find<QSpinBox>("carrierFrequency")->setValue(7000000);
  Find<QDoubleSpinBox>("carrierLevel")->setValue(-25.5);
  EXPECT_EQ(bench.Carrier().fundamentalHz, 7e6);
  EXPECT_EQ(bench.Carrier().levelDb, -25.5);
}

TEST_F(BenchWindowFixture, PlacedBesideTheMainWindowAndUsableWhileItHasAModalDialog) {
  QWidget mainWindow;
  mainWindow.setWindowTitle(QStringLiteral("ВИРН"));
  mainWindow.setGeometry(10, 20, 200, 150);
  mainWindow.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
  window.PlaceBeside(mainWindow);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.frameGeometry().left(), mainWindow.frameGeometry().right() + 1);
  EXPECT_EQ(window.frameGeometry().top(), mainWindow.frameGeometry().top());

  // The calibration wizards are window-modal to the main window.
  QDialog wizard(&mainWindow);
  wizard.setWindowModality(Qt::WindowModal);
  wizard.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
  const auto clickThroughTheWindowSystem = [&](const char* name) {
    auto* button = Find<QRadioButton>(name);
    const QPoint at = button->mapTo(&window, QPoint(8, button->height() / 2));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, at);
  };
  clickThroughTheWindowSystem("dutThrough");
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::Through);

  // The same click is refused while an application-modal box is up: the check
  // above does reach the window system's blocking.
  wizard.hide();
  QDialog box;
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  clickThroughTheWindowSystem("dutOpen");
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::Through);
}

}  // namespace
}  // namespace virn::demo
