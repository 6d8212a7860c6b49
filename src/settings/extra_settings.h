// The file of our own settings: everything the program keeps beyond the
// window's settings file, which holds exactly the window's own values. It lies
// beside that file and is a plain list of "key=value" lines, readable by the
// window and by the programs without one (virn-sweep), and by a person.
//
// Each setting reads its value with a default of its own: a key it does not
// know is kept and passed over, so a file written by a newer program still
// works, and a value it cannot read gives its default.
#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <optional>

#include "settings/config_file.h"

namespace virn::settings {

using KeyValues = std::map<QString, QString>;

// Keys are ASCII letters, digits, '_', '-' and '.', such as "scale" or
// "flatness.on". Values are any text; a backslash, line feed and carriage
// return are written as "\\", "\n" and "\r".
bool IsSettingKey(const QString& key);

// Reads the file's text: blank lines and lines starting with '#' are passed
// over, every other line is "key=value" with spaces allowed around the key.
// Throws EConfigError when the text is not UTF-8, a line has no '=', a key is
// not a key, a key comes twice, an escape is unknown or the text is too large.
KeyValues ParseKeyValues(const QByteArray& text);
// The file's text, keys in order; ParseKeyValues gives the same values back.
QByteArray FormatKeyValues(const KeyValues& values);

// Reads the file; none there gives no values, and a damaged one is set aside
// as "<file>.bad", as the settings file is, and gives no values. Never throws.
KeyValues LoadKeyValues(const QString& fileName);

// Sets one key in the file as it is now, keeping every other key, and writes it
// through a temporary file that replaces the old one only when complete. False,
// leaving the file as it was, when the key is not a key, the folder does not
// exist or the write fails.
bool StoreKeyValue(const QString& fileName, const QString& key, const QString& value);

// The file beside the window's settings of the program `executableFileName`
// ("virn", "virn-demo") in its configuration folder `configDir`:
// "<configDir>/<executable file name, lower case>.extra.conf".
QString ExtraSettingsFile(const QString& configDir, const QString& executableFileName);

}  // namespace virn::settings
