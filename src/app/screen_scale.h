// The scale the whole program is drawn at: the desktop's own ("Авто"), or one
// the user chose in the plot's menu for screens whose desktop scale does not
// suit it. Kept in our own settings file; Qt takes a scale only before the
// application object exists, so a choice takes effect at the next start.
// No widgets: the choice is read and applied before there are any.
#pragma once

#include <QString>
#include <array>

#include "settings/extra_settings.h"

namespace virn::app {

// Percent of the plot's pixel size; kAutoScale leaves the scale to the desktop.
inline constexpr int kAutoScale = 0;
inline constexpr std::array<int, 5> kScaleChoices = {kAutoScale, 100, 150, 200, 300};
inline const QString kScaleKey = QStringLiteral("scale");

// "Авто", "100 %", ...
QString ScaleCaption(int percent);

// The stored choice: a value that is not "auto" or a whole percent from 100 to
// 400 is the desktop's scale.
int StoredScale(const settings::KeyValues& values);

enum class ScaleChange { Unchanged, Stored, NotStored };
// Stores a choice in the file; Unchanged when it is the one stored already.
ScaleChange ChooseScale(const QString& extraSettingsFile, int percent);

inline const QString kScaleAtNextStartText =
    QStringLiteral("Новый масштаб будет применён при следующем запуске программы.");
inline const QString kScaleNotStoredText = QStringLiteral("Не удалось сохранить масштаб.");

// Sets Qt's scaling for a choice, through the environment it reads when the
// application object is created: the choice replaces the desktop's scale,
// fonts included. kAutoScale changes nothing.
void ApplyScale(int percent);

// The file of our own settings of the running program, found as the window
// finds its settings file; empty when the configuration folder is unknown.
// Needs no application object.
QString ProgramExtraSettingsFile();

}  // namespace virn::app
