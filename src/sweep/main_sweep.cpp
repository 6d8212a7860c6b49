// virn-sweep: sweeps from the command line, written as CSV. The instrument on
// the USB bus through libftdi1, or with --simulated virn-demo's simulated one;
// only the backend differs, as between virn and virn-demo.
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <system_error>

#include "control/settings_file.h"
#include "export/picture_files.h"
#include "export/sweep_csv.h"
#include "flatness/flatness_correction.h"
#include "link/ftdi_backend.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/wire_log_writer.h"
#include "sweep/stop_signals.h"
#include "sweep/sweep_options.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_run.h"
#include "sweep/window_settings.h"

namespace {

using namespace virn;

void Complain(const QString& message) {
  QTextStream(stderr) << "virn-sweep: " << message << "\n";
}

// The settings file named on the command line, or the window's own.
QString SettingsFileFor(const sweep::SweepOptions& options) {
  if (!options.settingsPath.isEmpty()) return options.settingsPath;
  // The simulated instrument's calibration is virn-demo's, never the real one's.
  return sweep::FindWindowSettingsFile(
      options.simulated ? QStringLiteral("virn-demo") : QStringLiteral("virn"), Complain);
}

// What a stop signal does now: nothing outside a run.
std::function<void(int signalNumber)> onStopSignal;

int Sweep(link::D2xx& backend, const sweep::SweepOptions& options, const sweep::SweepPlan& plan) {
  const bool toFile = !options.outputPath.isEmpty();
  QByteArray table;
  const auto sink = [&](int number, const exports::SweepTable& sweep) {
    QByteArray rows = number == 1 ? exports::SweepCsvHeader() : QByteArray();
    rows += exports::SweepCsvRows(number, sweep);
    if (toFile) {
      table += rows;
      return true;
    }
    const std::size_t size = static_cast<std::size_t>(rows.size());
    return std::fwrite(rows.constData(), 1, size, stdout) == size && std::fflush(stdout) == 0;
  };
  link::D2XXUnit unit(backend);
  sweep::SweepRun run(unit, plan, sink);
  int signalNumber = 0;
  onStopSignal = [&](int number) {
    signalNumber = number;
    run.Interrupt();
  };
  const sweep::RunOutcome outcome = run.Run(options.timeout);
  onStopSignal = nullptr;
  if (outcome != sweep::RunOutcome::Done) {
    Complain(sweep::OutcomeMessage(outcome, options.timeout, run.SweepsTaken(), plan.count));
    return sweep::ExitStatus(outcome, signalNumber);
  }
  if (toFile) {
    exports::HostPictureFiles files;
    QString reason;
    const bool saved = exports::SaveThroughTempDir(
        options.outputPath, files, [&] { return table; },
        [&](const std::string& text) { reason = QString::fromStdString(text); });
    if (!saved) {
      Complain(QStringLiteral("cannot write %1: %2").arg(options.outputPath, reason));
      return sweep::kExitFailed;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  // Before any other thread starts, so that every thread leaves the signals to it.
  const sweep::StopSignals stopSignals([](int number) {
    if (onStopSignal) onStopSignal(number);
  });
  // A reader that goes away (`| head`) is an outcome, not the end of the process.
  std::signal(SIGPIPE, SIG_IGN);
  const sweep::SweepOptions options = sweep::ParseSweepOptions(QCoreApplication::arguments());
  if (!options.error.isEmpty()) {
    Complain(options.error + QStringLiteral(" (see --help)"));
    return sweep::kExitBadArguments;
  }
  if (options.showHelp) {
    QTextStream(stdout) << options.helpText;
    return 0;
  }
  if (options.showVersion) {
    QTextStream(stdout) << "virn-sweep " << VIRN_VERSION_TEXT << "\n";
    return 0;
  }

  const QString settingsFile = SettingsFileFor(options);
  if (!options.settingsPath.isEmpty() && !QFileInfo(settingsFile).isFile()) {
    Complain(QStringLiteral("no settings file %1").arg(settingsFile));
    return sweep::kExitBadArguments;
  }
  const control::LoadedSettings loaded =
      settingsFile.isEmpty() ? control::LoadedSettings{} : control::LoadSettings(settingsFile);
  if (!loaded.problem.isEmpty()) {
    Complain(QStringLiteral("settings file %1 could not be read (%2); using the defaults")
                 .arg(settingsFile, loaded.problem));
  }
  sweep::SweepPlan plan = sweep::PlanSweeps(options, loaded.settings);
  if (!settingsFile.isEmpty()) {
    // Beside the settings file, under the window's name, as the window keeps it.
    const flatness::FlatnessCorrection correction(
        QFileInfo(settingsFile).path(),
        options.simulated ? QStringLiteral("virn-demo") : QStringLiteral("virn"));
    const bool linear = plan.settings.linear;
    if (options.flat.value_or(correction.On()) && correction.Available(linear)) {
      plan.flatness = *correction.Table(linear);
    } else if (options.flat.value_or(false)) {
      Complain(QStringLiteral("--flat: no flatness calibration has been made for the %1 detector")
                   .arg(linear ? QStringLiteral("linear") : QStringLiteral("logarithmic")));
      return sweep::kExitBadArguments;
    }
  } else if (options.flat.value_or(false)) {
    Complain(QStringLiteral("--flat: no settings folder, so no flatness calibration"));
    return sweep::kExitBadArguments;
  }

  if (!options.simulated) {
    link::FtdiBackend backend;
    return Sweep(backend, options, plan);
  }
  std::unique_ptr<sim::WireLogWriter> wireLog;
  if (!options.wireLogPath.isEmpty()) {
    try {
      wireLog = std::make_unique<sim::WireLogWriter>(options.wireLogPath.toStdString());
    } catch (const std::system_error& error) {
      Complain(QString::fromLocal8Bit(error.what()));
      return sweep::kExitBadArguments;
    }
  }
  sim::SimBus bus;
  sim::TypicalBusOptions busOptions;
  busOptions.plugInstrument = !options.noInstrument;
  if (wireLog) busOptions.sink = wireLog->Sink();
  const sim::TypicalBus devices = sim::PopulateTypicalBus(bus, busOptions);
  return Sweep(bus, options, plan);
}
