// Program start shared by virn (real instruments) and virn-demo (the simulated
// one): they differ only in the D2XX backend they hand in.
#pragma once

#include <QString>
#include <functional>

class QWidget;

#include "link/d2xx.h"

namespace virn::app {

// Ensures the configuration directory of the program exists. On failure shows
// the error in a stop-icon box and returns false: the program must then end
// without its main window.
bool EnsureConfigDir(const QString& programName);

// What the user is told once the window is shown when the settings file could
// not be read and was kept aside as `keptAs`.
QString DamagedSettingsText(const QString& keptAs);

// Everything after the application object exists: program name, configuration
// directory (with an earlier version's settings moved into it), title, main
// window, message loop. Returns the exit code.
// `companion`, when given, runs from the event loop once the main window is
// mapped, for a window that belongs beside it (the demo's bench); it gets the
// main window.
int RunProgram(link::D2xx& backend, const std::function<void(QWidget& mainWindow)>& companion = {});

}  // namespace virn::app
