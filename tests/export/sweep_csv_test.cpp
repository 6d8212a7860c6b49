// A sweep as CSV: the rows against the calibration's own arithmetic and the
// plot's column frequencies, the empty level of a flat calibration, and what a
// failed save leaves under the chosen name.
#include "export/sweep_csv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "display/scale.h"
#include "scripted_files.h"
#include "settings/klm_api.h"
#include "support/build_paths.h"
#include "support/scoped_env.h"

namespace virn::exports {
namespace {

using test::ScriptedFiles;

// A calibrated log detector: 0 dB at sample 236 (offset 15 puts it on row 30)
// and -40 dB 112 rows lower, 2.8 rows a dB.
SweepTable CalibratedSweep() {
  SweepTable table;
  table.StartFreq = 1000000;
  table.EndFreq = 43000000;  // 100 kHz a point
  table.Scale.Calibration.CorrLog_0Db = 15;
  table.Scale.Calibration.CorrLog_40Db = 127;
  table.ZeroOffset = 15;
  for (std::size_t i = 0; i < table.Samples.size(); ++i)
    table.Samples[i] = static_cast<std::int32_t>(i % 256);
  return table;
}

std::vector<QList<QByteArray>> Rows(const QByteArray& text) {
  std::vector<QList<QByteArray>> rows;
  QList<QByteArray> lines = text.split('\n');
  EXPECT_TRUE(lines.back().isEmpty()) << "every row ends with a line feed";
  lines.removeLast();
  for (const QByteArray& line : lines) rows.push_back(line.split(','));
  return rows;
}

QString Fixed2(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.2f", value);
  return QString::fromLatin1(text.data());
}

TEST(SweepCsv, HeaderIsExact) {
  EXPECT_EQ(SweepCsvHeader(), QByteArray("sweep,frequency_hz,level_db,sample\n"));
}

TEST(SweepCsv, KnownSweepGivesTheCalibratedLevelsAndTheColumnFrequencies) {
  const SweepTable sweep = CalibratedSweep();
  const auto rows = Rows(SweepCsvRows(7, sweep));
  ASSERT_EQ(rows.size(), 421U);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& row = rows[i];
    ASSERT_EQ(row.size(), 4) << i;
    EXPECT_EQ(row[0], "7") << i;
    const int sample = static_cast<int>(i % 256);
    EXPECT_EQ(row[1].toLongLong(), 1000000 + 100000 * static_cast<long long>(i)) << i;
    EXPECT_EQ(row[1].toInt(), display::PixelToFreq(35 + static_cast<int>(i), sweep.StartFreq, sweep.EndFreq));
    // 0 dB at 236, 2.8 samples a dB.
    const double expected = (sample - 236) / 2.8;
    EXPECT_EQ(QString::fromLatin1(row[2]), Fixed2(expected)) << i;
    EXPECT_NEAR(row[2].toDouble(), expected, 0.005) << i;
    EXPECT_EQ(row[3].toInt(), sample) << i;
  }
  EXPECT_EQ(rows[236][2], "0.00");
  EXPECT_EQ(rows[124][2], "-40.00");
}

TEST(SweepCsv, DefaultScaleReadsTwoAndAHalfSamplesADbFrom251) {
  SweepTable sweep;
  sweep.StartFreq = 100000;
  sweep.EndFreq = 50000000;
  sweep.Samples.fill(0);
  sweep.Samples[0] = 251;
  sweep.Samples[1] = 250;  // one row below 0 dB: -0.4
  sweep.Samples[2] = 255;
  sweep.Samples[420] = 1;
  const auto rows = Rows(SweepCsvRows(1, sweep));
  EXPECT_EQ(rows[0][2], "0.00");
  EXPECT_EQ(rows[1][2], "-0.40");
  EXPECT_EQ(rows[2][2], "1.60");
  EXPECT_EQ(rows[420][2], "-100.00");
  EXPECT_EQ(rows[3][2], "-100.40");
  // The span of 49.9 MHz is no whole number of hertz a point: the plot's rounding.
  for (int i = 0; i < 421; ++i) {
    EXPECT_EQ(rows[static_cast<std::size_t>(i)][1].toInt(), display::PixelToFreq(35 + i, 100000, 50000000));
  }
  EXPECT_EQ(rows[1][1], "218810");
  EXPECT_EQ(rows[420][1], "50000000");
}

TEST(SweepCsv, CorrectedLevelsGoInTheLevelColumnAndTheSampleStaysRaw) {
  SweepTable sweep;
  sweep.StartFreq = 100000;
  sweep.EndFreq = 50000000;
  sweep.Samples.fill(240);
  sweep.Corrected.emplace();
  sweep.Corrected->fill(251);
  (*sweep.Corrected)[1] = 250.5;  // between two rows: -0.2 dB
  const auto rows = Rows(SweepCsvRows(1, sweep));
  EXPECT_EQ(rows[0][2], "0.00");
  EXPECT_EQ(rows[1][2], "-0.20");
  EXPECT_EQ(rows[1][3], "240");
}

TEST(SweepCsv, LinearDetectorUsesItsOwnCalibration) {
  SweepTable sweep;
  sweep.Scale.Linear = true;
  sweep.Scale.Calibration.CorrLin_0Db = 21;    // 230 + 21 on row 30
  sweep.Scale.Calibration.CorrLin_12Db = 121;  // 100 rows for 12 dB
  sweep.ZeroOffset = 21;
  sweep.Samples.fill(230);
  sweep.Samples[5] = 180;
  const auto rows = Rows(SweepCsvRows(1, sweep));
  EXPECT_EQ(rows[0][2], "0.00");
  EXPECT_EQ(QString::fromLatin1(rows[5][2]), Fixed2(-50 * 12 / 100.0));
}

TEST(SweepCsv, FlatCalibrationLeavesTheLevelEmpty) {
  SweepTable sweep;
  sweep.Scale.Calibration.CorrLog_0Db = 40;
  sweep.Scale.Calibration.CorrLog_40Db = 40;
  sweep.ZeroOffset = 40;
  sweep.Samples.fill(17);
  sweep.StartFreq = 100000;
  sweep.EndFreq = 100000 + 420;
  const QByteArray rows = SweepCsvRows(2, sweep);
  EXPECT_TRUE(rows.startsWith("2,100000,,17\n")) << rows.left(40).toStdString();
  for (const auto& row : Rows(rows)) {
    ASSERT_EQ(row.size(), 4);
    EXPECT_TRUE(row[2].isEmpty());
  }
}

TEST(SweepCsv, TextIsPlainLinesWithNoByteOrderMark) {
  const QByteArray text = SweepCsvHeader() + SweepCsvRows(1, CalibratedSweep());
  EXPECT_FALSE(text.startsWith("\xEF\xBB\xBF"));
  EXPECT_FALSE(text.contains('\r'));
  EXPECT_EQ(text.count('\n'), 422);
  for (const char c : text) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);
}

