// The real virn-demo executable driven through its bench script: an unplug and a
// plug make the program find the instrument again, the two output lines come on
// stdout, and a wrong line is reported while the program runs on. On a private
// X server: the bench window opens beside the main window, under a window
// manager too, both with the program's icon, and closing the main window ends
// the program while the bench is open and nobody writes the script.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QThreadPool>
#include <QToolButton>
#include <cstdlib>
#include <functional>

#include "bench_demo_run.h"
#include "support/build_paths.h"
#include "support/poll_until.h"
#include "support/scoped_env.h"
#include "support/window_fixture.h"
#include "support/xvfb_server.h"

namespace {

constexpr char kVersionQuery[] = " 09 00 00 00 00";

using virn::test::BenchDemoRun;
using virn::test::EndIdlePoolThreads;

TEST(BenchProgramTest, UnplugAndPlugMakeTheProgramFindTheInstrumentAgain) {
  BenchDemoRun demo;
  ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(kVersionQuery) == 1; }));
  ASSERT_TRUE(demo.Send("# pull the cable\nunplug\n"));
  // Unplugged, nothing reaches the instrument: the program's watchdog notices on
  // its next poll and its discovery finds nobody.
  QThread::msleep(1000);
  EXPECT_EQ(demo.Count(kVersionQuery), 1);
  ASSERT_TRUE(demo.Send("plug\n"));
  // The watchdog polls every 5 s; discovery then asks the instrument again.
  EXPECT_TRUE(demo.Until([&] { return demo.Count(kVersionQuery) >= 2; }));
  EXPECT_EQ(demo.process.state(), QProcess::Running);
  EXPECT_TRUE(demo.err.isEmpty() || !demo.err.contains("bench line")) << demo.err.toStdString();
}

TEST(BenchProgramTest, WrongLineIsReportedAndTheProgramAnswersTheNextOnes) {
  BenchDemoRun demo;
  ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(kVersionQuery) == 1; }));
  ASSERT_TRUE(demo.Send("dut through\nbogus 1 2\n"));
  ASSERT_TRUE(demo.Until([&] { return demo.err.contains("bench line 2: unknown command 'bogus'\n"); }))
      << demo.err.toStdString();
  EXPECT_TRUE(demo.err.contains("virn-demo: bench line 2: unknown command 'bogus'\n"))
      << demo.err.toStdString();

  ASSERT_TRUE(demo.Send("counter\nlevels\n"));
  ASSERT_TRUE(demo.Until([&] { return demo.OutLines().size() >= 2; })) << demo.out.toStdString();
  const QStringList lines = demo.OutLines();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^counter: (\\d+ Hz|no signal)$")).match(lines[0]).hasMatch())
      << lines[0].toStdString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^levels:( \\d{1,3}){421}$")).match(lines[1]).hasMatch())
      << lines[1].left(80).toStdString();
  EXPECT_EQ(demo.process.state(), QProcess::Running);
}

// Where the exit button's centre lies in the main window's client area.
QPoint ExitButtonCentre() {
  const auto centres = virn::test::ToolButtonCentres();
  const auto exit = centres.find(QStringLiteral("ToolButton1"));
  return exit != centres.end() ? exit->second : QPoint(-1, -1);
}

struct XWindow {
  QString id;
  QRect geometry;
};

// The first visible window whose title matches, with its place on the screen.
XWindow FindXWindow(virn::test::XvfbServer& x, const QString& title) {
  bool ok = false;
  XWindow window;
  window.id = x.run(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--name"), title},
                    &ok)
                  .section(QLatin1Char('\n'), 0, 0);
  if (!ok || window.id.isEmpty()) return {};
  // "X=..", "Y=..", "WIDTH=..", "HEIGHT=.." lines.
  const QString shell =
      x.run(QStringLiteral("xdotool"),
            {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window.id}, &ok);
  QMap<QString, int> values;
  for (const QString& line : shell.split(QLatin1Char('\n'))) {
    values[line.section(QLatin1Char('='), 0, 0)] = line.section(QLatin1Char('='), 1).toInt();
  }
  window.geometry = QRect(values[QStringLiteral("X")], values[QStringLiteral("Y")],
                          values[QStringLiteral("WIDTH")], values[QStringLiteral("HEIGHT")]);
  return window;
}

// For a window not found: whether the program still runs, what it wrote, and
// the server's windows.
std::string WhatTheServerHas(virn::test::XvfbServer& x, BenchDemoRun& demo) {
  demo.Until([] { return true; });
  return (QStringLiteral("program %1; stderr: ")
              .arg(demo.process.state() == QProcess::Running ? QStringLiteral("running")
                                                             : QStringLiteral("ended"))
              .toUtf8() +
          demo.err + "\nwindows:\n" +
          x.run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}).toUtf8())
      .toStdString();
}

