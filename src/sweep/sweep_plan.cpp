#include "sweep/sweep_plan.h"

#include "measure/frequency.h"

namespace virn::sweep {

SweepPlan PlanSweeps(const SweepOptions& options, const WindowSettings& settings) {
  SweepPlan plan;
  plan.count = options.count;

  const std::int32_t start = options.startHz.value_or(settings.StartFreq());
  const std::int32_t end = options.endHz.value_or(settings.EndFreq());
  const bool linear = options.linear.value_or(settings.linear);

  measure::StartSetup& setup = plan.setup;
  setup.linearDetector = linear;
  setup.dds = settings.dds;
  setup.delay = options.delay.value_or(settings.delay);
  setup.averaging = options.averaging.value_or(settings.averaging);
  setup.periodIndex = options.periodIndex.value_or(settings.delayIndex + 1);
  setup.startWord =
      measure::FreqToWord(static_cast<std::uint32_t>(start), settings.realFreq, settings.corrFreq);
  setup.step = measure::SweepStepFor(start, end);

  display::PlotInputs in;
  in.Mode = display::PlotMode::Sweep;
  in.StartFreq = start;
  in.EndFreq = end;
  in.Scale.Linear = linear;
  in.Scale.Calibration = settings.calibration;
  plan.table = exports::SweepTableOf(in);
  return plan;
}

}  // namespace virn::sweep
