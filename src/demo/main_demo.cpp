// virn-demo: the same program on a simulated instrument, for trying it without
// hardware. Only the bus differs; the program runs exactly as with a device.
// Beside it the bench window, and optionally a bench script, change what
// surrounds the instrument while it runs.
#include <QTextStream>
#include <iostream>
#include <memory>
#include <system_error>

#include "app/application.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "app/startup_trace.h"
#include "demo/bench_script.h"
#include "demo/bench_window.h"
#include "demo/demo_options.h"
#include "sim/bench.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/wire_log_writer.h"

int main(int argc, char** argv) {
  virn::app::StartupMark("main");
  const virn::demo::DemoOptions options = virn::demo::ParseDemoOptions(virn::app::ArgumentsOf(argc, argv));
  QTextStream err(stderr);
  if (!options.error.isEmpty()) {
    err << options.error << "\n\n" << options.helpText;
    return 2;
  }
  if (options.showHelp) {
    QTextStream(stdout) << options.helpText;
    return 0;
  }
  if (options.showVersion) {
    QTextStream(stdout) << virn::app::VersionText(QStringLiteral("virn-demo"));
    return 0;
  }
  virn::app::Application application(argc, argv);
  virn::app::StartupMark("application");

  std::unique_ptr<virn::sim::WireLogWriter> wireLog;
  if (!options.wireLogPath.isEmpty()) {
    try {
      wireLog = std::make_unique<virn::sim::WireLogWriter>(options.wireLogPath.toStdString());
    } catch (const std::system_error& error) {
      err << QString::fromLocal8Bit(error.what()) << "\n";
      return 2;
    }
  }

  // Declared in this order so that they go in the reverse one: the window and
  // the script, which work through the bench, before the bench, and all of
  // them before the instrument and the bus.
  virn::sim::SimBus bus;
  virn::sim::TypicalBusOptions busOptions;
  busOptions.plugInstrument = options.instrument;
  busOptions.otherDevices = options.otherDevices;
  if (wireLog) busOptions.sink = wireLog->Sink();
  const virn::sim::TypicalBus devices = virn::sim::PopulateTypicalBus(bus, busOptions);
  virn::sim::Bench bench(bus, devices.instrument);

  std::unique_ptr<virn::demo::BenchScript> script;
  if (!options.benchPath.isEmpty()) {
    try {
      script = std::make_unique<virn::demo::BenchScript>(options.benchPath.toStdString(), bench, std::cout,
                                                         std::cerr);
    } catch (const std::system_error& error) {
      err << QString::fromLocal8Bit(error.what()) << "\n";
      return 2;
    }
  }

  std::unique_ptr<virn::demo::BenchWindow> window;
  return virn::app::RunProgram(bus, [&](QWidget& mainWindow) {
    window = std::make_unique<virn::demo::BenchWindow>(bench);
    window->OpenBeside(mainWindow);
    virn::app::MarkWhenExposed(*window, "bench-mapped");
  });
}