TEST(BenchProgramTest, BenchOpensBesideTheMainWindowAndClosingTheMainWindowEndsTheProgram) {
  const QPoint exit = ExitButtonCentre();
  ASSERT_GE(exit.x(), 0);
  EndIdlePoolThreads();
  virn::test::XvfbServer x;
  ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start (scripts/setup-debian.sh installs it)";
  BenchDemoRun demo(x.display());
  ASSERT_TRUE(demo.process.waitForStarted(virn::test::kHangMs));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(kVersionQuery) == 1; }));
  const XWindow main = FindXWindow(x, QStringLiteral("^ВИРН$"));
  const XWindow bench = FindXWindow(x, QStringLiteral("Стенд"));
  ASSERT_FALSE(main.id.isEmpty()) << "xdotool found no window (scripts/setup-debian.sh installs xdotool)";
  ASSERT_FALSE(bench.id.isEmpty());
  EXPECT_NE(main.id, bench.id);
  // No window manager here, so no frames: the bench starts where the main window ends.
  EXPECT_EQ(bench.geometry.left(), main.geometry.right() + 1)
      << main.geometry.right() << " " << bench.geometry.left();
  EXPECT_EQ(bench.geometry.top(), main.geometry.top());
  // Both carry the program's icon.
  for (const XWindow& window : {main, bench}) {
    EXPECT_TRUE(
        x.run(QStringLiteral("xprop"), {QStringLiteral("-id"), window.id, QStringLiteral("_NET_WM_ICON")})
            .startsWith(QStringLiteral("_NET_WM_ICON(CARDINAL) = ")));
  }

  bool ok = false;
  x.run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QStringLiteral("--window"), main.id, QString::number(exit.x()),
         QString::number(exit.y()), QStringLiteral("click"), QStringLiteral("1")},
        &ok);
  ASSERT_TRUE(ok);
  // Nobody ever wrote to the script: its reader must still let the program end.
  ASSERT_TRUE(demo.process.waitForFinished(virn::test::kHangMs));
  EXPECT_EQ(demo.process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(demo.process.exitCode(), 0) << demo.process.readAllStandardError().toStdString();
}

// openbox centres a new window. At 100 % and 200 % the bench opens beside the
// main window where the manager put it, its title bar on the screen.
TEST(BenchProgramTest, UnderAWindowManagerTheBenchOpensBesideTheMainWindowAtEveryScale) {
  struct Case {
    const char* scale;
    QSize screen;
  };
  for (const Case& c : {Case{"1", QSize(1600, 1000)}, Case{"2", QSize(3200, 2000)}}) {
    SCOPED_TRACE(c.scale);
    EndIdlePoolThreads();
    virn::test::XvfbServer x(QStringLiteral("%1x%2x24").arg(c.screen.width()).arg(c.screen.height()));
    ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start (scripts/setup-debian.sh installs it)";
    // openbox now and then gives up on a server that has just started ("Failed
    // to open the display"); it is started again then.
    QProcess manager;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.display());
    manager.setProcessEnvironment(env);
    for (int attempt = 0; attempt < 5 && manager.state() != QProcess::Running; ++attempt) {
      manager.start(QStringLiteral("openbox"), {});
      ASSERT_TRUE(manager.waitForStarted(10000)) << "no openbox (scripts/setup-debian.sh installs it)";
      virn::test::PollUntil([&] {
        return manager.state() != QProcess::Running ||
               x.run(QStringLiteral("xprop"),
                     {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                   .contains(QStringLiteral("window id"));
      });
    }
    ASSERT_EQ(manager.state(), QProcess::Running) << manager.readAllStandardError().toStdString();
    {
      const virn::test::ScopedEnv scale("QT_SCALE_FACTOR", c.scale);
      BenchDemoRun demo(x.display());
      ASSERT_TRUE(demo.process.waitForStarted(10000));
      const XWindow main = FindXWindow(x, QStringLiteral("^ВИРН$"));
      const XWindow bench = FindXWindow(x, QStringLiteral("^Стенд"));
      ASSERT_FALSE(main.id.isEmpty()) << WhatTheServerHas(x, demo);
      ASSERT_FALSE(bench.id.isEmpty()) << WhatTheServerHas(x, demo);
      // Both framed alike, so the client areas tell: the same top, and the
      // bench just past the main window's frame (2 px of borders at 100 %).
      EXPECT_EQ(bench.geometry.top(), main.geometry.top());
      const int gap = bench.geometry.left() - main.geometry.right() - 1;
      EXPECT_GT(gap, 0) << "no frame: the window manager is not managing";
      EXPECT_LE(gap, 8) << main.geometry.right() << " " << bench.geometry.left();
      EXPECT_LE(bench.geometry.right(), c.screen.width());
    }
    manager.terminate();
    manager.waitForFinished(10000);
  }
}

TEST(BenchProgramTest, ScriptThatCannotBeOpenedEndsTheProgramBeforeAnyWindow) {
  QTemporaryDir home;
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
  process.setProcessEnvironment(env);
  const QString missing = home.filePath(QStringLiteral("no-such-script"));
  process.start(virn::test::InBuildBin(QStringLiteral("virn-demo")), {QStringLiteral("--bench"), missing});
  ASSERT_TRUE(process.waitForFinished(virn::test::kHangMs));
  EXPECT_EQ(process.exitCode(), 2);
  const QByteArray err = process.readAllStandardError();
  EXPECT_TRUE(err.contains("Cannot open the bench script")) << err.toStdString();
  EXPECT_TRUE(err.contains("No such file or directory")) << err.toStdString();
  // No window was shown, so no settings were written either.
  EXPECT_FALSE(
      QFile::exists(home.filePath(QStringLiteral("Kelmar/virn-demo/virn-demo.mainform.config.xml"))));
}

}  // namespace
