// The built virn-sweep started as a child process: its exit statuses and
// messages, the CSV of the simulated instrument against the simulated network,
// the settings file left as it was, the --output file and the wire log.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <csignal>

#include "display/scale.h"
#include "flatness/flatness_correction.h"
#include "settings/config_file.h"
#include "settings/extra_settings.h"
#include "sim/network_model.h"
#include "sim/sweep_model.h"
#include "support/build_paths.h"
#include "support/poll_until.h"
#include "support/program_environment.h"

namespace {

using virn::settings::StoredValue;
using virn::settings::ValueKind;

struct Result {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

struct SweepProgram : ::testing::Test {
  QTemporaryDir home;
  QTemporaryFile suppressions;

  Result Run(const QStringList& arguments, int timeoutMs = 60000,
             const QString& program = virn::test::InBuildBin(QStringLiteral("virn-sweep"))) {
    QProcess process;
    process.setProcessEnvironment(
        virn::test::ProgramEnvironment(home.path(), QString(), home.path(), suppressions));
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted(virn::test::kHangMs)) return result;
    if (!process.waitForFinished(timeoutMs)) {
      process.kill();
      process.waitForFinished(5000);
      return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
  }

  // virn-demo's settings file, which --simulated reads: a calibrated log
  // detector (0 dB at 236, 2.8 samples a dB, as the simulated one is) and the
  // range 1 to 43 MHz.
  QString demoSettings = home.filePath(QStringLiteral("Kelmar/virn-demo/virn-demo.mainform.config.xml"));
  QByteArray WriteDemoSettings() {
    const auto value = [](const char* name, int v) {
      return StoredValue{QString::fromLatin1(name), ValueKind::Integer, QString::number(v)};
    };
    const QByteArray document = virn::settings::BuildConfig(
        {0, 0, 640, 400, 0, 0},
        {value("_CorrLog_0Db", 15), value("_CorrLog_40Db", 127), value("_StartFreqA", 1),
         value("_StartFreqB", 0), value("_StartFreqC", 0), value("_EndFreqA", 43), value("_EndFreqB", 0),
         value("_EndFreqC", 0), value("_Delay", 1), value("_DelayIndex", 0)});
    EXPECT_TRUE(QDir().mkpath(QFileInfo(demoSettings).path()));
    QFile file(demoSettings);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(document);
    return document;
  }
};

QList<QByteArray> Lines(const QByteArray& text) {
  QList<QByteArray> lines = text.split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

TEST_F(SweepProgram, HelpDescribesEverythingAndExitsZero) {
  const Result r = Run({QStringLiteral("--help")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.out.contains("--simulated"));
  EXPECT_TRUE(r.out.contains("--timeout"));
  EXPECT_TRUE(r.out.contains("Exit status"));
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(SweepProgram, WrongArgumentsExitTwoWithOneLine) {
  for (const QStringList& arguments :
       {QStringList{"--count", "0"}, QStringList{"--period", "9"}, QStringList{"--frobnicate"},
        QStringList{"--no-instrument"},
        QStringList{"--simulated", "--settings", home.filePath("missing.xml")}}) {
    const Result r = Run(arguments);
    EXPECT_EQ(r.exitCode, 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith("virn-sweep: ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
  }
}

TEST_F(SweepProgram, NoInstrumentExitsOneAfterTheTimeout) {
  const QString output = home.filePath(QStringLiteral("old.csv"));
  {
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("kept\n");
  }
  const Result r = Run({"--simulated", "--no-instrument", "--timeout", "0.5", "--output", output});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, QByteArray("virn-sweep: no instrument found within 0.5 s\n"));
  EXPECT_TRUE(r.out.isEmpty());
  QFile file(output);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("kept\n"));
}

TEST_F(SweepProgram, ThreeSimulatedSweepsReadTheNetworkThroughTheCalibration) {
  const QByteArray settings = WriteDemoSettings();
  const QDateTime modified = QFileInfo(demoSettings).lastModified();
  const Result r = Run({"--simulated", "--count", "3"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

  const QList<QByteArray> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 1 + 3 * 421);
  EXPECT_EQ(lines[0], "sweep,frequency_hz,level_db,sample");
  int compared = 0;
  int floorPoints = 0;
  for (int sweep = 1; sweep <= 3; ++sweep) {
    for (int i = 0; i < 421; ++i) {
      const QList<QByteArray> row = lines[1 + (sweep - 1) * 421 + i].split(',');
      ASSERT_EQ(row.size(), 4);
      ASSERT_EQ(row[0].toInt(), sweep);
      const int frequency = row[1].toInt();
      ASSERT_EQ(frequency, virn::display::PixelToFreq(35 + i, 1000000, 43000000));
      bool ok = false;
      const double level = row[2].toDouble(&ok);
      ASSERT_TRUE(ok) << row[2].toStdString();
      const int sample = row[3].toInt();
      ASSERT_GE(sample, 0);
      ASSERT_LE(sample, 255);
      // What the instrument really sees there: its clock is 10 ppm fast.
      const double gain = virn::sim::BandPassGainDb({}, frequency * virn::sim::kDefaultClockFactor);
      if (gain > -60) {
        // Rounding to a byte is 0.18 dB, the noise a fraction of a sample.
        EXPECT_NEAR(level, gain, 1.0) << "sweep " << sweep << " at " << frequency << " Hz";
        ++compared;
      } else if (gain < -100) {
        // Deep in the stop band the detector reads its own floor at -80 dB.
        EXPECT_NEAR(level, -80, 6.0) << "sweep " << sweep << " at " << frequency << " Hz";
        ++floorPoints;
      }
    }
  }
  EXPECT_GT(compared, 3 * 100);
  EXPECT_GT(floorPoints, 0);

  // Read, never written: the same bytes, the same time, nothing beside it.
  QFile file(demoSettings);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), settings);
  EXPECT_EQ(QFileInfo(demoSettings).lastModified(), modified);
  EXPECT_EQ(QDir(QFileInfo(demoSettings).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{QFileInfo(demoSettings).fileName()});
}

TEST_F(SweepProgram, TheFlatnessCorrectionIsTheWindowsStateUnlessToldAndTheSampleStaysRaw) {
  WriteDemoSettings();
  const QString dir = QFileInfo(demoSettings).path();
  // A table that reads 10 dB (28 samples) low above 10 MHz: corrected, the levels there rise by as much.
  const virn::flatness::FlatnessTable table(
      false, QDateTime::currentDateTimeUtc(),
      {{10000, 236}, {10000000, 236}, {10000001, 208}, {100000000, 208}});
  ASSERT_TRUE(virn::flatness::StoreFlatness(virn::flatness::FlatnessFile(dir, "virn-demo", false), table));
  ASSERT_TRUE(virn::settings::StoreKeyValue(virn::settings::ExtraSettingsFile(dir, "virn-demo"),
                                            virn::flatness::kOnKey, QStringLiteral("1")));
  const auto rows = [&](const QStringList& arguments) {
    const Result r = Run(QStringList{"--simulated"} + arguments);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QList<QByteArray> lines = Lines(r.out);
    if (!lines.isEmpty()) lines.removeFirst();
    return lines;
  };
  const QList<QByteArray> asTheWindow = rows({});
  const QList<QByteArray> raw = rows({"--no-flat"});
  ASSERT_EQ(asTheWindow.size(), 421);
  ASSERT_EQ(raw.size(), 421);
  for (int i = 0; i < 421; ++i) {
    const QList<QByteArray> corrected = asTheWindow[i].split(',');
    const QList<QByteArray> plain = raw[i].split(',');
    EXPECT_EQ(corrected[3], plain[3]) << i;  // the same bytes: the noise is seeded
    const double rise = corrected[2].toDouble() - plain[2].toDouble();
    EXPECT_NEAR(rise, corrected[1].toInt() > 10000001 ? 10.0 : 0.0, 0.01) << corrected[1].toStdString();
  }
  EXPECT_EQ(Run({"--simulated", "--flat", "--linear"}).exitCode, 2);  // no table for that detector
}

TEST_F(SweepProgram, OutputFileGetsTheHeaderOnceAndTheCommandLineRange) {
  const QString output = home.filePath(QStringLiteral("sweeps.csv"));
  {
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("an older and much longer file that is replaced whole\n");
  }
  const QString wireLog = home.filePath(QStringLiteral("wire.log"));
  const Result r = Run({"--simulated", "--count", "2", "--start", "2000000", "--end", "44000000", "--period",
                        "2", "--average", "--output", output, "--wire-log", wireLog});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.isEmpty());
  QFile file(output);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = Lines(file.readAll());
  ASSERT_EQ(lines.size(), 1 + 2 * 421);
  EXPECT_EQ(lines[0], "sweep,frequency_hz,level_db,sample");
  EXPECT_TRUE(lines[1].startsWith("1,2000000,"));
  EXPECT_TRUE(lines[421].startsWith("1,44000000,"));
  EXPECT_TRUE(lines[422].startsWith("2,2000000,"));
  EXPECT_EQ(lines.count("sweep,frequency_hz,level_db,sample"), 1);
  // No settings file: the default calibration still gives every point a level.
  EXPECT_FALSE(lines[1].split(',')[2].isEmpty());

  // Start's frames on the wire, the options as given, and Stop last.
  QFile log(wireLog);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QList<QByteArray> frames = Lines(log.readAll());
  ASSERT_FALSE(frames.isEmpty());
  const auto has = [&](const char* frame) {
    for (const QByteArray& line : frames) {
      if (line.endsWith(frame)) return true;
    }
    return false;
  };
  EXPECT_TRUE(has(" 05 02 00 00 00")) << "period 2";
  EXPECT_TRUE(has(" 0D 01 00 00 00")) << "averaging on";
  EXPECT_TRUE(has(" 03 80 84 1E 00")) << "start word 2000000";
  EXPECT_TRUE(has(" 04 A0 86 01 00")) << "step 100000";
  EXPECT_TRUE(frames.back().endsWith(" 06 00 00 00 00")) << frames.back().toStdString();
}

// Starts a long run and waits until its first sweep is on standard output.
struct LongRun {
  QProcess process;
  QString wireLog;
  LongRun(SweepProgram& test, const QStringList& extra = {}) {
    wireLog = test.home.filePath(QStringLiteral("long-wire.log"));
    process.setProcessEnvironment(
        virn::test::ProgramEnvironment(test.home.path(), QString(), test.home.path(), test.suppressions));
    process.start(virn::test::InBuildBin(QStringLiteral("virn-sweep")),
                  QStringList{"--simulated", "--count", "1000", "--wire-log", wireLog} + extra);
  }
  bool WaitForRows(int rows) {
    return virn::test::PollUntil([&] {
      out += process.readAllStandardOutput();
      return out.count('\n') >= rows;
    });
  }
  QByteArray out;
};

QByteArray LastLine(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QList<QByteArray> lines = Lines(file.readAll());
  return lines.isEmpty() ? QByteArray() : lines.back();
}

TEST_F(SweepProgram, ASignalEndsTheRunWithStopAndTheSweepsSoFarComplete) {
  LongRun run(*this);
  ASSERT_TRUE(run.WaitForRows(1 + 421)) << run.out.size();
  run.process.terminate();  // SIGTERM
  ASSERT_TRUE(run.process.waitForFinished(virn::test::kHangMs));
  run.out += run.process.readAllStandardOutput();
  EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(run.process.exitCode(), 128 + SIGTERM);
  const QByteArray err = run.process.readAllStandardError();
  EXPECT_TRUE(err.startsWith("virn-sweep: interrupted after ")) << err.toStdString();
  EXPECT_EQ(err.count('\n'), 1);
  // Whole sweeps only, and the instrument told to stop.
  EXPECT_EQ((Lines(run.out).size() - 1) % 421, 0) << Lines(run.out).size();
  EXPECT_TRUE(LastLine(run.wireLog).endsWith(" 06 00 00 00 00")) << LastLine(run.wireLog).toStdString();
}

TEST_F(SweepProgram, AReaderThatGoesAwayEndsTheRunWithStop) {
  const QString wireLog = home.filePath(QStringLiteral("piped-wire.log"));
  // `| head` takes two sweeps' lines and goes: the next write finds no reader.
  const Result r = Run(QStringList{"-c", "\"$@\" | head -n 843 >/dev/null; exit ${PIPESTATUS[0]}", "bash",
                                   virn::test::InBuildBin(QStringLiteral("virn-sweep")), "--simulated",
                                   "--count", "1000", "--wire-log", wireLog},
                       60000, QStringLiteral("/bin/bash"));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.err.startsWith("virn-sweep: the output is gone after ")) << r.err.toStdString();
  EXPECT_EQ(r.err.count('\n'), 1);
  EXPECT_TRUE(LastLine(wireLog).endsWith(" 06 00 00 00 00")) << LastLine(wireLog).toStdString();
}

}  // namespace
