// What each operating mode enables and shows on the main window, as a table:
// the mode switch applies it, and it is tested without a window.
#pragma once

#include "measure/settings_model.h"

namespace virn::app {

struct ModeControls {
  bool sweepPage = true;       // tab "ГКЧ, анализатор" shown (and current)
  bool generatorPage = false;  // tab "Генератор" shown (and current)
  bool frequencyCalibration = false;
  bool marker = true;
  bool delay = true;        // the delay box
  bool period = true;       // the period list
  bool rangeFields = true;  // the six start and end fields with their arrows
  bool averaging = true;
  bool start = true;
  bool detector = true;
  bool generatorFields = false;  // the three generator fields with their arrows
  bool printAndSave = true;
  bool analyserOffset = false;      // the analyser's 0 dB field with its arrows
  bool rangeStatusEmptied = false;  // the step and span panels emptied
  bool operator==(const ModeControls&) const = default;
};

// The controls' states in `mode`; the period list also needs the delay box ticked.
ModeControls ControlsFor(measure::Mode mode, bool delayTicked);

}  // namespace virn::app
