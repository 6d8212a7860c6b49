#include "sweep/window_settings.h"

#include <exception>
#include <string>

#include "settings/klm_api.h"
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

QString FindWindowSettingsFile(const QString& executableName,
                               const std::function<void(const QString& reason)>& complain) {
  std::string appData;
  try {
    appData = settings::fsGetAppDataPath();
  } catch (const std::exception& error) {
    complain(
        QStringLiteral("no settings folder (%1); using the defaults").arg(QString::fromUtf8(error.what())));
  }
  if (appData.empty()) return {};
  const QString appDataDir = QString::fromStdString(appData);
  settings::MoveEarlierSettings(appDataDir + QStringLiteral("/Kelmar"), executableName);
  return WindowSettingsFile(appDataDir, executableName);
}

}  // namespace virn::sweep
