// The `virn` executable itself, as people with an instrument run it, on the
// emulated bus: started under umockdev's preload on a private X server, driven
// with clicks, watched through the instrument's wire log.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QToolButton>

#include "link/command_frame.h"
#include "sim/wire_log.h"
#include "support/build_paths.h"
#include "support/poll_until.h"
#include "support/program_environment.h"
#include "support/window_fixture.h"
#include "support/wire_log_on_failure.h"
#include "support/xvfb_server.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

// Where a button's centre lies in the main window's client area.
QPoint ButtonCentre(const char* name) {
  static const std::map<QString, QPoint> centres = test::ToolButtonCentres();
  return centres.at(QString::fromLatin1(name));
}

struct VirnOnUsb : ::testing::Test {
  test::XvfbServer x;  // started before the bus, so the server never sees the emulated devices
  QTemporaryDir home;
  QTemporaryFile suppressions;
  EmulatedBus bus;
  InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  QProcess virn;
  QString window;

  void Start() {
    ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start (scripts/setup-debian.sh installs it)";
    QProcessEnvironment env = test::ProgramEnvironment(home.path(), x.display(), home.path(), suppressions);
    for (const auto& [name, value] : bus.ChildEnvironment()) {
      const QString key = QString::fromStdString(name);
      QString merged = QString::fromStdString(value);
      if (key == QStringLiteral("ASAN_OPTIONS")) merged = env.value(key) + QLatin1Char(':') + merged;
      env.insert(key, merged);
    }
    // The program's sanitizer rules and the emulation's in one file, the only one TSan reads.
    QFile rules(virn::test::InSource(QStringLiteral("tests/usb/tsan.supp")));
    if (suppressions.isOpen() && rules.open(QIODevice::ReadOnly)) {
      suppressions.write(rules.readAll());
      suppressions.flush();
    }
    virn.setProcessEnvironment(env);
    virn.start(virn::test::InBuildBin(QStringLiteral("virn")), {});
    ASSERT_TRUE(virn.waitForStarted(test::kHangMs));
  }
  ~VirnOnUsb() override {
    virn.kill();
    virn.waitForFinished(10000);
    test::PrintWireLogIfFailed(QStringLiteral("instrument's wire log"), plugged.instrument->WireLog(),
                               sim::FormatWireLogLine);
  }
  // The X clients run without the preload, which only the program needs.
  QString RunX(const QStringList& args, bool* ok) const {
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LD_PRELOAD"));
    env.remove(QStringLiteral("UMOCKDEV_DIR"));
    env.insert(QStringLiteral("DISPLAY"), x.display());
    client.setProcessEnvironment(env);
    client.start(QStringLiteral("xdotool"), args);
    const bool finished = client.waitForFinished(test::kHangMs);
    *ok = finished && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    return QString::fromLocal8Bit(client.readAllStandardOutput()).trimmed();
  }
  bool FindWindow() {
    bool ok = false;
    window = RunX({"search", "--sync", "--onlyvisible", "--name", "ВИРН"}, &ok).section('\n', 0, 0);
    return ok && !window.isEmpty();
  }
  bool Click(const char* button) {
    const QPoint at = ButtonCentre(button);
    bool ok = false;
    RunX({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click", "1"},
         &ok);
    return ok;
  }
  int Count(std::uint8_t opcode) const {
    int n = 0;
    for (const auto& entry : plugged.instrument->WireLog())
      n += link::DecodeFrame(entry.frame).opcode == opcode;
    return n;
  }
  // Waits with the test's own event loop idle.
  static bool WaitFor(const std::function<bool()>& done) {
    return test::PollUntil(done, test::WhileWaiting::Sleep);
  }
};

TEST_F(VirnOnUsb, FindsTheInstrumentSweepsSurvivesAReplugAndCloses) {
#if defined(__SANITIZE_THREAD__)
  // Once QProcess has forked from this threaded process, ThreadSanitizer no
  // longer sees the ordering GLib's locks give when umockdev's thread is handed
  // a new node, and now and then reports the node's first callback as a race.
  // MainWindowOnUsb runs the same program over the same bus in one process,
  // and that runs under ThreadSanitizer.
  GTEST_SKIP() << "the executable on the emulated bus is not run under ThreadSanitizer";
#endif
  Start();
  // Discovery asks the chip listed first, then finds the instrument behind it.
  ASSERT_TRUE(WaitFor([&] { return plugged.instrument->State().versionQueries >= 1; }));
  EXPECT_EQ(plugged.others[0]->BytesReceived(), link::kFrameSize);
  ASSERT_TRUE(FindWindow()) << "xdotool found no window";

  // Start: the set-up, then sweep requests.
  ASSERT_TRUE(Click("KlSpeedButton1"));
  ASSERT_TRUE(WaitFor([&] { return plugged.instrument->State().sweepRequests >= 4; }));
  EXPECT_EQ(plugged.instrument->State().sweepSteps, 420);
  EXPECT_EQ(plugged.instrument->State().periodIndex, 1);

  // Unplugged in mid-sweep: the program lives on and finds the instrument once it is back.
  bus.Unplug(*plugged.instrumentChip);
  QThread::msleep(5500);  // past the watchdog's tick
  ASSERT_EQ(virn.state(), QProcess::Running);
  const std::uint32_t queriesBefore = plugged.instrument->State().versionQueries;
  bus.Replug(*plugged.instrumentChip);
  ASSERT_TRUE(WaitFor([&] { return plugged.instrument->State().versionQueries > queriesBefore; }))
      << "not asked again after the replug";

  // Start again, and close the window in mid-sweep: the program ends.
  const std::uint32_t sweepsBefore = plugged.instrument->State().sweepRequests;
  ASSERT_TRUE(Click("KlSpeedButton1"));
  ASSERT_TRUE(WaitFor([&] { return plugged.instrument->State().sweepRequests > sweepsBefore + 1; }));
  QThread::msleep(150);
  ASSERT_TRUE(Click("ToolButton1"));
  ASSERT_TRUE(virn.waitForFinished(test::kHangMs));
  EXPECT_EQ(virn.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(virn.exitCode(), 0);
  // The window closed the device: the chip is free again.
  EXPECT_FALSE(plugged.instrument->Port().IsOpen());
}

}  // namespace
}  // namespace virn::usbemu
