#include "sim/bench_command.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

namespace virn::sim {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const std::size_t begin = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > begin) words.push_back(line.substr(begin, i - begin));
  }
  return words;
}

ParsedBenchLine Error(std::string text) {
  return {std::nullopt, std::move(text)};
}

ParsedBenchLine Command(BenchCommand command) {
  return {command, {}};
}

std::string Quoted(std::string_view word) {
  return "'" + std::string(word) + "'";
}

std::optional<double> NumberWithin(std::string_view text, double low, double high) {
  const std::optional<double> value = ParseBenchNumber(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

ParsedBenchLine ParseDut(const std::vector<std::string_view>& words) {
  static constexpr char kUsage[] =
      "'dut' takes bandpass, through, attenuator 12, attenuator 40, open or carrier";
  if (words.size() < 2) return Error(kUsage);
  const std::string_view what = words[1];
  if (what == "attenuator") {
    if (words.size() == 3 && words[2] == "12") return Command(bench::SetDut{DeviceUnderTest::Attenuator12});
    if (words.size() == 3 && words[2] == "40") return Command(bench::SetDut{DeviceUnderTest::Attenuator40});
    return Error("'dut attenuator' takes 12 or 40");
  }
  static constexpr std::array<std::pair<std::string_view, DeviceUnderTest>, 4> kPlain{{
      {"bandpass", DeviceUnderTest::BandPass},
      {"through", DeviceUnderTest::Through},
      {"open", DeviceUnderTest::Open},
      {"carrier", DeviceUnderTest::Carrier},
  }};
  for (const auto& [name, dut] : kPlain) {
    if (what != name) continue;
    if (words.size() > 2) return Error("'dut " + std::string(name) + "' takes nothing more");
    return Command(bench::SetDut{dut});
  }
  return Error(std::string(kUsage) + ", not " + Quoted(what));
}

}  // namespace

std::optional<double> ParseBenchNumber(std::string_view text) {
  // from_chars takes no '+' of its own; one is allowed before the digits.
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  // Only digits, one sign, a point and an exponent: from_chars alone would also
  // take "inf", "nan" and hexadecimal forms.
  for (const char c : text) {
    const bool allowed = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, status] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (status != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

ParsedBenchLine ParseBenchLine(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  if (words.empty() || words.front().front() == '#') return {};
  const std::string_view name = words.front();
  const std::size_t arguments = words.size() - 1;

  static constexpr std::array<std::pair<std::string_view, BenchCommand>, 4> kBare{{
      {"unplug", bench::Unplug{}},
      {"plug", bench::Plug{}},
      {"counter", bench::ReadCounter{}},
      {"levels", bench::ReadLevels{}},
  }};
  for (const auto& [bareName, command] : kBare) {
    if (name != bareName) continue;
    if (arguments > 0) return Error(Quoted(name) + " takes no arguments");
    return Command(command);
  }
  if (name == "dut") return ParseDut(words);
  if (name == "clock-ppm") {
    const std::optional<double> ppm =
        arguments == 1 ? NumberWithin(words[1], -kMaxClockPpm, kMaxClockPpm) : std::nullopt;
    if (!ppm) return Error("'clock-ppm' needs a number from -1000 to 1000");
    return Command(bench::SetClockPpm{*ppm});
  }
  if (name == "output") {
    if (arguments == 1 && (words[1] == "real" || words[1] == "flat")) {
      return Command(bench::SetOutput{words[1] == "flat"});
    }
    return Error("'output' takes real or flat");
  }
  if (name == "carrier") {
    if (arguments != 2) return Error("'carrier' needs a frequency in Hz and a level in dB");
    const std::optional<double> hz = NumberWithin(words[1], kMinCarrierHz, kMaxCarrierHz);
    if (!hz) return Error("'carrier' needs a frequency from 1 to 1e9 Hz, not " + Quoted(words[1]));
    const std::optional<double> db = NumberWithin(words[2], kMinCarrierDb, kMaxCarrierDb);
    if (!db) return Error("'carrier' needs a level from -120 to 10 dB, not " + Quoted(words[2]));
    return Command(bench::SetCarrier{*hz, *db});
  }
  return Error("unknown command " + Quoted(name));
}

}  // namespace virn::sim
