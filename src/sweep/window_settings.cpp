#include "sweep/window_settings.h"

#include "settings/settings_folder.h"

namespace virn::sweep {

namespace {

// The window is named "MainForm"; its file name uses the name in lower case.
const QString kWindowFileSuffix = QStringLiteral(".mainform.config.xml");

}  // namespace

QString WindowSettingsFile(const QString& appDataDir, const QString& executableName) {
  return appDataDir + QStringLiteral("/Kelmar/") + settings::ProgramFolderName(executableName) +
         QLatin1Char('/') + executableName.toLower() + kWindowFileSuffix;
}

}  // namespace virn::sweep
