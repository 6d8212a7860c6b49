#include "flatness/flatness_correction.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "settings/extra_settings.h"

namespace virn::flatness {

namespace {

std::size_t Index(bool linear) {
  return linear ? 1 : 0;
}

}  // namespace

bool StoredOn(const QString& extraSettingsFile) {
  const settings::KeyValues values = settings::LoadKeyValues(extraSettingsFile);
  const auto it = values.find(kOnKey);
  return it != values.end() && it->second.trimmed() == QStringLiteral("1");
}

FlatnessCorrection::FlatnessCorrection(QString configDir, QString executableFileName)
    : dir_(std::move(configDir)), executable_(std::move(executableFileName)) {
  for (const bool linear : {false, true}) {
    const QString file = FlatnessFile(dir_, executable_, linear);
    LoadedTable loaded = LoadFlatness(file, linear);
    if (loaded.setAside) damaged_.push_back(file);
    tables_[Index(linear)] = std::move(loaded.table);
  }
  on_ = StoredOn(settings::ExtraSettingsFile(dir_, executable_));
}

const FlatnessTable* FlatnessCorrection::Table(bool linear) const {
  const auto& table = tables_[Index(linear)];
  return table ? &*table : nullptr;
}

bool FlatnessCorrection::SetOn(bool on) {
  on_ = on;
  if (dir_.isEmpty()) return true;
  return settings::StoreKeyValue(settings::ExtraSettingsFile(dir_, executable_), kOnKey,
                                 on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool FlatnessCorrection::Store(FlatnessTable table) {
  const bool linear = table.Linear();
  if (!dir_.isEmpty() && !StoreFlatness(FlatnessFile(dir_, executable_, linear), table)) return false;
  tables_[Index(linear)] = std::move(table);
  SetOn(true);
  return true;
}

CorrectionResult FlatnessCorrection::Apply(measure::Mode mode, bool linear,
                                           const measure::SampleArray& samples, std::int32_t startHz,
                                           std::int32_t endHz) const {
  const FlatnessTable* table = Table(linear);
  if (!on_ || table == nullptr || mode != measure::Mode::Sweep) {
    CorrectionResult off{samples, {}, Applied::Off};
    std::copy(samples.begin(), samples.end(), off.levels.begin());
    return off;
  }
  const CorrectedSweep corrected = Correct(*table, samples, startHz, endHz);
  return {corrected.samples, corrected.levels, corrected.partial ? Applied::Partly : Applied::Whole};
}

}  // namespace virn::flatness

namespace virn::flatness {

std::int32_t FlatnessCorrection::LevelReading(measure::Mode mode, bool linear,
                                              const measure::SampleArray& samples, std::int32_t startHz,
                                              std::int32_t endHz) const {
  const FlatnessTable* table = Table(linear);
  if (!on_ || table == nullptr || mode != measure::Mode::Sweep) {
    return *std::max_element(samples.begin(), samples.end());
  }
  const CorrectedSweep corrected = Correct(*table, samples, startHz, endHz);
  if (corrected.coveredEnd == corrected.coveredBegin)
    return *std::max_element(samples.begin(), samples.end());
  const auto begin = corrected.levels.begin() + corrected.coveredBegin;
  const auto end = corrected.levels.begin() + corrected.coveredEnd;
  const double mean = std::accumulate(begin, end, 0.0) / static_cast<double>(end - begin);
  return static_cast<std::int32_t>(std::nearbyint(mean));
}

}  // namespace virn::flatness
