// The program name the settings folder is named after: the executable's file
// name without its last four characters (on Windows, the ".exe"). Linux
// executables have no extension, so "virn" gives "" and "virn-demo" "virn-".
#pragma once

#include <QString>

namespace virn::app {

QString ProgramNameFromFileName(const QString& executableFileName);

// The name of the running program, set once at start-up.
QString ProgramName();
void SetProgramName(const QString& name);

}  // namespace virn::app
