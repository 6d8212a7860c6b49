#include "display/marker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "display/scale.h"
#include "measure/frequency.h"

namespace virn::display {

namespace {

// Frequencies written with a trailing unit: the marker and pointer readouts.
QString Hertz(std::int64_t value, std::int32_t unit) {
  return measure::FreqToStr(value, unit, true) + QStringLiteral(" Гц");
}

}  // namespace

void ToggleMarker(MarkerState& state, bool down) {
  state.Visir = down;
  if (down) {
    state.VisirValue = state.LastVisirValue != 0 ? state.LastVisirValue : kMarkerFirstRow;
  } else {
    state.VisirValue = 0;
  }
}

bool MarkerMouseDown(MarkerState& state, Qt::MouseButton button, std::int32_t y) {
  if (button != Qt::LeftButton || !state.Visir) return false;
  state.VisirValue = y;
  state.LastVisirValue = y;
  state.VisirDrag = true;
  return true;
}

void MarkerMouseUp(MarkerState& state, Qt::MouseButton button) {
  if (button == Qt::LeftButton) state.VisirDrag = false;
}

bool MarkerKeyDown(MarkerState& state, int key) {
  if (!state.Visir) return false;
  // No limit on purpose, short of the integer's own: a stored row at either end
  // of the range must not overflow.
  if (key == Qt::Key_Up) {
    if (state.VisirValue > std::numeric_limits<std::int32_t>::min()) --state.VisirValue;
    return true;
  }
  if (key == Qt::Key_Down) {
    if (state.VisirValue < std::numeric_limits<std::int32_t>::max()) ++state.VisirValue;
    return true;
  }
  return false;
}

std::optional<QString> PointerFreqText(std::int32_t f) {
  if (f <= 0) return std::nullopt;
  return Hertz(f, 1000000);
}

PointerMove MarkerMouseMove(MarkerState& state, const PlotInputs& in, std::int32_t x, std::int32_t y) {
  PointerMove move;
  if (in.Mode == PlotMode::Generator || x < kFirstColumn || y < kPointerTop) return move;
  if (state.VisirDrag) {
    if (y < kDragBottom) state.VisirValue = y;
    state.LastVisirValue = y;
    move.Redraw = true;
  }
  // A drag carries the pointer past the plot's edges: rows and columns there
  // have no level or frequency to show.
  if (PointerOutsidePlot(x, y)) return move;
  move.InDataArea = true;
  move.LevelText = LevelToStr(y, in.Scale);
  move.FreqText = PointerFreqText(PixelToFreq(x, in.StartFreq, in.EndFreq));
  return move;
}

bool PointerOutsidePlot(int x, int y) {
  return x < 0 || y < 0 || x >= kPlotWidth || y >= kPlotHeight;
}

Crossings FindCrossings(const QImage& image, std::int32_t row, QRgb curveColor) {
  Crossings at;
  if (row < 0 || row >= image.height()) return at;
  const QImage::Format format = image.format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) {
    // Slow path for foreign formats; the renderer's own image never takes it.
    return FindCrossings(image.convertToFormat(QImage::Format_RGB32), row, curveColor);
  }
  const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
  const int last = std::min(kSearchLastColumn, image.width() - 1);
  const QRgb wanted = curveColor | 0xFF000000u;
  for (int x = kSearchFirstColumn; x <= last; ++x) {
    if ((line[x] | 0xFF000000u) == wanted) {
      at.LeftColumn = x;
      break;
    }
  }
  for (int x = last; x >= kSearchFirstColumn; --x) {
    if ((line[x] | 0xFF000000u) == wanted) {
      at.RightColumn = x;
      break;
    }
  }
  return at;
}

