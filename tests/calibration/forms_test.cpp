// The three forms over recording hosts: what they show, the way through the
// wizards' pages, and what a wrong entry leaves behind.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <utility>
#include <vector>

#include "calibration/ca_form.h"
#include "calibration/ca_freq_form.h"
#include "calibration/calibration.h"
#include "calibration/flatness_form.h"
#include "calibration/option_form.h"
#include "fake_hosts.h"
#include "settings/klm_api.h"
#include "support/build_paths.h"
#include "support/modal_driver.h"

namespace virn::calibration {
namespace {

using test::FakeFrequencyHost;
using test::FakeLevelHost;

struct Forms : ::testing::Test {
  Forms() { settings::SetKlmLibraryDir(virn::test::BuildLibDir()); }
};

template <typename T>
T* Child(QWidget& form, const char* name) {
  auto* child = form.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QPushButton* Button(QWidget& form, const char* name) {
  return Child<QPushButton>(form, name);
}

// Buttons as the user sees them: visible, enabled, caption.
struct ButtonState {
  bool visible;
  bool enabled;
  QString caption;
  friend bool operator==(const ButtonState&, const ButtonState&) = default;
};
ButtonState StateOf(QPushButton* button) {
  return {button->isVisibleTo(button->window()), button->isEnabled(), button->text()};
}

TEST_F(Forms, FrequencyWizardOpensOnPageZeroWithTheNominalFrequency) {
  FakeFrequencyHost host;
  TCaFreqForm form(nullptr, host);
  form.show();
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Калибровка частоты"));
  EXPECT_EQ(form.size(), QSize(391, 136));
  EXPECT_EQ(form.Step(), 0);
  EXPECT_EQ(form.PageShown(), 0);
  EXPECT_EQ(form.edit1()->text(), QStringLiteral("45000000"));
  EXPECT_TRUE(form.edit2()->text().isEmpty());
  EXPECT_EQ(StateOf(Button(form, "KlButton2")), (ButtonState{true, false, QStringLiteral("&Назад")}));
  EXPECT_EQ(StateOf(Button(form, "KlButton1")), (ButtonState{true, true, QStringLiteral("&Далее")}));
  EXPECT_EQ(StateOf(Button(form, "KlButton3")), (ButtonState{true, true, QStringLiteral("Отм&ена")}));
  EXPECT_TRUE(form.PageText(0)->text().startsWith(QStringLiteral("Задайте максимально возможную частоту")));
  EXPECT_TRUE(host.sent.empty());
}

TEST_F(Forms, FrequencyWizardWalksThroughItsPages) {
  FakeFrequencyHost host;
  TCaFreqForm form(nullptr, host);
  form.show();
  // Emptying the nominal field takes "Далее" away; a digit gives it back.
  form.edit1()->clear();
  EXPECT_FALSE(Button(form, "KlButton1")->isEnabled());
  QTest::keyClicks(form.edit1(), QStringLiteral("45000000"));
  EXPECT_TRUE(Button(form, "KlButton1")->isEnabled());

  Button(form, "KlButton1")->click();
  EXPECT_EQ(form.PageShown(), 1);
  EXPECT_EQ(host.sent, std::vector<std::int32_t>{45000000});
  EXPECT_EQ(StateOf(Button(form, "KlButton2")), (ButtonState{true, true, QStringLiteral("&Назад")}));
  EXPECT_FALSE(Button(form, "KlButton1")->isEnabled());  // nothing measured yet

  // Back shows page 0 again and sends nothing; Next sends the nominal again.
  Button(form, "KlButton2")->click();
  EXPECT_EQ(form.PageShown(), 0);
  EXPECT_EQ(host.sent.size(), 1u);
  EXPECT_FALSE(Button(form, "KlButton2")->isEnabled());
  Button(form, "KlButton1")->click();
  EXPECT_EQ(host.sent.size(), 2u);

  QTest::keyClicks(form.edit2(), QStringLiteral("45000450"));
  EXPECT_TRUE(Button(form, "KlButton1")->isEnabled());
  Button(form, "KlButton1")->click();
  EXPECT_EQ(form.PageShown(), 2);
  EXPECT_EQ(host.realFreq, 45000450);
  EXPECT_EQ(host.saves, 1);
  EXPECT_FALSE(Button(form, "KlButton1")->isVisibleTo(&form));
  EXPECT_FALSE(Button(form, "KlButton2")->isVisibleTo(&form));
  EXPECT_EQ(Button(form, "KlButton3")->text(), QStringLiteral("&Готово"));
  Button(form, "KlButton3")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(host.sent.size(), 2u);  // the wizard itself sends nothing more
}

TEST_F(Forms, FrequencyWizardFieldsTakeDigitsOnly) {
  FakeFrequencyHost host;
  TCaFreqForm form(nullptr, host);
  form.show();
  Button(form, "KlButton1")->click();
  QTest::keyClicks(form.edit2(), QStringLiteral("45a0-00 4,50"));
  EXPECT_EQ(form.edit2()->text(), QStringLiteral("45000450"));
}

TEST_F(Forms, AZeroRealFrequencyIsRefusedAndTheWizardStaysOnPageOne) {
  FakeFrequencyHost host;
  TCaFreqForm form(nullptr, host);
  form.show();
  Button(form, "KlButton1")->click();
  QTest::keyClicks(form.edit2(), QStringLiteral("0"));
  virn::test::ModalDriver driver;
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Button(form, "KlButton1")->click();
  ASSERT_EQ(driver.Messages().size(), 1u);
  EXPECT_EQ(driver.Messages()[0], kRealFreqRefusedText);
  EXPECT_EQ(driver.Icons()[0], QMessageBox::Warning);
  EXPECT_EQ(host.realFreq, 45000000);
  EXPECT_EQ(host.saves, 0);
  EXPECT_EQ(form.Step(), 1);
  EXPECT_EQ(form.PageShown(), 1);
  EXPECT_EQ(StateOf(Button(form, "KlButton2")), (ButtonState{true, true, QStringLiteral("&Назад")}));
  EXPECT_EQ(StateOf(Button(form, "KlButton1")), (ButtonState{true, true, QStringLiteral("&Далее")}));
  // Corrected, the wizard goes on.
  form.edit2()->setText(QStringLiteral("44999000"));
  Button(form, "KlButton1")->click();
  EXPECT_EQ(form.PageShown(), 2);
  EXPECT_EQ(host.realFreq, 44999000);
}

TEST_F(Forms, ANumberTooLargeForThirtyTwoBitsShowsTheErrorAndKeepsThePage) {
  FakeFrequencyHost host;
  TCaFreqForm form(nullptr, host);
  form.show();
  Button(form, "KlButton1")->click();
  form.edit2()->setText(QStringLiteral("99999999999"));
  virn::test::ModalDriver driver;
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Button(form, "KlButton1")->click();
  ASSERT_EQ(driver.Messages().size(), 1u);
  EXPECT_EQ(driver.Messages()[0], QStringLiteral("'99999999999' is not a valid integer value."));
  EXPECT_EQ(driver.Icons()[0], QMessageBox::Critical);
  EXPECT_EQ(form.Step(), 1);
  EXPECT_EQ(form.PageShown(), 1);
  EXPECT_EQ(host.realFreq, 45000000);
  EXPECT_TRUE(Button(form, "KlButton1")->isVisibleTo(&form));

  // The same on page 0: the nominal frequency is not sent and the step stays 0.
  Button(form, "KlButton2")->click();
  form.edit1()->setText(QStringLiteral("4500000000"));
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Button(form, "KlButton1")->click();
  EXPECT_EQ(driver.Messages().size(), 2u);
  EXPECT_EQ(form.Step(), 0);
  EXPECT_EQ(form.PageShown(), 0);
  EXPECT_EQ(host.sent.size(), 1u);
  EXPECT_FALSE(Button(form, "KlButton2")->isEnabled());
  form.edit1()->setText(QStringLiteral("45000000"));
  Button(form, "KlButton1")->click();
  EXPECT_EQ(form.PageShown(), 1);
  EXPECT_EQ(host.sent.back(), 45000000);
}

TEST_F(Forms, ANominalFrequencyOfZeroIsRefusedOnPageZeroAndNothingIsSent) {
  FakeFrequencyHost host;
  TCaFreqForm form(nullptr, host);
  form.show();
  form.edit1()->setText(QStringLiteral("0"));
  virn::test::ModalDriver driver;
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Button(form, "KlButton1")->click();
  ASSERT_EQ(driver.Messages().size(), 1u);
  EXPECT_EQ(driver.Messages()[0], kNominalFreqRefusedText);
  EXPECT_EQ(form.Step(), 0);
  EXPECT_EQ(form.PageShown(), 0);
  EXPECT_TRUE(host.sent.empty());
}

TEST_F(Forms, FrequencyCalibrationNeedsAnInstrumentAndResendsTheGeneratorWordAfterwards) {
  FakeFrequencyHost host;
  host.connected = false;
  virn::test::ModalDriver driver;
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  RunFrequencyCalibration(nullptr, host);
  ASSERT_EQ(driver.Messages().size(), 1u);
  EXPECT_EQ(driver.Messages()[0], QStringLiteral("Подключите прибор."));
  EXPECT_EQ(driver.Icons()[0], QMessageBox::Warning);
  EXPECT_TRUE(host.sent.empty());

  // Cancelled on page 0 or page 1, the measured frequency stays and the
  // generator word goes out again.
  host.connected = true;
  host.realFreq = 45000450;
  driver.Then([](QWidget& modal) { Button(modal, "KlButton3")->click(); });
  RunFrequencyCalibration(nullptr, host);
  EXPECT_EQ(host.sent, std::vector<std::int32_t>{1000000});
  driver.Then([](QWidget& modal) {
    Button(modal, "KlButton1")->click();
    Child<QLineEdit>(modal, "Edit2")->setText(QStringLiteral("123"));
    Button(modal, "KlButton3")->click();
  });
  RunFrequencyCalibration(nullptr, host);
  EXPECT_EQ(host.sent, (std::vector<std::int32_t>{1000000, 45000000, 1000000}));
  EXPECT_EQ(host.realFreq, 45000450);
  EXPECT_TRUE(driver.Done());
}

TEST_F(Forms, LevelWizardCaptionAndAttenuatorFollowTheDetector) {
  FakeLevelHost log;
  TCaForm logForm(nullptr, log);
  logForm.show();
  EXPECT_EQ(logForm.windowTitle(), QStringLiteral("Калибровка уровня (логарифмический детектор)"));
  EXPECT_TRUE(logForm.PageText(1)->text().contains(QStringLiteral("ослаблением -40dB")));
  EXPECT_TRUE(logForm.PageText(0)->text().contains(QStringLiteral("50 Ом")));
  EXPECT_EQ(logForm.size(), QSize(391, 136));

  FakeLevelHost lin;
  lin.linearDetector = true;
  TCaForm linForm(nullptr, lin);
  linForm.show();
  EXPECT_EQ(linForm.windowTitle(), QStringLiteral("Калибровка уровня (линейный детектор)"));
  EXPECT_TRUE(linForm.PageText(1)->text().contains(QStringLiteral("ослаблением -12dB")));
}

TEST_F(Forms, LevelWizardMeasuresOnEnteringPagesOneAndTwoUnderTheHourglass) {
  FakeLevelHost host;
  host.readings = {200};
  TCaForm form(nullptr, host);
  form.show();
  EXPECT_EQ(host.Measurements(), 0);
  EXPECT_EQ(StateOf(Button(form, "KlButton2")), (ButtonState{true, false, QStringLiteral("&Назад")}));
  EXPECT_TRUE(Button(form, "KlButton1")->isEnabled());

  Button(form, "KlButton1")->click();
  EXPECT_EQ(form.PageShown(), 1);
  EXPECT_EQ(host.log0, 51);
  EXPECT_EQ(host.Measurements(), 1);
  EXPECT_TRUE(Button(form, "KlButton2")->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Back measures nothing; Next measures the 0 dB level again.
  Button(form, "KlButton2")->click();
  EXPECT_EQ(form.PageShown(), 0);
  EXPECT_EQ(host.Measurements(), 1);
  host.readings = {199};
  Button(form, "KlButton1")->click();
  EXPECT_EQ(host.log0, 52);
  EXPECT_EQ(host.Measurements(), 2);

  host.readings = {100};
  Button(form, "KlButton1")->click();
  EXPECT_EQ(form.PageShown(), 2);
  EXPECT_EQ(host.log40, 151);
  EXPECT_EQ(Button(form, "KlButton3")->text(), QStringLiteral("&Готово"));
  EXPECT_FALSE(Button(form, "KlButton1")->isVisibleTo(&form));
  EXPECT_TRUE(host.waitCursorDuringReadings);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The real wait holds the user's input back until the measurement is over:
// posted here, it reaches the wizard at the same moment.
TEST_F(Forms, LevelWizardDropsTheClicksAndKeysThatCameWhileItMeasured) {
  using Input = std::function<void(TCaForm & form)>;
  const std::vector<std::pair<const char*, Input>> inputs = {
      {"a second click on Далее",
       [](TCaForm& form) {
         QPushButton* next = Button(form, "KlButton1");
         const QPoint at = next->rect().center();
         for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
           const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
           QCoreApplication::postEvent(
               next, new QMouseEvent(type, at, next->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier));
         }
       }},
      {"Enter",
       [](TCaForm& form) {
         QCoreApplication::postEvent(&form, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
       }},
  };
  for (const auto& [what, input] : inputs) {
    FakeLevelHost host;
    host.readings = {200};
    TCaForm form(nullptr, host);
    form.show();
    bool given = false;
    host.duringWait = [&, input = input] {
      if (!std::exchange(given, true)) input(form);
    };
    Button(form, "KlButton1")->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(host.Measurements(), 1) << what;
    EXPECT_EQ(form.Step(), 1) << what;
    // Once the page is up, a click is the user's next step again.
    host.duringWait = nullptr;
    QTest::mouseClick(Button(form, "KlButton1"), Qt::LeftButton);
    EXPECT_EQ(host.Measurements(), 2) << what;
  }
}

TEST_F(Forms, CancellingTheLevelWizardOnPageOneKeepsTheNewZeroLevel) {
  FakeLevelHost host;
  host.readings = {210};
  TCaForm form(nullptr, host);
  form.show();
  Button(form, "KlButton1")->click();
  Button(form, "KlButton3")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(host.log0, 41);
  EXPECT_EQ(host.log40, 100);
}

TEST_F(Forms, FlatnessWizardMeasuresOnPageOneAndEndsAsTheMeasurementDid) {
  test::FakeFlatnessHost host;
  host.linearDetector = true;
  TFlatnessForm form(nullptr, host);
  EXPECT_EQ(form.windowTitle(), kFlatnessLinCaption);
  auto* next = Child<QPushButton>(form, "KlButton1");
  auto* back = Child<QPushButton>(form, "KlButton2");
  auto* close = Child<QPushButton>(form, "KlButton3");
  const auto measure = [&] {
    next->click();
    EXPECT_EQ(form.PageShown(), 1);
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(back->isEnabled());
    host.progress(3, 10);
    EXPECT_EQ(Child<QProgressBar>(form, "ProgressBar1")->value(), 3);
  };
  // Lost: the message, and back to the cable with nothing measured.
  virn::test::ModalDriver driver;
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  measure();
  host.finished(FlatnessRunEnd::Lost);
  EXPECT_EQ(driver.Messages(), std::vector<QString>{kFlatnessLostText});
  EXPECT_EQ(form.Step(), 0);
  EXPECT_EQ(form.PageShown(), 0);
  // Done: the last page, and closing it cancels nothing.
  measure();
  host.finished(FlatnessRunEnd::Stored);
  EXPECT_EQ(form.PageShown(), 2);
  EXPECT_EQ(close->text(), kFinishCaption);
  close->click();
  EXPECT_EQ(host.starts, 2);
  EXPECT_EQ(host.cancels, 0);
  // Closed while measuring: the measurement is cancelled.
  TFlatnessForm again(nullptr, host);
  again.show();
  Child<QPushButton>(again, "KlButton1")->click();
  Child<QPushButton>(again, "KlButton3")->click();
  EXPECT_EQ(host.cancels, 1);
  EXPECT_FALSE(again.Measuring());
}

TEST_F(Forms, OptionsDialogShowsTheSettingsAndReturnsThemOnOk) {
  virn::test::ModalDriver driver;
  driver.Then([](QWidget& modal) {
    EXPECT_EQ(modal.windowTitle(), QStringLiteral("Настройки"));
    EXPECT_EQ(modal.size(), QSize(199, 152));
    auto* field = Child<QLineEdit>(modal, "Edit2");
    EXPECT_EQ(field->text(), QStringLiteral("57"));
    EXPECT_EQ(field->width(), 41);
    EXPECT_TRUE(Child<QCheckBox>(modal, "CheckBox1")->isChecked());
    EXPECT_EQ(Child<QLabel>(modal, "Label15")->text(), QStringLiteral("Коэффициент DDS:"));
    EXPECT_EQ(Child<QLabel>(modal, "CheckBox1Caption")->text(),
              QStringLiteral("Для анализатора спектра требуется частота гетеродина в два раза ниже"));
    EXPECT_EQ(Button(modal, "KlButton1")->text(), QStringLiteral("&ОК"));
    EXPECT_TRUE(Button(modal, "KlButton1")->isDefault());
    EXPECT_EQ(Button(modal, "KlButton2")->text(), QStringLiteral("Отм&ена"));
    field->clear();
    QTest::keyClicks(field, QStringLiteral("0x"));  // only the digit gets through
    // A click on the wrapped caption toggles the box.
    QTest::mouseClick(Child<QLabel>(modal, "CheckBox1Caption"), Qt::LeftButton);
    Button(modal, "KlButton1")->click();
  });
  const auto accepted = RunOptions(nullptr, 57, true);
  EXPECT_TRUE(driver.Done());
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->dds, 0);
  EXPECT_FALSE(accepted->vfoDiv);
}

TEST_F(Forms, OptionsDialogStaysOpenOnAnEmptyOrUnreadableField) {
  virn::test::ModalDriver driver;
  driver.Then([&](QWidget& modal) {
    auto* field = Child<QLineEdit>(modal, "Edit2");
    field->clear();
    Button(modal, "KlButton1")->click();  // the warning, acknowledged by the next step
    EXPECT_TRUE(modal.isVisible());
    field->setText(QStringLiteral("99999999999"));
    Button(modal, "KlButton1")->click();  // the conversion error, likewise
    EXPECT_TRUE(modal.isVisible());
    EXPECT_EQ(field->text(), QStringLiteral("99999999999"));
    field->setText(QStringLiteral("44"));
    Button(modal, "KlButton1")->click();
  });
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  const auto accepted = RunOptions(nullptr, 43, false);
  ASSERT_EQ(driver.Messages().size(), 2u);
  EXPECT_EQ(driver.Messages()[0], QStringLiteral("Не указан коэффициент DDS."));
  EXPECT_EQ(driver.Icons()[0], QMessageBox::Warning);
  EXPECT_EQ(driver.Messages()[1], QStringLiteral("'99999999999' is not a valid integer value."));
  EXPECT_EQ(driver.Icons()[1], QMessageBox::Critical);
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->dds, 44);
}

TEST_F(Forms, CancellingTheOptionsReturnsNothing) {
  for (const bool escape : {false, true}) {
    virn::test::ModalDriver driver;
    driver.Then([escape](QWidget& modal) {
      Child<QLineEdit>(modal, "Edit2")->setText(QStringLiteral("99"));
      Child<QCheckBox>(modal, "CheckBox1")->setChecked(true);
      if (escape) {
        QTest::keyClick(&modal, Qt::Key_Escape);
      } else {
        Button(modal, "KlButton2")->click();
      }
    });
    EXPECT_FALSE(RunOptions(nullptr, 43, false)) << escape;
    EXPECT_TRUE(driver.Done());
  }
}

}  // namespace
}  // namespace virn::calibration
