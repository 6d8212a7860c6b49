#include "export/sweep_csv.h"

#include <optional>

#include "display/scale.h"

namespace virn::exports {

namespace {

// One plot row is a fraction of a dB (0.4 dB on the default scale, less on a
// steeper one): two decimals keep neighbouring rows apart where the screen's
// one decimal would merge them.
constexpr int kLevelDecimals = 2;

QByteArray LevelField(std::size_t point, const SweepTable& sweep) {
  const std::optional<double> level =
      sweep.Corrected
          ? display::LevelDbAt(display::kSampleBaseRow - ((*sweep.Corrected)[point] + sweep.ZeroOffset),
                               sweep.Scale)
          : display::LevelDb(
                static_cast<std::int32_t>(display::SampleRow(sweep.Samples[point], sweep.ZeroOffset)),
                sweep.Scale);
  if (!level) return {};
  QByteArray text = QByteArray::number(*level, 'f', kLevelDecimals);
  // The 0 dB line, and anything that rounds to it, carries no sign, as on screen.
  if (text == "-0.00") text.remove(0, 1);
  return text;
}

}  // namespace

SweepTable SweepTableOf(const display::PlotInputs& in) {
  SweepTable table;
  table.StartFreq = in.StartFreq;
  table.EndFreq = in.EndFreq;
  table.Scale = in.Scale;
  table.ZeroOffset = display::ZeroOffset(in);
  table.Samples = in.Samples;
  return table;
}

QByteArray SweepCsvHeader() {
  return QByteArrayLiteral("sweep,frequency_hz,level_db,sample\n");
}

QByteArray SweepCsvRows(int sweepNumber, const SweepTable& sweep) {
  QByteArray rows;
  // About 30 bytes a row; one allocation for the whole sweep.
  rows.reserve(static_cast<qsizetype>(sweep.Samples.size()) * 32);
  const QByteArray number = QByteArray::number(sweepNumber);
  for (std::size_t i = 0; i < sweep.Samples.size(); ++i) {
    const std::int32_t sample = sweep.Samples[i];
    const std::int32_t column = display::kFirstColumn + static_cast<std::int32_t>(i);
    rows += number;
    rows += ',';
    rows += QByteArray::number(display::PixelToFreq(column, sweep.StartFreq, sweep.EndFreq));
    rows += ',';
    rows += LevelField(i, sweep);
    rows += ',';
    rows += QByteArray::number(sample);
    rows += '\n';
  }
  return rows;
}

bool SaveSweepCsv(const SweepTable& sweep, const QString& fileName, PictureFiles& files,
                  const std::function<void(const std::string& reason)>& reportFailure) {
  return SaveThroughTempDir(
      fileName, files, [&] { return SweepCsvHeader() + SweepCsvRows(1, sweep); }, reportFailure);
}

}  // namespace virn::exports
