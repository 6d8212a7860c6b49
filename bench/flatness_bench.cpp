// The flatness correction of one sweep: a table over the whole band as the
// calibration measures it (2105 points), applied to a sweep of the whole band
// and to one of a narrow range in its middle.
#include <benchmark/benchmark.h>

#include <cmath>

#include "flatness/band_calibration.h"
#include "flatness/flatness_table.h"

namespace {

using namespace virn::flatness;

FlatnessTable BandTable(bool linear) {
  std::vector<TablePoint> points;
  for (const Segment& segment : BandSegments()) {
    for (int i = 0; i <= 420; ++i) {
      const double f = segment.startHz + i * (static_cast<double>(segment.endHz) - segment.startHz) / 420.0;
      points.push_back({std::round(f), 236.0 - 8.0 * f / kBandTopHz + 0.3 * std::sin(f / 2e6)});
    }
  }
  return FlatnessTable(linear, QDateTime::currentDateTimeUtc(), std::move(points));
}

void BM_CorrectOneSweep(benchmark::State& state) {
  const FlatnessTable table = BandTable(state.range(0) != 0);
  virn::measure::SampleArray samples{};
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int32_t>(120 + i % 100);
  const std::int32_t start = state.range(1) != 0 ? 40000000 : kBandStartHz;
  const std::int32_t end = state.range(1) != 0 ? 41000000 : kBandTopHz;
  for (auto _ : state) {
    CorrectedSweep out = Correct(table, samples, start, end);
    benchmark::DoNotOptimize(out);
  }
}
// {linear detector, narrow range}
BENCHMARK(BM_CorrectOneSweep)->Args({0, 0})->Args({1, 0})->Args({0, 1});

}  // namespace

BENCHMARK_MAIN();
