// Tool-bar glyphs, drawn in code so that the program ships no image files.
#pragma once

#include <QIcon>
#include <QString>

namespace virn::app {

// The glyph of the tool button with the given object name ("mnuPrint", ...).
QIcon ToolGlyph(const QString& buttonName);

}  // namespace virn::app
