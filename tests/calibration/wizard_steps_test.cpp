// The wizards' steps without widgets: what each step shows, sends and stores,
// and what it refuses.
#include "calibration/wizard_steps.h"

#include <gtest/gtest.h>

#include "measure/frequency.h"

namespace virn::calibration {
namespace {

TEST(FreqWizardStep, PageZeroOffersNextOnlyWithANominalFrequency) {
  const auto filled = FreqWizardStep(0, QStringLiteral("45000000"), QString());
  ASSERT_TRUE(filled);
  EXPECT_EQ(filled->view, (WizardView{.page = 0, .backEnabled = false, .nextEnabled = true}));
  EXPECT_FALSE(filled->nominalWord);
  EXPECT_FALSE(filled->realFreq);
  EXPECT_FALSE(FreqWizardStep(0, QString(), QString())->view.nextEnabled);
}

TEST(FreqWizardStep, PageOneSendsTheNominalFrequencyAsItIs) {
  const auto action = FreqWizardStep(1, QStringLiteral("45000000"), QString());
  ASSERT_TRUE(action);
  EXPECT_EQ(action->nominalWord, 45000000);
  EXPECT_FALSE(action->realFreq);
  EXPECT_EQ(action->view, (WizardView{.page = 1, .backEnabled = true, .nextEnabled = false}));
  EXPECT_TRUE(FreqWizardStep(1, QStringLiteral("45000000"), QStringLiteral("4"))->view.nextEnabled);
}

TEST(FreqWizardStep, PageTwoStoresTheMeasuredFrequencyAndOffersOnlyFinish) {
  const auto action = FreqWizardStep(2, QStringLiteral("45000000"), QStringLiteral("45000450"));
  ASSERT_TRUE(action);
  EXPECT_EQ(action->realFreq, 45000450);
  // The nominal frequency is never stored, and the last page sends nothing.
  EXPECT_FALSE(action->nominalWord);
  EXPECT_FALSE(action->view.navigationVisible);
  EXPECT_TRUE(action->view.finishCaption);
  EXPECT_EQ(action->view.page, 2);
}

TEST(FreqWizardStep, ARealFrequencyOfZeroOrBelowIsRefused) {
  for (const char* text : {"0", "000", "-45000450"}) {
    EXPECT_THROW(FreqWizardStep(2, QStringLiteral("45000000"), QString::fromLatin1(text)), ERealFreqRefused)
        << text;
  }
}

TEST(FreqWizardStep, ANumberBeyondThirtyTwoBitsIsTheConversionError) {
  try {
    FreqWizardStep(2, QStringLiteral("45000000"), QStringLiteral("2147483648"));
    FAIL() << "no error";
  } catch (const measure::EConvertError& error) {
    EXPECT_STREQ(error.what(), "'2147483648' is not a valid integer value");
  }
  EXPECT_THROW(FreqWizardStep(1, QStringLiteral("99999999999"), QString()), measure::EConvertError);
  // The largest value still reads.
  EXPECT_EQ(FreqWizardStep(1, QStringLiteral("2147483647"), QString())->nominalWord, 2147483647);
}

TEST(FreqWizardStep, StepsOutsideThePagesDoNothing) {
  EXPECT_FALSE(FreqWizardStep(-1, QStringLiteral("1"), QStringLiteral("1")));
  EXPECT_FALSE(FreqWizardStep(3, QStringLiteral("1"), QStringLiteral("1")));
}

TEST(LevelWizardStep, EnteringPagesOneAndTwoMeasures) {
  EXPECT_EQ(LevelWizardStep(0)->measurement, LevelMeasurement::None);
  EXPECT_EQ(LevelWizardStep(0)->view, (WizardView{.page = 0, .backEnabled = false, .nextEnabled = true}));
  EXPECT_EQ(LevelWizardStep(1)->measurement, LevelMeasurement::ZeroLevel);
  EXPECT_EQ(LevelWizardStep(1)->view, (WizardView{.page = 1, .backEnabled = true, .nextEnabled = true}));
  EXPECT_EQ(LevelWizardStep(2)->measurement, LevelMeasurement::AttenuatedLevel);
  EXPECT_FALSE(LevelWizardStep(2)->view.navigationVisible);
  EXPECT_TRUE(LevelWizardStep(2)->view.finishCaption);
  EXPECT_FALSE(LevelWizardStep(3));
  EXPECT_FALSE(LevelWizardStep(-1));
}

}  // namespace
}  // namespace virn::calibration
