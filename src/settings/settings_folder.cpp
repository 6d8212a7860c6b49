#include "settings/settings_folder.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace virn::settings {

namespace {
const QString kWindowsSuffix = QStringLiteral(".exe");
constexpr qsizetype kEarlierCut = 4;
}  // namespace

QString ProgramFolderName(const QString& executableFileName) {
  if (executableFileName.endsWith(kWindowsSuffix, Qt::CaseInsensitive)) {
    return executableFileName.chopped(kWindowsSuffix.size());
  }
  return executableFileName;
}

QStringList MoveEarlierSettings(const QString& kelmarDir, const QString& executableFileName) {
  const QString earlierName = executableFileName.chopped(std::min(kEarlierCut, executableFileName.size()));
  QDir earlier(earlierName.isEmpty() ? kelmarDir : kelmarDir + QLatin1Char('/') + earlierName);
  const QDir now(kelmarDir + QLatin1Char('/') + ProgramFolderName(executableFileName));
  QStringList moved;
  if (!earlier.exists() || earlier.absolutePath() == now.absolutePath()) return moved;
  const QString stem = executableFileName.toLower() + QStringLiteral(".*.config.xml");
  const QStringList files = earlier.entryList({stem, stem + QStringLiteral(".bad")}, QDir::Files);
  for (const QString& name : files) {
    const QString target = now.filePath(name);
    if (QFile::exists(target) || !QDir().mkpath(now.path())) continue;
    if (QFile::rename(earlier.filePath(name), target)) moved << target;
  }
  // rmdir removes only an empty folder; Kelmar itself always stays.
  if (!earlierName.isEmpty()) QDir(kelmarDir).rmdir(earlierName);
  return moved;
}

}  // namespace virn::settings
