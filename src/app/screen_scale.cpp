#include "app/screen_scale.h"

#include <QByteArray>
#include <QFileInfo>

#include "settings/klm_api.h"
#include "settings/settings_folder.h"

namespace virn::app {

namespace {

constexpr int kLowestScale = 100;
constexpr int kHighestScale = 400;
const QString kAutoText = QStringLiteral("auto");

QString StoredText(int percent) {
  return percent == kAutoScale ? kAutoText : QString::number(percent);
}

}  // namespace

QString ScaleCaption(int percent) {
  return percent == kAutoScale ? QStringLiteral("Авто") : QStringLiteral("%1 %").arg(percent);
}

int StoredScale(const settings::KeyValues& values) {
  const auto it = values.find(kScaleKey);
  if (it == values.end()) return kAutoScale;
  bool ok = false;
  const int percent = it->second.trimmed().toInt(&ok);
  return ok && percent >= kLowestScale && percent <= kHighestScale ? percent : kAutoScale;
}

ScaleChange ChooseScale(const QString& extraSettingsFile, int percent) {
  if (StoredScale(settings::LoadKeyValues(extraSettingsFile)) == percent) return ScaleChange::Unchanged;
  return settings::StoreKeyValue(extraSettingsFile, kScaleKey, StoredText(percent)) ? ScaleChange::Stored
                                                                                    : ScaleChange::NotStored;
}

void ApplyScale(int percent) {
  if (percent < kLowestScale || percent > kHighestScale) return;
  // Qt multiplies its own factor by the desktop's and sizes fonts by the
  // desktop's resolution; the choice replaces both.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qputenv("QT_FONT_DPI", "96");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
  qputenv("QT_SCALE_FACTOR", QByteArray::number(percent / 100.0));
}

QString ProgramExtraSettingsFile() {
  const QString executable =
      QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).fileName();
  try {
    const std::string appData = settings::fsGetAppDataPath();
    if (appData.empty() || executable.isEmpty()) return {};
    const QString configDir = QString::fromStdString(appData) + QStringLiteral("/Kelmar/") +
                              settings::ProgramFolderName(executable);
    return settings::ExtraSettingsFile(configDir, executable);
  } catch (const std::exception&) {
    return {};  // without the host library there is no configuration folder either
  }
}

}  // namespace virn::app
