// The main window's settings file as virn-sweep reads it: the values it takes,
// each as the window's own control would hold it, the defaults, a broken file
// reported and left in place, and where the file lives.
#include "sweep/window_settings.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "settings/config_file.h"

namespace virn::sweep {
namespace {

using settings::StoredValue;
using settings::ValueKind;

QByteArray Document(const std::vector<StoredValue>& values) {
  return settings::BuildConfig({10, 20, 640, 400, 0, 0}, values);
}

StoredValue Integer(const char* name, qint32 value) {
  return {QString::fromLatin1(name), ValueKind::Integer, QString::number(value)};
}

TEST(WindowSettings, DefaultsAreTheWindowsControlsAtStart) {
  const WindowSettings s;
  EXPECT_EQ(s.StartFreq(), 100000);
  EXPECT_EQ(s.EndFreq(), 50000000);
  EXPECT_TRUE(s.delay);
  EXPECT_EQ(s.delayIndex, 0);
  EXPECT_FALSE(s.averaging);
  EXPECT_FALSE(s.linear);
  EXPECT_EQ(s.dds, 43);
  EXPECT_EQ(s.realFreq, 45000000);
  EXPECT_EQ(s.corrFreq, 45000000);
  EXPECT_EQ(s.calibration, display::LevelCalibration{});
}

TEST(WindowSettings, ReadsTheValuesASweepNeeds) {
  const WindowSettings s = ReadWindowSettings(Document({
      Integer("_CorrLog_0Db", 15), Integer("_CorrLog_40Db", 127), Integer("_CorrLin_0Db", 21),
      Integer("_CorrLin_12Db", 121), Integer("_StartFreqA", 1), Integer("_StartFreqB", 5),
      Integer("_StartFreqC", 7), Integer("_EndFreqA", 30), Integer("_EndFreqB", 0), Integer("_EndFreqC", 999),
      Integer("_Linear", 1), Integer("_Delay", 0), Integer("_DelayIndex", 2), Integer("_Averaging", 1),
      Integer("_RealFreq", 45000450), Integer("_CorrFreq", 45000000), Integer("_DDS", 41),
      Integer("_Visir", 1),  // not a sweep's business
  }));
  EXPECT_EQ(s.calibration.CorrLog_0Db, 15);
  EXPECT_EQ(s.calibration.CorrLog_40Db, 127);
  EXPECT_EQ(s.calibration.CorrLin_0Db, 21);
  EXPECT_EQ(s.calibration.CorrLin_12Db, 121);
  EXPECT_EQ(s.StartFreq(), 1005007);
  EXPECT_EQ(s.EndFreq(), 30000999);
  EXPECT_TRUE(s.linear);
  EXPECT_FALSE(s.delay);
  EXPECT_EQ(s.delayIndex, 2);
  EXPECT_TRUE(s.averaging);
  EXPECT_EQ(s.realFreq, 45000450);
  EXPECT_EQ(s.dds, 41);
}

TEST(WindowSettings, ValuesAreHeldAsTheWindowsControlsHoldThem) {
  const WindowSettings s = ReadWindowSettings(Document({
      Integer("_CorrLog_0Db", 65536 + 7),                  // a 16-bit field keeps the low bits
      Integer("_StartFreqA", 1200),                        // the up-down holds 0..999
      Integer("_StartFreqB", -3), Integer("_Delay", 256),  // a boolean reads its low byte
      Integer("_DelayIndex", 4),                           // not in the list: the entry stays
      Integer("_RealFreq", 0),                             // cannot be a measured frequency
  }));
  EXPECT_EQ(s.calibration.CorrLog_0Db, 7);
  EXPECT_EQ(s.start[0], 999);
  EXPECT_EQ(s.start[1], 0);
  EXPECT_FALSE(s.delay);
  EXPECT_EQ(s.delayIndex, 0);
  EXPECT_EQ(s.realFreq, 45000000);
}

TEST(WindowSettings, ABrokenDocumentThrowsAndKeepsNothing) {
  QByteArray document = Document({Integer("_DDS", 41)});
  document.replace("<Tag type=\"Integer\">0</Tag>", "<Tag type=\"Integer\">zero</Tag>");
  EXPECT_THROW(ReadWindowSettings(document), settings::EConfigError);
  EXPECT_THROW(ReadWindowSettings("not xml"), settings::EConfigError);
}

TEST(LoadWindowSettings, NoFileGivesTheDefaults) {
  QTemporaryDir dir;
  const LoadedSettings loaded = LoadWindowSettings(dir.filePath(QStringLiteral("none.xml")));
  EXPECT_FALSE(loaded.found);
  EXPECT_TRUE(loaded.problem.isEmpty());
  EXPECT_EQ(loaded.settings.dds, 43);
}

TEST(LoadWindowSettings, ABrokenFileIsReportedLeftInPlaceAndTheDefaultsApply) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("virn.mainform.config.xml"));
  const QByteArray broken = "<Configuration><_DDS type=\"Integer\">41</_DDS>";
  {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(broken);
  }
  const LoadedSettings loaded = LoadWindowSettings(name);
  EXPECT_TRUE(loaded.found);
  EXPECT_FALSE(loaded.problem.isEmpty());
  EXPECT_EQ(loaded.settings.dds, 43);
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), broken);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("virn.mainform.config.xml")});
}

TEST(LoadWindowSettings, AGoodFileIsReadAndStaysByteForByte) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("s.xml"));
  const QByteArray document = Document({Integer("_DDS", 40), Integer("_Linear", 1)});
  {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(document);
  }
  const QDateTime modified = QFileInfo(name).lastModified();
  const LoadedSettings loaded = LoadWindowSettings(name);
  EXPECT_TRUE(loaded.found);
  EXPECT_TRUE(loaded.problem.isEmpty()) << loaded.problem.toStdString();
  EXPECT_EQ(loaded.settings.dds, 40);
  EXPECT_TRUE(loaded.settings.linear);
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), document);
  EXPECT_EQ(QFileInfo(name).lastModified(), modified);
}

TEST(WindowSettingsFile, FollowsTheWindowsNameRule) {
  EXPECT_EQ(WindowSettingsFile(QStringLiteral("/home/u/.config"), QStringLiteral("virn")),
            QStringLiteral("/home/u/.config/Kelmar/virn/virn.mainform.config.xml"));
  EXPECT_EQ(WindowSettingsFile(QStringLiteral("/home/u/.config"), QStringLiteral("virn-demo")),
            QStringLiteral("/home/u/.config/Kelmar/virn-demo/virn-demo.mainform.config.xml"));
}

}  // namespace
}  // namespace virn::sweep
