// The flatness correction: a cable measured once over the instrument's whole
// band, per detector, and the levels of any later sweep inside that band made
// true at every frequency. Pure: no files, no instrument.
//
// Each detector is corrected in its own domain: the logarithmic detector's
// samples are linear in dB, so a correction adds; the linear detector's are
// linear in amplitude, so it multiplies.
#pragma once

#include <QDateTime>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "measure/draw_thread.h"

namespace virn::flatness {

// The band the correction is measured over: the instrument's output is
// specified up to its top.
inline constexpr std::int32_t kBandStartHz = 10'000;
inline constexpr std::int32_t kBandTopHz = 100'000'000;

struct TablePoint {
  double frequencyHz = 0;
  double level = 0;  // the mean sample measured there through a cable
  bool operator==(const TablePoint&) const = default;
};

// A table that breaks the rules below.
class ETableRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FlatnessTable {
 public:
  // At least two points, frequencies finite and strictly rising, levels
  // finite, within a million either way and, for the linear detector, above
  // zero; ETableRefused otherwise.
  FlatnessTable(bool linear, QDateTime taken, std::vector<TablePoint> points);

  bool Linear() const { return linear_; }
  const QDateTime& Taken() const { return taken_; }
  const std::vector<TablePoint>& Points() const { return points_; }
  // The level every frequency is brought to: the largest in the flat bottom
  // tenth of the table, as the level calibration reads the largest level of a
  // sweep, so the two calibrations agree in either order.
  double Reference() const { return reference_; }
  bool Covers(double frequencyHz) const;
  // The measured level at a frequency inside the table, interpolated
  // linearly between its neighbours.
  double LevelAt(double frequencyHz) const;

  bool operator==(const FlatnessTable&) const = default;

 private:
  bool linear_ = false;
  QDateTime taken_;
  std::vector<TablePoint> points_;
  double reference_ = 0;
};

using Levels = std::array<double, measure::kSampleCount>;

struct CorrectedSweep {
  measure::SampleArray samples{};
  // The same unrounded: what the levels written to a file are read from.
  Levels levels{};
  // Some points lay outside the table and were left as they were.
  bool partial = false;
  // The points inside the table, which a sweep in one direction holds in one
  // run: [coveredBegin, coveredEnd).
  int coveredBegin = 0;
  int coveredEnd = 0;
};

// The table with each level replaced by the mean of the levels within
// `halfWidth` points either side (fewer at the ends). The detector gives whole
// bytes: where the true level lies between two, a single measurement is a
// whole byte off; its neighbours, along the smooth response, tell the
// fraction.
std::vector<TablePoint> Smoothed(const std::vector<TablePoint>& points, int halfWidth);

// The 421 samples of a sweep from startHz to endHz (point i at startHz + i ·
// span / 420, as the plot places it) with the table's correction, each rounded
// to the nearest sample (ties to even).
CorrectedSweep Correct(const FlatnessTable& table, const measure::SampleArray& raw, std::int32_t startHz,
                       std::int32_t endHz);

}  // namespace virn::flatness
