// Sanitizer rules shared by the test programs and the program runs they start.
#pragma once

namespace virn::test {

// Qt is not built with ThreadSanitizer: its futex-based locks are invisible to it.
// The X11 plugin and libxcb share their event reader thread the same way, and
// Xlib destroys its display lock still held at exit.
inline constexpr const char* kTsanQtSuppressions =
    "race:libQt6Core.so\n"
    "race:libQt6Gui.so\n"
    "race:libQt6Widgets.so\n"
    "race:libQt6XcbQpa.so\n"
    "race:libxcb.so\n"
    "called_from_lib:libQt6Core.so\n"
    "called_from_lib:libQt6Gui.so\n"
    "called_from_lib:libQt6XcbQpa.so\n"
    "called_from_lib:libxcb.so\n"
    "called_from_lib:libglib-2.0.so\n"
    "mutex:libX11.so\n";

}  // namespace virn::test
