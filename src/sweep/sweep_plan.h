// What a run of virn-sweep does, worked out before the instrument is looked
// for: the command line over the window's settings, which the controller's
// Start turns into frames, and the scale the levels are read with.
#pragma once

#include <optional>

#include "export/sweep_csv.h"
#include "flatness/flatness_table.h"
#include "measure/settings_model.h"
#include "sweep/sweep_options.h"

namespace virn::sweep {

struct SweepPlan {
  // The window's settings with the command line applied, in sweep mode.
  measure::Settings settings;
  // The range, scale and zero offset every sweep's table is written with.
  exports::SweepTable table;
  int count = 1;
  // Set: every sweep's levels are corrected with this table.
  std::optional<flatness::FlatnessTable> flatness;
};

// As the window's Start in sweep mode: the range, the period entry, delay,
// averaging and detector from the command line where it gives them, and the
// level scale of the detector in use.
SweepPlan PlanSweeps(const SweepOptions& options, const measure::Settings& settings);

}  // namespace virn::sweep
