#include "demo/demo_options.h"

#include <QCommandLineParser>

namespace virn::demo {

DemoOptions ParseDemoOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("ВИРН on a simulated instrument: try the program without hardware."));
  const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                      QStringLiteral("Show this help."));
  const QCommandLineOption wireLog(QStringLiteral("wire-log"),
                                   QStringLiteral("Write every frame the instrument receives to <file>: "
                                                  "time in ms and the five bytes in hex, one line each."),
                                   QStringLiteral("file"));
  const QCommandLineOption noInstrument(QStringLiteral("no-instrument"),
                                        QStringLiteral("Start with the instrument unplugged."));
  const QCommandLineOption otherDevices(QStringLiteral("other-devices"),
                                        QStringLiteral("Put <n> other FTDI devices, which answer nothing, "
                                                       "on the bus ahead of the instrument."),
                                        QStringLiteral("n"), QStringLiteral("0"));
  parser.addOption(helpOption);
  parser.addOption(wireLog);
  parser.addOption(noInstrument);
  parser.addOption(otherDevices);

  DemoOptions options;
  options.helpText = parser.helpText();
  if (!parser.parse(arguments)) {
    options.error = parser.errorText();
    return options;
  }
  if (!parser.positionalArguments().isEmpty()) {
    options.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
    return options;
  }
  options.showHelp = parser.isSet(helpOption);
  options.wireLogPath = parser.value(wireLog);
  options.instrument = !parser.isSet(noInstrument);
  bool ok = false;
  options.otherDevices = parser.value(otherDevices).toInt(&ok);
  if (!ok || options.otherDevices < 0 || options.otherDevices > 16) {
    options.error = QStringLiteral("--other-devices takes a number from 0 to 16");
  }
  return options;
}

}  // namespace virn::demo
