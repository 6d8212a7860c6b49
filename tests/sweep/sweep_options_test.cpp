// virn-sweep's command line: what each option sets, what is left to the
// settings file, and the wrong arguments that end the program with status 2.
#include "sweep/sweep_options.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace virn::sweep {
namespace {

SweepOptions Parse(QStringList arguments) {
  arguments.prepend(QStringLiteral("virn-sweep"));
  return ParseSweepOptions(arguments);
}

TEST(SweepOptions, NothingGivenLeavesTheSweepToTheSettingsFile) {
  const SweepOptions o = Parse({});
  EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
  EXPECT_FALSE(o.simulated);
  EXPECT_FALSE(o.showHelp);
  EXPECT_EQ(o.count, 1);
  EXPECT_EQ(o.timeout, std::chrono::milliseconds(5000));
  EXPECT_FALSE(o.startHz || o.endHz || o.periodIndex || o.delay || o.averaging || o.linear);
  EXPECT_TRUE(o.outputPath.isEmpty());
  EXPECT_TRUE(o.settingsPath.isEmpty());
}

TEST(SweepOptions, EveryOptionLandsInItsField) {
  const SweepOptions o = Parse(
      {"--simulated", "--no-instrument", "--wire-log", "w.log",      "--start", "1000",       "--end",
       "999999999",   "--count",         "20",         "--period",   "4",       "--no-delay", "--average",
       "--linear",    "--output",        "out.csv",    "--settings", "s.xml",   "--timeout",  "0.25"});
  ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
  EXPECT_TRUE(o.simulated);
  EXPECT_TRUE(o.noInstrument);
  EXPECT_EQ(o.wireLogPath, QStringLiteral("w.log"));
  EXPECT_EQ(o.startHz, 1000);
  EXPECT_EQ(o.endHz, 999999999);
  EXPECT_EQ(o.count, 20);
  EXPECT_EQ(o.periodIndex, 4);
  EXPECT_EQ(o.delay, false);
  EXPECT_EQ(o.averaging, true);
  EXPECT_EQ(o.linear, true);
  EXPECT_EQ(o.outputPath, QStringLiteral("out.csv"));
  EXPECT_EQ(o.settingsPath, QStringLiteral("s.xml"));
  EXPECT_EQ(o.timeout, std::chrono::milliseconds(250));
}

TEST(SweepOptions, TheOtherHalfOfEachSwitch) {
  const SweepOptions o = Parse({"--delay", "--no-average", "--log", "--start=0", "--no-flat"});
  ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
  EXPECT_EQ(o.flat, false);
  EXPECT_EQ(Parse({"--flat"}).flat, true);
  EXPECT_FALSE(Parse({}).flat.has_value());
  EXPECT_EQ(o.delay, true);
  EXPECT_EQ(o.averaging, false);
  EXPECT_EQ(o.linear, false);
  EXPECT_EQ(o.startHz, 0);
}

TEST(SweepOptions, HelpNamesEveryOptionAndTheExitStatuses) {
  const SweepOptions o = Parse({"--help"});
  EXPECT_TRUE(o.showHelp);
  for (const char* name :
       {"--simulated", "--no-instrument", "--wire-log",   "--start",
        "--end",       "--count",         "--period",     "--delay",
        "--no-delay",  "--average",       "--no-average", "--linear",
        "--log",       "--flat",          "--no-flat",    "--output",
        "--settings",  "--timeout",       "Exit status",  "sweep,frequency_hz,level_db,sample"}) {
    EXPECT_TRUE(o.helpText.contains(QLatin1String(name))) << name;
  }
}

TEST(SweepOptions, WrongArgumentsAreRefusedWithAOneLineReason) {
  const std::vector<std::pair<QStringList, const char*>> cases = {
      {QStringList{"--count", "0"}, "--count takes a whole number from 1 to 1000000"},
      {QStringList{"--count", "many"}, "not 'many'"},
      {QStringList{"--count", "1000001"}, "--count"},
      {QStringList{"--count", " 3"}, "--count"},
      {QStringList{"--start", "-1"}, "--start takes a whole number from 0 to 999999999"},
      {QStringList{"--end", "1000000000"}, "--end"},
      {QStringList{"--end", "5e6"}, "--end"},
      {QStringList{"--period", "0"}, "--period takes a whole number from 1 to 4"},
      {QStringList{"--period", "5"}, "--period"},
      {QStringList{"--timeout", "0"}, "--timeout takes seconds"},
      {QStringList{"--timeout", "3601"}, "--timeout"},
      {QStringList{"--timeout", "nan"}, "--timeout"},
      {QStringList{"--delay", "--no-delay"}, "--delay and --no-delay exclude each other"},
      {QStringList{"--linear", "--log"}, "exclude each other"},
      {QStringList{"--average", "--no-average"}, "exclude each other"},
      {QStringList{"--no-instrument"}, "--no-instrument goes with --simulated"},
      {QStringList{"--wire-log", "x"}, "--wire-log goes with --simulated"},
      {QStringList{"--output", ""}, "--output takes a file name"},
      {QStringList{"--settings="}, "--settings takes a file name"},
      {QStringList{"--count"}, "Missing value after '--count'"},
      {QStringList{"--bogus"}, "Unknown option 'bogus'"},
      {QStringList{"extra"}, "Unexpected argument: extra"},
  };
  for (const auto& [arguments, reason] : cases) {
    const SweepOptions o = Parse(arguments);
    EXPECT_TRUE(o.error.contains(QLatin1String(reason)))
        << arguments.join(' ').toStdString() << ": " << o.error.toStdString();
    EXPECT_FALSE(o.error.contains(QLatin1Char('\n'))) << o.error.toStdString();
  }
}

}  // namespace
}  // namespace virn::sweep
