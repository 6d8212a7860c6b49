// The options exchange: the acceptance test and what accepting does, in order.
#include "calibration/options.h"

#include <gtest/gtest.h>

#include "fake_hosts.h"
#include "measure/frequency.h"

namespace virn::calibration {
namespace {

using test::FakeOptionsHost;

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

TEST(ApplyOptions, StoresShowsStopsThenSendsTheSetUpAndSaves) {
  FakeOptionsHost host;
  ApplyOptions(host, 50, true);
  const QStringList expected = {QStringLiteral("setDds 50"),          QStringLiteral("setVfoDiv 1"),
                                QStringLiteral("ShowRangeStatus"),    QStringLiteral("StopSweep"),
                                QStringLiteral("SendGeneratorSetup"), QStringLiteral("SaveSettings")};
  EXPECT_EQ(host.calls, expected);
}

TEST(ApplyOptions, WithoutAnInstrumentStillStopsButSendsNothing) {
  FakeOptionsHost host;
  host.connected = false;
  ApplyOptions(host, 43, false);
  EXPECT_FALSE(host.calls.contains(QStringLiteral("SendGeneratorSetup")));
  EXPECT_TRUE(host.calls.contains(QStringLiteral("StopSweep")));
  EXPECT_EQ(host.ddsValue, 43);
  EXPECT_FALSE(host.vfoDivValue);
}

}  // namespace
}  // namespace virn::calibration
