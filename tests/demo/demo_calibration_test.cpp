// Both calibrations done end to end in the real virn-demo on a private X
// server, the way a user does them: the bench (driven through its script)
// connects the cable and the attenuator and reads the counter, the wizards are
// opened with clicks and walked through with the keyboard.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QThreadPool>
#include <QToolButton>
#include <map>
#include <optional>

#include "bench_demo_run.h"
#include "display/plot_inputs.h"
#include "display/scale.h"
#include "support/poll_until.h"
#include "support/window_fixture.h"
#include "support/xvfb_server.h"

namespace {

using virn::test::FrameText;

// The demo on a private X server, with the keyboard and mouse of a user.
struct CalibrationRun {
  std::map<QString, QPoint> centres = virn::test::ToolButtonCentres();  // before any program starts
  virn::test::XvfbServer x;
  virn::test::BenchDemoRun demo{x.display()};
  QString settingsPath = demo.home.filePath(QStringLiteral("Kelmar/virn-demo/virn-demo.mainform.config.xml"));
  QString mainWindow;

  // Waits until `n` more sweeps than now have been asked for.
  bool SweepsLater(int n) {
    const QString sweep = FrameText(virn::link::opcode::kTakeSweep, 1);
    const int now = demo.Count(sweep);
    return demo.Until([&] { return demo.Count(sweep) >= now + n; });
  }
  std::optional<int> Setting(const char* name) const {
    QFile file(settingsPath);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const auto match =
        QRegularExpression(QStringLiteral("<%1 type=\"Integer\">(-?\\d+)</%1>").arg(QLatin1String(name)))
            .match(QString::fromUtf8(file.readAll()));
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
    EXPECT_FALSE(x.display().isEmpty()) << "Xvfb did not start (scripts/setup-debian.sh installs it)";
    if (!demo.process.waitForStarted(virn::test::kHangMs)) return false;
    if (!demo.Until([&] { return demo.Count(FrameText(virn::link::opcode::kVersionQuery, 0)) > 0; }))
      return false;
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
  // Gives the window the keyboard and presses keys ("Return") or types text.
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

// At the suggested nominal frequency and at another: the wizard keeps the
// measurement scaled to 45 MHz, so both give the same correction.
class DemoFrequencyCalibration : public ::testing::TestWithParam<int> {};

TEST_P(DemoFrequencyCalibration, MakesTheCounterReadTheGeneratorFrequency) {
  const int nominal = GetParam();
  CalibrationRun run;
  auto& demo = run.demo;
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(demo.Send("clock-ppm 10\n"));
  ASSERT_TRUE(run.Click("mnuGenMode"));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(FrameText(8, 1000000)) > 0; }));
  // Uncalibrated, 1 MHz comes out 10 ppm high.
  EXPECT_EQ(demo.Counter(), 1000010);

  ASSERT_TRUE(run.Click("mnuCorrFreq"));
  const QString wizard = run.FindWindow(QStringLiteral("Калибровка частоты"));
  ASSERT_FALSE(wizard.isEmpty());
  if (nominal != 45000000) {
    QStringList erase{QStringLiteral("End")};
    for (int i = 0; i < 8; ++i) erase << QStringLiteral("BackSpace");
    ASSERT_TRUE(run.Keys(wizard, erase));
    ASSERT_TRUE(run.Keys(wizard, {QString::number(nominal)}, true));
  }
  ASSERT_TRUE(run.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(FrameText(8, nominal)) > 0; }));
  const std::optional<qint64> measured = demo.Counter();
  ASSERT_TRUE(measured);
  EXPECT_EQ(*measured, nominal + nominal / 100000);
  ASSERT_TRUE(run.Keys(wizard, {QString::number(*measured)}, true));
  ASSERT_TRUE(run.Keys(wizard, {QStringLiteral("Return")}));
  // Stored and written at once, before the wizard closes.
  ASSERT_TRUE(demo.Until([&] { return run.Setting("_RealFreq") == 45000450; }));
  ASSERT_TRUE(run.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return demo.Count(FrameText(8, 999990)) > 0; }));
  const std::optional<qint64> after = demo.Counter();
  ASSERT_TRUE(after);
  EXPECT_LE(std::abs(*after - 1000000), 1) << *after;
}

INSTANTIATE_TEST_SUITE_P(Nominal, DemoFrequencyCalibration, ::testing::Values(45000000, 30000000));

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
  CalibrationRun run;
  auto& demo = run.demo;
  ASSERT_TRUE(run.Start());
  // An ideal output: the level calibration alone, without the roll-off the
  // flatness correction is for.
  ASSERT_TRUE(demo.Send("output flat\n"));
  ASSERT_TRUE(demo.Send("dut through\n"));
  ASSERT_TRUE(run.Click("KlSpeedButton1"));
  ASSERT_TRUE(run.SweepsLater(3));
  // Before the calibration the cable reads well off 0 dB.
  const std::vector<int> before = demo.Levels();
  ASSERT_EQ(before.size(), 421u);
  EXPECT_LT(MeanLevelDb(before, 0, 100), -3.0);

  ASSERT_TRUE(run.Click("mnuCaOut"));
  const QString wizard = run.FindWindow(QStringLiteral("Калибровка уровня"));
  ASSERT_FALSE(wizard.isEmpty());
  ASSERT_TRUE(run.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return run.Setting("_CorrLog_0Db").value_or(0) != 0; }));
  ASSERT_TRUE(demo.Send("dut attenuator 40\n"));
  ASSERT_TRUE(run.SweepsLater(3));
  ASSERT_TRUE(run.Keys(wizard, {QStringLiteral("Return")}));
  ASSERT_TRUE(demo.Until([&] { return run.Setting("_CorrLog_40Db").value_or(100) != 100; }));
  ASSERT_TRUE(run.Keys(wizard, {QStringLiteral("Return")}));

  const auto zero = static_cast<qint16>(*run.Setting("_CorrLog_0Db"));
  const auto forty = static_cast<qint16>(*run.Setting("_CorrLog_40Db"));
  ASSERT_TRUE(run.SweepsLater(2));
  const double attenuator = MeanLevelDb(demo.Levels(), zero, forty);
  EXPECT_NEAR(attenuator, -40.0, 0.5);
  ASSERT_TRUE(demo.Send("dut through\n"));
  ASSERT_TRUE(run.SweepsLater(3));
  const double cable = MeanLevelDb(demo.Levels(), zero, forty);
  EXPECT_NEAR(cable, 0.0, 0.5);
  std::printf("constants %d / %d; cable %.2f dB, attenuator %.2f dB\n", zero, forty, cable, attenuator);
  EXPECT_EQ(run.Setting("_Delay"), 0);
  EXPECT_EQ(run.Setting("_Averaging"), 1);
}

}  // namespace
