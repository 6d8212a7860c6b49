// The sweep-range fields of the main window without an instrument: what the
// fields accept, how they read, the published triple values and the status texts.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "app/status_bar.h"
#include "app/up_down.h"
#include "linked_window_fixture.h"
#include "measure/frequency.h"
#include "support/modal_watcher.h"

namespace virn::app {
namespace {

using RangeFixture = LinkedWindowFixture;

QLineEdit* Field(TMainForm& form, const char* name) {
  return form.findChild<QLineEdit*>(QString::fromLatin1(name));
}

TEST_F(RangeFixture, DefaultRangeAndItsStatusTexts) {
  auto form = Window();
  form->show();
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 100000);
  EXPECT_EQ(form->controller().RangeInEffect().EndFreq, 50000000);
  EXPECT_EQ(form->controller().RangeInEffect().SweepStep, 118810);
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 118810 Гц"));
  EXPECT_EQ(form->statusBar()->panelText(5), QStringLiteral("Полоса обзора: 49.900.000 Гц"));
  EXPECT_EQ(form->statusBar()->panelText(6), QStringLiteral("Лог."));
  EXPECT_EQ(measure::ReadTriple(form->controller().GeneratorTexts()), 1000000);
}

TEST_F(RangeFixture, FieldsTakeThreeDigitsAndNothingButDigits) {
  auto form = Window();
  form->show();
  QLineEdit* kHz = Field(*form, "Edit8");
  kHz->setFocus();
  kHz->selectAll();
  QTest::keyClicks(kHz, QStringLiteral("1a2-34"));
  EXPECT_EQ(kHz->text(), QStringLiteral("123"));
  QTest::keyClick(kHz, Qt::Key_Backspace);
  EXPECT_EQ(kHz->text(), QStringLiteral("12"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 12000);
  // The MHz 1, kHz 1234 case can no longer shift the digits.
  Field(*form, "Edit4")->setText(QStringLiteral("1"));
  kHz->setText(QStringLiteral("1234"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 1123000);
}

TEST_F(RangeFixture, ArrowsStepTheFieldWithinItsRange) {
  auto form = Window();
  form->show();
  auto* upDown = form->findChild<UpDown*>(QStringLiteral("UpDown7"));
  upDown->stepBy(-1);
  EXPECT_EQ(Field(*form, "Edit9")->text(), QStringLiteral("0"));
  upDown->stepBy(1);
  EXPECT_EQ(Field(*form, "Edit9")->text(), QStringLiteral("1"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 100001);
  form->setProperty("_EndFreqA", 1500);
  EXPECT_EQ(Field(*form, "Edit5")->text(), QStringLiteral("999"));
  QTest::keyClick(Field(*form, "Edit5"), Qt::Key_Up);
  EXPECT_EQ(Field(*form, "Edit5")->text(), QStringLiteral("999"));
  QTest::keyClick(Field(*form, "Edit5"), Qt::Key_Down);
  EXPECT_EQ(form->controller().RangeInEffect().EndFreq, 998000000);
}

TEST_F(RangeFixture, TriplePropertiesReadThePositionsAndOtherPlacesReadZero) {
  auto form = Window();
  EXPECT_EQ(form->property("_StartFreqB").value<qint16>(), 100);
  EXPECT_EQ(form->property("_EndFreqA").value<qint16>(), 50);
  EXPECT_EQ(form->property("_FreqGenA").value<qint16>(), 1);
  Field(*form, "Edit13")->setText(QStringLiteral("25"));
  EXPECT_EQ(form->property("_FreqGenB").value<qint16>(), 25);
  form->setProperty("_StartFreqA", 2);
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 2100000);
}

TEST_F(RangeFixture, EmptyAndShortFieldsArePadded) {
  auto form = Window();
  Field(*form, "Edit4")->setText(QString());
  Field(*form, "Edit8")->setText(QStringLiteral("7"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 7000);
}

TEST_F(RangeFixture, AnEndBelowTheStartGivesANegativeStepAndSpan) {
  auto form = Window();
  form->setProperty("_EndFreqA", 0);
  form->setProperty("_EndFreqB", 50);
  EXPECT_EQ(form->controller().RangeInEffect().SweepStep, -119);
  EXPECT_EQ(form->statusBar()->panelText(5), QStringLiteral("Полоса обзора: -0.050.000 Гц"));
}

TEST_F(RangeFixture, AFieldThatDoesNotReadAsANumberIsReportedAndKeepsTheRange) {
  auto form = Window();
  form->show();
  test::ModalWatcher watcher;
  Field(*form, "Edit11")->setText(QStringLiteral("1x"));  // pasted past the key filter
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("'05001x000' is not a valid integer value."));
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 100000);  // read again before the failing end triple
  EXPECT_EQ(form->controller().RangeInEffect().EndFreq, 50000000);
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 118810 Гц"));
}

TEST_F(RangeFixture, AZeroMeasuredFrequencyKeepsTheDefaultCalibration) {
  auto form = Window();
  form->setProperty("_RealFreq", 0);
  EXPECT_EQ(form->property("_RealFreq").toInt(), 45000000);
  EXPECT_EQ(form->controller().FreqToWord(1000000), 1000000);
  form->setProperty("_RealFreq", 44999000);
  EXPECT_EQ(form->controller().FreqToWord(1000000), 1000022);
}

TEST_F(RangeFixture, PublishedRunSettingsFollowTheControls) {
  auto form = Window();
  form->setProperty("_DelayIndex", 3);
  EXPECT_EQ(form->property("_DelayIndex").toInt(), 3);
  form->setProperty("_DelayIndex", 9);  // not in the list: ignored
  EXPECT_EQ(form->property("_DelayIndex").toInt(), 3);
  form->setProperty("_DelayIndex", -1);
  EXPECT_EQ(form->property("_DelayIndex").toInt(), 3);
  form->setProperty("_Delay", false);
  EXPECT_FALSE(form->controller().Thread().DelayOn.load());
  form->setProperty("_GenMode", true);
  EXPECT_TRUE(form->property("_GenMode").toBool());
  EXPECT_FALSE(form->property("_SwipMode").toBool());
  form->setProperty("_0DbAnaliser", 350);
  EXPECT_EQ(form->property("_0DbAnaliser").toInt(), 200);  // the up-down's limit
  form->setProperty("_0DbAnaliser", -20);
  EXPECT_EQ(form->property("_0DbAnaliser").toInt(), -20);
  EXPECT_EQ(Field(*form, "Edit15")->text(), QStringLiteral("-20"));
  form->setProperty("_Linear", true);
  EXPECT_EQ(form->statusBar()->panelText(6), QStringLiteral("Лин."));
}

}  // namespace
}  // namespace virn::app
