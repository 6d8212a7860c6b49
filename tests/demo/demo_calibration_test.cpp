// Both calibrations done end to end in the real virn-demo on a private X
// server, the way a user does them: the bench (driven through its script)
// connects the cable and the attenuator and reads the counter, the wizards are
// opened with clicks and walked through with the keyboard.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QThreadPool>
#include <QToolButton>
#include <functional>
#include <map>
#include <optional>

#include "app/main_form.h"
#include "display/plot_inputs.h"
#include "display/scale.h"
#include "link/command_frame.h"
#include "sim/sim_bus.h"
#include "support/sanitizer_rules.h"
#include "support/xvfb_server.h"

namespace {

QString FrameText(std::uint8_t opcode, std::int32_t argument) {
  const virn::link::Frame frame = virn::link::EncodeFrame(opcode, argument);
  QString text;
  for (const std::uint8_t byte : frame)
    text += QStringLiteral(" %1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
  return text;
}

// Where the tool buttons' centres lie in the main window's client area. Taken
// before any program is started: a window here runs threads of its own, and
// ThreadSanitizer ends a process that starts programs while it has several.
std::map<QString, QPoint> ButtonCentres() {
  std::map<QString, QPoint> centres;
  {
    virn::sim::SimBus bus;
    virn::link::D2XXUnit unit(bus);
    virn::app::TMainForm form(unit);
    form.show();
    for (auto* button : form.findChildren<QToolButton*>())
      centres[button->objectName()] = button->mapTo(&form, button->rect().center());
  }
  QThreadPool::globalInstance()->waitForDone();
  return centres;
}

struct CalibrationRun {
  std::map<QString, QPoint> centres = ButtonCentres();
  virn::test::XvfbServer x;
  QTemporaryDir home;
  QTemporaryFile suppressions;
  QProcess process;
  QString logPath = home.filePath(QStringLiteral("wire.log"));
  QString fifoPath = home.filePath(QStringLiteral("bench.fifo"));
  QString settingsPath = home.filePath(QStringLiteral("Kelmar/virn-/virn-demo.mainform.config.xml"));
  QByteArray out;
  int writer = -1;
  QString mainWindow;

  CalibrationRun() {
    EXPECT_FALSE(x.display().isEmpty()) << "Xvfb did not start (scripts/setup-debian.sh installs it)";
    EXPECT_EQ(::mkfifo(fifoPath.toLocal8Bit().constData(), 0600), 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), x.display());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    suppressions.setFileTemplate(home.filePath(QStringLiteral("tsan-XXXXXX.supp")));
    if (suppressions.open()) {
      suppressions.write(virn::test::kTsanQtSuppressions);
      suppressions.flush();
      env.insert(QStringLiteral("TSAN_OPTIONS"), QStringLiteral("suppressions=") + suppressions.fileName());
    }
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VIRN_TEST_BUILD_BINDIR "/virn-demo"),
                  {QStringLiteral("--wire-log"), logPath, QStringLiteral("--bench"), fifoPath});
  }
  ~CalibrationRun() {
    if (writer >= 0) ::close(writer);
    process.kill();
    process.waitForFinished(10000);
  }

  bool Send(const QByteArray& line) {
    if (writer < 0) writer = ::open(fifoPath.toLocal8Bit().constData(), O_WRONLY | O_CLOEXEC);
    const QByteArray bytes = line + '\n';
    return writer >= 0 &&
           ::write(writer, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size();
  }
  int Count(const QString& frame) const {
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    int n = 0;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
      n += line.endsWith(frame);
    return n;
  }
  bool Until(const std::function<bool()>& done, int boundMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
      if (timer.elapsed() > boundMs || process.state() != QProcess::Running) return false;
      process.waitForReadyRead(20);
      out += process.readAllStandardOutput();
    }
    return true;
  }
  // Sends a bench command and returns the first new output line that starts with `prefix`.
  std::optional<QString> Ask(const QByteArray& command, const QString& prefix) {
    out += process.readAllStandardOutput();
    const qsizetype from = out.size();
    if (!Send(command)) return std::nullopt;
    std::optional<QString> answer;
    Until([&] {
      const QStringList lines = QString::fromUtf8(out.mid(from)).split(QLatin1Char('\n'));
      for (qsizetype i = 0; i + 1 < lines.size(); ++i) {  // complete lines only
        if (lines[i].startsWith(prefix)) answer = lines[i];
      }
      return answer.has_value();
    });
    return answer;
  }
  std::optional<qint64> Counter() {
    const auto line = Ask("counter", QStringLiteral("counter: "));
    if (!line) return std::nullopt;
    const auto match = QRegularExpression(QStringLiteral("^counter: (\\d+) Hz$")).match(*line);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toLongLong();
  }
  std::vector<int> Levels() {
    const auto line = Ask("levels", QStringLiteral("levels: "));
    std::vector<int> levels;
    if (!line) return levels;
    for (const QString& number : line->mid(8).split(QLatin1Char(' '), Qt::SkipEmptyParts))
      levels.push_back(number.toInt());
    return levels;
  }
  // Waits until `n` more sweeps than now have been asked for.
  bool SweepsLater(int n) {
    const QString sweep = FrameText(virn::link::opcode::kTakeSweep, 1);
    const int now = Count(sweep);
    return Until([&] { return Count(sweep) >= now + n; });
  }
  QString Settings() const {
    QFile file(settingsPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }
  std::optional<int> Setting(const char* name) const {
    const auto match =
        QRegularExpression(QStringLiteral("<%1 type=\"Integer\">(-?\\d+)</%1>").arg(QLatin1String(name)))
            .match(Settings());
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toInt();
  }

  QString FindWindow(const QString& name) {
    bool ok = false;
    const QString id = x.run(QStringLiteral("xdotool"),
                             {QStringLiteral("search"), QStringLiteral("--sync"),
                              QStringLiteral("--onlyvisible"), QStringLiteral("--name"), name},
                             &ok)
                           .section(QLatin1Char('\n'), 0, 0);
    return ok ? id : QString();
  }
  bool Start() {
    if (!process.waitForStarted(10000)) return false;
    if (!Until([&] { return Count(FrameText(virn::link::opcode::kVersionQuery, 0)) > 0; })) return false;
    mainWindow = FindWindow(QStringLiteral("ВИРН"));
    return !mainWindow.isEmpty();
  }
  bool Click(const char* button) {
    const QPoint at = centres.at(QString::fromLatin1(button));
    bool ok = false;
    x.run(QStringLiteral("xdotool"),
          {QStringLiteral("mousemove"), QStringLiteral("--window"), mainWindow, QString::number(at.x()),
           QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")},
          &ok);
    return ok;
  }
  // Gives the window the keyboard and types into it: keys ("Return") or text.
  bool Keys(const QString& window, const QStringList& keys, bool text = false) {
    bool ok = false;
    x.run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, &ok);
    if (!ok) return false;
    QStringList args{text ? QStringLiteral("type") : QStringLiteral("key"), QStringLiteral("--delay"),
                     QStringLiteral("30")};
    args << keys;
    x.run(QStringLiteral("xdotool"), args, &ok);
    return ok;
  }
};

