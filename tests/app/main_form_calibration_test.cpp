// The options dialog and both wizards run from the main window against the
// simulated instrument: the frames they cause, what they store, and that the
// settings file holds it before the window closes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "display/plot_inputs.h"
#include "display/scale.h"
#include "linked_window_fixture.h"
#include "sim/detector_model.h"
#include "sim/network_model.h"
#include "support/modal_driver.h"

namespace virn::app {
namespace {

using link::Command;
namespace op = link::opcode;

struct CalibrationFixture : LinkedWindowFixture {
  virn::test::ModalDriver driver;

  CalibrationFixture() { QDir().mkpath(config.path() + QStringLiteral("/Kelmar/virn-")); }
  static QLineEdit* Field(QWidget& window, const char* name) {
    return window.findChild<QLineEdit*>(QString::fromLatin1(name));
  }
  // The settings file as it is on disk now.
  static QString SavedSettings(const TMainForm& form) {
    QFile file(form.ConfigPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }
  static QString Element(const char* name, qint64 value) {
    return QStringLiteral("<%1 type=\"Integer\">%2</%1>").arg(QLatin1String(name)).arg(value);
  }
  std::vector<sim::WireEntry> FramesBesidesSweeps() const {
    std::vector<sim::WireEntry> frames;
    for (const auto& entry : instrument->WireLog()) {
      if (entry.frame[0] != op::kTakeSweep) frames.push_back(entry);
    }
    return frames;
  }
};

TEST_F(CalibrationFixture, AcceptedOptionsStopTheSweepThenSendTheCoefficientAndTheGeneratorWord) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  ASSERT_TRUE(form->controller().SweepRunning());
  instrument->ClearWireLog();
  driver.Then([](QWidget& dialog) {
    Field(dialog, "Edit2")->setText(QStringLiteral("50"));
    Click(dialog, "KlButton1");
  });
  Click(*form, "mnuOption");
  ASSERT_TRUE(driver.Done());
  const auto frames = FramesBesidesSweeps();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(link::DecodeFrame(frames[0].frame), (Command{op::kStop, 0}));
  EXPECT_EQ(link::DecodeFrame(frames[1].frame), (Command{op::kDdsCoefficient, 50}));
  EXPECT_EQ(link::DecodeFrame(frames[2].frame), (Command{op::kGeneratorWord, 1000000}));
  EXPECT_GE(frames[2].timeMs - frames[1].timeMs, 50);
  EXPECT_EQ(form->property("_DDS").toInt(), 50);
  EXPECT_FALSE(form->controller().SweepRunning());
  EXPECT_TRUE(form->findChild<QToolButton*>(QStringLiteral("KlSpeedButton1"))->isEnabled());
  EXPECT_FALSE(form->controller().Thread().Running.load());
  // Kept at once, not only when the window closes.
  EXPECT_TRUE(SavedSettings(*form).contains(Element("_DDS", 50)));
}

TEST_F(CalibrationFixture, CancelledOptionsKeepTheSweepAndSendNothing) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  instrument->ClearWireLog();
  driver.Then([](QWidget& dialog) {
    Field(dialog, "Edit2")->setText(QStringLiteral("50"));
    dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
    Click(dialog, "KlButton2");
  });
  Click(*form, "mnuOption");
  ASSERT_TRUE(driver.Done());
  EXPECT_TRUE(FramesBesidesSweeps().empty());
  EXPECT_TRUE(form->controller().SweepRunning());
  EXPECT_EQ(form->property("_DDS").toInt(), 43);
  EXPECT_FALSE(form->property("_VFOdiv").toBool());
  EXPECT_TRUE(SavedSettings(*form).isEmpty());
}

TEST_F(CalibrationFixture, OptionsWithoutAnInstrumentChangeOnlyTheProgram) {
  PlugTypical();
  // The instrument is there but held by another program: no connection.
  link::FT_HANDLE held = 0;
  ASSERT_EQ(bus.FT_OpenEx(sim::kInstrumentSerial.data(), link::FT_OPEN_BY_SERIAL_NUMBER, &held), link::FT_OK);
  auto form = Window();
  form->show();
  // Generator mode leaves the run buttons where only the Stop action changes them.
  Click(*form, "mnuGenMode");
  ASSERT_FALSE(Button(*form, "KlSpeedButton1")->isEnabled());
  driver.Then([](QWidget& dialog) {
    EXPECT_EQ(Field(dialog, "Edit2")->text(), QStringLiteral("43"));
    Click(dialog, "KlButton1");
  });
  Click(*form, "mnuOption");
  ASSERT_TRUE(driver.Done());
  EXPECT_EQ(form->property("_DDS").toInt(), 43);
  EXPECT_FALSE(form->property("_VFOdiv").toBool());
  EXPECT_TRUE(SavedSettings(*form).contains(Element("_VFOdiv", 0)));
  EXPECT_TRUE(Button(*form, "KlSpeedButton1")->isEnabled());
  EXPECT_FALSE(Button(*form, "KlSpeedButton2")->isEnabled());
  EXPECT_FALSE(Button(*form, "KlSpeedButton3")->isEnabled());
  EXPECT_TRUE(instrument->WireLog().empty());
  bus.FT_Close(held);
}

TEST_F(CalibrationFixture, ZeroIsAcceptedAndSentAsTheCoefficient) {
  auto form = ConnectedWindow();
  driver.Then([](QWidget& dialog) {
    Field(dialog, "Edit2")->setText(QStringLiteral("0"));
    Click(dialog, "KlButton1");
  });
  Click(*form, "mnuOption");
  ASSERT_TRUE(driver.Done());
  const auto commands = CommandsBesidesSweeps();
  ASSERT_GE(commands.size(), 2u);
  EXPECT_EQ(commands[commands.size() - 2], (Command{op::kDdsCoefficient, 0}));
  EXPECT_EQ(commands.back(), (Command{op::kGeneratorWord, 1000000}));
  EXPECT_EQ(form->property("_DDS").toInt(), 0);
}

TEST_F(CalibrationFixture, FrequencyCalibrationSendsTheNominalThenCorrectsTheGenerator) {
  auto form = ConnectedWindow();
  Click(*form, "mnuGenMode");
  // An earlier calibration in effect: the nominal frequency still goes out as it is.
  form->setProperty("_RealFreq", 44999000);
  instrument->ClearWireLog();
  driver.Then([&](QWidget& wizard) {
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Калибровка частоты"));
    Click(wizard, "KlButton1");
    EXPECT_EQ(Commands(), (std::vector<Command>{{op::kGeneratorWord, 45000000}}));
    Field(wizard, "Edit2")->setText(QStringLiteral("45000450"));
    Click(wizard, "KlButton1");
    EXPECT_EQ(form->property("_RealFreq").toInt(), 45000450);
    EXPECT_TRUE(SavedSettings(*form).contains(Element("_RealFreq", 45000450)));
    EXPECT_EQ(Commands().size(), 1u);  // storing sends nothing
    Click(wizard, "KlButton3");
  });
  Click(*form, "mnuCorrFreq");
  ASSERT_TRUE(driver.Done());
  // Closing sends the generator word for 1 MHz, corrected: 1 000 000 / 45 000 450 * 45 000 000.
  EXPECT_EQ(Commands(), (std::vector<Command>{{op::kGeneratorWord, 45000000}, {op::kGeneratorWord, 999990}}));
}

TEST_F(CalibrationFixture, FrequencyCalibrationWithoutAnInstrumentOpensNoWizard) {
  auto form = Window();
  form->show();
  Click(*form, "mnuGenMode");
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  form->findChild<QToolButton*>(QStringLiteral("mnuCorrFreq"))->click();
  ASSERT_EQ(driver.Messages().size(), 1u);
  EXPECT_EQ(driver.Messages()[0], QStringLiteral("Подключите прибор."));
}

TEST_F(CalibrationFixture, LevelCalibrationPutsTheCableOnZeroAndTheAttenuatorOnMinusForty) {
  PlugTypical();
  instrument->SetNetwork(sim::ThroughLine());
  instrument->SetOutputResponse(sim::FlatOutput());  // the level calibration alone, without the roll-off
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  const sim::DetectorModel detector;
  const int cable = sim::ToSampleByte(detector.Reading(false, 0.0));
  const int attenuated = sim::ToSampleByte(detector.Reading(false, -40.0));
  // The largest level reaches the cable's only once a whole sweep has come.
  ASSERT_TRUE(test::PollUntil([&] { return form->controller().Thread().MaxSample() >= cable - 1; }));
  driver.Then([&](QWidget& wizard) {
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Калибровка уровня (логарифмический детектор)"));
    Click(wizard, "KlButton1");
    instrument->SetNetwork(sim::Attenuator(-40.0));
    // Every level of the record has to come from the attenuator before measuring.
    EXPECT_TRUE(test::PollUntil([&] { return form->controller().Thread().MaxSample() <= attenuated + 1; }));
    Click(wizard, "KlButton1");
    Click(wizard, "KlButton3");
  });
  Click(*form, "mnuCaOut");
  ASSERT_TRUE(driver.Done());

  const qint16 zero = form->property("_CorrLog_0Db").value<qint16>();
  const qint16 forty = form->property("_CorrLog_40Db").value<qint16>();
  EXPECT_NEAR(zero, 251 - cable, 1);
  EXPECT_NEAR(forty, 251 - attenuated, 1);
  // The plot now reads the cable at 0 dB and the attenuator at -40 dB.
  display::LevelScale scale;
  scale.Calibration = {zero, forty, 0, 100};
  const auto levelOf = [&](int sample) {
    return display::LevelToStr(static_cast<std::int32_t>(display::SampleRow(sample, zero)), scale);
  };
  EXPECT_EQ(levelOf(cable), QStringLiteral("0.0 dB"));
  EXPECT_EQ(levelOf(attenuated), QStringLiteral("-40.0 dB"));
  // The linear detector's constants stay; the boxes stay as the measurement left them.
  EXPECT_EQ(form->property("_CorrLin_0Db").toInt(), 0);
  EXPECT_EQ(form->property("_CorrLin_12Db").toInt(), 100);
  EXPECT_FALSE(form->property("_Delay").toBool());
  EXPECT_TRUE(form->property("_Averaging").toBool());
  const QString saved = SavedSettings(*form);
  EXPECT_TRUE(saved.contains(Element("_CorrLog_0Db", zero)));
  EXPECT_TRUE(saved.contains(Element("_CorrLog_40Db", forty)));
  // The wizard sends nothing of its own; the boxes sent their commands.
  const auto commands = CommandsBesidesSweeps();
  EXPECT_NE(std::find(commands.begin(), commands.end(), Command{op::kDelay, 0}), commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), Command{op::kAveraging, 1}), commands.end());
}

}  // namespace
}  // namespace virn::app
