// Run control, modes and the sweep range of the main window, checked by the
// frames the simulated instrument receives.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <atomic>

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
  EXPECT_TRUE(form->controller().SweepRunning());
  EXPECT_FALSE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton2")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton3")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(*form, "mnuCaOut")->isEnabled());
  EXPECT_EQ(form->controller().Thread().PeriodIndex.load(), 1);
  EXPECT_TRUE(form->controller().Thread().DelayOn.load());
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 2; }));
  const auto log = instrument->WireLog();
  EXPECT_EQ(link::DecodeFrame(log[expected.size()].frame), (Command{op::kTakeSweep, 1}));
  EXPECT_EQ(instrument->State().sweepSteps, 420);
}

TEST_F(LinkedWindowFixture, StartInAnalyserModeWithHalvedOscillatorHalvesStartAndStep) {
  auto form = ConnectedWindow();
  form->setProperty("_VFOdiv", true);
  Click(*form, "mnuAnaliserMode");
  instrument->ClearWireLog();
  Click(*form, "KlSpeedButton1");
  const auto commands = CommandsBesidesSweeps();
  ASSERT_GE(commands.size(), 8u);
  EXPECT_EQ(commands[6], (Command{op::kStartWord, 50000}));
  EXPECT_EQ(commands[7], (Command{op::kStep, 59405}));
  // Analyser mode keeps the level calibration off at Start.
  EXPECT_FALSE(Child<QToolButton>(*form, "mnuCaOut")->isEnabled());
}

TEST_F(LinkedWindowFixture, OddValuesAreHalvedTowardZero) {
  auto form = ConnectedWindow();
  form->setProperty("_VFOdiv", true);
  Click(*form, "mnuAnaliserMode");
  // Start 100 001 Hz, end 100 001 + 3 * 420 Hz: step 3.
  form->setProperty("_StartFreqC", 1);
  form->setProperty("_EndFreqA", 0);
  form->setProperty("_EndFreqB", 101);
  form->setProperty("_EndFreqC", 261);
  instrument->ClearWireLog();
  Click(*form, "KlSpeedButton1");
  const auto commands = CommandsBesidesSweeps();
  ASSERT_GE(commands.size(), 8u);
  EXPECT_EQ(commands[6], (Command{op::kStartWord, 50000}));
  EXPECT_EQ(commands[7], (Command{op::kStep, 1}));
}

TEST_F(LinkedWindowFixture, EqualStartAndEndSendStepOne) {
  auto form = ConnectedWindow();
  form->setProperty("_EndFreqA", 0);
  form->setProperty("_EndFreqB", 100);
  Click(*form, "KlSpeedButton1");
  EXPECT_EQ(CommandsBesidesSweeps().at(7), (Command{op::kStep, 1}));
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 1 Гц"));
  EXPECT_EQ(form->statusBar()->panelText(5), QStringLiteral("Полоса обзора:  Гц"));
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
  EXPECT_FALSE(form->controller().SweepRunning());
  EXPECT_FALSE(form->controller().Thread().Running.load());
}

TEST_F(LinkedWindowFixture, GeneratorModeEnablesOnlyTheGeneratorControls) {
  auto form = ConnectedWindow();
  Click(*form, "mnuGenMode");
  for (const char* disabled : {"KlSpeedButton1", "mnuLinear", "mnuVisir", "mnuPrint", "mnuSave"}) {
    EXPECT_FALSE(Child<QToolButton>(*form, disabled)->isEnabled()) << disabled;
  }
  EXPECT_TRUE(Child<QToolButton>(*form, "mnuCorrFreq")->isEnabled());
  EXPECT_FALSE(Child<QCheckBox>(*form, "CheckBox1")->isEnabled());
  EXPECT_FALSE(Child<QCheckBox>(*form, "CheckBox2")->isEnabled());
  EXPECT_FALSE(Child<QComboBox>(*form, "ComboBox1")->isEnabled());
  for (const char* field : {"Edit4", "Edit8", "Edit9", "Edit5", "Edit11", "Edit12"}) {
    EXPECT_FALSE(Child<QLineEdit>(*form, field)->isEnabled()) << field;
  }
  for (const char* field : {"Edit2", "Edit13", "Edit14"}) {
    EXPECT_TRUE(Child<QLineEdit>(*form, field)->isEnabled()) << field;
  }
  EXPECT_TRUE(Child<UpDown>(*form, "UpDown11")->isEnabled());
  EXPECT_FALSE(Child<UpDown>(*form, "UpDown5")->isEnabled());
  auto* pages = Child<QTabWidget>(*form, "PageControl1");
  EXPECT_FALSE(pages->isTabVisible(0));
  EXPECT_TRUE(pages->isTabVisible(1));
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_EQ(form->statusBar()->panelText(2), QString());
  EXPECT_EQ(form->statusBar()->panelText(5), QString());

  Click(*form, "mnuAnaliserMode");
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_FALSE(Child<QToolButton>(*form, "mnuCorrFreq")->isEnabled());
  EXPECT_TRUE(Child<QLineEdit>(*form, "Edit15")->isEnabled());
  EXPECT_TRUE(pages->isTabVisible(0));
  EXPECT_FALSE(pages->isTabVisible(1));
  EXPECT_FALSE(Child<QLineEdit>(*form, "Edit2")->isEnabled());
}

