// What a run of virn-sweep does, worked out before the instrument is looked
// for: the command line over the window's settings, the Start frames that
// follow, and the scale the levels are read with.
#pragma once

#include "export/sweep_csv.h"
#include "measure/instrument_sequences.h"
#include "sweep/sweep_options.h"
#include "sweep/window_settings.h"

namespace virn::sweep {

struct SweepPlan {
  measure::StartSetup setup;
  // The range, scale and zero offset every sweep's table is written with.
  exports::SweepTable table;
  int count = 1;
};

// As the window's Start in sweep mode: the step over the range, the start's
// frequency word through the frequency calibration, the period entry, delay,
// averaging, detector and level scale of the detector in use.
SweepPlan PlanSweeps(const SweepOptions& options, const WindowSettings& settings);

}  // namespace virn::sweep
