#include "measure/settings_model.h"

#include <algorithm>

namespace virn::measure {

namespace {

constexpr std::int32_t kKilo = 1000;
constexpr std::int32_t kMega = 1000000;

std::int32_t Short(std::int32_t value) {
  return static_cast<std::int16_t>(value);
}
bool Boolean(std::int32_t value) {
  return (value & 0xFF) != 0;
}

// Table rows for the common shapes: a calibration value, a triple's place, a
// 32-bit value, a flag, a mode button.
template <auto Member>
PublishedSetting Calibration(std::string_view name) {
  return {name, SettingType::Int16, [](const Settings& s) -> std::int32_t { return s.calibration.*Member; },
          [](Settings& s, std::int32_t v) { s.calibration.*Member = static_cast<std::int16_t>(v); }};
}
template <auto Triple, std::size_t Index>
PublishedSetting Place(std::string_view name) {
  return {name, SettingType::Int16, [](const Settings& s) -> std::int32_t { return (s.*Triple)[Index]; },
          [](Settings& s, std::int32_t v) { (s.*Triple)[Index] = TriplePlace(Short(v)); }};
}
template <auto Member>
PublishedSetting Int32(std::string_view name) {
  return {name, SettingType::Int32, [](const Settings& s) -> std::int32_t { return s.*Member; },
          [](Settings& s, std::int32_t v) { s.*Member = v; }};
}
template <auto Member>
PublishedSetting Flag(std::string_view name) {
  return {name, SettingType::Bool, [](const Settings& s) -> std::int32_t { return s.*Member ? 1 : 0; },
          [](Settings& s, std::int32_t v) { s.*Member = Boolean(v); }};
}
template <Mode M>
PublishedSetting ModeButton(std::string_view name) {
  return {name, SettingType::Bool,
          [](const Settings& s) -> std::int32_t { return ModeSelected(s, M) ? 1 : 0; },
          [](Settings& s, std::int32_t v) { SelectMode(s, M, Boolean(v)); }};
}

std::array<PublishedSetting, kPublishedSettingCount> MakeTable() {
  return {
      Calibration<&LevelCalibration::CorrLog_0Db>("_CorrLog_0Db"),
      Calibration<&LevelCalibration::CorrLog_40Db>("_CorrLog_40Db"),
      Calibration<&LevelCalibration::CorrLin_0Db>("_CorrLin_0Db"),
      Calibration<&LevelCalibration::CorrLin_12Db>("_CorrLin_12Db"),
      Place<&Settings::startFreq, 0>("_StartFreqA"),
      Place<&Settings::startFreq, 1>("_StartFreqB"),
      Place<&Settings::startFreq, 2>("_StartFreqC"),
      Place<&Settings::endFreq, 0>("_EndFreqA"),
      Place<&Settings::endFreq, 1>("_EndFreqB"),
      Place<&Settings::endFreq, 2>("_EndFreqC"),
      Place<&Settings::genFreq, 0>("_FreqGenA"),
      Place<&Settings::genFreq, 1>("_FreqGenB"),
      Place<&Settings::genFreq, 2>("_FreqGenC"),
      {"_0DbAnaliser", SettingType::Int16, [](const Settings& s) -> std::int32_t { return s.zeroDbAnaliser; },
       [](Settings& s, std::int32_t v) { s.zeroDbAnaliser = AnaliserOffset(Short(v)); }},
      Flag<&Settings::linear>("_Linear"),
      Flag<&Settings::visir>("_Visir"),
      Int32<&Settings::visirValue>("_VisirValue"),
      Flag<&Settings::delay>("_Delay"),
      ModeButton<Mode::Generator>("_GenMode"),
      ModeButton<Mode::Sweep>("_SwipMode"),
      ModeButton<Mode::Analyser>("_AnaliserMode"),
      {"_DelayIndex", SettingType::Int32, [](const Settings& s) -> std::int32_t { return s.delayIndex; },
       [](Settings& s, std::int32_t v) {
         if (ValidDelayIndex(v)) s.delayIndex = v;
       }},
      {"_RealFreq", SettingType::Int32, [](const Settings& s) -> std::int32_t { return s.realFreq; },
       [](Settings& s, std::int32_t v) { s.realFreq = MeasuredFrequency(v); }},
      Int32<&Settings::corrFreq>("_CorrFreq"),
      Int32<&Settings::dds>("_DDS"),
      Flag<&Settings::averaging>("_Averaging"),
      Flag<&Settings::vfoDiv>("_VFOdiv"),
  };
}

}  // namespace

std::int16_t TriplePlace(std::int32_t value) {
  return static_cast<std::int16_t>(std::clamp(value, 0, kTriplePlaceMax));
}

std::int32_t MeasuredFrequency(std::int32_t realFreq) {
  return realFreq == 0 ? kDefaultCalibrationFreq : realFreq;
}

bool ValidDelayIndex(std::int32_t index) {
  return index >= 0 && index < kPeriodCount;
}

std::int16_t AnaliserOffset(std::int32_t value) {
  return static_cast<std::int16_t>(std::clamp(value, -kZeroDbAnaliserLimit, kZeroDbAnaliserLimit));
}

bool ModeSelected(const Settings& settings, Mode mode) {
  return settings.mode == mode;
}

void SelectMode(Settings& settings, Mode mode, bool selected) {
  if (selected) settings.mode = mode;
}

std::int32_t TripleHz(const TriplePlaces& places) {
  return places[0] * kMega + places[1] * kKilo + places[2];
}

TriplePlaces PlacesOf(std::int32_t hz) {
  const std::int32_t clamped = std::clamp(hz, 0, kTripleMaxHz);
  return {static_cast<std::int16_t>(clamped / kMega), static_cast<std::int16_t>(clamped / kKilo % kKilo),
          static_cast<std::int16_t>(clamped % kKilo)};
}

const std::array<PublishedSetting, kPublishedSettingCount>& PublishedSettings() {
  static const std::array<PublishedSetting, kPublishedSettingCount> table = MakeTable();
  return table;
}

const PublishedSetting* FindPublishedSetting(std::string_view name) {
  const auto& table = PublishedSettings();
  const auto at = std::find_if(table.begin(), table.end(), [&](const auto& s) { return s.name == name; });
  return at == table.end() ? nullptr : &*at;
}

}  // namespace virn::measure
