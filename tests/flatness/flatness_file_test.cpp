// The correction's file: what a person reads and a program reads back, the
// damage that sets it aside, and the switch that survives a restart.
#include "flatness/flatness_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "flatness/flatness_correction.h"

namespace virn::flatness {
namespace {

const QDateTime kTaken = QDateTime::fromString(QStringLiteral("2026-12-09T23:40:12Z"), Qt::ISODate);

FlatnessTable Small(bool linear) {
  return FlatnessTable(linear, kTaken, {{10000, 236}, {50000, 235.5}, {100000000, 227.125}});
}

TEST(FlatnessFile, AHeaderNamingTheDetectorAndDateThenOneLineAFrequency) {
  const QByteArray text = FormatFlatness(Small(true));
  EXPECT_EQ(text, QByteArray("# ВИРН: коррекция АЧХ, измерена через кабель\n"
                             "# detector: lin\n"
                             "# date: 2026-12-09T23:40:12Z\n"
                             "# frequency_hz level\n"
                             "10000 236.000\n50000 235.500\n100000000 227.125\n"));
  EXPECT_EQ(ParseFlatness(text), Small(true));
  // Edited by hand: tabs, CRLF, comments of one's own.
  EXPECT_EQ(ParseFlatness("# detector: log\r\n#date: 2026-12-09T23:40:12Z\r\n# mine\r\n10000\t236\r\n"
                          "  50000   235.5 \r\n\r\n100000000 227.125"),
            Small(false));
}

TEST(FlatnessFile, DamageIsRefused) {
  const QByteArray head = "# detector: log\n# date: 2026-12-09T23:40:12Z\n";
  const QByteArray damaged[] = {
      "10000 1\n20000 2\n",                                        // no header
      "# detector: log\n10000 1\n20000 2\n",                       // no date
      "# detector: dB\n# date: 2026-12-09T23:40:12Z\n1 1\n2 2\n",  // unknown detector
      "# detector: log\n# date: yesterday\n1 1\n2 2\n",            // date
      head + "10000 1\n",                                          // one point
      head + "10000 1\n10000 2\n",                                 // not rising
      head + "10000 1 3\n20000 2\n",                               // three fields
      head + "10000 x\n20000 2\n",                                 // not a number
      head + "10000 nan\n20000 2\n",                               // not finite
      head + QByteArray(1 << 20, ' '),                             // too large
  };
  for (const QByteArray& text : damaged)
    EXPECT_THROW(ParseFlatness(text), EFlatnessFile) << text.left(60).data();
}

TEST(FlatnessFile, ADamagedFileIsSetAsideAndTheSwitchAndTablesOutliveTheProgram) {
  QTemporaryDir dir;
  const QString log = FlatnessFile(dir.path(), QStringLiteral("Virn"), false);
  EXPECT_TRUE(log.endsWith(QStringLiteral("/virn.flatness-log.txt")));
  {
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# detector: lin\n# date: 2026-12-09T23:40:12Z\n1 1\n2 2\n");  // the other detector's
  }
  FlatnessCorrection first(dir.path(), QStringLiteral("virn"));
  EXPECT_EQ(first.DamagedFiles(), std::vector<QString>{log});
  EXPECT_TRUE(QFile::exists(log + QStringLiteral(".bad")));
  EXPECT_FALSE(first.Available(false));
  EXPECT_FALSE(first.On());
  ASSERT_TRUE(first.Store(Small(false)));
  EXPECT_TRUE(first.On());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);  // the table, the .bad and our settings

  const FlatnessCorrection second(dir.path(), QStringLiteral("virn"));
  EXPECT_TRUE(second.DamagedFiles().empty());
  ASSERT_TRUE(second.Available(false));
  EXPECT_EQ(*second.Table(false), Small(false));
  EXPECT_FALSE(second.Available(true));
  EXPECT_TRUE(second.On());
  // A folder that is gone: the old table stays.
  FlatnessCorrection gone(dir.path() + QStringLiteral("/missing"), QStringLiteral("virn"));
  EXPECT_FALSE(gone.Store(Small(true)));
  EXPECT_FALSE(gone.Available(true));
}

}  // namespace
}  // namespace virn::flatness
