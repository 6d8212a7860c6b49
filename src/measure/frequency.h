// Frequencies as the user enters and reads them: the megahertz/kilohertz/hertz
// triples, the sweep step, the calibrated frequency word the instrument's
// frequency commands carry, and the grouped text the display writes.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "measure/settings_model.h"

namespace virn::measure {

inline constexpr int kSweepSteps = 420;
// Each triple field holds one group of three digits.
inline constexpr int kTripleFieldDigits = 3;

// A text that does not read as a whole number; the message is the runtime's
// conversion error text.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a signed 32-bit decimal integer (optional sign, digits, no spaces).
// Throws EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(const QString& text);

// The MHz, kHz and Hz texts padded to three digits each (empty = "000") and
// joined, MHz first: {"1", "5", ""} -> "001005000".
QString JoinTriple(const std::array<QString, 3>& texts);
// The joined triple read as hertz; throws EConvertError with the joined text.
std::int32_t ReadTriple(const std::array<QString, 3>& texts);

// (end - start) / 420 rounded to the nearest integer, ties to even; 0 becomes 1,
// a negative step stays negative.
std::int32_t SweepStepFor(std::int32_t startFreq, std::int32_t endFreq);

// The frequency word for f hertz: f / realFreq * corrFreq, divided first and
// multiplied second with a 64-bit mantissa, rounded to nearest (ties to even)
// into 64 bits, low 32 bits kept. Computed exactly in integers, so every
// platform gives the word an x87 extended-precision evaluation gives. A zero
// realFreq counts as the default 45 MHz: it cannot be a measured frequency.
std::int32_t FreqToWord(std::uint32_t f, std::int32_t realFreq, std::int32_t corrFreq);

// "50.000.000"-style text: "." before the last three digits, a leading "0" when
// |value| / unit < 1, with millions a "." before the last seven characters.
// Zero gives "". Groups are always whole: short values are padded with zeros
// ("0.010.000") and a negative value carries its sign in front ("-0.500").
QString FreqToStr(std::int64_t value, std::int32_t unit, bool millions);

}  // namespace virn::measure
