#include "sweep/sweep_plan.h"

namespace virn::sweep {

SweepPlan PlanSweeps(const SweepOptions& options, const measure::Settings& settings) {
  SweepPlan plan;
  plan.count = options.count;

  measure::Settings& s = plan.settings;
  s = settings;
  // Start in sweep mode: no generator set-up at the handshake, no halving.
  s.mode = measure::Mode::Sweep;
  if (options.startHz) s.startFreq = measure::PlacesOf(*options.startHz);
  if (options.endHz) s.endFreq = measure::PlacesOf(*options.endHz);
  s.linear = options.linear.value_or(s.linear);
  s.delay = options.delay.value_or(s.delay);
  s.averaging = options.averaging.value_or(s.averaging);
  if (options.periodIndex) s.delayIndex = *options.periodIndex - 1;

  display::PlotInputs in;
  in.Mode = display::PlotMode::Sweep;
  in.StartFreq = measure::TripleHz(s.startFreq);
  in.EndFreq = measure::TripleHz(s.endFreq);
  in.Scale.Linear = s.linear;
  in.Scale.Calibration = s.calibration;
  plan.table = exports::SweepTableOf(in);
  return plan;
}

}  // namespace virn::sweep
