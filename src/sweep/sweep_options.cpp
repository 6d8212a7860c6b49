#include "sweep/sweep_options.h"

#include <QCommandLineParser>
#include <cmath>

namespace virn::sweep {

namespace {

const QString kDescription = QStringLiteral(
    "Sweeps with the ВИРН instrument from the command line and writes the sweeps\n"
    "as CSV: the same commands as the window's Start button, the same level\n"
    "calibration, no window.\n"
    "\n"
    "The instrument is looked for as the window does, every 100 ms, on the USB bus\n"
    "(or, with --simulated, on virn-demo's simulated instrument). Whatever is not\n"
    "given on the command line is taken from the window's settings file: the range,\n"
    "delay, period, averaging, detector, the DDS coefficient and both calibrations.\n"
    "The file is only read, never written; without it the window's defaults apply.\n"
    "virn reads ~/.config/Kelmar/virn/virn.mainform.config.xml, --simulated\n"
    "virn-demo's ~/.config/Kelmar/virn-demo/virn-demo.mainform.config.xml\n"
    "($XDG_CONFIG_HOME for ~/.config when set).\n"
    "\n"
    "CSV: the header \"sweep,frequency_hz,level_db,sample\" once, then 421 rows a\n"
    "sweep, sweeps numbered from 1: the frequency of the point in whole hertz, its\n"
    "level in dB through the level calibration (two decimals, \".\"; empty when the\n"
    "calibration has no span) and the detector's byte 0..255. \"\\n\" line ends.\n"
    "\n"
    "Exit status: 0 done; 1 no instrument found within --timeout; 2 wrong\n"
    "arguments; 3 the instrument stopped answering, standard output went away, or\n"
    "the --output file could not be written (an older file stays as it was);\n"
    "128 + the signal's number after SIGINT, SIGTERM or SIGHUP (130 for Ctrl-C).\n"
    "However the run ends, the instrument is sent Stop and the device is closed.");

struct Options {
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
  QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                             QStringLiteral("Show the version.")};
  QCommandLineOption simulated{QStringLiteral("simulated"),
                               QStringLiteral("Sweep virn-demo's simulated instrument (the band-pass filter "
                                              "between output and input) instead of the USB bus.")};
  QCommandLineOption noInstrument{QStringLiteral("no-instrument"),
                                  QStringLiteral("With --simulated: leave the instrument unplugged, so none "
                                                 "is found (exit status 1).")};
  QCommandLineOption wireLog{QStringLiteral("wire-log"),
                             QStringLiteral("With --simulated: write every frame the instrument receives to "
                                            "<file>, as virn-demo does."),
                             QStringLiteral("file")};
  QCommandLineOption start{QStringLiteral("start"),
                           QStringLiteral("Start frequency in Hz, 0 to 999999999 (default: the settings "
                                          "file's, else 100000)."),
                           QStringLiteral("hz")};
  QCommandLineOption end{QStringLiteral("end"),
                         QStringLiteral("End frequency in Hz, 0 to 999999999 (default: the settings "
                                        "file's, else 50000000)."),
                         QStringLiteral("hz")};
  QCommandLineOption count{QStringLiteral("count"),
                           QStringLiteral("Take <n> sweeps, 1 to 1000000 (default 1)."), QStringLiteral("n")};
  QCommandLineOption period{QStringLiteral("period"),
                            QStringLiteral("Sweep period as in the window's list: 1 = 400 ms, 2 = 800 ms, "
                                           "3 = 1.6 s, 4 = 3.2 s (default: the settings file's, else 1)."),
                            QStringLiteral("n")};
  QCommandLineOption delay{QStringLiteral("delay"),
                           QStringLiteral("Delay on: wait the whole period before reading a sweep (the "
                                          "window's default).")};
  QCommandLineOption noDelay{QStringLiteral("no-delay"),
                             QStringLiteral("Delay off: read after 100 ms, the period plays no part.")};
  QCommandLineOption average{QStringLiteral("average"), QStringLiteral("Averaging on.")};
  QCommandLineOption noAverage{QStringLiteral("no-average"),
                               QStringLiteral("Averaging off (the window's default).")};
  QCommandLineOption linear{QStringLiteral("linear"), QStringLiteral("The linear detector.")};
  QCommandLineOption log{QStringLiteral("log"),
                         QStringLiteral("The logarithmic detector (the window's default).")};
  QCommandLineOption flat{
      QStringLiteral("flat"),
      QStringLiteral("Levels corrected for the instrument's frequency response, as measured "
                     "by the window's flatness calibration for the detector in use (default: "
                     "as the window last had it).")};
  QCommandLineOption noFlat{QStringLiteral("no-flat"), QStringLiteral("Levels as measured, uncorrected.")};
  QCommandLineOption output{QStringLiteral("output"),
                            QStringLiteral("Write the CSV to <file> once all sweeps are in, replacing it "
                                           "whole (default: standard output, each sweep as it comes)."),
                            QStringLiteral("file")};
  QCommandLineOption settings{QStringLiteral("settings"),
                              QStringLiteral("Read the defaults and the calibration from <file> instead of "
                                             "the window's settings file."),
                              QStringLiteral("file")};
  QCommandLineOption timeout{QStringLiteral("timeout"),
                             QStringLiteral("Give up when no instrument is found within <s> seconds, "
                                            "fractions allowed, up to 3600 (default 5)."),
                             QStringLiteral("s")};
};

std::optional<std::int64_t> WholeNumber(const QString& text) {
  bool ok = false;
  const qlonglong value = text.toLongLong(&ok, 10);
  if (!ok || text.trimmed() != text) return std::nullopt;
  return value;
}

// Reads an option's whole number within [low, high]; sets `error` otherwise.
template <typename T>
std::optional<T> Ranged(const QCommandLineParser& parser, const QCommandLineOption& option, std::int64_t low,
                        std::int64_t high, QString& error) {
  if (!parser.isSet(option)) return std::nullopt;
  const std::optional<std::int64_t> value = WholeNumber(parser.value(option));
  if (!value || *value < low || *value > high) {
    if (error.isEmpty()) {
      error = QStringLiteral("--%1 takes a whole number from %2 to %3, not '%4'")
                  .arg(option.names().constFirst())
                  .arg(low)
                  .arg(high)
                  .arg(parser.value(option));
    }
    return std::nullopt;
  }
  return static_cast<T>(*value);
}

// One of a pair of switches, or neither.
std::optional<bool> Switch(const QCommandLineParser& parser, const QCommandLineOption& on,
                           const QCommandLineOption& off, QString& error) {
  const bool isOn = parser.isSet(on);
  const bool isOff = parser.isSet(off);
  if (isOn && isOff && error.isEmpty()) {
    error = QStringLiteral("--%1 and --%2 exclude each other")
                .arg(on.names().constFirst(), off.names().constFirst());
  }
  if (isOn == isOff) return std::nullopt;
  return isOn;
}

}  // namespace

