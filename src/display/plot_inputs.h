// Everything the plot picture is made from, as one value: the window fills it
// before every redraw, and two equal values always give the same picture.
#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "measure/draw_thread.h"
#include "measure/settings_model.h"

namespace virn::display {

// Plot geometry, in bitmap pixels.
inline constexpr int kPlotWidth = 455;
inline constexpr int kPlotHeight = 281;
inline constexpr int kFirstColumn = measure::kFirstSample;  // point 0, the start frequency
inline constexpr int kLastColumn = measure::kLastSample;    // point 420, one column beyond the bitmap
inline constexpr int kGridLines = 10;                       // vertical lines, and level lines below 0 dB
inline constexpr int kGridColumnStep = 42;
inline constexpr int kGridTop = 14;   // vertical lines start here, under the frequency labels
inline constexpr int kLabelTop = 1;   // top of the frequency labels
inline constexpr int kLabelLeft = 1;  // left of the level labels
inline constexpr int kZeroDbRow = 30;
inline constexpr int kSampleBaseRow = 281;  // a sample plus zero offset of 0 lies here

using PlotMode = measure::Mode;

// Fixed colours of the picture.
inline constexpr QRgb kLabelColor = 0xFF000080;      // navy
inline constexpr QRgb kGeneratorColor = 0xFF008000;  // green
inline constexpr QRgb kMarkerColor = 0xFF008000;     // green
inline constexpr QRgb kReadoutColor = 0xFF0000FF;    // blue

using SampleArray = measure::SampleArray;
using LevelCalibration = measure::LevelCalibration;

// The level scale of the detector in use, with the separator level texts are
// written with.
struct LevelScale {
  bool Linear = false;
  LevelCalibration Calibration;
  QString DecimalSeparator = QStringLiteral(".");
  bool operator==(const LevelScale&) const = default;
};

// A sweep the user kept to compare with, drawn under the live curve.
struct ReferenceTrace {
  SampleArray Samples{};
  QRgb Color = 0;
  bool operator==(const ReferenceTrace&) const = default;
};

// The flatness correction's mark in the plot's corner: none while the levels
// are as measured, "АЧХ" while corrected, "АЧХ?" when part of the range lies
// outside the calibrated band and stays uncorrected there.
enum class FlatnessMark { None, Whole, Partly };
inline const QString kFlatnessMarkText = QStringLiteral("АЧХ");
inline const QString kFlatnessPartlyText = QStringLiteral("АЧХ?");

struct PlotInputs {
  PlotMode Mode = PlotMode::Sweep;
  bool SweepRunning = false;

  std::int32_t StartFreq = 100000;
  std::int32_t EndFreq = 50000000;
  std::int32_t SweepStep = 118810;
  // The generator's MHz, kHz and Hz field texts, read as a triple at every redraw.
  std::array<QString, 3> GenTriple{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")};

  LevelScale Scale;
  std::int16_t ZeroDbAnaliser = 0;

  // Levels 0..255 of the latest sweep; Samples[i] belongs to column 35 + i.
  SampleArray Samples{};

  bool Visir = false;
  std::int32_t VisirValue = 0;
  // Adds the quality factor under the centre frequency while the marker has a band.
  bool ShowQ = false;

  // Drawn in sweep and analyser modes, running or not, oldest first.
  std::vector<ReferenceTrace> References;

  FlatnessMark Flatness = FlatnessMark::None;

  QRgb BackgroundColor = 0xFFFFFFFF;
  QRgb GridColor = 0xFFC0C0C0;
  QRgb CurveColor = 0xFFFF0000;
  // The system's tooltip colours: the box behind the crossing frequencies.
  QRgb TooltipBaseColor = 0xFFFFFFE1;
  QRgb TooltipTextColor = 0xFF000000;
  // The main window's font size; all text but the generator's uses it.
  int FontPointSize = 8;

  std::int32_t Sample(int column) const { return Samples[static_cast<std::size_t>(column - kFirstColumn)]; }
  bool operator==(const PlotInputs&) const = default;
};

// The offset added to every sample before it becomes a row: the analyser's own
// in spectrum-analyser mode, else the 0 dB value of the detector in use.
std::int32_t ZeroOffset(const PlotInputs& in);

// Row of a sample: 281 - (sample + zero offset).
inline std::int64_t SampleRow(std::int32_t sample, std::int32_t zeroOffset) {
  return std::int64_t{kSampleBaseRow} - (std::int64_t{sample} + zeroOffset);
}

// True when both inputs give the same picture: in generator mode only the
// triple and the background count, and samples count only while a sweep runs.
bool SamePicture(const PlotInputs& a, const PlotInputs& b);

}  // namespace virn::display
