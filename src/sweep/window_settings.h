// Where the main window keeps its settings file, for virn-sweep to read it
// (control/settings_file.h reads it).
#pragma once

#include <QString>

namespace virn::sweep {

// The main window's settings file of the program named by `executableName`
// ("virn", "virn-demo"): <appData>/Kelmar/<program folder>/<executable>.mainform.config.xml.
QString WindowSettingsFile(const QString& appDataDir, const QString& executableName);

}  // namespace virn::sweep
