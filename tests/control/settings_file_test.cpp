// The published settings read from a settings file without a window: every
// value through its rule, a broken document or file reported and left in place.
#include "control/settings_file.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "settings/config_file.h"

namespace virn::control {
namespace {

using settings::StoredValue;
using settings::ValueKind;

QByteArray Document(const std::vector<StoredValue>& values) {
  return settings::BuildConfig({10, 20, 640, 400, 0, 0}, values);
}

StoredValue Integer(const char* name, qint32 value) {
  return {QString::fromLatin1(name), ValueKind::Integer, QString::number(value)};
}

void Write(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

TEST(ReadSettings, ReadsEachValueThroughItsRule) {
  const measure::Settings s = ReadSettings(Document({
      Integer("_CorrLog_0Db", 65536 + 7),  // a 16-bit value keeps the low bits
      Integer("_CorrLin_12Db", 121),
      Integer("_StartFreqA", 1200),
      Integer("_StartFreqB", 5),
      Integer("_EndFreqC", 999),
      Integer("_Linear", 1),
      Integer("_Delay", 256),  // a boolean reads its low byte
      Integer("_DelayIndex", 2),
      Integer("_RealFreq", 0),
      Integer("_DDS", 41),
      Integer("_GenMode", 1),
      Integer("_SwipMode", 0),
      Integer("_AnaliserMode", 0),
      {QStringLiteral("_Averaging"), ValueKind::String, QStringLiteral("1")},
      {QStringLiteral("_CorrFreq"), ValueKind::Float, QStringLiteral("45000001.0")},
      Integer("_Unknown", 5),  // no such setting: passed over
  }));
  EXPECT_EQ(s.calibration.CorrLog_0Db, 7);
  EXPECT_EQ(s.calibration.CorrLin_12Db, 121);
  EXPECT_EQ(s.startFreq, (measure::TriplePlaces{999, 5, 0}));
  EXPECT_EQ(s.endFreq, (measure::TriplePlaces{50, 0, 999}));
  EXPECT_TRUE(s.linear);
  EXPECT_FALSE(s.delay);
  EXPECT_EQ(s.delayIndex, 2);
  EXPECT_EQ(s.realFreq, measure::kDefaultCalibrationFreq);
  EXPECT_EQ(s.dds, 41);
  EXPECT_EQ(s.mode, measure::Mode::Generator);
  EXPECT_TRUE(s.averaging);
  EXPECT_EQ(s.corrFreq, 45000001);
}

TEST(ReadSettings, ABrokenDocumentThrows) {
  QByteArray document = Document({Integer("_DDS", 41)});
  document.replace("<Tag type=\"Integer\">0</Tag>", "<Tag type=\"Integer\">zero</Tag>");
  EXPECT_THROW(ReadSettings(document), settings::EConfigError);
  EXPECT_THROW(ReadSettings("not xml"), settings::EConfigError);
}

TEST(LoadSettings, NoFileGivesTheDefaults) {
  QTemporaryDir dir;
  const LoadedSettings loaded = LoadSettings(dir.filePath(QStringLiteral("none.xml")));
  EXPECT_FALSE(loaded.found);
  EXPECT_TRUE(loaded.problem.isEmpty());
  EXPECT_EQ(loaded.settings, measure::Settings{});
}

TEST(LoadSettings, ABrokenFileIsReportedLeftInPlaceAndTheDefaultsApply) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("virn.mainform.config.xml"));
  const QByteArray broken = "<Configuration><_DDS type=\"Integer\">41</_DDS>";
  Write(name, broken);
  const LoadedSettings loaded = LoadSettings(name);
  EXPECT_TRUE(loaded.found);
  EXPECT_FALSE(loaded.problem.isEmpty());
  EXPECT_EQ(loaded.settings.dds, 43);
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), broken);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("virn.mainform.config.xml")});
}

TEST(LoadSettings, AGoodFileIsReadAndStaysByteForByte) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("s.xml"));
  const QByteArray document = Document({Integer("_DDS", 40), Integer("_Linear", 1)});
  Write(name, document);
  const QDateTime modified = QFileInfo(name).lastModified();
  const LoadedSettings loaded = LoadSettings(name);
  EXPECT_TRUE(loaded.found);
  EXPECT_TRUE(loaded.problem.isEmpty()) << loaded.problem.toStdString();
  EXPECT_EQ(loaded.settings.dds, 40);
  EXPECT_TRUE(loaded.settings.linear);
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), document);
  EXPECT_EQ(QFileInfo(name).lastModified(), modified);
}

}  // namespace
}  // namespace virn::control
