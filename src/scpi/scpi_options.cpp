#include "scpi/scpi_options.h"

#include <QCommandLineParser>

namespace virn::scpi {

namespace {

const QString kDescription = QStringLiteral(
    "Holds the ВИРН instrument and lets programs drive it over TCP with SCPI-style\n"
    "text commands: PyVISA's TCPIP::127.0.0.1::5025::SOCKET resource, or any\n"
    "client that writes lines and reads lines (set PyVISA's read_termination to\n"
    "\"\\n\"). Every command sends exactly what the window sends for the same action.\n"
    "\n"
    "The instrument is looked for as the window does (or, with --simulated, on\n"
    "virn-demo's simulated instrument) and kept through unplugging and replugging.\n"
    "The calibrations come from the window's settings file, which is only read,\n"
    "never written: ~/.config/Kelmar/virn/virn.mainform.config.xml, with\n"
    "--simulated virn-demo's ($XDG_CONFIG_HOME for ~/.config when set).\n"
    "\n"
    "One client at a time holds the instrument; another that connects meanwhile is\n"
    "closed at once, before it gets a byte. A client that goes leaves the\n"
    "instrument stopped. Lines end with \"\\n\" (\"\\r\\n\" too), at most 64 KiB;\n"
    "replies end with \"\\n\".\n"
    "\n"
    "SECURITY: anyone who can reach the port controls the instrument; there is no\n"
    "password. The default listens on the loopback address only.\n"
    "\n"
    "Commands (see the README's table): *IDN? *RST *CLS *OPC *OPC? *WAI *ESR? *ESE\n"
    "*STB? *SRE SYSTem:ERRor[:NEXT]? SYSTem:CONNected? [SENSe:]FREQuency:STARt|STOP|\n"
    "CENTer|SPAN [SENSe:]SWEep:POINts? [SENSe:]SWEep:TIME [SENSe:]SWEep:DELay\n"
    "[SENSe:]DETector LOG|LINear [SENSe:]AVERage INITiate[:IMMediate]\n"
    "INITiate:CONTinuous ABORt TRACe[:DATA]? TRACe:RAW? TRACe:FREQuency?\n"
    "CALCulate:BANDwidth? <dB> SOURce:FREQuency[:CW] OUTPut[:STATe].\n"
    "\n"
    "SIGINT, SIGTERM and SIGHUP end it properly: Stop is sent and the device closed.\n"
    "Exit status: 0 after such a signal, 2 for wrong arguments or an address that\n"
    "cannot be listened on.");

}  // namespace

std::optional<ListenAddress> ParseListenAddress(const QString& text) {
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  if (colon <= 0) return std::nullopt;
  QString host = text.left(colon);
  const QString portText = text.mid(colon + 1);
  if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
    host = host.mid(1, host.size() - 2);
  } else if (host.contains(QLatin1Char(':'))) {
    return std::nullopt;  // an IPv6 address takes brackets
  }
  bool ok = false;
  const uint port = portText.toUInt(&ok, 10);
  if (!ok || port > 65535 || portText.trimmed() != portText) return std::nullopt;
  ListenAddress listen;
  if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
    listen.address = QHostAddress(QHostAddress::LocalHost);
  } else if (!listen.address.setAddress(host)) {
    return std::nullopt;
  }
  listen.port = static_cast<quint16>(port);
  return listen;
}

ScpiOptions ParseScpiOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(kDescription);
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Show the version."));
  const QCommandLineOption listen(
      QStringLiteral("listen"),
      QStringLiteral("Listen on <address:port> (default 127.0.0.1:5025; [::1]:5025 "
                     "for IPv6; port 0: a free port, printed at start)."),
      QStringLiteral("address:port"));
  const QCommandLineOption simulated(
      QStringLiteral("simulated"),
      QStringLiteral("Drive virn-demo's simulated instrument (the band-pass "
                     "filter between output and input) instead of the USB bus."));
  const QCommandLineOption noInstrument(
      QStringLiteral("no-instrument"),
      QStringLiteral("With --simulated: start with the instrument unplugged."));
  const QCommandLineOption wireLog(
      QStringLiteral("wire-log"),
      QStringLiteral("With --simulated: write every frame the instrument receives "
                     "to <file>, as virn-demo does."),
      QStringLiteral("file"));
  const QCommandLineOption bench(
      QStringLiteral("bench"),
      QStringLiteral("With --simulated: apply virn-demo's bench commands in <file> "
                     "(unplug, plug, dut ...) as they come; a FIFO is read until "
                     "the program ends."),
      QStringLiteral("file"));
  const QCommandLineOption settings(
      QStringLiteral("settings"),
      QStringLiteral("Read the calibrations and defaults from <file> instead of "
                     "the window's settings file."),
      QStringLiteral("file"));
  for (const QCommandLineOption* option :
       {&help, &version, &listen, &simulated, &noInstrument, &wireLog, &bench, &settings}) {
    parser.addOption(*option);
  }

  ScpiOptions options;
  options.helpText = parser.helpText();
  if (!parser.parse(arguments)) {
    options.error = parser.errorText();
    return options;
  }
  if (!parser.positionalArguments().isEmpty()) {
    options.error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
    return options;
  }
  options.showHelp = parser.isSet(help);
  options.showVersion = parser.isSet(version);
  options.simulated = parser.isSet(simulated);
  options.noInstrument = parser.isSet(noInstrument);
  options.wireLogPath = parser.value(wireLog);
  options.benchPath = parser.value(bench);
  options.settingsPath = parser.value(settings);
  if (parser.isSet(listen)) {
    const std::optional<ListenAddress> address = ParseListenAddress(parser.value(listen));
    if (!address) {
      options.error = QStringLiteral("--listen takes ADDRESS:PORT, e.g. 127.0.0.1:5025, not '%1'")
                          .arg(parser.value(listen));
      return options;
    }
    options.listen = *address;
  }
  if (!options.simulated) {
    for (const QCommandLineOption* option : {&noInstrument, &wireLog, &bench}) {
      if (parser.isSet(*option)) {
        options.error = QStringLiteral("--%1 goes with --simulated").arg(option->names().constFirst());
        return options;
      }
    }
  }
  for (const QCommandLineOption* option : {&wireLog, &bench, &settings}) {
    if (parser.isSet(*option) && parser.value(*option).isEmpty()) {
      options.error = QStringLiteral("--%1 takes a file name").arg(option->names().constFirst());
      return options;
    }
  }
  return options;
}

}  // namespace virn::scpi