TEST(DemoCalibrationTest, FrequencyCalibrationMakesTheCounterReadTheGeneratorFrequency) {
  CalibrationRun demo;
  ASSERT_TRUE(demo.Start());
  ASSERT_TRUE(demo.Send("clock-ppm 10"));
  ASSERT_TRUE(demo.Click("mnuGenMode"));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(FrameText(8, 1000000)) > 0; }));
  // Uncalibrated, 1 MHz comes out 10 ppm high.
  EXPECT_EQ(demo.Counter(), 1000010);

  ASSERT_TRUE(demo.Click("mnuCorrFreq"));
  const QString wizard = demo.FindWindow(QStringLiteral("Калибровка частоты"));
  ASSERT_FALSE(wizard.isEmpty());
  ASSERT_TRUE(demo.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(FrameText(8, 45000000)) > 0; }));
  const std::optional<qint64> measured = demo.Counter();
  ASSERT_TRUE(measured);
  EXPECT_EQ(*measured, 45000450);
  ASSERT_TRUE(demo.Keys(wizard, {QString::number(*measured)}, true));
  ASSERT_TRUE(demo.Keys(wizard, {QStringLiteral("Return")}));
  // Stored and written at once, before the wizard closes.
  ASSERT_TRUE(demo.Until([&] { return demo.Setting("_RealFreq") == 45000450; }));
  ASSERT_TRUE(demo.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(FrameText(8, 999990)) > 0; }));
  const std::optional<qint64> after = demo.Counter();
  ASSERT_TRUE(after);
  EXPECT_LE(std::abs(*after - 1000000), 1) << *after;
}

