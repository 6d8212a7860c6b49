// The correction without an instrument: interpolation inside the table, each
// detector corrected in its own domain, points outside left alone. (The
// tables the rules refuse are the file's test.)
#include "flatness/flatness_table.h"

#include <gtest/gtest.h>

namespace virn::flatness {
namespace {

// 0 to 100 Hz, level falling 1 a hertz beyond 50 Hz; the bottom tenth peaks at 10 Hz.
FlatnessTable Ramp(bool linear) {
  return FlatnessTable(linear, QDateTime::currentDateTimeUtc(),
                       {{0, 200}, {10, 201}, {20, 200}, {50, 200}, {100, 150}});
}

TEST(FlatnessTable, InterpolatesBetweenNeighboursAndReferencesTheFlatBottom) {
  const FlatnessTable table = Ramp(false);
  EXPECT_EQ(table.Reference(), 201);
  const struct {
    double hz;
    double level;
  } cases[] = {{0, 200}, {5, 200.5}, {10, 201}, {35, 200}, {60, 190}, {99, 151}, {100, 150}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(table.LevelAt(c.hz), c.level) << c.hz;
  EXPECT_TRUE(table.Covers(100));
  EXPECT_FALSE(table.Covers(100.5));
  EXPECT_FALSE(table.Covers(-1));
}

TEST(FlatnessTable, TheLogDetectorAddsAndTheLinearMultiplies) {
  measure::SampleArray raw{};
  raw.fill(100);
  // 0 to 105 Hz: point i at i / 4 Hz; the last 21 points lie beyond the table.
  for (const bool linear : {false, true}) {
    const CorrectedSweep out = Correct(Ramp(linear), raw, 0, 105);
    EXPECT_TRUE(out.partial);
    const struct {
      int point;
      std::int32_t sample;
    } cases[] = {
        {0, linear ? 100 : 101}, {40, 100}, {240, linear ? 106 : 111}, {400, linear ? 134 : 151}, {410, 100}};
    for (const auto& c : cases) EXPECT_EQ(out.samples[static_cast<std::size_t>(c.point)], c.sample) << linear;
  }
  // Downwards the same frequencies get the same correction.
  const CorrectedSweep up = Correct(Ramp(false), raw, 0, 100);
  const CorrectedSweep down = Correct(Ramp(false), raw, 100, 0);
  // A linear level next to nothing makes a huge factor, held to what a sample can hold.
  const FlatnessTable tiny(true, QDateTime::currentDateTimeUtc(), {{0, 1e6}, {100, 1e-300}});
  EXPECT_EQ(Correct(tiny, raw, 100, 100).samples[0], 1000000000);
  EXPECT_FALSE(up.partial);
  for (std::size_t i = 0; i < raw.size(); ++i) EXPECT_EQ(up.samples[i], down.samples[raw.size() - 1 - i]);
}

}  // namespace
}  // namespace virn::flatness
