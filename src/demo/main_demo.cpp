// virn-demo: the same program on a simulated instrument, for trying it without
// hardware. Only the bus differs; the program runs exactly as with a device.
#include <QTextStream>
#include <memory>
#include <system_error>

#include "app/application.h"
#include "app/startup.h"
#include "demo/demo_options.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/wire_log_writer.h"

int main(int argc, char** argv) {
  virn::app::Application application(argc, argv);
  const virn::demo::DemoOptions options = virn::demo::ParseDemoOptions(QApplication::arguments());
  QTextStream err(stderr);
  if (!options.error.isEmpty()) {
    err << options.error << "\n\n" << options.helpText;
    return 2;
  }
  if (options.showHelp) {
    QTextStream(stdout) << options.helpText;
    return 0;
  }

  std::unique_ptr<virn::sim::WireLogWriter> wireLog;
  if (!options.wireLogPath.isEmpty()) {
    try {
      wireLog = std::make_unique<virn::sim::WireLogWriter>(options.wireLogPath.toStdString());
    } catch (const std::system_error& error) {
      err << QString::fromLocal8Bit(error.what()) << "\n";
      return 2;
    }
  }

  virn::sim::SimBus bus;
  virn::sim::TypicalBusOptions busOptions;
  busOptions.plugInstrument = options.instrument;
  busOptions.otherDevices = options.otherDevices;
  if (wireLog) busOptions.sink = wireLog->Sink();
  [[maybe_unused]] const virn::sim::TypicalBus devices = virn::sim::PopulateTypicalBus(bus, busOptions);
  return virn::app::RunProgram(bus);
}
