#include "settings/extra_settings.h"

#include <QFile>
#include <QLockFile>
#include <QStringDecoder>

namespace virn::settings {

namespace {

// A handful of short lines; anything near this is not our file.
constexpr qsizetype kMaxFileSize = 1024 * 1024;
// Another program storing a key at the same moment holds the lock this long at most.
constexpr int kLockWaitMs = 2000;
const QString kFileSuffix = QStringLiteral(".extra.conf");
const QByteArray kHeader =
    QByteArrayLiteral("# Settings kept beside the window's settings file: key=value\n");

QString Unescape(QStringView text, int lineNumber) {
  QString value;
  value.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != QLatin1Char('\\')) {
      value += text[i];
      continue;
    }
    const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
    if (next == QLatin1Char('\\')) {
      value += QLatin1Char('\\');
    } else if (next == QLatin1Char('n')) {
      value += QLatin1Char('\n');
    } else if (next == QLatin1Char('r')) {
      value += QLatin1Char('\r');
    } else {
      throw EConfigError(QStringLiteral("line %1: unknown escape").arg(lineNumber).toStdString());
    }
    ++i;
  }
  return value;
}

QString Escape(const QString& value) {
  QString text;
  text.reserve(value.size());
  for (const QChar c : value) {
    if (c == QLatin1Char('\\')) {
      text += QLatin1String("\\\\");
    } else if (c == QLatin1Char('\n')) {
      text += QLatin1String("\\n");
    } else if (c == QLatin1Char('\r')) {
      text += QLatin1String("\\r");
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace

bool IsSettingKey(const QString& key) {
  if (key.isEmpty()) return false;
  for (const QChar c : key) {
    const char16_t u = c.unicode();
    const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
                    u == '-' || u == '.';
    if (!ok) return false;
  }
  return true;
}

KeyValues ParseKeyValues(const QByteArray& bytes) {
  if (bytes.size() > kMaxFileSize) {
    throw EConfigError(QStringLiteral("larger than %1 bytes").arg(kMaxFileSize).toStdString());
  }
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder(bytes);
  if (decoder.hasError()) throw EConfigError("not UTF-8 text");

  KeyValues values;
  int lineNumber = 0;
  for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
    ++lineNumber;
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);  // written on Windows
    const QStringView trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) throw EConfigError(QStringLiteral("line %1: no '='").arg(lineNumber).toStdString());
    const QString key = line.left(eq).trimmed().toString();
    if (!IsSettingKey(key)) {
      throw EConfigError(QStringLiteral("line %1: '%2' is not a key").arg(lineNumber).arg(key).toStdString());
    }
    if (!values.try_emplace(key, Unescape(line.mid(eq + 1), lineNumber)).second) {
      throw EConfigError(QStringLiteral("line %1: '%2' again").arg(lineNumber).arg(key).toStdString());
    }
  }
  return values;
}

QByteArray FormatKeyValues(const KeyValues& values) {
  QByteArray text = kHeader;
  for (const auto& [key, value] : values) {
    if (!IsSettingKey(key)) continue;
    text += key.toLatin1() + '=' + Escape(value).toUtf8() + '\n';
  }
  return text;
}

KeyValues LoadKeyValues(const QString& fileName) {
  QFile file(fileName);
  if (!file.exists()) return {};
  try {
    if (!file.open(QIODevice::ReadOnly)) throw EConfigError(file.errorString().toStdString());
    const QByteArray text = file.read(kMaxFileSize + 1);
    file.close();
    return ParseKeyValues(text);
  } catch (const std::exception& error) {
    SetAside(fileName, error.what());
    return {};
  }
}

bool StoreKeyValue(const QString& fileName, const QString& key, const QString& value) {
  if (!IsSettingKey(key)) return false;
  // Two programs of the same configuration storing keys at once must not lose
  // each other's: the file is read and written under the lock.
  QLockFile lock(fileName + QStringLiteral(".lock"));
  if (!lock.tryLock(kLockWaitMs)) return false;
  KeyValues values = LoadKeyValues(fileName);
  values[key] = value;
  return SaveConfigFile(fileName, FormatKeyValues(values));
}

QString ExtraSettingsFile(const QString& configDir, const QString& executableFileName) {
  return configDir + QLatin1Char('/') + executableFileName.toLower() + kFileSuffix;
}

}  // namespace virn::settings
