#include "demo/demo_options.h"

#include <QCommandLineParser>

namespace virn::demo {

DemoOptions ParseDemoOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("ВИРН on a simulated instrument: try the program without hardware.\n"
                     "\n"
                     "Beside the main window the bench window (\"Стенд\") shows what surrounds the\n"
                     "instrument and changes it at any moment: whether it is plugged into USB, what\n"
                     "sits between its output and its input, an external carrier with harmonics,\n"
                     "the error of its reference clock, and a frequency counter on its output.\n"
                     "\n"
                     "Bench commands (--bench FILE), one a line; blank lines and lines starting\n"
                     "with # are skipped, a wrong line is reported on stderr and skipped:\n"
                     "  unplug                    pull the instrument out of USB\n"
                     "  plug                      plug it back in (its output starts off)\n"
                     "  dut bandpass              the band-pass filter (the start)\n"
                     "  dut through               a 50-ohm cable, 0 dB\n"
                     "  dut attenuator 12         an attenuator of -12 dB (or 40: -40 dB)\n"
                     "  dut open                  nothing connected: the detector reads its floor\n"
                     "  dut carrier               the external carrier at the input\n"
                     "  carrier FREQ_HZ LEVEL_DB  the carrier's fundamental, 1 to 1e9 Hz, and level,\n"
                     "                            -120 to 10 dB; 5 harmonics, each 10 dB below the last\n"
                     "  clock-ppm N               the reference clock's error, -1000 to 1000 ppm\n"
                     "                            (starts at 10)\n"
                     "  output real | output flat the instrument's own roll-off (the start) or an\n"
                     "                            ideally flat output\n"
                     "  counter                   print \"counter: <N> Hz\" or \"counter: no signal\"\n"
                     "  levels                    print \"levels: \" and the 421 bytes of the last sweep"));
  const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                      QStringLiteral("Show this help."));
  const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                         QStringLiteral("Show the version."));
  const QCommandLineOption wireLog(QStringLiteral("wire-log"),
                                   QStringLiteral("Write every frame the instrument receives to <file>: "
                                                  "time in ms and the five bytes in hex, one line each."),
                                   QStringLiteral("file"));
  const QCommandLineOption bench(QStringLiteral("bench"),
                                 QStringLiteral("Apply the bench commands in <file> as they come: a FIFO is "
                                                "read until the program ends, a regular file once."),
                                 QStringLiteral("file"));
  const QCommandLineOption noInstrument(QStringLiteral("no-instrument"),
                                        QStringLiteral("Start with the instrument unplugged."));
  const QCommandLineOption otherDevices(QStringLiteral("other-devices"),
                                        QStringLiteral("Put <n> other FTDI devices, which answer nothing, "
                                                       "on the bus ahead of the instrument."),
                                        QStringLiteral("n"), QStringLiteral("0"));
  parser.addOption(helpOption);
  parser.addOption(versionOption);
  parser.addOption(wireLog);
  parser.addOption(bench);
  parser.addOption(noInstrument);
  parser.addOption(otherDevices);

  DemoOptions options;
  // With no application object yet, Qt calls the program "<executable_name>".
  options.helpText =
      parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("virn-demo"));
  if (!parser.parse(arguments)) {
    options.error = parser.errorText();
    return options;
  }
  if (!parser.positionalArguments().isEmpty()) {
    options.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
    return options;
  }
  options.showHelp = parser.isSet(helpOption);
  options.showVersion = parser.isSet(versionOption);
  options.wireLogPath = parser.value(wireLog);
  options.benchPath = parser.value(bench);
  options.instrument = !parser.isSet(noInstrument);
  bool ok = false;
  options.otherDevices = parser.value(otherDevices).toInt(&ok);
  if (!ok || options.otherDevices < 0 || options.otherDevices > 16) {
    options.error = QStringLiteral("--other-devices takes a number from 0 to 16");
  }
  return options;
}

}  // namespace virn::demo
