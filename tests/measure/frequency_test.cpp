// Frequency triples, the sweep step, the calibrated frequency word and the
// grouped frequency text.
#include "measure/frequency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace virn::measure {
namespace {

TEST(FrequencyTriple, FieldsArePaddedToThreeDigitsAndJoined) {
  EXPECT_EQ(ReadTriple({"0", "100", "0"}), 100000);
  EXPECT_EQ(ReadTriple({"50", "0", "0"}), 50000000);
  EXPECT_EQ(ReadTriple({"1", "5", ""}), 1005000);
  EXPECT_EQ(ReadTriple({"", "7", ""}), 7000);
  EXPECT_EQ(ReadTriple({"", "", ""}), 0);
  EXPECT_EQ(JoinTriple({"1", "1234", "5"}), QStringLiteral("0011234005"));
}

TEST(FrequencyTriple, ANonNumberRaisesTheConversionErrorWithTheJoinedText) {
  try {
    ReadTriple({"9", "99x", "0"});
    FAIL() << "no error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "'00999x000' is not a valid integer value");
  }
  EXPECT_THROW(ReadTriple({"999", "9999", "999"}), EConvertError);  // beyond 32 bits
  EXPECT_THROW(StrToInt(QStringLiteral(" 12")), EConvertError);
  EXPECT_EQ(StrToInt(QStringLiteral("-12")), -12);
}

TEST(SweepStep, RoundsHalfToEvenAndNeverGivesZero) {
  EXPECT_EQ(SweepStepFor(100000, 50000000), 118810);
  EXPECT_EQ(SweepStepFor(1000, 1000), 1);
  EXPECT_EQ(SweepStepFor(0, 210), 1);  // 0.5 -> 0 -> 1
  EXPECT_EQ(SweepStepFor(0, 211), 1);
  EXPECT_EQ(SweepStepFor(0, 630), 2);   // 1.5 -> 2
  EXPECT_EQ(SweepStepFor(0, 1050), 2);  // 2.5 -> 2
  EXPECT_EQ(SweepStepFor(0, 1470), 4);  // 3.5 -> 4
  EXPECT_EQ(SweepStepFor(50000000, 100000), -118810);
  EXPECT_EQ(SweepStepFor(1050, 0), -2);
}

TEST(FrequencyWord, DefaultCalibrationKeepsTheFrequency) {
  for (std::uint32_t f : {1u, 100000u, 1000000u, 45000000u, 50000000u, 999999999u, 0xFFFFFFFFu}) {
    EXPECT_EQ(static_cast<std::uint32_t>(FreqToWord(f, 45000000, 45000000)), f) << f;
  }
  EXPECT_EQ(FreqToWord(0, 45000000, 45000000), 0);
}

TEST(FrequencyWord, CalibrationExamples) {
  EXPECT_EQ(FreqToWord(10000000, 45000450, 45000000), 9999900);
  EXPECT_EQ(FreqToWord(1000000, 44999000, 45000000), 1000022);
}

TEST(FrequencyWord, ZeroMeasuredFrequencyFallsBackToTheDefault) {
  EXPECT_EQ(FreqToWord(1000000, 0, 45000000), 1000000);
}

TEST(FrequencyWord, NegativeCalibrationGivesTheTwosComplementWord) {
  EXPECT_EQ(FreqToWord(1000000, -45000000, 45000000), -1000000);
}

// The integer evaluation must give what an extended-precision evaluation gives,
// including the double rounding of divide-then-multiply.
TEST(FrequencyWord, MatchesExtendedPrecisionArithmetic) {
  if constexpr (std::numeric_limits<long double>::digits != 64) {
    GTEST_SKIP() << "no 64-bit-mantissa long double here";
  } else {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::uint32_t> anyFreq;
    std::uniform_int_distribution<std::int32_t> nearCal(44000000, 46000000);
    std::uniform_int_distribution<std::int32_t> anyCal(1, std::numeric_limits<std::int32_t>::max());
    for (int i = 0; i < 200000; ++i) {
      const std::uint32_t f = i % 3 == 0 ? anyFreq(random) : anyFreq(random) % 60000000;
      const std::int32_t real = i % 2 == 0 ? nearCal(random) : anyCal(random);
      const std::int32_t corr = i % 5 == 0 ? anyCal(random) : nearCal(random);
      const long double product = (static_cast<long double>(f) / real) * corr;
      const long long rounded = std::llrint(product);  // to nearest even; out of range gives INT64_MIN
      const auto expected = static_cast<std::int32_t>(static_cast<std::uint32_t>(rounded));
      ASSERT_EQ(FreqToWord(f, real, corr), expected) << f << " " << real << " " << corr;
    }
  }
}

TEST(FrequencyText, ListedExamples) {
  EXPECT_EQ(FreqToStr(50000000, 1000000, true), QStringLiteral("50.000.000"));
  EXPECT_EQ(FreqToStr(1000000, 1000000, true), QStringLiteral("1.000.000"));
  EXPECT_EQ(FreqToStr(100000, 1000000, true), QStringLiteral("0.100.000"));
  EXPECT_EQ(FreqToStr(49900000, 1000000, true), QStringLiteral("49.900.000"));
  EXPECT_EQ(FreqToStr(1234567, 1000, true), QStringLiteral("1.234.567"));
  EXPECT_EQ(FreqToStr(150000, 1000, false), QStringLiteral("150.000"));
  EXPECT_EQ(FreqToStr(50000, 1000, false), QStringLiteral("50.000"));
  EXPECT_EQ(FreqToStr(500, 1000, false), QStringLiteral("0.500"));
  EXPECT_EQ(FreqToStr(0, 1000, true), QString());
  EXPECT_EQ(FreqToStr(0, 1, false), QString());
}

TEST(FrequencyText, ShortValuesGetWholeGroups) {
  EXPECT_EQ(FreqToStr(10000, 1000000, true), QStringLiteral("0.010.000"));
  EXPECT_EQ(FreqToStr(500000, 1000, true), QStringLiteral("0.500.000"));
  EXPECT_EQ(FreqToStr(10, 1000, false), QStringLiteral("0.010"));
  EXPECT_EQ(FreqToStr(50, 1, false), QStringLiteral("0.050"));
  EXPECT_EQ(FreqToStr(500, 1000, true), QStringLiteral("0.000.500"));
  EXPECT_EQ(FreqToStr(45010000, 1000000, true), QStringLiteral("45.010.000"));
}

TEST(FrequencyText, NegativeValuesCarryTheSignInFront) {
  EXPECT_EQ(FreqToStr(-49900000, 1000000, true), QStringLiteral("-49.900.000"));
  EXPECT_EQ(FreqToStr(-500, 1000, false), QStringLiteral("-0.500"));
}

}  // namespace
}  // namespace virn::measure
