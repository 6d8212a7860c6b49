// The dialect's text rules, line by line: what each line becomes, or the
// standard error number it earns.
#include "scpi/scpi_parser.h"

#include <gtest/gtest.h>

#include "scpi/scpi_status.h"

namespace virn::scpi {
namespace {

using Id = CommandId;
using Strings = std::vector<std::string>;

// One command per line, or the error of the line's first unit.
struct LineCase {
  std::string line;
  Id id;
  bool query;
  Strings parameters;
  int error;
};

class OneCommand : public ::testing::TestWithParam<LineCase> {};

TEST_P(OneCommand, ParsesAsExpected) {
  const LineCase& c = GetParam();
  const std::vector<ParsedCommand> parsed = ParseProgramMessage(c.line);
  ASSERT_EQ(parsed.size(), 1U) << c.line;
  if (c.error != 0) {
    EXPECT_FALSE(parsed[0].command.has_value()) << c.line;
    EXPECT_EQ(parsed[0].error, c.error) << c.line;
    return;
  }
  ASSERT_TRUE(parsed[0].command.has_value()) << c.line << " error " << parsed[0].error;
  EXPECT_EQ(parsed[0].command->id, c.id) << c.line;
  EXPECT_EQ(parsed[0].command->query, c.query) << c.line;
  EXPECT_EQ(parsed[0].command->parameters, c.parameters) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OneCommand,
    ::testing::Values(
        // Long and short forms, any case, optional nodes present or not.
        LineCase{"SENSe:FREQuency:STARt 1MHZ", Id::FrequencyStart, false, {"1MHZ"}, 0},
        LineCase{"sens:freq:star 1 MHz", Id::FrequencyStart, false, {"1 MHz"}, 0},
        LineCase{"FREQ:STAR?", Id::FrequencyStart, true, {}, 0},
        LineCase{":frequency:stop 2e6", Id::FrequencyStop, false, {"2e6"}, 0},
        LineCase{"SYST:ERR?", Id::SystemError, true, {}, 0},
        LineCase{"SYSTEM:ERROR:NEXT?", Id::SystemError, true, {}, 0},
        LineCase{"INIT", Id::Initiate, false, {}, 0},
        LineCase{"INITiate:IMMediate", Id::Initiate, false, {}, 0},
        LineCase{"init:cont on", Id::InitiateContinuous, false, {"on"}, 0},
        LineCase{"TRAC?", Id::TraceData, true, {}, 0}, LineCase{"TRACE:DATA?", Id::TraceData, true, {}, 0},
        LineCase{"TRAC:FREQ?", Id::TraceFrequency, true, {}, 0},
        LineCase{"CALC:BAND? 3", Id::CalculateBandwidth, true, {"3"}, 0},
        LineCase{"SOUR:FREQ:CW 10MHZ", Id::SourceFrequency, false, {"10MHZ"}, 0},
        LineCase{"OUTP 1", Id::Output, false, {"1"}, 0}, LineCase{"*idn?", Id::Idn, true, {}, 0},
        LineCase{"*ESE 36", Id::Ese, false, {"36"}, 0},
        LineCase{"  DET   LIN  \r", Id::Detector, false, {"LIN"}, 0},
        // Quoted separators stay inside their parameter.
        LineCase{"DET 'a;b,c''d'", Id::Detector, false, {"a;b,c'd"}, 0},
        // Undefined: unknown nodes, a form the command lacks, partial mnemonics.
        LineCase{"FOO:BAR", Id::Idn, false, {}, error::kUndefinedHeader},
        LineCase{"FREQ:STA 1", Id::Idn, false, {}, error::kUndefinedHeader},
        LineCase{"FREQUENC:STAR 1", Id::Idn, false, {}, error::kUndefinedHeader},
        LineCase{"*IDN", Id::Idn, false, {}, error::kUndefinedHeader},
        LineCase{"INIT?", Id::Idn, false, {}, error::kUndefinedHeader},
        LineCase{"SWE:POIN 5", Id::Idn, false, {}, error::kUndefinedHeader},
        LineCase{"*XYZ?", Id::Idn, false, {}, error::kUndefinedHeader},
        // Syntax and parameter counts.
        LineCase{"FREQ::STAR 1", Id::Idn, false, {}, error::kSyntax},
        LineCase{"FREQ:STAR?X", Id::Idn, false, {}, error::kSyntax},
        LineCase{"FREQ:ST@R 1", Id::Idn, false, {}, error::kSyntax},
        LineCase{std::string("FR\x01Q 1"), Id::Idn, false, {}, error::kInvalidCharacter},
        LineCase{"FREQ:STAR", Id::Idn, false, {}, error::kMissingParameter},
        LineCase{"FREQ:STAR 1,", Id::Idn, false, {}, error::kMissingParameter},
        LineCase{"FREQ:STAR 1,2", Id::Idn, false, {}, error::kParameterNotAllowed},
        LineCase{"*IDN? 1", Id::Idn, false, {}, error::kParameterNotAllowed},
        LineCase{"CALC:BAND?", Id::Idn, false, {}, error::kMissingParameter},
        LineCase{"DET \"LIN", Id::Idn, false, {}, error::kSyntax}),
    [](const ::testing::TestParamInfo<LineCase>& param) { return "Line" + std::to_string(param.index); });

TEST(ProgramMessage, JoinsCommandsAndContinuesRelativeHeadersFromThePreviousPath) {
  const std::vector<ParsedCommand> parsed =
      ParseProgramMessage("SENS:FREQ:STAR 1MHZ;STOP 2MHZ;*OPC?;:INIT:IMM;;CONT OFF;TRAC?");
  ASSERT_EQ(parsed.size(), 6U);
  const std::vector<Id> ids{Id::FrequencyStart, Id::FrequencyStop,      Id::Opc,
                            Id::Initiate,       Id::InitiateContinuous, Id::TraceData};
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ASSERT_TRUE(parsed[i].command.has_value()) << i;
    EXPECT_EQ(parsed[i].command->id, ids[i]) << i;
  }
  // A common command leaves the path alone; STOP after it is still a frequency.
  EXPECT_TRUE(ParseProgramMessage("FREQ:STAR 1;*CLS;STOP 2")[2].command.has_value());
}

TEST(ProgramMessage, BlankLinesAndLoneSeparatorsSayNothing) {
  for (const char* line : {"", "   ", ";", " ; ;"}) EXPECT_TRUE(ParseProgramMessage(line).empty()) << line;
}

struct NumberCase {
  std::string text;
  double value;
  int error;
};

TEST(Parameters, FrequenciesTakeTheirSuffixesInAnyCase) {
  for (const NumberCase& c : std::vector<NumberCase>{
           {"20", 20, 0},
           {"20MHZ", 20e6, 0},
           {"20 mhz", 20e6, 0},
           {"1.5kHz", 1500, 0},
           {"+.5e3 HZ", 500, 0},
           {"-2", -2, 0},
           {"1E", 0, error::kInvalidSuffix},
           {"5 MV", 0, error::kInvalidSuffix},
           {"MAX", 0, error::kDataType},
           {"--1", 0, error::kDataType},
           {".", 0, error::kDataType},
           {"1e999", 0, error::kDataOutOfRange},
       }) {
    const Parsed<double> parsed = ParseFrequency(c.text);
    EXPECT_EQ(parsed.error, c.error) << c.text;
    if (c.error == 0) {
      EXPECT_DOUBLE_EQ(parsed.value.value_or(-1), c.value) << c.text;
    }
  }
}

TEST(Parameters, BooleansAndChoices) {
  EXPECT_EQ(ParseBoolean("on").value, true);
  EXPECT_EQ(ParseBoolean("OFF").value, false);
  EXPECT_EQ(ParseBoolean("1").value, true);
  EXPECT_EQ(ParseBoolean("0.2").value, false);
  EXPECT_EQ(ParseBoolean("maybe").error, error::kIllegalParameterValue);
  const std::array<std::string_view, 2> detectors{"LOGarithmic", "LINear"};
  EXPECT_EQ(ParseChoice("log", detectors).value, 0U);
  EXPECT_EQ(ParseChoice("Linear", detectors).value, 1U);
  EXPECT_EQ(ParseChoice("LINE", detectors).error, error::kIllegalParameterValue);
}

}  // namespace
}  // namespace virn::scpi
