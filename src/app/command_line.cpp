#include "app/command_line.h"

#include "app/version.h"

namespace virn::app {

namespace {
const QString kVirnHelp = QStringLiteral(
    "Usage: virn [--help | --version]\n"
    "\n"
    "ВИРН: the control program of the USB sweep instrument (a DDS sweep generator\n"
    "and a level detector behind an FTDI FT232R bridge). It opens its window and\n"
    "looks for the instrument; the status bar reads \"OK\" and the firmware version\n"
    "once it is found. Everything else is set in the window and kept in\n"
    "~/.config/Kelmar/virn/virn.mainform.config.xml.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help.\n"
    "  -v, --version  Show the version.\n"
    "\n"
    "See also virn-demo (the program on a simulated instrument) and virn-sweep\n"
    "(sweeps from the command line).\n");
}  // namespace

QStringList ArgumentsOf(int argc, const char* const* argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

QString VersionText(const QString& program) {
  return program + QLatin1Char(' ') + QString::fromLatin1(kVersionText) + QLatin1Char('\n');
}

std::optional<QString> VirnInfoAnswer(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) return kVirnHelp;
    if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
      return VersionText(QStringLiteral("virn"));
    }
  }
  return std::nullopt;
}

}  // namespace virn::app
