// The program's icon. Its pictures are decoded when a window asks for them and
// are not kept: a window takes its icon once, when it is made, and keeping all
// seven sizes decoded would hold about 360 KB for the program's whole life.
#pragma once

#include <QIcon>

namespace virn::app {

QIcon ProgramIcon();

}  // namespace virn::app
