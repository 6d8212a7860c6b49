// The command line over the window's settings: the settings a run starts the
// controller with, always in sweep mode, and the scale its levels are read with.
#include "sweep/sweep_plan.h"

#include <gtest/gtest.h>

namespace virn::sweep {
namespace {

measure::Settings Stored() {
  measure::Settings s;
  s.startFreq = {10, 0, 0};
  s.endFreq = {30, 0, 0};
  s.delayIndex = 2;
  s.delay = false;
  s.averaging = true;
  s.linear = true;
  s.dds = 40;
  s.mode = measure::Mode::Analyser;
  s.calibration.CorrLog_0Db = 15;
  s.calibration.CorrLin_0Db = 21;
  return s;
}

TEST(SweepPlan, TheSettingsDecideWhatTheCommandLineLeavesOpenInSweepMode) {
  const measure::Settings stored = Stored();
  const SweepPlan plan = PlanSweeps(SweepOptions{}, stored);
  measure::Settings expected = stored;
  expected.mode = measure::Mode::Sweep;
  EXPECT_EQ(plan.settings, expected);
  EXPECT_EQ(plan.count, 1);
  // The linear detector's scale and 0 dB value.
  EXPECT_TRUE(plan.table.Scale.Linear);
  EXPECT_EQ(plan.table.Scale.Calibration, stored.calibration);
  EXPECT_EQ(plan.table.ZeroOffset, 21);
  EXPECT_EQ(plan.table.StartFreq, 10000000);
  EXPECT_EQ(plan.table.EndFreq, 30000000);
}

TEST(SweepPlan, TheCommandLineWinsOverTheSettings) {
  SweepOptions o;
  o.startHz = 1000001;
  o.endHz = 43000000;
  o.count = 3;
  o.periodIndex = 4;
  o.delay = true;
  o.averaging = false;
  o.linear = false;
  const SweepPlan plan = PlanSweeps(o, Stored());
  EXPECT_EQ(plan.count, 3);
  EXPECT_EQ(plan.settings.startFreq, (measure::TriplePlaces{1, 0, 1}));
  EXPECT_EQ(plan.settings.endFreq, (measure::TriplePlaces{43, 0, 0}));
  EXPECT_EQ(plan.settings.delayIndex, 3);
  EXPECT_TRUE(plan.settings.delay);
  EXPECT_FALSE(plan.settings.averaging);
  EXPECT_FALSE(plan.settings.linear);
  EXPECT_FALSE(plan.table.Scale.Linear);
  EXPECT_EQ(plan.table.ZeroOffset, 15);
  EXPECT_EQ(plan.table.StartFreq, 1000001);
  EXPECT_EQ(plan.table.EndFreq, 43000000);
}

}  // namespace
}  // namespace virn::sweep
