// The bench's command language: every command, the words around them (case,
// white space, comments), and what is wrong with a line that is not a command.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "sim/bench_command.h"

namespace virn::sim::test {
namespace {

BenchCommand Parsed(const std::string& line) {
  const ParsedBenchLine parsed = ParseBenchLine(line);
  EXPECT_TRUE(parsed.error.empty()) << line << ": " << parsed.error;
  EXPECT_TRUE(parsed.command.has_value()) << line;
  return parsed.command.value_or(bench::ReadLevels{});
}

std::string ErrorOf(const std::string& line) {
  const ParsedBenchLine parsed = ParseBenchLine(line);
  EXPECT_FALSE(parsed.command.has_value()) << line;
  return parsed.error;
}

DeviceUnderTest DutOf(const std::string& line) {
  const BenchCommand command = Parsed(line);
  EXPECT_TRUE(std::holds_alternative<bench::SetDut>(command)) << line;
  return std::holds_alternative<bench::SetDut>(command) ? std::get<bench::SetDut>(command).dut
                                                        : DeviceUnderTest::BandPass;
}

TEST(BenchCommandParse, WordCommandsStandAlone) {
  EXPECT_TRUE(std::holds_alternative<bench::Unplug>(Parsed("unplug")));
  EXPECT_TRUE(std::holds_alternative<bench::Plug>(Parsed("plug")));
  EXPECT_TRUE(std::holds_alternative<bench::ReadCounter>(Parsed("counter")));
  EXPECT_TRUE(std::holds_alternative<bench::ReadLevels>(Parsed("levels")));
  // Any white space around and between words, a CR from a Windows editor included.
  EXPECT_TRUE(std::holds_alternative<bench::Plug>(Parsed("  \tplug \r")));
  EXPECT_EQ(ErrorOf("plug now"), "'plug' takes no arguments");
  EXPECT_EQ(ErrorOf("counter 1"), "'counter' takes no arguments");
}

TEST(BenchCommandParse, EveryDeviceUnderTest) {
  EXPECT_EQ(DutOf("dut bandpass"), DeviceUnderTest::BandPass);
  EXPECT_EQ(DutOf("dut through"), DeviceUnderTest::Through);
  EXPECT_EQ(DutOf("dut attenuator 12"), DeviceUnderTest::Attenuator12);
  EXPECT_EQ(DutOf("dut   attenuator\t40"), DeviceUnderTest::Attenuator40);
  EXPECT_EQ(DutOf("dut open"), DeviceUnderTest::Open);
  EXPECT_EQ(DutOf("dut carrier"), DeviceUnderTest::Carrier);
}

TEST(BenchCommandParse, MalformedDevicesSayWhatIsWrong) {
  EXPECT_EQ(ErrorOf("dut attenuator"), "'dut attenuator' takes 12 or 40");
  EXPECT_EQ(ErrorOf("dut attenuator 20"), "'dut attenuator' takes 12 or 40");
  EXPECT_EQ(ErrorOf("dut attenuator 12 40"), "'dut attenuator' takes 12 or 40");
  EXPECT_EQ(ErrorOf("dut attenuator 12.0"), "'dut attenuator' takes 12 or 40");
  EXPECT_EQ(ErrorOf("dut"), "'dut' takes bandpass, through, attenuator 12, attenuator 40, open or carrier");
  EXPECT_EQ(ErrorOf("dut filter"),
            "'dut' takes bandpass, through, attenuator 12, attenuator 40, open or carrier, not 'filter'");
  EXPECT_EQ(ErrorOf("dut through 0"), "'dut through' takes nothing more");
}

TEST(BenchCommandParse, OutputIsRealOrFlat) {
  EXPECT_FALSE(std::get<bench::SetOutput>(Parsed("output real")).flat);
  EXPECT_TRUE(std::get<bench::SetOutput>(Parsed("output flat")).flat);
  for (const char* line : {"output", "output ideal", "output flat now"}) {
    EXPECT_EQ(ErrorOf(line), "'output' takes real or flat");
  }
}

TEST(BenchCommandParse, ClockPpmTakesSignedFractionsWithinAThousand) {
  const auto ppm = [](const std::string& line) {
    const BenchCommand command = Parsed(line);
    return std::holds_alternative<bench::SetClockPpm>(command) ? std::get<bench::SetClockPpm>(command).ppm
                                                               : -99999.0;
  };
  EXPECT_EQ(ppm("clock-ppm 10"), 10);
  EXPECT_EQ(ppm("clock-ppm -2.5"), -2.5);
  EXPECT_EQ(ppm("clock-ppm +0.125"), 0.125);
  EXPECT_EQ(ppm("clock-ppm 0"), 0);
  EXPECT_EQ(ppm("clock-ppm 1000"), 1000);
  EXPECT_EQ(ppm("clock-ppm -1000"), -1000);
  EXPECT_EQ(ppm("clock-ppm 1e2"), 100);
  const std::string usage = "'clock-ppm' needs a number from -1000 to 1000";
  for (const char* bad : {"clock-ppm", "clock-ppm 1000.5", "clock-ppm -1001", "clock-ppm ten",
                          "clock-ppm 10ppm", "clock-ppm 1 2", "clock-ppm nan", "clock-ppm inf",
                          "clock-ppm 0x10", "clock-ppm ++1", "clock-ppm 1e999", "clock-ppm ."}) {
    EXPECT_EQ(ErrorOf(bad), usage) << bad;
  }
}

TEST(BenchCommandParse, CarrierTakesAFrequencyAndALevelInRange) {
  const BenchCommand command = Parsed("carrier 10e6 -20");
  ASSERT_TRUE(std::holds_alternative<bench::SetCarrier>(command));
  EXPECT_EQ(std::get<bench::SetCarrier>(command).frequencyHz, 10e6);
  EXPECT_EQ(std::get<bench::SetCarrier>(command).levelDb, -20);
  const BenchCommand edges = Parsed("carrier 1000000000 10");
  EXPECT_EQ(std::get<bench::SetCarrier>(edges).frequencyHz, 1e9);
  EXPECT_EQ(std::get<bench::SetCarrier>(Parsed("carrier 1 -120")).levelDb, -120);
  EXPECT_EQ(std::get<bench::SetCarrier>(Parsed("carrier 2500.5 -7.25")).frequencyHz, 2500.5);

  const std::string count = "'carrier' needs a frequency in Hz and a level in dB";
  EXPECT_EQ(ErrorOf("carrier"), count);
  EXPECT_EQ(ErrorOf("carrier 10e6"), count);
  EXPECT_EQ(ErrorOf("carrier 10e6 -20 5"), count);
  EXPECT_EQ(ErrorOf("carrier 0.5 -20"), "'carrier' needs a frequency from 1 to 1e9 Hz, not '0.5'");
  EXPECT_EQ(ErrorOf("carrier 2e9 -20"), "'carrier' needs a frequency from 1 to 1e9 Hz, not '2e9'");
  EXPECT_EQ(ErrorOf("carrier 10MHz -20"), "'carrier' needs a frequency from 1 to 1e9 Hz, not '10MHz'");
  EXPECT_EQ(ErrorOf("carrier 10e6 11"), "'carrier' needs a level from -120 to 10 dB, not '11'");
  EXPECT_EQ(ErrorOf("carrier 10e6 -121"), "'carrier' needs a level from -120 to 10 dB, not '-121'");
  EXPECT_EQ(ErrorOf("carrier 10e6 -20dB"), "'carrier' needs a level from -120 to 10 dB, not '-20dB'");
}

TEST(BenchCommandParse, BlankLinesAndCommentsSayNothing) {
  for (const char* quiet : {"", "   ", "\t\r", "#", "# unplug", "  # dut open", "#plug"}) {
    const ParsedBenchLine parsed = ParseBenchLine(quiet);
    EXPECT_FALSE(parsed.command.has_value()) << quiet;
    EXPECT_TRUE(parsed.error.empty()) << quiet;
  }
}

TEST(BenchCommandParse, UnknownWordsAndUpperCaseAreNotCommands) {
  EXPECT_EQ(ErrorOf("foo"), "unknown command 'foo'");
  EXPECT_EQ(ErrorOf("Plug"), "unknown command 'Plug'");
  EXPECT_EQ(ErrorOf("DUT open"), "unknown command 'DUT'");
  EXPECT_EQ(ErrorOf("clock_ppm 5"), "unknown command 'clock_ppm'");
  EXPECT_EQ(ErrorOf("plug;unplug"), "unknown command 'plug;unplug'");
}

TEST(BenchNumber, OnlyPlainDecimalNumbers) {
  EXPECT_EQ(ParseBenchNumber("42"), 42.0);
  EXPECT_EQ(ParseBenchNumber("-0.5"), -0.5);
  EXPECT_EQ(ParseBenchNumber("+7"), 7.0);
  EXPECT_EQ(ParseBenchNumber("1.5E3"), 1500.0);
  EXPECT_EQ(ParseBenchNumber(".25"), 0.25);
  for (const char* bad :
       {"", "+", "-", "1.2.3", "1e", "e5", "1,5", " 1", "1 ", "inf", "-nan", "0x1p3", "1-2"}) {
    EXPECT_FALSE(ParseBenchNumber(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace virn::sim::test
