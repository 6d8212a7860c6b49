#include "scpi/scpi_parser.h"

#include <array>
#include <charconv>
#include <cmath>

#include "scpi/scpi_status.h"

namespace virn::scpi {

namespace {

using Id = CommandId;

constexpr std::array<CommandSpec, 29> kCommands{{
    {"*IDN", Id::Idn, Form::QueryOnly, 0, 0},
    {"*RST", Id::Rst, Form::SetOnly, 0, 0},
    {"*CLS", Id::Cls, Form::SetOnly, 0, 0},
    {"*OPC", Id::Opc, Form::Both, 0, 0},
    {"*WAI", Id::Wai, Form::SetOnly, 0, 0},
    {"*ESR", Id::Esr, Form::QueryOnly, 0, 0},
    {"*ESE", Id::Ese, Form::Both, 1, 0},
    {"*STB", Id::Stb, Form::QueryOnly, 0, 0},
    {"*SRE", Id::Sre, Form::Both, 1, 0},
    {"SYSTem:ERRor[:NEXT]", Id::SystemError, Form::QueryOnly, 0, 0},
    {"SYSTem:CONNected", Id::SystemConnected, Form::QueryOnly, 0, 0},
    {"[SENSe:]FREQuency:STARt", Id::FrequencyStart, Form::Both, 1, 0},
    {"[SENSe:]FREQuency:STOP", Id::FrequencyStop, Form::Both, 1, 0},
    {"[SENSe:]FREQuency:CENTer", Id::FrequencyCenter, Form::Both, 1, 0},
    {"[SENSe:]FREQuency:SPAN", Id::FrequencySpan, Form::Both, 1, 0},
    {"[SENSe:]SWEep:POINts", Id::SweepPoints, Form::QueryOnly, 0, 0},
    {"[SENSe:]SWEep:TIME", Id::SweepTime, Form::Both, 1, 0},
    {"[SENSe:]SWEep:DELay[:STATe]", Id::SweepDelay, Form::Both, 1, 0},
    {"[SENSe:]DETector[:FUNCtion]", Id::Detector, Form::Both, 1, 0},
    {"[SENSe:]AVERage[:STATe]", Id::Average, Form::Both, 1, 0},
    {"INITiate[:IMMediate]", Id::Initiate, Form::SetOnly, 0, 0},
    {"INITiate:CONTinuous", Id::InitiateContinuous, Form::Both, 1, 0},
    {"ABORt", Id::Abort, Form::SetOnly, 0, 0},
    {"TRACe[:DATA]", Id::TraceData, Form::QueryOnly, 0, 0},
    {"TRACe:RAW", Id::TraceRaw, Form::QueryOnly, 0, 0},
    {"TRACe:FREQuency", Id::TraceFrequency, Form::QueryOnly, 0, 0},
    {"CALCulate:BANDwidth", Id::CalculateBandwidth, Form::QueryOnly, 0, 1},
    {"SOURce:FREQuency[:CW]", Id::SourceFrequency, Form::Both, 1, 0},
    {"OUTPut[:STATe]", Id::Output, Form::Both, 1, 0},
}};

struct PatternNode {
  std::string_view mnemonic;
  bool optional = false;
};

constexpr std::size_t kMaxNodes = 8;
struct Pattern {
  std::array<PatternNode, kMaxNodes> nodes{};
  std::size_t size = 0;
};

Pattern PatternOf(std::string_view text) {
  Pattern pattern;
  std::size_t i = 0;
  while (i < text.size() && pattern.size < kMaxNodes) {
    bool optional = false;
    if (text[i] == ':') {
      ++i;
      continue;
    }
    if (text[i] == '[') {
      optional = true;
      ++i;
    }
    while (i < text.size() && text[i] == ':') ++i;
    const std::size_t begin = i;
    while (i < text.size() && text[i] != ':' && text[i] != '[' && text[i] != ']') ++i;
    pattern.nodes[pattern.size++] = {text.substr(begin, i - begin), optional};
    while (i < text.size() && (text[i] == ']' || text[i] == ':')) ++i;
  }
  return pattern;
}

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool MatchNodes(std::span<const std::string_view> typed, const Pattern& pattern, std::size_t j) {
  if (j == pattern.size) return typed.empty();
  const PatternNode& node = pattern.nodes[j];
  if (node.optional && MatchNodes(typed, pattern, j + 1)) return true;
  return !typed.empty() && MatchesMnemonic(typed.front(), node.mnemonic) &&
         MatchNodes(typed.subspan(1), pattern, j + 1);
}

const CommandSpec* FindCommand(std::span<const std::string_view> typed) {
  for (const CommandSpec& spec : kCommands) {
    if (spec.pattern.front() == '*') continue;
    if (MatchNodes(typed, PatternOf(spec.pattern), 0)) return &spec;
  }
  return nullptr;
}

const CommandSpec* FindCommon(std::string_view header) {
  for (const CommandSpec& spec : kCommands) {
    if (spec.pattern.front() == '*' && SameLetters(spec.pattern, header)) return &spec;
  }
  return nullptr;
}

// Splits at `separator` outside quoted strings; nullopt when a quote is left open.
std::optional<std::vector<std::string_view>> SplitOutsideQuotes(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  char quote = 0;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;  // a doubled quote closes and opens again
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == separator) {
      parts.push_back(text.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  if (quote != 0) return std::nullopt;
  parts.push_back(text.substr(begin));
  return parts;
}

std::string Unquoted(std::string_view text) {
  if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') || text.back() != text.front()) {
    return std::string(text);
  }
  const char quote = text.front();
  std::string value;
  const std::string_view inside = text.substr(1, text.size() - 2);
  for (std::size_t i = 0; i < inside.size(); ++i) {
    value += inside[i];
    if (inside[i] == quote && i + 1 < inside.size() && inside[i + 1] == quote) ++i;
  }
  return value;
}

bool ValidHeaderCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ':' || c == '*' ||
         c == '?' || c == '_';
}

// The path a following relative header continues from: the typed nodes less
// the last.
using Path = std::vector<std::string_view>;

ParsedCommand ParseUnit(std::string_view unit, Path& path) {
  ParsedCommand parsed;
  std::size_t headerEnd = 0;
  while (headerEnd < unit.size() && !IsSpace(unit[headerEnd])) ++headerEnd;
  std::string_view header = unit.substr(0, headerEnd);
  parsed.header = std::string(header);
  for (const char c : header) {
    if (!ValidHeaderCharacter(c)) {
      parsed.error = (c < ' ' || c > '~') ? error::kInvalidCharacter : error::kSyntax;
      return parsed;
    }
  }
  Command command;
  command.header = parsed.header;
  if (!header.empty() && header.back() == '?') {
    command.query = true;
    header.remove_suffix(1);
  }
  if (header.empty() || header.find('?') != std::string_view::npos) {
    parsed.error = error::kSyntax;
    return parsed;
  }

  const CommandSpec* spec = nullptr;
  if (header.front() == '*') {
    spec = FindCommon(header);
  } else {
    const bool absolute = header.front() == ':';
    if (absolute) header.remove_prefix(1);
    Path typed;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= header.size(); ++i) {
      if (i == header.size() || header[i] == ':') {
        typed.push_back(header.substr(begin, i - begin));
        begin = i + 1;
      }
    }
    for (const std::string_view node : typed) {
      if (node.empty() || node.find('*') != std::string_view::npos ||
          (node.front() >= '0' && node.front() <= '9')) {
        parsed.error = error::kSyntax;
        return parsed;
      }
    }
    if (!absolute && !path.empty()) {
      Path relative = path;
      relative.insert(relative.end(), typed.begin(), typed.end());
      spec = FindCommand(relative);
      if (spec != nullptr) typed = std::move(relative);
    }
    if (spec == nullptr) spec = FindCommand(typed);
    if (spec != nullptr) path.assign(typed.begin(), typed.end() - 1);
  }
  if (spec == nullptr || (command.query && spec->form == Form::SetOnly) ||
      (!command.query && spec->form == Form::QueryOnly)) {
    parsed.error = error::kUndefinedHeader;
    return parsed;
  }
  command.id = spec->id;

