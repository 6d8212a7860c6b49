// Cost of "Сохранить график" once the name is chosen: the standard plot on the
// card, painted, encoded and written through the host library's temporary
// folder and move. It runs on the main thread, so it must stay short. And the
// whole of "Печать" without its dialogs: card file, print manager loaded, the
// page written as PDF, everything removed again.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "card/qsl_card.h"
#include "display/plot_renderer.h"
#include "export/jpeg_writer.h"
#include "export/plot_picture.h"
#include "export/print_plot.h"

namespace {

using virn::exports::PictureFormat;

// The picture the plot area shows while sweeping a band-pass filter with the marker on.
QImage StandardPlot() {
  virn::display::PlotInputs in;
  in.SweepRunning = true;
  in.Visir = true;
  in.VisirValue = 55;
  for (std::size_t i = 0; i < in.Samples.size(); ++i) {
    const double offset = (static_cast<double>(i) - 210.0) / 25.0;
    in.Samples[i] = std::clamp(static_cast<int>(std::lround(251 - 7.5 * offset * offset)), 40, 255);
  }
  virn::display::TPlotRenderer renderer;
  renderer.Render(in);
  return renderer.Image();
}

void SaveLoop(benchmark::State& state, PictureFormat format) {
  QTemporaryDir target;
  virn::card::TQSLCard card;
  card.SetSize(457, 283);
  const QImage plot = StandardPlot();
  virn::exports::HostPictureFiles files;
  const QString name =
      target.filePath(format == PictureFormat::Bmp ? QStringLiteral("plot.bmp") : QStringLiteral("plot.jpg"));
  for (auto _ : state) {
    const bool saved =
        virn::exports::SavePlotPicture(card, plot, name, format, files, [](const std::string&) {});
    if (!saved) state.SkipWithError("the save failed");
  }
}

void BM_SavePlotAsBmp(benchmark::State& state) {
  SaveLoop(state, PictureFormat::Bmp);
}
BENCHMARK(BM_SavePlotAsBmp)->Unit(benchmark::kMillisecond);

void BM_SavePlotAsJpeg(benchmark::State& state) {
  SaveLoop(state, PictureFormat::Jpeg);
}
BENCHMARK(BM_SavePlotAsJpeg)->Unit(benchmark::kMillisecond);

// The parts alone: painting the card, and each encoder.
void BM_PaintCard(benchmark::State& state) {
  virn::card::TQSLCard card;
  card.SetSize(457, 283);
  card.SetPicture(StandardPlot());
  for (auto _ : state) benchmark::DoNotOptimize(virn::exports::CardPicture(card));
}
BENCHMARK(BM_PaintCard)->Unit(benchmark::kMicrosecond);

void BM_EncodeJpeg(benchmark::State& state) {
  virn::card::TQSLCard card;
  card.SetSize(457, 283);
  card.SetPicture(StandardPlot());
  const QImage picture = virn::exports::CardPicture(card);
  for (auto _ : state) benchmark::DoNotOptimize(virn::exports::EncodeJpeg(picture));
}
BENCHMARK(BM_EncodeJpeg)->Unit(benchmark::kMicrosecond);

void BM_PrintPlotToPdf(benchmark::State& state) {
  QTemporaryDir target;
  setenv("KLM_PRINT_PDF", target.filePath(QStringLiteral("print.pdf")).toUtf8().constData(), 1);
  virn::card::TQSLCard card;
  card.SetSize(457, 283);
  const QImage plot = StandardPlot();
  virn::exports::HostPictureFiles files;
  for (auto _ : state) {
    virn::exports::PrintPlot(card, plot, files, nullptr, QStringLiteral("ВИРН"),
                             [](const std::exception& error) { std::fprintf(stderr, "%s\n", error.what()); });
  }
  unsetenv("KLM_PRINT_PDF");
}
BENCHMARK(BM_PrintPlotToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Text rendering needs a platform plugin; without a display, the offscreen one.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  // The host library is found in ../lib/virn beside bench/, as the programs find theirs.
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
