// The name of the running program, which its settings folder is named after:
// the executable's file name without a trailing ".exe" (settings_folder.h).
#pragma once

#include <QString>

namespace virn::app {

// Set once at start-up.
QString ProgramName();
void SetProgramName(const QString& name);

}  // namespace virn::app
