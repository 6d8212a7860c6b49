// The correction as a program keeps it: the table of each detector, read from
// its file at start, replaced by a new calibration, and the switch that puts
// it on the levels, kept in our own settings file ("flatness.on"). The window
// and virn-sweep use the same rules for when it applies.
#pragma once

#include <QString>
#include <array>
#include <optional>

#include "flatness/flatness_file.h"
#include "flatness/flatness_table.h"
#include "measure/settings_model.h"

namespace virn::flatness {

inline const QString kOnKey = QStringLiteral("flatness.on");

// What a picture says about the correction.
enum class Applied { Off, Whole, Partly };

struct CorrectionResult {
  measure::SampleArray samples{};
  Levels levels{};  // unrounded
  Applied applied = Applied::Off;
};

class FlatnessCorrection {
 public:
  FlatnessCorrection() = default;
  // The files of the program `executableFileName` in `configDir`; both tables
  // and the switch are read. Damaged files are set aside (DamagedFiles).
  FlatnessCorrection(QString configDir, QString executableFileName);

  bool Available(bool linear) const { return Table(linear) != nullptr; }
  const FlatnessTable* Table(bool linear) const;
  // The files found damaged and set aside at start.
  const std::vector<QString>& DamagedFiles() const { return damaged_; }

  bool On() const { return on_; }
  // Kept in our own settings file when there is one; false when storing failed.
  bool SetOn(bool on);
  // A new table: written to its file first, then kept and switched on. False,
  // keeping the old table and switch, when the file cannot be written.
  bool Store(FlatnessTable table);

  // The samples as they are shown: corrected in sweep mode while switched on
  // and a table exists for the detector, else as they are.
  CorrectionResult Apply(measure::Mode mode, bool linear, const measure::SampleArray& samples,
                         std::int32_t startHz, std::int32_t endHz) const;
  // The level calibration's reading: the largest level of the sweep, or while
  // the correction applies the mean of its corrected levels. The corrected
  // curve of a cable or an attenuator is flat, and its largest level would
  // be the one point that noise and the byte's rounding lift by a sample.
  std::int32_t LevelReading(measure::Mode mode, bool linear, const measure::SampleArray& samples,
                            std::int32_t startHz, std::int32_t endHz) const;

 private:
  QString dir_;
  QString executable_;
  std::array<std::optional<FlatnessTable>, 2> tables_;  // log, lin
  std::vector<QString> damaged_;
  bool on_ = false;
};

// The switch as our own settings file holds it; off when absent or unreadable.
bool StoredOn(const QString& extraSettingsFile);

}  // namespace virn::flatness
