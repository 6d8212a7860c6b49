// What virn-sweep takes from the main window's settings file: the sweep range,
// the sweep options, the DDS coefficient and both calibrations, read the way
// the window reads them into its controls. Read only: virn-sweep never writes
// the file, nor moves a broken one aside as the window does.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "display/plot_inputs.h"
#include "measure/frequency.h"

namespace virn::sweep {

// The window's values before any settings file, as its controls start.
struct WindowSettings {
  display::LevelCalibration calibration;
  // MHz, kHz and Hz places of the start and end triples, 0..999 each.
  std::array<std::int32_t, 3> start{0, 100, 0};
  std::array<std::int32_t, 3> end{50, 0, 0};
  bool linear = false;
  bool delay = true;
  std::int32_t delayIndex = 0;  // 0..3, the period list's entry
  bool averaging = false;
  std::int32_t realFreq = measure::kDefaultCalibrationFreq;
  std::int32_t corrFreq = measure::kDefaultCalibrationFreq;
  std::int32_t dds = 43;

  // The triples as hertz, as the window reads its fields.
  std::int32_t StartFreq() const;
  std::int32_t EndFreq() const;
};

// Applies a settings document over the defaults. Throws settings::EConfigError
// when the document cannot be read; nothing of it is then kept.
WindowSettings ReadWindowSettings(const QByteArray& document);

struct LoadedSettings {
  WindowSettings settings;
  bool found = false;
  // Set: the file is there but could not be read; the defaults apply.
  QString problem;
};

// Reads the file if there is one. Never throws and never changes the file.
LoadedSettings LoadWindowSettings(const QString& fileName);

// The main window's settings file of the program named by `executableName`
// ("virn", "virn-demo"): <appData>/Kelmar/<program folder>/<executable>.mainform.config.xml.
QString WindowSettingsFile(const QString& appDataDir, const QString& executableName);

}  // namespace virn::sweep
