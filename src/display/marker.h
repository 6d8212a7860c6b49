// The marker ("Визир"): a horizontal line at a row the user picks with the
// mouse or the arrow keys, the curve's crossings of that row and the readouts
// drawn from them, and the level and frequency under the pointer.
#pragma once

#include <QImage>
#include <QString>
#include <Qt>
#include <cstdint>
#include <optional>
#include <span>

#include "display/plot_inputs.h"

namespace virn::display {

inline constexpr int kMarkerFirstRow = 50;  // where the marker appears the first time
inline constexpr int kSearchFirstColumn = 50;
inline constexpr int kSearchLastColumn = 400;
inline constexpr int kPointerTop = 25;   // above this, and left of column 35, lie the labels
inline constexpr int kDragBottom = 280;  // a drag below this leaves the marker where it is
inline constexpr int kCrossingGap = 10;  // crossing texts stand this far from the crossing
inline constexpr int kReadoutLeft = 40;
inline constexpr int kHeadlineRight = 5;  // gap between the headline and the right edge

// The marker's state in the main window.
struct MarkerState {
  bool Visir = false;               // the marker button is down
  std::int32_t VisirValue = 0;      // row of the marker line; 0 while the marker is off
  std::int32_t LastVisirValue = 0;  // last row set with the mouse
  bool VisirDrag = false;           // the left button went down on the plot with the marker on
};

// The marker button has just been set down or up. Redraw afterwards.
void ToggleMarker(MarkerState& state, bool down);
// A button went down on the plot; true when the plot must be redrawn.
bool MarkerMouseDown(MarkerState& state, Qt::MouseButton button, std::int32_t y);
void MarkerMouseUp(MarkerState& state, Qt::MouseButton button);
// An arrow key in the focus sink (Qt::Key_Up, Qt::Key_Down); true when the
// marker moved and the plot must be redrawn. There is no limit on purpose.
bool MarkerKeyDown(MarkerState& state, int key);

// What a pointer move over the plot changes.
struct PointerMove {
  bool InDataArea = false;  // false: generator mode, the label margins or outside the plot: no readouts
  bool Redraw = false;      // the marker was dragged
  QString LevelText;        // for status panel 3
  std::optional<QString> FreqText;  // for status panel 4; unset leaves the panel as it is
};
PointerMove MarkerMouseMove(MarkerState& state, const PlotInputs& in, std::int32_t x, std::int32_t y);

// Status panel 4's text for a pointer frequency: "5.090.000 Гц"; none for f <= 0.
std::optional<QString> PointerFreqText(std::int32_t f);
// True when a pointer position in plot coordinates lies outside the plot area:
// then panels 3 and 4 are emptied.
bool PointerOutsidePlot(int x, int y);

// Columns where the curve crosses the marker row: the first pixel of exactly
// the curve colour from column 50 rightwards and from column 400 leftwards;
// -1 where there is none.
struct Crossings {
  int LeftColumn = -1;
  int RightColumn = -1;
  bool operator==(const Crossings&) const = default;
};
Crossings FindCrossings(const QImage& image, std::int32_t row, QRgb curveColor);
// The same columns found without the bitmap: where the one-pixel curve the
// bitmap draws through the rows of columns firstColumn, firstColumn + 1, ...
// meets the marker row. For pictures drawn at other device pixel ratios,
// whose readouts must be the bitmap's.
Crossings CurveCrossings(int firstColumn, std::span<const int> rows, std::int32_t row);

// The texts of the marker layer for given crossings. Empty texts are not drawn.
struct MarkerReadout {
  std::int32_t L = 0;  // frequency of the left crossing, 0 when none
  std::int32_t R = 0;
  Crossings At;
  QString LeftText;  // "10.139.405 Гц", left of the left crossing
  QString RightText;
  QString Headline;  // "-10.0 dB, полоса: 9504.761 Гц"; the level alone in analyser mode
  QString MinText;   // "Мин.: -80.0 dB"
  QString MaxText;
  QString CentreText;  // "Fср.: 14.951.191 Гц", only when L < R
  QString QText;       // "Q: 12.3", under the centre frequency, only with ShowQ and L < R
  bool operator==(const MarkerReadout&) const = default;
};
MarkerReadout MarkerReadoutFor(const PlotInputs& in, Crossings at);

// The row that lies `db` dB below the highest level of the sweep in `in`,
// through the rows per dB of the detector in use; none while no sweep runs, in
// generator mode, or when the calibration gives the scale no height.
std::optional<std::int32_t> RowBelowMaximum(const PlotInputs& in, double db);
// Puts the marker on a row, switching it on if it was off: the row is also the
// one the marker comes back to.
void PlaceMarker(MarkerState& state, std::int32_t row);

}  // namespace virn::display
