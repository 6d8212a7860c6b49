#include "sweep/window_settings.h"

#include <algorithm>

namespace virn::sweep {

namespace {

// The window is named "MainForm"; its file name uses the name in lower case.
const QString kWindowFileSuffix = QStringLiteral(".mainform.config.xml");
// What the window's folder name drops from the executable's name (".exe" on Windows).
constexpr qsizetype kExtensionLength = 4;

}  // namespace

QString WindowSettingsFile(const QString& appDataDir, const QString& executableName) {
  QString dir = appDataDir + QStringLiteral("/Kelmar/");
  const QString folder = executableName.chopped(std::min(kExtensionLength, executableName.size()));
  if (!folder.isEmpty()) dir += folder + QLatin1Char('/');
  return dir + executableName.toLower() + kWindowFileSuffix;
}

}  // namespace virn::sweep
