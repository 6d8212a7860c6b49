// The bench's command language: one command a line, lower case, words separated
// by white space; blank lines and lines starting with '#' say nothing.
//
//   unplug | plug
//   dut bandpass | dut through | dut attenuator 12 | dut attenuator 40
//   dut open | dut carrier
//   clock-ppm N             N from -1000 to 1000, fractions allowed
//   output real | output flat   the instrument's own roll-off, or an ideal output
//   carrier FREQ_HZ LEVEL_DB  1 to 1e9 Hz, -120 to +10 dB
//   counter | levels
//
// Pure text to value, so every form of a line is tested without a bench.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace virn::sim {

// What sits between the instrument's output and its input.
enum class DeviceUnderTest {
  BandPass,      // the default band-pass filter
  Through,       // a 50-ohm cable, 0 dB
  Attenuator12,  // -12 dB
  Attenuator40,  // -40 dB
  Open,          // nothing connected: the detector reads its floor
  Carrier,       // an external carrier with harmonics at the input
};

inline constexpr double kMaxClockPpm = 1000;
inline constexpr double kMinCarrierHz = 1;
inline constexpr double kMaxCarrierHz = 1e9;
inline constexpr double kMinCarrierDb = -120;
inline constexpr double kMaxCarrierDb = 10;

namespace bench {
struct Unplug {};
struct Plug {};
struct SetDut {
  DeviceUnderTest dut = DeviceUnderTest::BandPass;
};
struct SetClockPpm {
  double ppm = 0;
};
struct SetCarrier {
  double frequencyHz = 0;
  double levelDb = 0;
};
struct SetOutput {
  bool flat = false;
};
struct ReadCounter {};
struct ReadLevels {};
}  // namespace bench

using BenchCommand = std::variant<bench::Unplug, bench::Plug, bench::SetDut, bench::SetClockPpm,
                                  bench::SetCarrier, bench::SetOutput, bench::ReadCounter, bench::ReadLevels>;

// One parsed line: a command, nothing (blank or comment), or an error text
// naming what is wrong, e.g. "unknown command 'foo'".
struct ParsedBenchLine {
  std::optional<BenchCommand> command;
  std::string error;
};

ParsedBenchLine ParseBenchLine(std::string_view line);

// A decimal number as the command language writes it: optional sign, digits,
// optional fraction and exponent, nothing else. Empty for anything else,
// infinities and NaN included.
std::optional<double> ParseBenchNumber(std::string_view text);

}  // namespace virn::sim
