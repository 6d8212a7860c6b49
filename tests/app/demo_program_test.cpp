// Runs the real virn-demo executable offscreen and reads its wire log.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QToolButton>
#include <QXmlStreamReader>
#include <csignal>

#include "support/build_paths.h"
#include "support/poll_until.h"
#include "support/program_environment.h"
#include "support/window_fixture.h"
#include "support/wire_log_on_failure.h"
#include "support/xvfb_server.h"

namespace {

struct DemoRun {
  QTemporaryDir home;
  QTemporaryFile suppressions;
  QProcess process;
  QString logPath;

  // An empty display runs the program offscreen.
  // An empty configHome gives the run a fresh configuration of its own.
  explicit DemoRun(QStringList extraArgs, const QString& display = {}, const QString& configHome = {}) {
    logPath = home.filePath(QStringLiteral("wire.log"));
    const QProcessEnvironment env = virn::test::ProgramEnvironment(
        configHome.isEmpty() ? home.path() : configHome, display, home.path(), suppressions);
    process.setProcessEnvironment(env);
    QStringList args{QStringLiteral("--wire-log"), logPath};
    args << extraArgs;
    process.start(virn::test::InBuildBin(QStringLiteral("virn-demo")), args);
  }
  ~DemoRun() {
    process.kill();
    process.waitForFinished(10000);
    virn::test::PrintWireLogIfFailed(logPath);
  }
  QStringList Lines() const {
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  bool WaitForLine(const QString& bytes) {
    return virn::test::PollUntil([&] { return Count(bytes) > 0; });
  }
  int Count(const QString& bytes) const {
    int n = 0;
    for (const QString& line : Lines()) n += line.endsWith(bytes) ? 1 : 0;
    return n;
  }
};

TEST(DemoProgramTest, FindsTheInstrumentWithOneVersionQuery) {
  DemoRun demo({QStringLiteral("--other-devices"), QStringLiteral("2")});
  ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
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

// Where each button's centre lies in the main window's client area. Taken
// before the test starts any program: a window's threads running through a
// fork leave ThreadSanitizer unable to follow their locks.
const std::map<QString, QPoint>& ButtonCentres() {
  static const std::map<QString, QPoint> centres = virn::test::ToolButtonCentres();
  return centres;
}
QPoint ButtonCentre(const char* name) {
  return ButtonCentres().at(QString::fromLatin1(name));
}

// The demo's main window on a private X server, and clicks on its buttons.
struct DemoOnX {
  virn::test::XvfbServer& x;
  QString window;

  bool FindWindow() {
    bool ok = false;
    window = x.run(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), QStringLiteral("ВИРН")},
                   &ok)
                 .section(QLatin1Char('\n'), 0, 0);
    return ok && !window.isEmpty();
  }
  bool Click(const char* button) {
    const QPoint at = ButtonCentre(button);
    bool ok = false;
    x.run(QStringLiteral("xdotool"),
          {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(at.x()),
           QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")},
          &ok);
    return ok;
  }
};

TEST(DemoProgramTest, PressingStartMakesTheInstrumentSweep) {
  ButtonCentres();
  virn::test::XvfbServer x;
  ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start (scripts/setup-debian.sh installs it)";
  DemoRun demo({}, x.display());
  ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
  ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 09 00 00 00 00")));
  DemoOnX screen{x, {}};
  ASSERT_TRUE(screen.FindWindow()) << "xdotool found no window (scripts/setup-debian.sh installs xdotool)";
  ASSERT_TRUE(screen.Click("KlSpeedButton1"));
  // The set-up in its order, then a sweep request before every sweep.
  ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 04 1A D0 01 00")));
  ASSERT_TRUE(virn::test::PollUntil([&] { return demo.Count(QStringLiteral(" 07 01 00 00 00")) >= 3; }));
  QStringList frames;
  for (const QString& line : demo.Lines()) frames << line.section(QLatin1Char(' '), 1);
  const QStringList setup = {QStringLiteral("0B 00 00 00 00"), QStringLiteral("02 A4 01 00 00"),
                             QStringLiteral("01 2B 00 00 00"), QStringLiteral("0C 01 00 00 00"),
                             QStringLiteral("0D 00 00 00 00"), QStringLiteral("05 01 00 00 00"),
                             QStringLiteral("03 A0 86 01 00"), QStringLiteral("04 1A D0 01 00")};
  const qsizetype first = frames.indexOf(setup.front());
  ASSERT_GE(first, 0);
  EXPECT_EQ(frames.mid(first, setup.size()), setup);
  const QStringList after = frames.mid(first + setup.size());
  ASSERT_GE(after.size(), 3);
  for (const QString& frame : after) EXPECT_EQ(frame, QStringLiteral("07 01 00 00 00"));
}

TEST(DemoProgramTest, SettingsSurviveARestart) {
  ButtonCentres();
  virn::test::XvfbServer x;
  ASSERT_FALSE(x.display().isEmpty());
  QTemporaryDir home;
  const QString settings = home.path() + QStringLiteral("/Kelmar/virn-demo/virn-demo.mainform.config.xml");
  for (int run = 0; run < 2; ++run) {
    DemoRun demo({}, x.display(), home.path());
    ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
    ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 09 00 00 00 00")));
    DemoOnX screen{x, {}};
    ASSERT_TRUE(screen.FindWindow());
    // The first run switches to generator mode; the second only exits, so the
    // mode it saves is the one it restored.
    if (run == 0) {
      ASSERT_TRUE(screen.Click("mnuGenMode"));
    }
    ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 08 40 42 0F 00")));
    ASSERT_TRUE(screen.Click("ToolButton1"));
    ASSERT_TRUE(demo.process.waitForFinished(virn::test::kHangMs));
    EXPECT_EQ(demo.process.exitCode(), 0);
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "run " << run;
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<_GenMode type=\"Integer\">1</_GenMode>")) << "run " << run;
    EXPECT_TRUE(text.contains("<_SwipMode type=\"Integer\">0</_SwipMode>")) << "run " << run;
  }
}

