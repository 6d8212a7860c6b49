// The main window's share of an idle acquisition pass: gathering the plot's
// inputs from the controls and finding that the picture stays as it is.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/main_form.h"
#include "link/d2xx_unit.h"
#include "sim/sim_bus.h"

namespace {

void BM_WindowIdlePass(benchmark::State& state) {
  virn::sim::SimBus bus;
  virn::link::D2XXUnit unit(bus);
  virn::app::TMainForm form(unit);
  form.DrawPlot();
  for (auto _ : state) form.DrawPlot();
}
BENCHMARK(BM_WindowIdlePass);

void BM_WindowPlotInputs(benchmark::State& state) {
  virn::sim::SimBus bus;
  virn::link::D2XXUnit unit(bus);
  virn::app::TMainForm form(unit);
  for (auto _ : state) benchmark::DoNotOptimize(form.PlotInputsNow());
}
BENCHMARK(BM_WindowPlotInputs);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
