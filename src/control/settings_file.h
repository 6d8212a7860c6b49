// The published settings read from a window's settings file, without a
// window: what virn-sweep and a remote server start from. Read only: nothing
// here writes the file, nor moves a broken one aside as the window does.
#pragma once

#include <QByteArray>
#include <QString>

#include "measure/settings_model.h"

namespace virn::control {

// Applies a settings document over `base`, each value through its rule.
// Throws settings::EConfigError when the document cannot be read; nothing of
// it is then kept.
measure::Settings ReadSettings(const QByteArray& document, const measure::Settings& base = {});

struct LoadedSettings {
  measure::Settings settings;
  bool found = false;
  // Set: the file is there but could not be read; the defaults apply.
  QString problem;
};

// Reads the file if there is one. Never throws and never changes the file.
LoadedSettings LoadSettings(const QString& fileName);

}  // namespace virn::control
