// Command-line options of virn-sweep: where the instrument is, what to sweep
// and where the table goes. Anything not given comes from the window's
// settings file (see window_settings.h).
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <optional>

#include "measure/settings_model.h"

namespace virn::sweep {

inline constexpr int kMaxCount = 1000000;
inline constexpr double kMaxTimeoutSeconds = 3600;

struct SweepOptions {
  bool simulated = false;     // the simulated instrument instead of the real bus
  bool noInstrument = false;  // simulated: leave the instrument unplugged
  QString wireLogPath;        // simulated: the frames the instrument gets
  QString outputPath;         // empty: standard output
  QString settingsPath;       // empty: the window's own settings file
  int count = 1;
  std::chrono::milliseconds timeout{5000};  // to find the instrument
  std::optional<std::int32_t> startHz;
  std::optional<std::int32_t> endHz;
  std::optional<int> periodIndex;  // 1..4
  std::optional<bool> delay;
  std::optional<bool> averaging;
  std::optional<bool> linear;
  std::optional<bool> flat;  // the flatness correction; unset: as the window last had it

  bool showHelp = false;
  bool showVersion = false;
  QString helpText;
  QString error;  // non-empty: the arguments were wrong
};

// `arguments` as QCoreApplication::arguments() gives them, the program first.
SweepOptions ParseSweepOptions(const QStringList& arguments);

}  // namespace virn::sweep
