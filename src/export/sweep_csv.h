// A sweep as a CSV table: one row a point with its frequency, its level in dB
// as the plot reads it and the raw detector byte. Pure functions over the
// sweep, and the save of one sweep through a private temporary folder. No
// widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "display/plot_inputs.h"
#include "export/picture_files.h"

namespace virn::exports {

// One sweep as the plot shows it: the range, the level scale of the detector in use, the zero offset, the 421
// samples.
struct SweepTable {
  std::int32_t StartFreq = 0;
  std::int32_t EndFreq = 0;
  display::LevelScale Scale;
  std::int32_t ZeroOffset = 0;
  display::SampleArray Samples{};
  // Set while the flatness correction applies: each point's corrected sample,
  // unrounded, which the level column is read from; the sample column stays raw.
  std::optional<std::array<double, measure::kSampleCount>> Corrected;
};

// The sweep the plot inputs show, with display::ZeroOffset's offset.
SweepTable SweepTableOf(const display::PlotInputs& in);

// "sweep,frequency_hz,level_db,sample\n".
QByteArray SweepCsvHeader();

// The 421 rows of one sweep, "\n" after each: the sweep number, the point's
// frequency in whole hertz (display::PixelToFreq of its column), its level in dB
// with two decimals and a "." (empty when the scale has no height; corrected
// for flatness when the table carries corrected samples), and the raw sample
// 0..255. Plain ASCII, so the table is UTF-8 with no byte-order mark.
QByteArray SweepCsvRows(int sweepNumber, const SweepTable& sweep);

// The header and the sweep as sweep 1, written into a private temporary folder
// and moved over fileName, the folder removed afterwards: an existing file is
// untouched on any failure. False and reportFailure(reason) on failure; a
// failure of the clean-up itself leaves as an exception.
bool SaveSweepCsv(const SweepTable& sweep, const QString& fileName, PictureFiles& files,
                  const std::function<void(const std::string& reason)>& reportFailure);

}  // namespace virn::exports