Crossings CurveCrossings(int firstColumn, std::span<const int> rows, std::int32_t row) {
  Crossings at;
  if (row < 0 || row >= kPlotHeight) return at;
  std::array<bool, kSearchLastColumn + 1> curve{};
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
    const int x = firstColumn + static_cast<int>(i);
    const int y0 = rows[i];
    const int dy = rows[i + 1] - y0;
    int column = -1;
    if (dy == 0) {
      if (row == y0) column = x;
    } else {
      // As the bitmap's line runs: the first half of its rows in its own
      // column, the rest in the next, its last row left to the next segment.
      const int n = dy > 0 ? dy : -dy;
      const int k = dy > 0 ? row - y0 : y0 - row;
      if (k >= 0 && k < n) column = k < (n + 1) / 2 ? x : x + 1;
    }
    if (column >= 0 && column < static_cast<int>(curve.size()))
      curve[static_cast<std::size_t>(column)] = true;
  }
  for (int x = kSearchFirstColumn; x <= kSearchLastColumn; ++x) {
    if (curve[static_cast<std::size_t>(x)]) {
      at.LeftColumn = x;
      break;
    }
  }
  for (int x = kSearchLastColumn; x >= kSearchFirstColumn; --x) {
    if (curve[static_cast<std::size_t>(x)]) {
      at.RightColumn = x;
      break;
    }
  }
  return at;
}

MarkerReadout MarkerReadoutFor(const PlotInputs& in, Crossings at) {
  MarkerReadout out;
  out.At = at;
  if (!in.SweepRunning) return out;
  const bool analyser = in.Mode == PlotMode::Analyser;
  const std::int64_t halfStep = in.SweepStep / 2;
  if (!analyser) {
    if (at.LeftColumn >= 0) {
      out.L = PixelToFreq(at.LeftColumn, in.StartFreq, in.EndFreq);
      out.LeftText = Hertz(out.L - halfStep, 1000);
    }
    if (at.RightColumn >= 0) {
      out.R = PixelToFreq(at.RightColumn, in.StartFreq, in.EndFreq);
      out.RightText = Hertz(out.R - halfStep, 1000);
    }
  }
  const QString level = LevelToStr(in.VisirValue, in.Scale);
  if (analyser) {
    out.Headline = level;
    return out;
  }
  const bool band = out.L < out.R;
  const QString bandwidth =
      band ? measure::FreqToStr((out.R - halfStep) - (out.L - halfStep), 1000, false) : QStringLiteral("0");
  out.Headline = level + QStringLiteral(", полоса: ") + bandwidth + QStringLiteral(" Гц");

  const auto [lowest, highest] = std::minmax_element(in.Samples.begin(), in.Samples.end());
  const std::int32_t z = ZeroOffset(in);
  out.MinText =
      QStringLiteral("Мин.: ") + LevelToStr(static_cast<std::int32_t>(SampleRow(*lowest, z)), in.Scale);
  out.MaxText =
      QStringLiteral("Макс.: ") + LevelToStr(static_cast<std::int32_t>(SampleRow(*highest, z)), in.Scale);
  if (band) {
    const std::int64_t centre = out.R - (std::int64_t{out.R} - out.L) / 2;
    out.CentreText = QStringLiteral("Fср.: ") + Hertz(centre, 10000);
    if (in.ShowQ) {
      // The bandwidth the headline shows: the half steps cancel.
      const double q = static_cast<double>(centre) / static_cast<double>(std::int64_t{out.R} - out.L);
      out.QText = QStringLiteral("Q: ") +
                  QString::number(q, 'f', 1).replace(QLatin1Char('.'), in.Scale.DecimalSeparator);
    }
  }
  return out;
}

std::optional<std::int32_t> RowBelowMaximum(const PlotInputs& in, double db) {
  if (!in.SweepRunning || in.Mode == PlotMode::Generator) return std::nullopt;
  const double rowsPerDb = PixelsPerDivision(in.Scale) / (in.Scale.Linear ? 3.0 : 10.0);
  if (rowsPerDb == 0) return std::nullopt;
  const std::int32_t highest = *std::max_element(in.Samples.begin(), in.Samples.end());
  const double row = static_cast<double>(SampleRow(highest, ZeroOffset(in))) + db * rowsPerDb;
  // A damaged calibration can put the row anywhere; the marker keeps to int32 as the arrow keys do.
  const double limited = std::clamp(std::nearbyint(row), double{std::numeric_limits<std::int32_t>::min()},
                                    double{std::numeric_limits<std::int32_t>::max()});
  return static_cast<std::int32_t>(limited);
}

void PlaceMarker(MarkerState& state, std::int32_t row) {
  state.Visir = true;
  state.VisirValue = row;
  state.LastVisirValue = row;
}

}  // namespace virn::display
