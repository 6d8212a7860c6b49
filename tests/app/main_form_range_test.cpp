// The sweep-range fields of the main window without an instrument: what the
// fields accept, the published values as the controls show them, and the
// status texts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "app/status_bar.h"
#include "app/up_down.h"
#include "linked_window_fixture.h"
#include "support/modal_watcher.h"

namespace virn::app {
namespace {

using RangeFixture = LinkedWindowFixture;

QLineEdit* Field(TMainForm& form, const char* name) {
  return form.findChild<QLineEdit*>(QString::fromLatin1(name));
}

TEST_F(RangeFixture, TheInitialRangeShowsInTheStatusBar) {
  auto form = Window();
  form->show();
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 118810 Гц"));
  EXPECT_EQ(form->statusBar()->panelText(5), QStringLiteral("Полоса обзора: 49.900.000 Гц"));
  EXPECT_EQ(form->statusBar()->panelText(6), QStringLiteral("Лог."));
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

TEST_F(RangeFixture, TriplePropertiesAreTheFieldsPlaces) {
  auto form = Window();
  Field(*form, "Edit13")->setText(QStringLiteral("25"));
  EXPECT_EQ(form->property("_FreqGenB").value<qint16>(), 25);
  form->setProperty("_StartFreqA", 2);
  EXPECT_EQ(Field(*form, "Edit4")->text(), QStringLiteral("2"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 2100000);
}

TEST_F(RangeFixture, AFieldThatDoesNotReadAsANumberIsReported) {
  auto form = Window();
  form->show();
  test::ModalWatcher watcher;
  Field(*form, "Edit11")->setText(QStringLiteral("1x"));  // pasted past the key filter
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("'05001x000' is not a valid integer value."));
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(form->statusBar()->panelText(2), QStringLiteral("Шаг: 118810 Гц"));
}

// Each published setting written shows in its control, as a restored file does.
TEST_F(RangeFixture, PublishedSettingsShowInTheirControls) {
  auto form = Window();
  form->setProperty("_DelayIndex", 3);
  form->setProperty("_Delay", false);
  form->setProperty("_Averaging", true);
  form->setProperty("_GenMode", true);
  form->setProperty("_0DbAnaliser", -20);
  form->setProperty("_Linear", true);
  EXPECT_EQ(form->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->currentIndex(), 3);
  EXPECT_FALSE(form->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->isEnabled());
  EXPECT_FALSE(form->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isChecked());
  EXPECT_TRUE(form->findChild<QCheckBox*>(QStringLiteral("CheckBox2"))->isChecked());
  EXPECT_TRUE(Button(*form, "mnuGenMode")->isChecked());
  EXPECT_FALSE(Button(*form, "mnuSwipMode")->isChecked());
  EXPECT_EQ(Field(*form, "Edit15")->text(), QStringLiteral("-20"));
  EXPECT_TRUE(Button(*form, "mnuLinear")->isChecked());
  EXPECT_EQ(form->statusBar()->panelText(6), QStringLiteral("Лин."));
}

}  // namespace
}  // namespace virn::app
