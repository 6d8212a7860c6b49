// Where a program keeps its settings below <appData>/Kelmar: a folder named
// after its executable. Earlier versions named the folder after the file name
// less its last four characters, a rule meant for names ending in ".exe", which
// on Linux gave "virn-" to virn-demo and the Kelmar folder itself to virn.
#pragma once

#include <QString>
#include <QStringList>

namespace virn::settings {

// The executable's file name without a trailing ".exe" (of any case).
QString ProgramFolderName(const QString& executableFileName);

// Moves the program's settings files ("<executable, lower case>.<window>.config.xml",
// and such a file kept aside with ".bad") from the folder the earlier rule gave
// into <kelmarDir>/<ProgramFolderName>, unless a file of that name is there
// already, so that nobody loses a calibration in the upgrade. An old folder
// left empty goes. Returns the new paths of the files moved.
QStringList MoveEarlierSettings(const QString& kelmarDir, const QString& executableFileName);

}  // namespace virn::settings