  const std::string_view rest = Trim(unit.substr(headerEnd));
  if (!rest.empty()) {
    const auto parameters = SplitOutsideQuotes(rest, ',');
    if (!parameters) {
      parsed.error = error::kSyntax;
      return parsed;
    }
    for (const std::string_view parameter : *parameters) {
      const std::string_view value = Trim(parameter);
      if (value.empty()) {
        parsed.error = error::kMissingParameter;
        return parsed;
      }
      command.parameters.push_back(Unquoted(value));
    }
  }
  const int wanted = command.query ? spec->queryParameters : spec->setParameters;
  const auto given = static_cast<int>(command.parameters.size());
  if (given > wanted) {
    parsed.error = error::kParameterNotAllowed;
    return parsed;
  }
  if (given < wanted) {
    parsed.error = error::kMissingParameter;
    return parsed;
  }
  parsed.command = std::move(command);
  return parsed;
}

}  // namespace

std::span<const CommandSpec> CommandTable() {
  return kCommands;
}

bool MatchesMnemonic(std::string_view word, std::string_view mnemonic) {
  std::size_t shortLength = 0;
  while (shortLength < mnemonic.size() && !(mnemonic[shortLength] >= 'a' && mnemonic[shortLength] <= 'z')) {
    ++shortLength;
  }
  return SameLetters(word, mnemonic) || SameLetters(word, mnemonic.substr(0, shortLength));
}

