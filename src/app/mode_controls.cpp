#include "app/mode_controls.h"

namespace virn::app {

ModeControls ControlsFor(measure::Mode mode, bool delayTicked) {
  // Generator mode acquires nothing: every sweep control goes, the
  // generator's fields and the frequency calibration come.
  const bool generator = mode == measure::Mode::Generator;
  ModeControls c;
  c.sweepPage = !generator;
  c.generatorPage = generator;
  c.frequencyCalibration = generator;
  c.marker = !generator;
  c.delay = !generator;
  c.period = !generator && delayTicked;
  c.rangeFields = !generator;
  c.averaging = !generator;
  c.start = !generator;
  c.detector = !generator;
  c.generatorFields = generator;
  c.printAndSave = !generator;
  c.analyserOffset = mode == measure::Mode::Analyser;
  c.rangeStatusEmptied = generator;
  return c;
}

}  // namespace virn::app
