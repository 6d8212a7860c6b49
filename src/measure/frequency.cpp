#include "measure/frequency.h"

#include <bit>
#include <cfenv>
#include <cmath>
#include <limits>

namespace virn::measure {

namespace {

__extension__ using u128 = unsigned __int128;

int BitLength(u128 value) {
  const auto high = static_cast<std::uint64_t>(value >> 64);
  if (high != 0) return 128 - std::countl_zero(high);
  return 64 - std::countl_zero(static_cast<std::uint64_t>(value));
}

// value / 2^shift rounded to nearest, ties to even.
u128 ShiftRightRounded(u128 value, int shift) {
  if (shift <= 0) return value;
  if (shift >= 128) return 0;
  const u128 kept = value >> shift;
  const u128 rest = value - (kept << shift);
  const u128 half = u128{1} << (shift - 1);
  if (rest > half || (rest == half && (kept & 1) != 0)) return kept + 1;
  return kept;
}

// A positive number mantissa * 2^exponent with a 64-bit mantissa whose top bit
// is set: the extended-precision format.
struct Extended {
  std::uint64_t mantissa;
  int exponent;
};

// n / d rounded to 64 significant bits, ties to even; n, d > 0, n < 2^32, d < 2^32.
Extended Divide(std::uint64_t n, std::uint64_t d) {
  // Scale n so the quotient has 64 or 65 bits, then round off the surplus.
  const int scale = 65 + BitLength(d) - BitLength(n);
  const u128 numerator = u128{n} << scale;  // < 2^(65 + 32 + 1)
  const u128 quotient = numerator / d;
  const bool inexact = numerator % d != 0;
  const int surplus = BitLength(quotient) - 64;
  // The remainder below the quotient's last bit only matters as a sticky bit:
  // it turns an exact half into more than half.
  u128 sticky = (quotient << 1) | (inexact ? 1 : 0);
  u128 rounded = ShiftRightRounded(sticky, surplus + 1);
  int exponent = surplus - scale;
  if (BitLength(rounded) > 64) {
    rounded >>= 1;
    ++exponent;
  }
  return {static_cast<std::uint64_t>(rounded), exponent};
}

// x * m rounded to 64 significant bits, ties to even; m > 0, m < 2^32.
Extended Multiply(Extended x, std::uint64_t m) {
  const u128 product = u128{x.mantissa} * m;
  const int surplus = std::max(0, BitLength(product) - 64);
  u128 rounded = ShiftRightRounded(product, surplus);
  int exponent = x.exponent + surplus;
  if (BitLength(rounded) > 64) {
    rounded >>= 1;
    ++exponent;
  }
  return {static_cast<std::uint64_t>(rounded), exponent};
}

// Rounds to an integer, ties to even, into 64 bits; values out of range give
// the integer-indefinite value, as the x87 conversion does.
std::int64_t RoundToInt64(Extended x, bool negative) {
  constexpr auto kIndefinite = std::numeric_limits<std::int64_t>::min();
  u128 magnitude = 0;
  if (x.exponent >= 0) {
    if (x.exponent > 63) return kIndefinite;
    magnitude = u128{x.mantissa} << x.exponent;
  } else {
    magnitude = ShiftRightRounded(u128{x.mantissa}, -x.exponent);
  }
  const u128 limit = u128{1} << 63;
  if (negative) {
    if (magnitude > limit) return kIndefinite;
    return static_cast<std::int64_t>(~magnitude + 1);  // two's complement, -2^63 included
  }
  if (magnitude >= limit) return kIndefinite;
  return static_cast<std::int64_t>(magnitude);
}

std::uint64_t Magnitude(std::int32_t value) {
  return value < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(value))
                   : static_cast<std::uint64_t>(value);
}

}  // namespace

std::int32_t StrToInt(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  // toInt accepts surrounding spaces; the runtime's conversion does not here.
  if (!ok || text.trimmed() != text || text.isEmpty()) {
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
  }
  return value;
}

QString JoinTriple(const std::array<QString, 3>& texts) {
  QString joined;
  for (const QString& text : texts) {
    if (text.isEmpty()) {
      joined += QStringLiteral("000");
    } else if (text.size() < kTripleFieldDigits) {
      joined += QString(kTripleFieldDigits - text.size(), QLatin1Char('0')) + text;
    } else {
      joined += text;
    }
  }
  return joined;
}

std::int32_t ReadTriple(const std::array<QString, 3>& texts) {
  return StrToInt(JoinTriple(texts));
}

std::int32_t SweepStepFor(std::int32_t startFreq, std::int32_t endFreq) {
  const double span = static_cast<double>(static_cast<std::int64_t>(endFreq) - startFreq);
  // nearbyint rounds in the current mode, which the program never changes from
  // to-nearest-even.
  const auto step = static_cast<std::int32_t>(std::nearbyint(span / kSweepSteps));
  return step == 0 ? 1 : step;
}

std::int32_t FreqToWord(std::uint32_t f, std::int32_t realFreq, std::int32_t corrFreq) {
  if (realFreq == 0) realFreq = kDefaultCalibrationFreq;
  if (f == 0 || corrFreq == 0) return 0;
  const bool negative = (realFreq < 0) != (corrFreq < 0);
  const Extended quotient = Divide(f, Magnitude(realFreq));
  const Extended product = Multiply(quotient, Magnitude(corrFreq));
  const std::int64_t word = RoundToInt64(product, negative);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(word)));
}

QString FreqToStr(std::int64_t value, std::int32_t unit, bool millions) {
  if (value == 0) return {};
  const bool negative = value < 0;
  const std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value)
                                           : static_cast<std::uint64_t>(value);
  QString text = QString::number(magnitude);
  if (text.size() < 3) text = QString(3 - text.size(), QLatin1Char('0')) + text;
  text.insert(text.size() - 3, QLatin1Char('.'));
  if (static_cast<double>(magnitude) / unit < 1 || text.startsWith(QLatin1Char('.')))
    text.prepend(QLatin1Char('0'));
  if (millions) {
    if (text.size() <= 7) text = QString(8 - text.size(), QLatin1Char('0')) + text;
    text.insert(text.size() - 7, QLatin1Char('.'));
  }
  if (negative) text.prepend(QLatin1Char('-'));
  return text;
}

}  // namespace virn::measure
