#include "display/scale.h"

#include <cmath>

#include "measure/frequency.h"

namespace virn::display {

namespace {

// The span per point in double precision. Products with it are formed in
// extended precision, as the x87 does, before they are rounded.
double SpanPerPoint(std::int32_t startFreq, std::int32_t endFreq) {
  return static_cast<double>(std::int64_t{endFreq} - startFreq) / measure::kSweepSteps;
}

std::int32_t Low32(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

struct Division {
  int diff;
  int dbPerDivision;
};

Division ActiveDivision(const LevelScale& scale) {
  const LevelCalibration& c = scale.Calibration;
  if (scale.Linear) return {c.CorrLin_12Db - c.CorrLin_0Db, 3};
  return {c.CorrLog_40Db - c.CorrLog_0Db, 10};
}

}  // namespace

std::int32_t PixelToFreq(std::int32_t x, std::int32_t startFreq, std::int32_t endFreq) {
  const double d = SpanPerPoint(startFreq, endFreq);
  const long double offset = std::nearbyint(static_cast<long double>(std::int64_t{x} - kFirstColumn) * d);
  const std::int32_t low = Low32(static_cast<std::int64_t>(offset));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(startFreq) + static_cast<std::uint32_t>(low));
}

double PixelsPerDivision(const LevelScale& scale) {
  return ActiveDivision(scale).diff / 4.0;
}

std::optional<double> LevelDb(std::int32_t y, const LevelScale& scale) {
  return LevelDbAt(static_cast<double>(y), scale);
}

std::optional<double> LevelDbAt(double y, const LevelScale& scale) {
  const Division division = ActiveDivision(scale);
  if (division.diff == 0) return std::nullopt;
  const double p = division.diff / 4.0;
  const double q = p / division.dbPerDivision;  // pixels per dB
  const double v = (y - kZeroDbRow) / q;
  return v * -1;
}

QString LevelToStr(std::int32_t y, const LevelScale& scale) {
  const std::optional<double> level = LevelDb(y, scale);
  if (!level) return kNoLevelText;
  QString text = QString::number(*level, 'f', 1);
  // Zero, and anything that rounds to it, is written without a sign.
  if (text == QLatin1String("-0.0")) text.remove(0, 1);
  text.replace(QLatin1Char('.'), scale.DecimalSeparator);
  return text + QStringLiteral(" dB");
}

QString FreqGridLabel(int i, std::int32_t startFreq, std::int32_t endFreq) {
  const double d = SpanPerPoint(startFreq, endFreq);
  const long double kilohertz = static_cast<long double>(GridColumn(i) - kFirstColumn) * d / 1000 +
                                static_cast<long double>(startFreq) / 1000;
  return measure::FreqToStr(static_cast<std::int64_t>(std::nearbyint(kilohertz)), 1000, false);
}

int LevelGridRow(int j, double pixelsPerDivision) {
  return static_cast<int>(std::nearbyint(j * pixelsPerDivision + kZeroDbRow));
}

QString LevelGridLabel(int j, bool linear) {
  if (linear) return QLatin1Char('-') + QString::number(3 * j) + QStringLiteral(" dB");
  return QLatin1Char('-') + QString::number(j) + QStringLiteral("0 dB");
}

}  // namespace virn::display
