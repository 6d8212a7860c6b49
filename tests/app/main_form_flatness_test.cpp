// The flatness calibration run from the plot's menu against the simulated
// instrument, whose output rolls off: the wizard measures the band, the file
// is written, the switch is on, and a cable swept over the whole band is flat
// on the plot with the mark in its corner. (Cancelling is the run's own test
// and the wizard's.)
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "calibration/flatness_form.h"
#include "flatness/flatness_file.h"
#include "linked_window_fixture.h"
#include "sim/network_model.h"
#include "support/modal_driver.h"

namespace virn::app {
namespace {

struct FlatnessFixture : LinkedWindowFixture {
  virn::test::ModalDriver driver;
  QString dir = config.path() + QStringLiteral("/Kelmar/virn-");

  FlatnessFixture() { QDir().mkpath(dir); }
  static QAction* Action(TMainForm& form, const char* name) {
    return form.findChild<QAction*>(QString::fromLatin1(name));
  }
  // The samples of the next whole sweep over the band, as the plot shows them.
  display::PlotInputs BandOnThePlot(TMainForm& form) {
    form.controller().SetRange(10000, 100000000);
    Click(form, "KlSpeedButton1");
    const std::uint64_t passes = form.sweepPasses();
    const std::uint64_t sweeps = instrument->SweepsComputed();
    EXPECT_TRUE(test::PollUntil([&] { return instrument->SweepsComputed() > sweeps + 1; }));
    EXPECT_TRUE(test::PollUntil([&] { return form.sweepPasses() > passes + 2; }));
    Click(form, "KlSpeedButton3");  // paused: the samples stay
    display::PlotInputs in = form.PlotInputsNow();
    Click(form, "KlSpeedButton3");
    Click(form, "KlSpeedButton2");
    return in;
  }
};

TEST_F(FlatnessFixture, TheWizardMeasuresTheBandAndTheCableIsFlatOnThePlotWithTheMark) {
  PlugTypical();
  instrument->SetNetwork(sim::ThroughLine());
  auto form = ConnectedWindow();
  const display::PlotInputs before = BandOnThePlot(*form);
  EXPECT_GE(before.Samples.front() - before.Samples.back(), 7);  // 2.5 dB at 2.8 a dB
  EXPECT_EQ(before.Flatness, display::FlatnessMark::None);

  int largestProgress = 0;
  driver.Then([&](QWidget& wizard) {
    EXPECT_EQ(wizard.windowTitle(), calibration::kFlatnessLogCaption);
    Click(wizard, "KlButton1");
    auto* bar = wizard.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    EXPECT_TRUE(test::PollUntil([&] {
      largestProgress = std::max(largestProgress, bar->value());
      return !static_cast<calibration::TFlatnessForm&>(wizard).Measuring();
    }));
    EXPECT_EQ(wizard.findChild<QPushButton*>(QStringLiteral("KlButton3"))->text(),
              calibration::kFinishCaption);
    Click(wizard, "KlButton3");
  });
  Action(*form, "mnuFlatnessCalibration")->trigger();
  ASSERT_TRUE(driver.Done());
  EXPECT_GT(largestProgress, 0);
  EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/app_tests.flatness-log.txt")));

  const display::PlotInputs after = BandOnThePlot(*form);
  EXPECT_EQ(after.Flatness, display::FlatnessMark::Whole);
  const auto [low, high] = std::minmax_element(after.Samples.begin(), after.Samples.end());
  EXPECT_LE(*high - *low, 2);  // a detector byte either way of the flat level
  // Switched off, the picture is the raw one again.
  Action(*form, "mnuFlatness")->trigger();
  EXPECT_EQ(form->PlotInputsNow().Flatness, display::FlatnessMark::None);
  Action(*form, "mnuFlatness")->trigger();
  // Beyond the band the points stay as measured, and the mark says so.
  form->controller().SetRange(50000000, 150000000);
  EXPECT_EQ(form->PlotInputsNow().Flatness, display::FlatnessMark::Partly);
}

}  // namespace
}  // namespace virn::app
