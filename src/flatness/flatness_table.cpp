#include "flatness/flatness_table.h"

#include <algorithm>
#include <cmath>

namespace virn::flatness {

namespace {

constexpr int kLastPoint = measure::kSampleCount - 1;
// A level no detector gives: a table with one is no measurement.
constexpr double kLevelLimit = 1e6;
// Corrected samples are held to this, so a nonsense table or sample never
// leaves the 32 bits a sample has.
constexpr double kCorrectedLimit = 1e9;

}  // namespace

FlatnessTable::FlatnessTable(bool linear, QDateTime taken, std::vector<TablePoint> points)
    : linear_(linear), taken_(std::move(taken)), points_(std::move(points)) {
  if (points_.size() < 2) throw ETableRefused("fewer than two points");
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const TablePoint& p = points_[i];
    if (!std::isfinite(p.frequencyHz) || !std::isfinite(p.level))
      throw ETableRefused("a value is not a number");
    if (std::abs(p.level) > kLevelLimit) throw ETableRefused("a level no detector gives");
    if (linear_ && p.level <= 0) throw ETableRefused("a linear level at or below zero");
    if (i > 0 && !(p.frequencyHz > points_[i - 1].frequencyHz)) throw ETableRefused("frequencies not rising");
  }
  const double flatTop =
      points_.front().frequencyHz + (points_.back().frequencyHz - points_.front().frequencyHz) / 10;
  reference_ = points_.front().level;
  for (const TablePoint& p : points_) {
    if (p.frequencyHz > flatTop) break;
    reference_ = std::max(reference_, p.level);
  }
}

bool FlatnessTable::Covers(double frequencyHz) const {
  return frequencyHz >= points_.front().frequencyHz && frequencyHz <= points_.back().frequencyHz;
}

double FlatnessTable::LevelAt(double frequencyHz) const {
  const auto above = std::upper_bound(points_.begin(), points_.end(), frequencyHz,
                                      [](double f, const TablePoint& p) { return f < p.frequencyHz; });
  if (above == points_.begin()) return points_.front().level;
  if (above == points_.end()) return points_.back().level;
  const TablePoint& a = *(above - 1);
  const TablePoint& b = *above;
  return a.level + (b.level - a.level) * (frequencyHz - a.frequencyHz) / (b.frequencyHz - a.frequencyHz);
}

std::vector<TablePoint> Smoothed(const std::vector<TablePoint>& points, int halfWidth) {
  std::vector<TablePoint> out = points;
  const auto n = static_cast<std::ptrdiff_t>(points.size());
  for (std::ptrdiff_t i = 0; i < n; ++i) {
    const std::ptrdiff_t from = std::max<std::ptrdiff_t>(0, i - halfWidth);
    const std::ptrdiff_t to = std::min<std::ptrdiff_t>(n - 1, i + halfWidth);
    double sum = 0;
    for (std::ptrdiff_t k = from; k <= to; ++k) sum += points[static_cast<std::size_t>(k)].level;
    out[static_cast<std::size_t>(i)].level = sum / static_cast<double>(to - from + 1);
  }
  return out;
}

CorrectedSweep Correct(const FlatnessTable& table, const measure::SampleArray& raw, std::int32_t startHz,
                       std::int32_t endHz) {
  CorrectedSweep out;
  out.samples = raw;
  for (std::size_t i = 0; i < raw.size(); ++i) out.levels[i] = raw[i];
  const std::vector<TablePoint>& points = table.Points();
  const double reference = table.Reference();
  const double perPoint = (static_cast<double>(endHz) - startHz) / kLastPoint;
  // The points go one way through the table: the neighbours of one point are
  // found from those of the last, so a sweep costs the table's span once.
  const auto above = std::upper_bound(points.begin(), points.end(), static_cast<double>(startHz),
                                      [](double f, const TablePoint& p) { return f < p.frequencyHz; });
  std::size_t j =
      std::clamp<std::size_t>(static_cast<std::size_t>(above - points.begin()), 1, points.size() - 1) - 1;
  for (int i = 0; i <= kLastPoint; ++i) {
    const double f = startHz + i * perPoint;
    if (!table.Covers(f)) {
      out.partial = true;
      continue;
    }
    if (out.coveredEnd == out.coveredBegin) out.coveredBegin = i;
    out.coveredEnd = i + 1;
    while (j + 2 < points.size() && points[j + 1].frequencyHz <= f) ++j;
    while (j > 0 && points[j].frequencyHz > f) --j;
    const TablePoint& a = points[j];
    const TablePoint& b = points[j + 1];
    const double measured =
        a.level + (b.level - a.level) * (f - a.frequencyHz) / (b.frequencyHz - a.frequencyHz);
    auto& sample = out.samples[static_cast<std::size_t>(i)];
    const double corrected =
        std::clamp(table.Linear() ? sample * (reference / measured) : sample + (reference - measured),
                   -kCorrectedLimit, kCorrectedLimit);
    out.levels[static_cast<std::size_t>(i)] = corrected;
    sample = static_cast<std::int32_t>(std::nearbyint(corrected));
  }
  return out;
}

}  // namespace virn::flatness
