// The options dialog's acceptance test.
#include "calibration/options.h"

#include <gtest/gtest.h>

#include "measure/frequency.h"

namespace virn::calibration {
namespace {

TEST(AcceptedDds, AnEmptyFieldIsRefusedWithTheWarningText) {
  try {
    AcceptedDds(QString());
    FAIL() << "no refusal";
  } catch (const EDdsMissing& refused) {
    EXPECT_EQ(QString::fromStdString(refused.what()), QStringLiteral("Не указан коэффициент DDS."));
  }
}

TEST(AcceptedDds, ReadsSignedThirtyTwoBitIntegersOnly) {
  EXPECT_EQ(AcceptedDds(QStringLiteral("0")), 0);
  EXPECT_EQ(AcceptedDds(QStringLiteral("43")), 43);
  EXPECT_EQ(AcceptedDds(QStringLiteral("2147483647")), 2147483647);
  EXPECT_THROW(AcceptedDds(QStringLiteral("2147483648")), measure::EConvertError);
  EXPECT_THROW(AcceptedDds(QStringLiteral("12x")), measure::EConvertError);
}

}  // namespace
}  // namespace virn::calibration
