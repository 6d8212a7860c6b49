// What each mode enables on the main window, as the table the mode switch applies.
#include "app/mode_controls.h"

#include <gtest/gtest.h>

namespace virn::app {
namespace {

TEST(ModeControls, GeneratorModeTakesEverySweepControlAndGivesTheGeneratorsAndTheFrequencyCalibration) {
  ModeControls sweep;  // every sweep control on, the generator's off
  ModeControls analyser = sweep;
  analyser.analyserOffset = true;
  ModeControls generator;
  generator.sweepPage = false;
  generator.generatorPage = true;
  generator.frequencyCalibration = true;
  generator.marker = generator.delay = generator.period = generator.rangeFields = false;
  generator.averaging = generator.start = generator.detector = generator.printAndSave = false;
  generator.generatorFields = true;
  generator.rangeStatusEmptied = true;
  EXPECT_EQ(ControlsFor(measure::Mode::Sweep, true), sweep);
  EXPECT_EQ(ControlsFor(measure::Mode::Analyser, true), analyser);
  EXPECT_EQ(ControlsFor(measure::Mode::Generator, true), generator);
  // An unticked delay box leaves the period list off in any mode.
  EXPECT_FALSE(ControlsFor(measure::Mode::Sweep, false).period);
  EXPECT_FALSE(ControlsFor(measure::Mode::Generator, false).period);
}

}  // namespace
}  // namespace virn::app