TEST(DemoProgramTest, WithoutTheInstrumentNothingReachesIt) {
  DemoRun demo({QStringLiteral("--no-instrument")});
  ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
  QThread::msleep(500);
  EXPECT_EQ(demo.process.state(), QProcess::Running);
  EXPECT_TRUE(demo.Lines().isEmpty());
}

// A logout, a shutdown or a kill ends the program as a close of its window
// does: the settings written, exit 0, a second signal harmless
// (scripts/close-loop-demo.sh prints how long the close takes).
TEST(DemoProgramTest, SigtermAfterAModeChangeSavesTheModeAndExits) {
  ButtonCentres();
  virn::test::XvfbServer x;
  ASSERT_FALSE(x.display().isEmpty());
  QTemporaryDir home;
  const QString settings = home.path() + QStringLiteral("/Kelmar/virn-demo/virn-demo.mainform.config.xml");
  DemoRun demo({}, x.display(), home.path());
  ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
  ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 09 00 00 00 00")));
  DemoOnX screen{x, {}};
  ASSERT_TRUE(screen.FindWindow());
  ASSERT_TRUE(screen.Click("mnuGenMode"));
  ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 08 40 42 0F 00")));
  demo.process.terminate();
  demo.process.terminate();  // the second one while the window closes
  ASSERT_TRUE(demo.process.waitForFinished(virn::test::kHangMs));
  EXPECT_EQ(demo.process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(demo.process.exitCode(), 0);
  QFile file(settings);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("<_GenMode type=\"Integer\">1</_GenMode>"));
  QXmlStreamReader xml(text);
  while (!xml.atEnd()) xml.readNext();
  EXPECT_FALSE(xml.hasError()) << "a whole file: " << xml.errorString().toStdString();
}

TEST(DemoProgramTest, SigintAndSighupEndTheProgramAsAClose) {
  for (const int signalNumber : {SIGINT, SIGHUP}) {
    QTemporaryDir home;
    const QString settings = home.path() + QStringLiteral("/Kelmar/virn-demo/virn-demo.mainform.config.xml");
    DemoRun demo({}, {}, home.path());
    ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
    ASSERT_TRUE(demo.WaitForLine(QStringLiteral(" 09 00 00 00 00")));
    ASSERT_FALSE(QFile::exists(settings)) << "nothing written before the end";
    ASSERT_EQ(::kill(static_cast<pid_t>(demo.process.processId()), signalNumber), 0);
    ASSERT_TRUE(demo.process.waitForFinished(virn::test::kHangMs)) << "signal " << signalNumber;
    EXPECT_EQ(demo.process.exitStatus(), QProcess::NormalExit) << "signal " << signalNumber;
    EXPECT_EQ(demo.process.exitCode(), 0) << "signal " << signalNumber;
    EXPECT_TRUE(QFile::exists(settings)) << "signal " << signalNumber;
  }
}

TEST(DemoProgramTest, BadOptionsEndWithUsage) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  process.setProcessEnvironment(env);
  process.start(virn::test::InBuildBin(QStringLiteral("virn-demo")), {QStringLiteral("--bogus")});
  ASSERT_TRUE(process.waitForFinished(virn::test::kHangMs));
  EXPECT_EQ(process.exitCode(), 2);
  EXPECT_TRUE(process.readAllStandardError().contains("--wire-log"));
}

}  // namespace
