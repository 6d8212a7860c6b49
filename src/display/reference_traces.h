// The sweeps the user keeps to compare with ("Запомнить кривую"): up to four,
// each in its own colour, valid only over the range, detector and mode they
// were taken with.
#pragma once

#include <QRgb>
#include <cstdint>
#include <vector>

#include "display/plot_inputs.h"

namespace virn::display {

inline constexpr std::size_t kMaxReferences = 4;

// What a kept sweep's columns and rows mean: the same samples under another
// range, detector or mode would show levels at frequencies they were not taken at.
struct TraceBasis {
  std::int32_t StartFreq = 0;
  std::int32_t EndFreq = 0;
  bool Linear = false;
  PlotMode Mode = PlotMode::Sweep;
  bool operator==(const TraceBasis&) const = default;
};
TraceBasis TraceBasisOf(const PlotInputs& in);

class ReferenceTraces {
 public:
  // Keeps the sweep in `in`; the oldest goes when four are kept already. The
  // colour is never the curve's, so the marker's search cannot take a kept
  // sweep for the live one.
  void Keep(const PlotInputs& in);
  void Clear();
  // Drops every kept sweep when `in` no longer has their basis; true when some
  // were dropped. Calibration changes keep them: the samples are redrawn
  // through the calibration in use, as the live curve is.
  bool Reconcile(const PlotInputs& in);

  bool Empty() const { return traces_.empty(); }
  const std::vector<ReferenceTrace>& Traces() const { return traces_; }

 private:
  QRgb NextColor(QRgb curveColor) const;

  std::vector<ReferenceTrace> traces_;
  TraceBasis basis_;
};

}  // namespace virn::display
