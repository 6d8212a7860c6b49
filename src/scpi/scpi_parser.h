// The remote-control dialect, text to commands: a program message (one line
// without its end) becomes the commands it holds, each matched against the
// command table, or the standard error number that says why not. Headers are
// case-insensitive, in long or short form ("SENSe:FREQuency:STARt",
// "sens:freq:star"), with optional nodes ("[SENSe:]"); ";" joins commands, and
// a header after ";" that does not start with ":" or "*" continues from the
// previous header's path, as IEEE 488.2 and SCPI have it. Pure: bytes in,
// values out, nothing kept between calls.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace virn::scpi {

enum class CommandId {
  Idn,
  Rst,
  Cls,
  Opc,
  Wai,
  Esr,
  Ese,
  Stb,
  Sre,
  SystemError,
  SystemConnected,
  FrequencyStart,
  FrequencyStop,
  FrequencyCenter,
  FrequencySpan,
  SweepPoints,
  SweepTime,
  SweepDelay,
  Detector,
  Average,
  Initiate,
  InitiateContinuous,
  Abort,
  TraceData,
  TraceRaw,
  TraceFrequency,
  CalculateBandwidth,
  SourceFrequency,
  Output,
};

// What a command accepts.
enum class Form { SetOnly, QueryOnly, Both };

struct CommandSpec {
  std::string_view pattern;  // "[SENSe:]FREQuency:STARt": capitals are the short form
  CommandId id;
  Form form;
  int setParameters;    // parameters a setting takes
  int queryParameters;  // parameters a query takes
};

// Every command of the dialect, as the README's table lists them.
std::span<const CommandSpec> CommandTable();

struct Command {
  CommandId id = CommandId::Idn;
  bool query = false;
  std::vector<std::string> parameters;  // trimmed, unquoted
  std::string header;                   // as typed, for error details
};

// One command of a program message, or why it is none.
struct ParsedCommand {
  std::optional<Command> command;
  int error = 0;  // a standard error number when command is empty
  std::string header;
};

// Longest line the server takes (its end not counted).
inline constexpr std::size_t kMaxLineLength = 64 * 1024;

std::vector<ParsedCommand> ParseProgramMessage(std::string_view line);

// Parameter values. Each gives the value or the error number.
template <typename T>
struct Parsed {
  std::optional<T> value;
  int error = 0;
};

// A decimal number ("20", "-1.5e6", "+.5") with an optional suffix from
// `suffixes` (upper case, e.g. {"HZ", 1}, {"KHZ", 1e3}), matched without
// regard to case, white space allowed before it; the value is multiplied by
// the suffix's factor.
struct Suffix {
  std::string_view name;
  double factor;
};
Parsed<double> ParseNumber(std::string_view text, std::span<const Suffix> suffixes = {});
// A frequency in hertz: HZ, KHZ, MHZ, GHZ.
Parsed<double> ParseFrequency(std::string_view text);
// ON, OFF, 1, 0 (any number: nonzero is on).
Parsed<bool> ParseBoolean(std::string_view text);
// The index of the first choice (capitals the short form: "LINear") that the
// text names.
Parsed<std::size_t> ParseChoice(std::string_view text, std::span<const std::string_view> choices);

// True when `word` is the short or the long form of `mnemonic` ("STARt"),
// in any case.
bool MatchesMnemonic(std::string_view word, std::string_view mnemonic);

}  // namespace virn::scpi