TEST(SweepTableOf, TakesTheRangeTheScaleAndTheOffsetOfTheMode) {
  display::PlotInputs in;
  in.StartFreq = 5000;
  in.EndFreq = 6000;
  in.Scale.Calibration.CorrLog_0Db = 11;
  in.Scale.Calibration.CorrLin_0Db = 22;
  in.ZeroDbAnaliser = 33;
  in.Samples[3] = 99;
  SweepTable table = SweepTableOf(in);
  EXPECT_EQ(table.StartFreq, 5000);
  EXPECT_EQ(table.EndFreq, 6000);
  EXPECT_EQ(table.Scale, in.Scale);
  EXPECT_EQ(table.Samples, in.Samples);
  EXPECT_EQ(table.ZeroOffset, 11);
  in.Scale.Linear = true;
  EXPECT_EQ(SweepTableOf(in).ZeroOffset, 22);
  in.Mode = display::PlotMode::Analyser;
  EXPECT_EQ(SweepTableOf(in).ZeroOffset, 33);
}

struct SaveSweep : ::testing::Test {
  QTemporaryDir target;
  QTemporaryDir temp;
  test::ScopedEnv tmpdir{"TMPDIR", temp.path().toStdString()};
  std::vector<std::string> failures;
  QString name = target.filePath(QStringLiteral("sweep.csv"));

  SaveSweep() { settings::SetKlmLibraryDir(virn::test::BuildLibDir()); }
  ~SaveSweep() override { settings::SetKlmLibraryDir(""); }
  bool Save(PictureFiles& files) {
    return SaveSweepCsv(CalibratedSweep(), name, files,
                        [this](const std::string& reason) { failures.push_back(reason); });
  }
  QByteArray Contents() const {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
  }
  void PutOldFile() const {
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old contents\n");
  }
  bool TempFoldersLeft() const {
    return !QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
  }
};

TEST_F(SaveSweep, WritesTheHeaderAndTheSweepAsSweepOne) {
  PutOldFile();
  HostPictureFiles files;
  ASSERT_TRUE(Save(files));
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(Contents(), SweepCsvHeader() + SweepCsvRows(1, CalibratedSweep()));
  EXPECT_FALSE(TempFoldersLeft());
}

TEST_F(SaveSweep, AFailedMoveLeavesTheOldFileAndRemovesTheFolder) {
  PutOldFile();
  ScriptedFiles files;
  files.failMove = true;
  EXPECT_FALSE(Save(files));
  ASSERT_EQ(failures.size(), 1U);
  EXPECT_EQ(failures[0], "Отказано в доступе");
  EXPECT_EQ(Contents(), QByteArray("old contents\n"));
  EXPECT_EQ(files.cleared.size(), 1U);
  EXPECT_FALSE(TempFoldersLeft());
}

TEST_F(SaveSweep, AFailedWriteLeavesTheOldFile) {
  PutOldFile();
  ScriptedFiles files;
  files.unwritableTempDir = true;
  EXPECT_FALSE(Save(files));
  ASSERT_EQ(failures.size(), 1U);
  EXPECT_NE(failures[0].find("cannot write"), std::string::npos) << failures[0];
  EXPECT_EQ(Contents(), QByteArray("old contents\n"));
  EXPECT_EQ(files.cleared, std::vector<std::string>{"/nonexistent-virn-test-folder/"});
}

TEST_F(SaveSweep, NoTemporaryFolderIsAFileErrorAndWritesNothing) {
  ScriptedFiles files;
  files.noTempDir = true;
  EXPECT_FALSE(Save(files));
  EXPECT_EQ(failures, std::vector<std::string>{kFileErrorText});
  EXPECT_FALSE(QFile::exists(name));
  EXPECT_TRUE(files.cleared.empty());
}

}  // namespace
}  // namespace virn::exports
