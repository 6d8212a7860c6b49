// The rules the published settings' values go through, however they are
// stored: read from the file, written to the window's property or set by a
// front end.
#include "measure/settings_model.h"

#include <gtest/gtest.h>

namespace virn::measure {
namespace {

std::int32_t Stored(Settings& settings, std::string_view name, std::int32_t value) {
  const PublishedSetting* setting = FindPublishedSetting(name);
  EXPECT_NE(setting, nullptr) << name;
  setting->write(settings, value);
  return setting->read(settings);
}

TEST(PublishedSettings, EachValueIsKeptAsItsRuleSays) {
  struct Row {
    const char* name;
    std::int32_t written;
    std::int32_t read;
  };
  const Row rows[] = {
      {"_CorrLog_0Db", 65536 + 7, 7},     // a 16-bit value keeps the low bits
      {"_CorrLin_12Db", -5, -5},          //
      {"_StartFreqA", 1200, 999},         // a place holds 0..999
      {"_EndFreqB", -3, 0},               //
      {"_FreqGenC", 65536 + 12, 12},      // cut to 16 bits before the range
      {"_0DbAnaliser", 350, 200},         // the offset is stepped within ±200
      {"_0DbAnaliser", -201, -200},       //
      {"_Delay", 256, 0},                 // a flag reads its low byte
      {"_Averaging", 257, 1},             //
      {"_DelayIndex", 3, 3},              //
      {"_DelayIndex", 4, 3},              // not in the list: the entry stays
      {"_DelayIndex", -1, 3},             //
      {"_RealFreq", 0, 45000000},         // cannot be a measured frequency
      {"_RealFreq", 44999000, 44999000},  //
      {"_VisirValue", 2147483647, 2147483647},
  };
  Settings settings;
  for (const Row& row : rows) EXPECT_EQ(Stored(settings, row.name, row.written), row.read) << row.name;
}

TEST(PublishedSettings, TheModeSettingsActAsOneGroupOfButtons) {
  Settings settings;
  EXPECT_EQ(Stored(settings, "_SwipMode", 0), 1) << "clearing the selected one changes nothing";
  EXPECT_EQ(Stored(settings, "_GenMode", 1), 1);
  EXPECT_EQ(FindPublishedSetting("_SwipMode")->read(settings), 0);
  Stored(settings, "_AnaliserMode", 1);
  EXPECT_EQ(settings.mode, Mode::Analyser);
  EXPECT_EQ(FindPublishedSetting("_BlendValue"), nullptr) << "the window's own, not the instrument's";
}

TEST(TripleHz, PlacesAndHertzConvertBothWays) {
  EXPECT_EQ(TripleHz({1, 5, 7}), 1005007);
  EXPECT_EQ(PlacesOf(999999999), (TriplePlaces{999, 999, 999}));
  EXPECT_EQ(PlacesOf(100001), (TriplePlaces{0, 100, 1}));
}

}  // namespace
}  // namespace virn::measure
