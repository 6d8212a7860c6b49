// Program start shared by virn (real instruments) and virn-demo (the simulated
// one): they differ only in the D2XX backend they hand in.
#pragma once

#include <QString>

#include "link/d2xx.h"

namespace virn::app {

// Ensures the configuration directory of the program exists. On failure shows
// the error in a stop-icon box and returns false: the program must then end
// without its main window.
bool EnsureConfigDir(const QString& programName);

// Everything after the application object exists: program name, configuration
// directory, title, main window, message loop. Returns the exit code.
int RunProgram(link::D2xx& backend);

}  // namespace virn::app
