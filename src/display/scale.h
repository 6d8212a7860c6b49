// The plot's two scales: column to frequency and row to level, and the grid
// lines and labels they give.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "display/plot_inputs.h"

namespace virn::display {

// Frequency in hertz of plot column x: StartFreq + (x - 35) * span / 420, the
// product rounded to nearest (ties to even) and both results kept to 32 bits.
std::int32_t PixelToFreq(std::int32_t x, std::int32_t startFreq, std::int32_t endFreq);

// The level in dB of plot row y: 0 on the 0 dB line, negative below it, from
// the height of one division of the detector in use. Empty when that division
// has no height (equal calibration values).
std::optional<double> LevelDb(std::int32_t y, const LevelScale& scale);
// The same between rows: a corrected level lies between the detector's steps.
std::optional<double> LevelDbAt(double y, const LevelScale& scale);

// The level text of plot row y, "-10.0 dB" style, with the scale's decimal
// separator. With equal calibration values the scale has no height and the
// text is kNoLevelText.
QString LevelToStr(std::int32_t y, const LevelScale& scale);
inline const QString kNoLevelText = QStringLiteral("— dB");

// Height in pixels of one level division of the detector in use (may be 0 or
// negative with a damaged calibration).
double PixelsPerDivision(const LevelScale& scale);

// Column of vertical grid line i (0..9).
constexpr int GridColumn(int i) {
  return kFirstColumn + kGridColumnStep * i;
}

// Label of vertical grid line i in megahertz with three decimals ("5.090"),
// without the unit the last line carries; empty for 0 kHz.
QString FreqGridLabel(int i, std::int32_t startFreq, std::int32_t endFreq);
inline const QString kFreqUnitSuffix = QStringLiteral(" МГц");

// Row of level line j (1..10) for a division of p pixels.
int LevelGridRow(int j, double pixelsPerDivision);
// "-10 dB" ... "-100 dB" (logarithmic) or "-3 dB" ... "-30 dB" (linear).
QString LevelGridLabel(int j, bool linear);
inline const QString kZeroDbLabel = QStringLiteral("0 dB");

}  // namespace virn::display
