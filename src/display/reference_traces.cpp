#include "display/reference_traces.h"

#include <algorithm>
#include <array>

namespace virn::display {

namespace {

// Dark enough to read on the white background, apart from each other, and
// apart from the grid, marker and readout colours.
constexpr std::array<QRgb, 5> kTraceColors = {
    0xFF1E6EFF,  // blue
    0xFFE07000,  // orange
    0xFF9000A0,  // purple
    0xFF00A0A0,  // teal
    0xFF7A5230,  // brown, in case the curve has one of the others
};

bool SameColor(QRgb a, QRgb b) {
  return (a | 0xFF000000u) == (b | 0xFF000000u);
}

}  // namespace

TraceBasis TraceBasisOf(const PlotInputs& in) {
  return {in.StartFreq, in.EndFreq, in.Scale.Linear, in.Mode};
}

QRgb ReferenceTraces::NextColor(QRgb curveColor) const {
  for (const QRgb color : kTraceColors) {
    if (SameColor(color, curveColor)) continue;
    const bool taken = std::any_of(traces_.begin(), traces_.end(),
                                   [&](const ReferenceTrace& t) { return SameColor(t.Color, color); });
    if (!taken) return color;
  }
  // Unreachable with four traces and five colours; kept total all the same.
  return SameColor(kTraceColors[0], curveColor) ? kTraceColors[1] : kTraceColors[0];
}

void ReferenceTraces::Keep(const PlotInputs& in) {
  const TraceBasis basis = TraceBasisOf(in);
  if (!traces_.empty() && !(basis == basis_)) traces_.clear();
  basis_ = basis;
  if (traces_.size() >= kMaxReferences) traces_.erase(traces_.begin());
  traces_.push_back({in.Samples, NextColor(in.CurveColor)});
}

void ReferenceTraces::Clear() {
  traces_.clear();
}

bool ReferenceTraces::Reconcile(const PlotInputs& in) {
  if (traces_.empty()) return false;
  // Generator mode shows no curve at all; the traces wait for the sweep to come back.
  if (in.Mode == PlotMode::Generator) return false;
  if (TraceBasisOf(in) == basis_) return false;
  traces_.clear();
  return true;
}

}  // namespace virn::display
