// The settings folder named after the executable, and the move of an earlier
// version's file to it.
#include "settings/settings_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace virn::settings {
namespace {

struct Files {
  QTemporaryDir home;
  QString kelmar = home.filePath(QStringLiteral("Kelmar"));
  void Write(const QString& path, const QByteArray& bytes) const {
    QDir().mkpath(QFileInfo(kelmar + path).path());
    QFile file(kelmar + path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  }
  QByteArray Read(const QString& path) const {
    QFile file(kelmar + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
  }
};

TEST(MoveEarlierSettings, TheEarlierFolderOfEachProgramMovesToItsOwnOnce) {
  for (const auto& [executable, earlier] :
       std::vector<std::pair<QString, QString>>{{"virn", "/"}, {"virn-demo", "/virn-/"}}) {
    SCOPED_TRACE(executable.toStdString());
    const Files files;
    const QString name = executable + QStringLiteral(".mainform.config.xml");
    files.Write(earlier + name, "calibration");
    files.Write(earlier + name + QStringLiteral(".bad"), "damaged");
    files.Write(earlier + QStringLiteral("virn-sweep.mainform.config.xml"), "another program's");
    EXPECT_EQ(MoveEarlierSettings(files.kelmar, executable).size(), 2);
    EXPECT_EQ(files.Read('/' + executable + '/' + name), "calibration");
    EXPECT_EQ(files.Read('/' + executable + '/' + name + QStringLiteral(".bad")), "damaged");
    EXPECT_EQ(files.Read(earlier + name), "(none)");
    EXPECT_EQ(files.Read(earlier + QStringLiteral("virn-sweep.mainform.config.xml")), "another program's");
    EXPECT_TRUE(MoveEarlierSettings(files.kelmar, executable).isEmpty());
  }
}

TEST(MoveEarlierSettings, AFileInTheNewFolderWinsAndAnEmptyOldFolderGoes) {
  const Files files;
  files.Write(QStringLiteral("/virn-/virn-demo.mainform.config.xml"), "old");
  files.Write(QStringLiteral("/virn-demo/virn-demo.mainform.config.xml"), "new");
  EXPECT_TRUE(MoveEarlierSettings(files.kelmar, QStringLiteral("virn-demo")).isEmpty());
  EXPECT_EQ(files.Read(QStringLiteral("/virn-demo/virn-demo.mainform.config.xml")), "new");
  EXPECT_EQ(files.Read(QStringLiteral("/virn-/virn-demo.mainform.config.xml")), "old");
  QFile::remove(files.kelmar + QStringLiteral("/virn-/virn-demo.mainform.config.xml"));
  MoveEarlierSettings(files.kelmar, QStringLiteral("virn-demo"));
  EXPECT_FALSE(QDir(files.kelmar + QStringLiteral("/virn-")).exists());
}

}  // namespace
}  // namespace virn::settings