// The level the plot shows for a sweep, averaged over its points.
double MeanLevelDb(const std::vector<int>& levels, qint16 zero, qint16 forty) {
  virn::display::LevelScale scale;
  scale.Calibration = {zero, forty, 0, 100};
  double sum = 0;
  for (const int sample : levels) {
    const auto row = static_cast<std::int32_t>(virn::display::SampleRow(sample, zero));
    sum += virn::display::LevelToStr(row, scale).section(QLatin1Char(' '), 0, 0).toDouble();
  }
  return sum / static_cast<double>(levels.size());
}

TEST(DemoCalibrationTest, LevelCalibrationPutsTheCableOnZeroAndTheAttenuatorOnMinusForty) {
  CalibrationRun demo;
  ASSERT_TRUE(demo.Start());
  ASSERT_TRUE(demo.Send("dut through"));
  ASSERT_TRUE(demo.Click("KlSpeedButton1"));
  ASSERT_TRUE(demo.SweepsLater(3));
  // Before the calibration the cable reads well off 0 dB.
  const std::vector<int> before = demo.Levels();
  ASSERT_EQ(before.size(), 421u);
  EXPECT_LT(MeanLevelDb(before, 0, 100), -3.0);

  ASSERT_TRUE(demo.Click("mnuCaOut"));
  const QString wizard = demo.FindWindow(QStringLiteral("Калибровка уровня"));
  ASSERT_FALSE(wizard.isEmpty());
  ASSERT_TRUE(demo.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return demo.Setting("_CorrLog_0Db").value_or(0) != 0; }));
  ASSERT_TRUE(demo.Send("dut attenuator 40"));
  ASSERT_TRUE(demo.SweepsLater(3));
  ASSERT_TRUE(demo.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return demo.Setting("_CorrLog_40Db").value_or(100) != 100; }));
  ASSERT_TRUE(demo.Keys(wizard, {QStringLiteral("Return")}));

  const auto zero = static_cast<qint16>(*demo.Setting("_CorrLog_0Db"));
  const auto forty = static_cast<qint16>(*demo.Setting("_CorrLog_40Db"));
  ASSERT_TRUE(demo.SweepsLater(2));
  const double attenuator = MeanLevelDb(demo.Levels(), zero, forty);
  EXPECT_NEAR(attenuator, -40.0, 0.5);
  ASSERT_TRUE(demo.Send("dut through"));
  ASSERT_TRUE(demo.SweepsLater(3));
  const double cable = MeanLevelDb(demo.Levels(), zero, forty);
  EXPECT_NEAR(cable, 0.0, 0.5);
  std::printf("constants %d / %d; cable %.2f dB, attenuator %.2f dB\n", zero, forty, cable, attenuator);
  EXPECT_EQ(demo.Setting("_Delay"), 0);
  EXPECT_EQ(demo.Setting("_Averaging"), 1);
}

}  // namespace
