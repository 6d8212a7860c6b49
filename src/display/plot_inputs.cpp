#include "display/plot_inputs.h"

namespace virn::display {

std::int32_t ZeroOffset(const PlotInputs& in) {
  if (in.Mode == PlotMode::Analyser) return in.ZeroDbAnaliser;
  return in.Scale.Linear ? in.Scale.Calibration.CorrLin_0Db : in.Scale.Calibration.CorrLog_0Db;
}

bool SamePicture(const PlotInputs& a, const PlotInputs& b) {
  if (a.Mode != b.Mode || a.BackgroundColor != b.BackgroundColor) return false;
  if (a.Mode == PlotMode::Generator) return a.GenTriple == b.GenTriple;
  // Everything else may show, except the samples while no sweep runs.
  if (a.SweepRunning != b.SweepRunning) return false;
  if (a.SweepRunning && a.Samples != b.Samples) return false;
  return a.StartFreq == b.StartFreq && a.EndFreq == b.EndFreq && a.SweepStep == b.SweepStep &&
         a.Scale == b.Scale && a.ZeroDbAnaliser == b.ZeroDbAnaliser && a.Visir == b.Visir &&
         a.VisirValue == b.VisirValue && a.GridColor == b.GridColor && a.CurveColor == b.CurveColor &&
         a.TooltipBaseColor == b.TooltipBaseColor && a.TooltipTextColor == b.TooltipTextColor &&
         a.FontPointSize == b.FontPointSize && a.ShowQ == b.ShowQ && a.References == b.References &&
         a.Flatness == b.Flatness;
}

}  // namespace virn::display
