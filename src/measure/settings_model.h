// The main window's published settings as one value: what each holds, its
// default, its place in the settings file and the rule a stored value goes
// through. The window's properties, the settings file and virn-sweep all read
// and write the settings through this, so a default or a rule exists once.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace virn::measure {

inline constexpr std::int32_t kDefaultCalibrationFreq = 45000000;
// Each place of a triple is one three-digit group.
inline constexpr int kTriplePlaceMax = 999;
inline constexpr std::int32_t kTripleMaxHz = 999999999;
// The period list: 400 ms, 800 ms, 1.6 s, 3.2 s.
inline constexpr int kPeriodCount = 4;
// The analyser's 0 dB offset is stepped within this many units either way.
inline constexpr int kZeroDbAnaliserLimit = 200;

enum class Mode { Sweep, Generator, Analyser };

// The level calibration of both detectors: the sample values of 0 dB and of
// -40 dB (logarithmic) or -12 dB (linear).
struct LevelCalibration {
  std::int16_t CorrLog_0Db = 0;
  std::int16_t CorrLog_40Db = 100;
  std::int16_t CorrLin_0Db = 0;
  std::int16_t CorrLin_12Db = 100;
  bool operator==(const LevelCalibration&) const = default;
};

// A frequency triple's megahertz, kilohertz and hertz places, 0..999 each.
using TriplePlaces = std::array<std::int16_t, 3>;

struct Settings {
  LevelCalibration calibration;
  TriplePlaces startFreq{0, 100, 0};
  TriplePlaces endFreq{50, 0, 0};
  TriplePlaces genFreq{1, 0, 0};
  std::int16_t zeroDbAnaliser = 0;
  bool linear = false;  // the linear detector is selected
  bool visir = false;   // the marker is shown
  std::int32_t visirValue = 0;
  bool delay = true;
  Mode mode = Mode::Sweep;
  std::int32_t delayIndex = 0;  // the period list's entry, 0..3
  std::int32_t realFreq = kDefaultCalibrationFreq;
  std::int32_t corrFreq = kDefaultCalibrationFreq;
  std::int32_t dds = 43;
  bool averaging = false;
  bool vfoDiv = false;  // the analyser's local oscillator runs at half frequency
  bool operator==(const Settings&) const = default;
};

// The rules stored values go through.
// A place is kept within 0..999, as the field's arrows keep it.
std::int16_t TriplePlace(std::int32_t value);
// A measured frequency of 0 cannot be right (a damaged file, a calibration
// entered as zero) and would make every frequency word meaningless: the
// default stands in for it.
std::int32_t MeasuredFrequency(std::int32_t realFreq);
// An entry outside the period list would leave no period selected.
bool ValidDelayIndex(std::int32_t index);
std::int16_t AnaliserOffset(std::int32_t value);

// The three mode settings behave as one group of buttons: setting one selects
// its mode, clearing one changes nothing (one mode is always selected).
bool ModeSelected(const Settings& settings, Mode mode);
void SelectMode(Settings& settings, Mode mode, bool selected);

// The places as hertz, and hertz (0..999 999 999) as places.
std::int32_t TripleHz(const TriplePlaces& places);
TriplePlaces PlacesOf(std::int32_t hz);

enum class SettingType { Int16, Int32, Bool };

// One published setting as the settings file keeps it.
struct PublishedSetting {
  std::string_view name;
  SettingType type;
  std::int32_t (*read)(const Settings&);
  // Stores a 32-bit value: cut to the setting's width (a boolean is its low
  // byte), then through the setting's rule.
  void (*write)(Settings&, std::int32_t);
};

inline constexpr std::size_t kPublishedSettingCount = 27;
// In the settings file's order.
const std::array<PublishedSetting, kPublishedSettingCount>& PublishedSettings();
// Null for a name that is not a published setting.
const PublishedSetting* FindPublishedSetting(std::string_view name);

}  // namespace virn::measure
