// What the programs answer on their command line before anything needs a
// display: --help and --version, so that they work over ssh or in a script
// with no X server, where creating the application object would abort.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace virn::app {

// The arguments as the program got them, its own path first; for a look at
// them before the application object exists.
QStringList ArgumentsOf(int argc, const char* const* argv);

// "<program> <version>", one line: what --version prints.
QString VersionText(const QString& program);

// virn's answer to -h/--help or -v/--version (the first that comes), or
// nothing: every other argument is left to the toolkit as it always was.
std::optional<QString> VirnInfoAnswer(const QStringList& arguments);

}  // namespace virn::app
