// The command line over the window's settings: the Start frames a run sends
// and the scale its levels are read with, as the window's Start in sweep mode.
#include "sweep/sweep_plan.h"

#include <gtest/gtest.h>

namespace virn::sweep {
namespace {

TEST(SweepPlan, TheWindowsDefaultsGiveTheWindowsDefaultStart) {
  const SweepPlan plan = PlanSweeps(SweepOptions{}, WindowSettings{});
  EXPECT_EQ(plan.count, 1);
  EXPECT_FALSE(plan.setup.linearDetector);
  EXPECT_EQ(plan.setup.dds, 43);
  EXPECT_TRUE(plan.setup.delay);
  EXPECT_FALSE(plan.setup.averaging);
  EXPECT_EQ(plan.setup.periodIndex, 1);
  EXPECT_EQ(plan.setup.startWord, 100000);  // with no frequency calibration the word is the frequency
  EXPECT_EQ(plan.setup.step, 118810);       // 49.9 MHz / 420, rounded
  EXPECT_EQ(plan.table.StartFreq, 100000);
  EXPECT_EQ(plan.table.EndFreq, 50000000);
  EXPECT_FALSE(plan.table.Scale.Linear);
  EXPECT_EQ(plan.table.ZeroOffset, 0);
}

TEST(SweepPlan, SettingsDecideWhatTheCommandLineLeavesOpen) {
  WindowSettings s;
  s.start = {10, 0, 0};
  s.end = {30, 0, 0};
  s.delayIndex = 2;
  s.delay = false;
  s.averaging = true;
  s.linear = true;
  s.dds = 40;
  s.calibration.CorrLog_0Db = 15;
  s.calibration.CorrLin_0Db = 21;
  s.calibration.CorrLin_12Db = 121;
  s.realFreq = 45000450;  // the instrument puts out 10 ppm too much
  const SweepPlan plan = PlanSweeps(SweepOptions{}, s);
  EXPECT_EQ(plan.setup.periodIndex, 3);
  EXPECT_FALSE(plan.setup.delay);
  EXPECT_TRUE(plan.setup.averaging);
  EXPECT_TRUE(plan.setup.linearDetector);
  EXPECT_EQ(plan.setup.dds, 40);
  EXPECT_EQ(plan.setup.step, 47619);  // 20 MHz / 420
  EXPECT_EQ(plan.setup.startWord, measure::FreqToWord(10000000, 45000450, 45000000));
  EXPECT_LT(plan.setup.startWord, 10000000);
  // The linear detector's scale and 0 dB value.
  EXPECT_TRUE(plan.table.Scale.Linear);
  EXPECT_EQ(plan.table.Scale.Calibration, s.calibration);
  EXPECT_EQ(plan.table.ZeroOffset, 21);
  EXPECT_EQ(plan.table.StartFreq, 10000000);
  EXPECT_EQ(plan.table.EndFreq, 30000000);
}

TEST(SweepPlan, TheCommandLineWinsOverTheSettings) {
  WindowSettings s;
  s.linear = true;
  s.calibration.CorrLog_0Db = 15;
  s.calibration.CorrLin_0Db = 21;
  SweepOptions o;
  o.startHz = 1000000;
  o.endHz = 43000000;
  o.count = 3;
  o.periodIndex = 4;
  o.delay = false;
  o.averaging = true;
  o.linear = false;
  const SweepPlan plan = PlanSweeps(o, s);
  EXPECT_EQ(plan.count, 3);
  EXPECT_EQ(plan.setup.periodIndex, 4);
  EXPECT_FALSE(plan.setup.delay);
  EXPECT_TRUE(plan.setup.averaging);
  EXPECT_FALSE(plan.setup.linearDetector);
  EXPECT_EQ(plan.setup.startWord, 1000000);
  EXPECT_EQ(plan.setup.step, 100000);
  EXPECT_FALSE(plan.table.Scale.Linear);
  EXPECT_EQ(plan.table.ZeroOffset, 15);
  EXPECT_EQ(plan.table.StartFreq, 1000000);
  EXPECT_EQ(plan.table.EndFreq, 43000000);
}

TEST(SweepPlan, AFallingRangeSweepsDownwards) {
  SweepOptions o;
  o.startHz = 50000000;
  o.endHz = 100000;
  const SweepPlan plan = PlanSweeps(o, WindowSettings{});
  EXPECT_EQ(plan.setup.step, -118810);
  EXPECT_EQ(plan.setup.startWord, 50000000);
}

}  // namespace
}  // namespace virn::sweep
