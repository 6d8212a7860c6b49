// virn-scpi: the instrument held and driven over TCP. The instrument on the
// USB bus through libftdi1, or with --simulated virn-demo's simulated one;
// only the backend differs, as between virn and virn-demo.
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "control/instrument_controller.h"
#include "control/settings_file.h"
#include "demo/bench_script.h"
#include "link/ftdi_backend.h"
#include "scpi/scpi_options.h"
#include "scpi/scpi_server.h"
#include "scpi/scpi_session.h"
#include "sim/bench.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/wire_log_writer.h"
#include "sweep/stop_signals.h"
#include "sweep/window_settings.h"

namespace {

using namespace virn;

constexpr int kExitBadArguments = 2;

void Say(const QString& message) {
  QTextStream(stderr) << "virn-scpi: " << message << Qt::endl;
}

// The settings file named on the command line, or the window's own, found as
// virn-sweep finds it.
QString SettingsFileFor(const scpi::ScpiOptions& options) {
  if (!options.settingsPath.isEmpty()) return options.settingsPath;
  // The simulated instrument's calibration is virn-demo's, never the real one's.
  return sweep::FindWindowSettingsFile(
      options.simulated ? QStringLiteral("virn-demo") : QStringLiteral("virn"), Say);
}

int Serve(link::D2xx& backend, const scpi::ScpiOptions& options, const measure::Settings& settings) {
  link::D2XXUnit unit(backend);
  control::InstrumentController controller(unit, settings);
  scpi::Session session(controller, unit, VIRN_VERSION_TEXT);
  scpi::Server server(session);
  if (!server.Listen(options.listen.address, options.listen.port)) {
    Say(QStringLiteral("cannot listen on %1:%2: %3")
            .arg(options.listen.address.toString())
            .arg(options.listen.port)
            .arg(server.ErrorText()));
    return kExitBadArguments;
  }
  server.SetOnClientChange([](const QString& what) { Say(what); });
  const auto subscription = controller.Subscribe([&unit](const control::Event& event) {
    if (std::holds_alternative<control::event::Connected>(event)) {
      Say(QStringLiteral("instrument %1 connected").arg(QString::fromStdString(unit.SerialNumber)));
    } else if (std::holds_alternative<control::event::Lost>(event)) {
      Say(QStringLiteral("instrument lost; looking for it again"));
    }
  });
  // Scripts and tests that ask for port 0 read the port from here.
  QTextStream(stdout) << "listening on " << options.listen.address.toString() << ":" << server.Port()
                      << Qt::endl;
  controller.Begin();
  QCoreApplication::exec();
  // The client's session ends first (a sweep stopped), then Stop as virn-sweep
  // leaves the instrument, then the device closed.
  server.Close();
  if (controller.Connected()) controller.Stop();
  controller.Shutdown();
  Say(QStringLiteral("stopped"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  // Before any other thread starts, so that every thread leaves the signals to it.
  const sweep::StopSignals stopSignals([](int /*number*/) { QCoreApplication::quit(); });
  // A client that goes away mid-reply is the socket's error, not the process's end.
  std::signal(SIGPIPE, SIG_IGN);
  const scpi::ScpiOptions options = scpi::ParseScpiOptions(QCoreApplication::arguments());
  if (!options.error.isEmpty()) {
    Say(options.error + QStringLiteral(" (see --help)"));
    return kExitBadArguments;
  }
  if (options.showHelp) {
    QTextStream(stdout) << options.helpText;
    return 0;
  }
  if (options.showVersion) {
    QTextStream(stdout) << "virn-scpi " << VIRN_VERSION_TEXT << "\n";
    return 0;
  }

  const QString settingsFile = SettingsFileFor(options);
  if (!options.settingsPath.isEmpty() && !QFileInfo(settingsFile).isFile()) {
    Say(QStringLiteral("no settings file %1").arg(settingsFile));
    return kExitBadArguments;
  }
  const control::LoadedSettings loaded =
      settingsFile.isEmpty() ? control::LoadedSettings{} : control::LoadSettings(settingsFile);
  if (!loaded.problem.isEmpty()) {
    Say(QStringLiteral("settings file %1 could not be read (%2); using the defaults")
            .arg(settingsFile, loaded.problem));
  }
  if (!options.simulated) {
    link::FtdiBackend backend;
    return Serve(backend, options, loaded.settings);
  }

  std::unique_ptr<sim::WireLogWriter> wireLog;
  if (!options.wireLogPath.isEmpty()) {
    try {
      wireLog = std::make_unique<sim::WireLogWriter>(options.wireLogPath.toStdString());
    } catch (const std::system_error& error) {
      Say(QString::fromLocal8Bit(error.what()));
      return kExitBadArguments;
    }
  }
  sim::SimBus bus;
  sim::TypicalBusOptions busOptions;
  busOptions.plugInstrument = !options.noInstrument;
  if (wireLog) busOptions.sink = wireLog->Sink();
  const sim::TypicalBus devices = sim::PopulateTypicalBus(bus, busOptions);
  std::optional<sim::Bench> bench;
  std::unique_ptr<demo::BenchScript> script;
  if (!options.benchPath.isEmpty()) {
    bench.emplace(bus, devices.instrument);
    try {
      script =
          std::make_unique<demo::BenchScript>(options.benchPath.toStdString(), *bench, std::cout, std::cerr);
    } catch (const std::system_error& error) {
      Say(QString::fromLocal8Bit(error.what()));
      return kExitBadArguments;
    }
  }
  return Serve(bus, options, loaded.settings);
}