std::vector<ParsedCommand> ParseProgramMessage(std::string_view line) {
  std::vector<ParsedCommand> commands;
  const auto units = SplitOutsideQuotes(line, ';');
  if (!units) {
    ParsedCommand unterminated;
    unterminated.error = error::kSyntax;
    unterminated.header = std::string(Trim(line.substr(0, line.find_first_of(" \t"))));
    commands.push_back(std::move(unterminated));
    return commands;
  }
  Path path;
  for (const std::string_view unit : *units) {
    const std::string_view text = Trim(unit);
    if (text.empty()) continue;
    commands.push_back(ParseUnit(text, path));
  }
  return commands;
}

Parsed<double> ParseNumber(std::string_view text, std::span<const Suffix> suffixes) {
  text = Trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t mantissa = i;
  int digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return {std::nullopt, error::kDataType};
  // An exponent only when digits follow it: "1E" is a number with the suffix E.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      i = j;
    }
  }
  double value = 0;
  const auto [end, problem] = std::from_chars(text.data() + mantissa, text.data() + i, value);
  if (problem == std::errc::result_out_of_range) return {std::nullopt, error::kDataOutOfRange};
  if (problem != std::errc() || end != text.data() + i) return {std::nullopt, error::kNumericData};
  if (negative) value = -value;

  const std::string_view suffix = Trim(text.substr(i));
  if (!suffix.empty()) {
    const Suffix* found = nullptr;
    for (const Suffix& s : suffixes) {
      if (SameLetters(suffix, s.name)) found = &s;
    }
    if (found == nullptr) return {std::nullopt, error::kInvalidSuffix};
    value *= found->factor;
  }
  if (!std::isfinite(value)) return {std::nullopt, error::kDataOutOfRange};
  return {value, 0};
}

Parsed<double> ParseFrequency(std::string_view text) {
  static constexpr std::array<Suffix, 4> kHertz{{{"HZ", 1}, {"KHZ", 1e3}, {"MHZ", 1e6}, {"GHZ", 1e9}}};
  return ParseNumber(text, kHertz);
}

Parsed<bool> ParseBoolean(std::string_view text) {
  text = Trim(text);
  if (SameLetters(text, "ON")) return {true, 0};
  if (SameLetters(text, "OFF")) return {false, 0};
  const Parsed<double> number = ParseNumber(text);
  if (!number.value)
    return {std::nullopt, number.error == error::kDataType ? error::kIllegalParameterValue : number.error};
  return {std::nearbyint(*number.value) != 0, 0};
}

Parsed<std::size_t> ParseChoice(std::string_view text, std::span<const std::string_view> choices) {
  text = Trim(text);
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (MatchesMnemonic(text, choices[i])) return {i, 0};
  }
  return {std::nullopt, error::kIllegalParameterValue};
}

}  // namespace virn::scpi
