// Command-line options of virn-demo. They shape only the simulated instrument
// and the bus and bench around it; the program itself takes no options.
#pragma once

#include <QString>
#include <QStringList>

namespace virn::demo {

struct DemoOptions {
  QString wireLogPath;     // empty: no wire log
  QString benchPath;       // empty: no bench script
  bool instrument = true;  // plug the simulated instrument at start
  int otherDevices = 0;    // silent FTDI devices listed before the instrument
  bool showHelp = false;
  bool showVersion = false;
  QString helpText;
  QString error;  // non-empty: the arguments were wrong
};

// `arguments` with the program first. Read before the application object
// exists, so that --help, --version and a wrong option need no display.
DemoOptions ParseDemoOptions(const QStringList& arguments);

}  // namespace virn::demo
