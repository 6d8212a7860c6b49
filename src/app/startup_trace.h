// Marks of the start-up's phases for the start-up benchmark
// (scripts/measure-startup.sh). With VIRN_STARTUP_TRACE naming a file, each
// mark appends "<phase> <wall-clock microseconds>" to it; without it a mark
// does nothing.
#pragma once

class QWidget;

namespace virn::app {

void StartupMark(const char* phase);
// Marks `phase` when the window is first exposed (mapped, on X11); the
// window must have been shown.
void MarkWhenExposed(QWidget& window, const char* phase);

}  // namespace virn::app
