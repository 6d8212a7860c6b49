// Inputs and pixel helpers shared by the display tests.
#pragma once

#include <QImage>
#include <QRect>

#include "display/plot_inputs.h"

namespace virn::display::testing {

inline constexpr QRgb kWhite = 0xFFFFFFFF;
inline constexpr QRgb kSilver = 0xFFC0C0C0;
inline constexpr QRgb kRed = 0xFFFF0000;

// Flat at `low` outside columns first..last and at `high` inside them: on the
// default log scale, 51 and 251 put the curve on rows 230 and 30, and a marker
// on row 55 crosses it in columns `first` and `last`.
inline SampleArray BandPass(int first = 120, int last = 200, int low = 51, int high = 251) {
  SampleArray samples{};
  for (int x = kFirstColumn; x <= kLastColumn; ++x) {
    samples[static_cast<std::size_t>(x - kFirstColumn)] = x >= first && x <= last ? high : low;
  }
  return samples;
}

inline PlotInputs RunningSweep(const SampleArray& samples = BandPass()) {
  PlotInputs in;
  in.SweepRunning = true;
  in.Samples = samples;
  return in;
}

inline QRgb At(const QImage& image, int x, int y) {
  return image.pixel(x, y) | 0xFF000000u;
}

// Bounding box of the pixels in `area` that are neither background nor grid.
inline QRect InkBox(const QImage& image, const QRect& area, QRgb background = kWhite, QRgb grid = kSilver) {
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = At(image, x, y);
      if (p != background && p != grid) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

inline int CountColor(const QImage& image, QRgb color, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) n += At(image, x, y) == color ? 1 : 0;
  }
  return n;
}

}  // namespace virn::display::testing
