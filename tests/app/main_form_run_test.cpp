// Run control and modes through the whole window, checked by the frames the
// simulated instrument receives and the controls the window shows. The rules
// behind them are the controller's, tested in tests/control.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/status_bar.h"
#include "app/up_down.h"
#include "linked_window_fixture.h"
#include "support/modal_watcher.h"

namespace virn::app {
namespace {

using link::Command;
namespace op = link::opcode;

template <typename T>
T* Child(TMainForm& form, const char* name) {
  auto* child = form.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST_F(LinkedWindowFixture, StartInSweepModeSendsTheSetUpThenSweepsContinuously) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  const std::vector<Command> expected = {
      {op::kDetector, 0},  {op::kSweepSteps, 420}, {op::kDdsCoefficient, 43}, {op::kDelay, 1},
      {op::kAveraging, 0}, {op::kPeriod, 1},       {op::kStartWord, 100000},  {op::kStep, 118810}};
  EXPECT_EQ(Commands(), expected);
  EXPECT_FALSE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton2")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton3")->isEnabled());
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 2; }));
  const auto log = instrument->WireLog();
  EXPECT_EQ(link::DecodeFrame(log[expected.size()].frame), (Command{op::kTakeSweep, 1}));
}

// The level calibration is offered at Start in sweep mode only, and whenever
// the pause is released, in any mode; Stop takes it away and releases the pause.
TEST_F(LinkedWindowFixture, TheLevelCalibrationFollowsStartPauseAndStop) {
  auto form = ConnectedWindow();
  auto* calibration = Child<QToolButton>(*form, "mnuCaOut");
  auto* pause = Child<QToolButton>(*form, "KlSpeedButton3");
  Click(*form, "KlSpeedButton1");
  EXPECT_TRUE(calibration->isEnabled());
  Click(*form, "mnuAnaliserMode");
  Click(*form, "KlSpeedButton1");
  EXPECT_FALSE(calibration->isEnabled());
  Click(*form, "KlSpeedButton3");
  EXPECT_TRUE(pause->isChecked());
  Click(*form, "KlSpeedButton3");
  EXPECT_TRUE(calibration->isEnabled());
  Click(*form, "KlSpeedButton3");
  Click(*form, "KlSpeedButton2");
  EXPECT_FALSE(pause->isChecked());
  EXPECT_FALSE(pause->isEnabled());
  EXPECT_FALSE(calibration->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
}

TEST_F(LinkedWindowFixture, GeneratorModeDuringASweepStopsThenSetsUpTheGenerator) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  instrument->ClearWireLog();
  Click(*form, "mnuGenMode");
  const auto log = instrument->WireLog();
  std::vector<sim::WireEntry> setup;
  for (const auto& entry : log) {
    if (entry.frame[0] != op::kTakeSweep) setup.push_back(entry);
  }
  ASSERT_EQ(setup.size(), 4u);
  EXPECT_EQ(link::DecodeFrame(setup[0].frame), (Command{op::kStop, 0}));
  EXPECT_EQ(link::DecodeFrame(setup[1].frame), (Command{op::kGeneratorWord, 1000000}));
  EXPECT_EQ(link::DecodeFrame(setup[2].frame), (Command{op::kDdsCoefficient, 43}));
  EXPECT_EQ(link::DecodeFrame(setup[3].frame), (Command{op::kGeneratorWord, 1000000}));
  EXPECT_GE(setup[3].timeMs - setup[2].timeMs, 50);
  // The generator's page, its fields and no range texts; the sweep controls off.
  auto* pages = Child<QTabWidget>(*form, "PageControl1");
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_FALSE(pages->isTabVisible(0));
  EXPECT_TRUE(Child<QLineEdit>(*form, "Edit13")->isEnabled());
  EXPECT_FALSE(Child<UpDown>(*form, "UpDown5")->isEnabled());
  EXPECT_FALSE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_EQ(form->statusBar()->panelText(2), QString());
  EXPECT_EQ(form->statusBar()->panelText(5), QString());
}

TEST_F(LinkedWindowFixture, ARangeEditDuringASweepRetunesIt) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  instrument->ClearWireLog();
  Child<QLineEdit>(*form, "Edit8")->setText(QStringLiteral("200"));
  std::vector<sim::WireEntry> retune;
  for (const auto& entry : instrument->WireLog()) {
    if (entry.frame[0] != op::kTakeSweep) retune.push_back(entry);
  }
  ASSERT_EQ(retune.size(), 2u);
  EXPECT_EQ(link::DecodeFrame(retune[0].frame), (Command{op::kStep, 118571}));
  EXPECT_EQ(link::DecodeFrame(retune[1].frame), (Command{op::kStartWord, 200000}));
  EXPECT_GE(retune[1].timeMs - retune[0].timeMs, 10);
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 118571 Гц"));
}

TEST_F(LinkedWindowFixture, DelayPeriodAndAveragingGoOutAtOnceEvenDuringASweep) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  instrument->ClearWireLog();
  auto* period = Child<QComboBox>(*form, "ComboBox1");
  period->setCurrentIndex(2);
  emit period->activated(2);
  Child<QCheckBox>(*form, "CheckBox2")->click();
  Child<QCheckBox>(*form, "CheckBox1")->click();
  EXPECT_EQ(CommandsBesidesSweeps(),
            (std::vector<Command>{{op::kPeriod, 3}, {op::kAveraging, 1}, {op::kDelay, 0}}));
  // Unticked delay disables the list, which keeps its selection for the next Start.
  EXPECT_FALSE(period->isEnabled());
  EXPECT_EQ(period->currentIndex(), 2);
  Click(*form, "KlSpeedButton2");
  instrument->ClearWireLog();
  Click(*form, "KlSpeedButton1");
  const auto commands = CommandsBesidesSweeps();
  EXPECT_EQ(commands.at(3), (Command{op::kDelay, 0}));
  EXPECT_EQ(commands.at(4), (Command{op::kAveraging, 1}));
  EXPECT_EQ(commands.at(5), (Command{op::kPeriod, 3}));
}

TEST_F(LinkedWindowFixture, WithoutAConnectionStartWarns) {
  auto form = Window();
  form->show();
  test::ModalWatcher watcher;
  Click(*form, "KlSpeedButton1");
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("Подключите прибор."));
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
}

TEST_F(LinkedWindowFixture, LosingTheLinkDuringASweepStopsIt) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 1; }));
  bus.Unplug(sim::kInstrumentSerial);
  form->controller().WatchdogTick();
  EXPECT_EQ(form->statusBar()->panelText(0), QStringLiteral("Нет связи"));
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_FALSE(Child<QToolButton>(*form, "KlSpeedButton2")->isEnabled());
}

}  // namespace
}  // namespace virn::app
