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
  EXPECT_FALSE(o.showHelp);
}

TEST(DemoOptionsTest, ReadsEveryOption) {
  const DemoOptions o =
      Parse({QStringLiteral("--wire-log"), QStringLiteral("/tmp/w.log"), QStringLiteral("--no-instrument"),
             QStringLiteral("--other-devices"), QStringLiteral("2")});
  EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
  EXPECT_EQ(o.wireLogPath, QStringLiteral("/tmp/w.log"));
  EXPECT_FALSE(o.instrument);
  EXPECT_EQ(o.otherDevices, 2);
  EXPECT_TRUE(Parse({QStringLiteral("--help")}).showHelp);
  EXPECT_TRUE(Parse({QStringLiteral("--help")}).helpText.contains(QStringLiteral("--wire-log")));
}

TEST(DemoOptionsTest, RejectsWhatItDoesNotKnow) {
  EXPECT_FALSE(Parse({QStringLiteral("--bogus")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("stray")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("--wire-log")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("--other-devices"), QStringLiteral("x")}).error.isEmpty());
  EXPECT_FALSE(Parse({QStringLiteral("--other-devices"), QStringLiteral("-1")}).error.isEmpty());
}

}  // namespace
}  // namespace virn::demo
