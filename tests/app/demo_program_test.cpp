// Runs the real virn-demo executable offscreen and reads its wire log.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

namespace {

struct DemoRun {
  QTemporaryDir home;
  QProcess process;
  QString logPath;

  explicit DemoRun(QStringList extraArgs) {
    logPath = home.filePath(QStringLiteral("wire.log"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    process.setProcessEnvironment(env);
    QStringList args{QStringLiteral("--wire-log"), logPath};
    args << extraArgs;
    process.start(QStringLiteral(VIRN_TEST_BUILD_BINDIR "/virn-demo"), args);
  }
  ~DemoRun() {
    process.kill();
    process.waitForFinished(10000);
  }
  QStringList Lines() const {
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  bool WaitForLine(const QString& bytes) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
      for (const QString& line : Lines()) {
        if (line.endsWith(bytes)) return true;
      }
      QThread::msleep(20);
    }
    return false;
  }
  int Count(const QString& bytes) const {
    int n = 0;
    for (const QString& line : Lines()) n += line.endsWith(bytes) ? 1 : 0;
    return n;
  }
};

TEST(DemoProgramTest, FindsTheInstrumentWithOneVersionQuery) {
  DemoRun demo({QStringLiteral("--other-devices"), QStringLiteral("2")});
  ASSERT_TRUE(demo.process.waitForStarted(10000));
  ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 09 00 00 00 00")));
  // Found on the first tick, discovery stops: no further queries reach it.
  QThread::msleep(400);
  EXPECT_EQ(demo.Count(QStringLiteral(" 09 00 00 00 00")), 1);
  EXPECT_EQ(demo.process.state(), QProcess::Running);
  // Every line is the time and five bytes in hex.
  for (const QString& line : demo.Lines()) {
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+( [0-9A-F]{2}){5}$")).match(line).hasMatch())
        << line.toStdString();
  }
}

TEST(DemoProgramTest, WithoutTheInstrumentNothingReachesIt) {
  DemoRun demo({QStringLiteral("--no-instrument")});
  ASSERT_TRUE(demo.process.waitForStarted(10000));
  QThread::msleep(500);
  EXPECT_EQ(demo.process.state(), QProcess::Running);
  EXPECT_TRUE(demo.Lines().isEmpty());
}

TEST(DemoProgramTest, BadOptionsEndWithUsage) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(VIRN_TEST_BUILD_BINDIR "/virn-demo"), {QStringLiteral("--bogus")});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 2);
  EXPECT_TRUE(process.readAllStandardError().contains("--wire-log"));
}

}  // namespace