SweepOptions ParseSweepOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(kDescription);
  const Options o;
  for (const QCommandLineOption* option :
       {&o.help,  &o.version, &o.simulated, &o.noInstrument, &o.wireLog,  &o.start,     &o.end,
        &o.count, &o.period,  &o.delay,     &o.noDelay,      &o.average,  &o.noAverage, &o.linear,
        &o.log,   &o.flat,    &o.noFlat,    &o.output,       &o.settings, &o.timeout}) {
    parser.addOption(*option);
  }

  SweepOptions options;
  options.helpText = parser.helpText();
  if (!parser.parse(arguments)) {
    options.error = parser.errorText();
    return options;
  }
  if (!parser.positionalArguments().isEmpty()) {
    options.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
    return options;
  }
  options.showHelp = parser.isSet(o.help);
  options.showVersion = parser.isSet(o.version);
  options.simulated = parser.isSet(o.simulated);
  options.noInstrument = parser.isSet(o.noInstrument);
  options.wireLogPath = parser.value(o.wireLog);
  options.outputPath = parser.value(o.output);
  options.settingsPath = parser.value(o.settings);

  QString& error = options.error;
  options.startHz = Ranged<std::int32_t>(parser, o.start, 0, measure::kTripleMaxHz, error);
  options.endHz = Ranged<std::int32_t>(parser, o.end, 0, measure::kTripleMaxHz, error);
  options.count = Ranged<int>(parser, o.count, 1, kMaxCount, error).value_or(1);
  options.periodIndex = Ranged<int>(parser, o.period, 1, measure::kPeriodCount, error);
  options.delay = Switch(parser, o.delay, o.noDelay, error);
  options.averaging = Switch(parser, o.average, o.noAverage, error);
  options.linear = Switch(parser, o.linear, o.log, error);
  options.flat = Switch(parser, o.flat, o.noFlat, error);
  if (parser.isSet(o.timeout)) {
    bool ok = false;
    const double seconds = parser.value(o.timeout).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxTimeoutSeconds) {
      if (error.isEmpty()) {
        error = QStringLiteral("--timeout takes seconds above 0, up to 3600, not '%1'")
                    .arg(parser.value(o.timeout));
      }
    } else {
      options.timeout = std::chrono::milliseconds(std::llround(seconds * 1000));
    }
  }
  if (error.isEmpty() && !options.simulated) {
    if (options.noInstrument) error = QStringLiteral("--no-instrument goes with --simulated");
    if (!options.wireLogPath.isEmpty()) error = QStringLiteral("--wire-log goes with --simulated");
  }
  if (error.isEmpty() && options.outputPath.isEmpty() && parser.isSet(o.output)) {
    error = QStringLiteral("--output takes a file name");
  }
  if (error.isEmpty() && options.settingsPath.isEmpty() && parser.isSet(o.settings)) {
    error = QStringLiteral("--settings takes a file name");
  }
  return options;
}

}  // namespace virn::sweep