TEST_F(LinkedWindowFixture, ARangeEditDuringASweepRetunesBehindThePauseFence) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  std::vector<std::pair<Command, bool>> seen;  // command, thread paused when it arrived
  instrument->SetFrameSink([&](const sim::WireEntry& entry) {
    const Command command = link::DecodeFrame(entry.frame);
    if (command.opcode != op::kTakeSweep) seen.emplace_back(command, form->controller().Thread().Paused.load());
  });
  instrument->ClearWireLog();
  form->setProperty("_StartFreqB", 200);
  instrument->SetFrameSink({});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, (Command{op::kStep, 118571}));
  EXPECT_EQ(seen[1].first, (Command{op::kStartWord, 200000}));
  EXPECT_TRUE(seen[0].second);
  EXPECT_TRUE(seen[1].second);
  EXPECT_FALSE(form->controller().Thread().Paused.load());
  std::vector<sim::WireEntry> retune;
  for (const auto& entry : instrument->WireLog()) {
    if (entry.frame[0] != op::kTakeSweep) retune.push_back(entry);
  }
  ASSERT_EQ(retune.size(), 2u);
  EXPECT_GE(retune[1].timeMs - retune[0].timeMs, 10);
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 200000);
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 118571 Гц"));
}

TEST_F(LinkedWindowFixture, WhilePausedARangeEditChangesOnlyTheField) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  Click(*form, "KlSpeedButton3");
  EXPECT_TRUE(form->controller().Thread().Paused.load());
  EXPECT_FALSE(Child<QToolButton>(*form, "mnuCaOut")->isEnabled());
  instrument->ClearWireLog();
  Child<QLineEdit>(*form, "Edit8")->setText(QStringLiteral("300"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 100000);
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 118810 Гц"));
  EXPECT_TRUE(CommandsBesidesSweeps().empty());
  Click(*form, "KlSpeedButton3");  // released: the next edit takes the range
  EXPECT_FALSE(form->controller().Thread().Paused.load());
  EXPECT_TRUE(Child<QToolButton>(*form, "mnuCaOut")->isEnabled());
  Child<QLineEdit>(*form, "Edit9")->setText(QStringLiteral("5"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 300005);
}

TEST_F(LinkedWindowFixture, AGeneratorFieldChangeSendsTheWordAtOnceInAnyMode) {
  auto form = ConnectedWindow();
  form->setProperty("_FreqGenA", 12);
  EXPECT_EQ(Commands(), (std::vector<Command>{{op::kGeneratorWord, 12000000}}));
  form->setProperty("_RealFreq", 45000450);
  instrument->ClearWireLog();
  form->setProperty("_FreqGenA", 10);
  EXPECT_EQ(Commands(), (std::vector<Command>{{op::kGeneratorWord, 9999900}}));
}

TEST_F(LinkedWindowFixture, PauseThenStopLeavesPauseReleasedAndTheNextStartSweeps) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  Click(*form, "KlSpeedButton3");
  Click(*form, "KlSpeedButton2");
  auto* pause = Child<QToolButton>(*form, "KlSpeedButton3");
  EXPECT_FALSE(pause->isChecked());
  EXPECT_FALSE(pause->isEnabled());
  EXPECT_FALSE(form->controller().Thread().Paused.load());
  EXPECT_FALSE(form->controller().SweepRunning());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_FALSE(Child<QToolButton>(*form, "mnuCaOut")->isEnabled());
  Click(*form, "KlSpeedButton1");
  const auto before = instrument->State().sweepRequests;
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests > before + 1; }));
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
  EXPECT_EQ(form->controller().Thread().PeriodIndex.load(), 3);
  EXPECT_FALSE(form->controller().Thread().DelayOn.load());
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

TEST_F(LinkedWindowFixture, WithoutAConnectionStartWarnsAndStopSendsNothing) {
  PlugTypical();
  // Held by another program: the box runs an event loop, and discovery must not connect meanwhile.
  link::FT_HANDLE held = 0;
  ASSERT_EQ(bus.FT_OpenEx(sim::kInstrumentSerial.data(), link::FT_OPEN_BY_SERIAL_NUMBER, &held), link::FT_OK);
  auto form = Window();
  form->show();
  test::ModalWatcher watcher;
  Click(*form, "KlSpeedButton1");
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("Подключите прибор."));
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(form->controller().SweepRunning());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  Click(*form, "KlSpeedButton2");
  Child<QCheckBox>(*form, "CheckBox2")->click();
  EXPECT_TRUE(instrument->WireLog().empty());
  EXPECT_TRUE(form->property("_Averaging").toBool());
  bus.FT_Close(held);
}

TEST_F(LinkedWindowFixture, LosingTheLinkDuringASweepStopsIt) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 1; }));
  bus.Unplug(sim::kInstrumentSerial);
  form->controller().WatchdogTick();
  EXPECT_FALSE(form->controller().Connected());
  EXPECT_FALSE(form->controller().SweepRunning());
  EXPECT_FALSE(form->controller().Thread().Running.load());
  EXPECT_TRUE(Child<QToolButton>(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_FALSE(Child<QToolButton>(*form, "KlSpeedButton2")->isEnabled());
}

}  // namespace
}  // namespace virn::app
