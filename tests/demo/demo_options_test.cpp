#include "demo/demo_options.h"

#include <gtest/gtest.h>

namespace virn::demo {
namespace {

DemoOptions Parse(QStringList args) {
  args.prepend(QStringLiteral("virn-demo"));
  return ParseDemoOptions(args);
}

TEST(DemoOptionsTest, DefaultsPlugTheInstrumentAloneWithoutALog) {
  const DemoOptions o = Parse({});
  EXPECT_TRUE(o.error.isEmpty());
  EXPECT_TRUE(o.instrument);
  EXPECT_EQ(o.otherDevices, 0);
  EXPECT_TRUE(o.wireLogPath.isEmpty());
  EXPECT_TRUE(o.benchPath.isEmpty());
  EXPECT_FALSE(o.showHelp);
}

TEST(DemoOptionsTest, ReadsEveryOption) {
  const DemoOptions o =
      Parse({QStringLiteral("--wire-log"), QStringLiteral("/tmp/w.log"), QStringLiteral("--no-instrument"),
             QStringLiteral("--other-devices"), QStringLiteral("2"), QStringLiteral("--bench"),
             QStringLiteral("/tmp/bench.fifo")});
  EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
  EXPECT_EQ(o.wireLogPath, QStringLiteral("/tmp/w.log"));
  EXPECT_FALSE(o.instrument);
  EXPECT_EQ(o.otherDevices, 2);
  EXPECT_EQ(o.benchPath, QStringLiteral("/tmp/bench.fifo"));
  EXPECT_TRUE(Parse({QStringLiteral("--help")}).showHelp);
  EXPECT_TRUE(Parse({QStringLiteral("--help")}).helpText.contains(QStringLiteral("--wire-log")));
}

TEST(DemoOptionsTest, HelpDescribesTheBenchWindowAndEveryCommand) {
  const QString help = Parse({QStringLiteral("--help")}).helpText;
  EXPECT_TRUE(help.contains(QStringLiteral("--bench <file>")));
  EXPECT_TRUE(help.contains(QStringLiteral("Стенд")));
  for (const char* command : {"unplug", "plug", "dut bandpass", "dut through", "dut attenuator 12", "40",
                              "dut open", "dut carrier", "carrier FREQ_HZ LEVEL_DB", "clock-ppm N", "counter",
                              "\"counter: <N> Hz\"", "\"counter: no signal\"", "levels", "421 bytes"}) {
    EXPECT_TRUE(help.contains(QString::fromLatin1(command))) << command;
  }
}

TEST(DemoOptionsTest, RejectsWhatItDoesNotKnow) {
  EXPECT_FALSE(Parse({QStringLiteral("--bogus")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("stray")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("--wire-log")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("--bench")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("--other-devices"), QStringLiteral("x")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("--other-devices"), QStringLiteral("-1")}).error.isEmpty());
}

}  // namespace
}  // namespace virn::demo
