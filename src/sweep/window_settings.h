// Where the main window keeps its settings file, for virn-sweep to read it
// (control/settings_file.h reads it).
#pragma once

#include <QString>
#include <functional>

namespace virn::sweep {

// The main window's settings file of the program named by `executableName`
// ("virn", "virn-demo"): <appData>/Kelmar/<program folder>/<executable>.mainform.config.xml.
QString WindowSettingsFile(const QString& appDataDir, const QString& executableName);

// The same file found as the window finds it at its start: under the host
// library's application-data folder, a file an earlier version kept elsewhere
// moved into its folder first. Empty, with the reason told to `complain`,
// when there is no application-data folder.
QString FindWindowSettingsFile(const QString& executableName,
                               const std::function<void(const QString& reason)>& complain);

}  // namespace virn::sweep
