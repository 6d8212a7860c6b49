// Cost of one plot redraw: the full sweep picture with curve and marker
// readouts (at 1x and at the scales of HiDPI screens), the generator picture, and the idle pass that finds
// nothing changed; for comparison the curve alone, a range change and new generator texts.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "display/plot_renderer.h"

namespace {

using virn::display::PlotInputs;
using virn::display::PlotMode;
using virn::display::SampleArray;
using virn::display::TPlotRenderer;

// A band-pass response on the default log scale (251 = 0 dB, 0.4 dB a unit)
// with a little detector noise that differs from sweep to sweep.
SampleArray BandPass(unsigned seed) {
  SampleArray samples{};
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double offset = (static_cast<double>(i) - 210.0) / 25.0;
    const double db = std::max(-80.0, -3.0 * offset * offset);
    seed = seed * 1103515245u + 12345u;
    const int noise = static_cast<int>((seed >> 16) % 5) - 2;
    samples[i] = std::clamp(static_cast<int>(std::lround(251 + db * 2.5)) + noise, 0, 255);
  }
  return samples;
}

PlotInputs SweepInputs() {
  PlotInputs in;
  in.Mode = PlotMode::Sweep;
  in.SweepRunning = true;
  in.Visir = true;
  in.VisirValue = 55;
  in.Samples = BandPass(1);
  return in;
}

// The argument is the device pixel ratio in percent: 100 is PlotBitmap, the
// others the picture a screen of that scale shows.
void BM_SweepRedrawWithMarker(benchmark::State& state) {
  std::vector<SampleArray> sweeps;
  for (unsigned i = 0; i < 16; ++i) sweeps.push_back(BandPass(i + 1));
  PlotInputs in = SweepInputs();
  TPlotRenderer renderer(static_cast<double>(state.range(0)) / 100.0);
  std::size_t n = 0;
  for (auto _ : state) {
    in.Samples = sweeps[n++ % sweeps.size()];
    benchmark::DoNotOptimize(renderer.Render(in));
  }
}
BENCHMARK(BM_SweepRedrawWithMarker)->Arg(100)->Arg(150)->Arg(200)->Arg(300);

// The curve alone, marker off.
void BM_SweepRedrawCurveOnly(benchmark::State& state) {
  std::vector<SampleArray> sweeps;
  for (unsigned i = 0; i < 16; ++i) sweeps.push_back(BandPass(i + 1));
  PlotInputs in = SweepInputs();
  in.Visir = false;
  TPlotRenderer renderer;
  std::size_t n = 0;
  for (auto _ : state) {
    in.Samples = sweeps[n++ % sweeps.size()];
    benchmark::DoNotOptimize(renderer.Render(in));
  }
}
BENCHMARK(BM_SweepRedrawCurveOnly);

void BM_GeneratorRedraw(benchmark::State& state) {
  PlotInputs in;
  in.Mode = PlotMode::Generator;
  TPlotRenderer renderer;
  int n = 0;
  for (auto _ : state) {
    in.GenTriple[0] = QString::number(1 + (n++ & 1));
    benchmark::DoNotOptimize(renderer.Render(in));
  }
}
BENCHMARK(BM_GeneratorRedraw);

// Typing into a generator field: every frequency is a text not drawn before.
void BM_GeneratorRedrawNewText(benchmark::State& state) {
  PlotInputs in;
  in.Mode = PlotMode::Generator;
  TPlotRenderer renderer;
  int n = 0;
  for (auto _ : state) {
    in.GenTriple[2] = QString::number(n++ % 1000);
    in.GenTriple[1] = QString::number(n / 1000 % 1000);
    benchmark::DoNotOptimize(renderer.Render(in));
  }
}
BENCHMARK(BM_GeneratorRedrawNewText);

// The acquisition loop's idle pass: the window copies the samples into its
// inputs and asks for a redraw that turns out unnecessary.
void BM_IdlePassUnchanged(benchmark::State& state) {
  const SampleArray held = BandPass(1);
  PlotInputs in = SweepInputs();
  TPlotRenderer renderer;
  renderer.Render(in);
  bool changed = false;
  for (auto _ : state) {
    in.Samples = held;
    benchmark::DoNotOptimize(in.Samples.data());
    changed = renderer.Render(in);
    benchmark::DoNotOptimize(changed);
  }
  if (changed) state.SkipWithError("an idle pass redrew the picture");
}
BENCHMARK(BM_IdlePassUnchanged);

// For comparison: a range change, which rebuilds the grid layer as well.
void BM_SweepRedrawNewRange(benchmark::State& state) {
  PlotInputs in = SweepInputs();
  TPlotRenderer renderer;
  int n = 0;
  for (auto _ : state) {
    in.EndFreq = 50000000 + 1000 * (n++ & 1);
    benchmark::DoNotOptimize(renderer.Render(in));
  }
}
BENCHMARK(BM_SweepRedrawNewRange);

}  // namespace

int main(int argc, char** argv) {
  // QPainter's text needs a GUI application; the benchmark needs no display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
