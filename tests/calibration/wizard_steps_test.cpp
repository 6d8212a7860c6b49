// The wizards' steps without widgets: what each step shows, sends and stores,
// and what it refuses.
#include "calibration/wizard_steps.h"

#include <gtest/gtest.h>

#include "measure/frequency.h"

namespace virn::calibration {
namespace {

constexpr std::int32_t kCorr = 45000000;

TEST(FreqWizardStep, PageZeroOffersNextOnlyWithANominalFrequency) {
  const auto filled = FreqWizardStep(0, QStringLiteral("45000000"), QString(), kCorr);
  ASSERT_TRUE(filled);
  EXPECT_EQ(filled->view, (WizardView{.page = 0, .backEnabled = false, .nextEnabled = true}));
  EXPECT_FALSE(filled->nominalWord);
  EXPECT_FALSE(filled->realFreq);
  EXPECT_FALSE(FreqWizardStep(0, QString(), QString(), kCorr)->view.nextEnabled);
}

TEST(FreqWizardStep, PageOneSendsTheNominalFrequencyAsItIs) {
  const auto action = FreqWizardStep(1, QStringLiteral("45000000"), QString(), kCorr);
  ASSERT_TRUE(action);
  EXPECT_EQ(action->nominalWord, 45000000);
  EXPECT_FALSE(action->realFreq);
  EXPECT_EQ(action->view, (WizardView{.page = 1, .backEnabled = true, .nextEnabled = false}));
  EXPECT_TRUE(FreqWizardStep(1, QStringLiteral("45000000"), QStringLiteral("4"), kCorr)->view.nextEnabled);
}

TEST(FreqWizardStep, PageTwoStoresTheMeasuredFrequencyAndOffersOnlyFinish) {
  const auto action = FreqWizardStep(2, QStringLiteral("45000000"), QStringLiteral("45000450"), kCorr);
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
    EXPECT_THROW(FreqWizardStep(2, QStringLiteral("45000000"), QString::fromLatin1(text), kCorr),
                 ERealFreqRefused)
        << text;
  }
}

TEST(FreqWizardStep, ANumberBeyondThirtyTwoBitsIsTheConversionError) {
  try {
    FreqWizardStep(2, QStringLiteral("45000000"), QStringLiteral("2147483648"), kCorr);
    FAIL() << "no error";
  } catch (const measure::EConvertError& error) {
    EXPECT_STREQ(error.what(), "'2147483648' is not a valid integer value");
  }
  EXPECT_THROW(FreqWizardStep(1, QStringLiteral("99999999999"), QString(), kCorr), measure::EConvertError);
  // The largest value still reads.
  EXPECT_EQ(FreqWizardStep(1, QStringLiteral("2147483647"), QString(), kCorr)->nominalWord, 2147483647);
}

TEST(FreqWizardStep, ANominalFrequencyOfZeroOrBelowIsRefusedBeforeAnythingIsSent) {
  try {
    FreqWizardStep(1, QStringLiteral("0"), QString(), kCorr);
    FAIL() << "no refusal";
  } catch (const ERealFreqRefused& refused) {
    EXPECT_EQ(QString::fromStdString(refused.what()), kNominalFreqRefusedText);
  }
}

TEST(FreqWizardStep, AMeasurementAtAnotherNominalFrequencyIsScaledToTheReference) {
  // 150 MHz asked, 150 001 500 Hz measured: the same 10 ppm as 45 000 450 at 45 MHz.
  EXPECT_EQ(FreqWizardStep(2, QStringLiteral("150000000"), QStringLiteral("150001500"), kCorr)->realFreq,
            45000450);
  // At the reference itself the measurement is stored as it is.
  EXPECT_EQ(RealFreqFor(2147483647, kCorr, kCorr), 2147483647);
  // Rounded to nearest, ties to even.
  EXPECT_EQ(RealFreqFor(3, 2, 1), 2);   // 1.5
  EXPECT_EQ(RealFreqFor(5, 2, 1), 2);   // 2.5
  EXPECT_EQ(RealFreqFor(7, 2, 1), 4);   // 3.5
  EXPECT_EQ(RealFreqFor(10, 3, 1), 3);  // 3.33
  // Below one hertz nothing is left to store.
  EXPECT_FALSE(RealFreqFor(1, 90000000, 45));
  // A result that does not fit is refused rather than wrapped.
  EXPECT_FALSE(RealFreqFor(2147483647, 1, kCorr));
  EXPECT_THROW(FreqWizardStep(2, QStringLiteral("1"), QStringLiteral("2147483647"), kCorr), ERealFreqRefused);
}

TEST(FreqWizardStep, StepsOutsideThePagesDoNothing) {
  EXPECT_FALSE(FreqWizardStep(-1, QStringLiteral("1"), QStringLiteral("1"), kCorr));
  EXPECT_FALSE(FreqWizardStep(3, QStringLiteral("1"), QStringLiteral("1"), kCorr));
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
