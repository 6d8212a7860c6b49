#include "settings/config_file.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QtDebug>

namespace virn::settings {

namespace {

constexpr int kMinimized = 1;
constexpr int kNormal = 0;
// A stored position this close to the right or bottom edge of the screen, or
// beyond, would leave the window out of reach.
constexpr int kScreenMargin = 50;
// What a "Float" text that is not a number reads as.
constexpr double kBadFloat = 16777215.0;
// A settings file is a few kilobytes, two elements deep. QDom's parser slows down
// much worse than linearly with nesting (40 000 levels take most of a minute),
// so a document far from that shape is refused before the tree is built.
constexpr qsizetype kMaxDocumentSize = 1024 * 1024;
constexpr int kMaxDepth = 32;

void CheckShape(const QByteArray& text) {
  if (text.size() > kMaxDocumentSize) {
    throw EConfigError(QStringLiteral("larger than %1 bytes").arg(kMaxDocumentSize).toStdString());
  }
  QXmlStreamReader reader(text);
  int depth = 0;
  while (!reader.atEnd()) {
    const QXmlStreamReader::TokenType token = reader.readNext();
    if (token == QXmlStreamReader::StartElement && ++depth > kMaxDepth) {
      throw EConfigError(QStringLiteral("line %1: elements nested deeper than %2 levels")
                             .arg(reader.lineNumber())
                             .arg(kMaxDepth)
                             .toStdString());
    }
    if (token == QXmlStreamReader::EndElement) --depth;
  }
  // Syntax errors are left to the DOM parser, which reports them the same way as before.
}

// XML 1.0 cannot carry most control characters, U+FFFE, U+FFFF or an unpaired
// surrogate; written as they are, they would make the whole file unreadable on
// the next start, so each becomes U+FFFD.
QString XmlText(const QString& text) {
  QString safe;
  safe.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      safe += c;
      safe += text.at(++i);
      continue;
    }
    const char16_t u = c.unicode();
    const bool allowed =
        u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u < 0xD800) || (u >= 0xE000 && u <= 0xFFFD);
    safe += allowed ? c : QChar(QChar::ReplacementCharacter);
  }
  return safe;
}

qint32 ToInteger(const QString& text, const QString& what) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (!ok || text.trimmed() != text) {
    throw EConfigError(QStringLiteral("%1: '%2' is not a valid integer value").arg(what, text).toStdString());
  }
  return value;
}

// "//Name": the first element of that name anywhere in the document.
QDomElement FindElement(const QDomDocument& document, const QString& name) {
  const QDomElement element = document.elementsByTagName(name).item(0).toElement();
  if (element.isNull()) throw EConfigError(QStringLiteral("no element %1").arg(name).toStdString());
  return element;
}

qint32 ReadInteger(const QDomDocument& document, const QString& name) {
  return ToInteger(FindElement(document, name).text(), name);
}

void ApplyValue(const QDomElement& element, ConfigTarget& target) {
  const QString name = element.tagName();
  if (!element.hasAttribute(QStringLiteral("type"))) {
    throw EConfigError(QStringLiteral("%1 has no type").arg(name).toStdString());
  }
  const QString type = element.attribute(QStringLiteral("type"));
  const QString text = element.text();
  if (!target.HasProperty(name)) return;
  if (type == QLatin1String("Integer")) {
    target.SetOrdinal(name, ToInteger(text, name));
  } else if (type == QLatin1String("Float")) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    target.SetFloat(name, ok ? value : kBadFloat);
  } else {
    target.SetString(name, text);
  }
}

QString TypeName(ValueKind kind) {
  switch (kind) {
    case ValueKind::Integer:
      return QStringLiteral("Integer");
    case ValueKind::Float:
      return QStringLiteral("Float");
    case ValueKind::String:
      break;
  }
  return QStringLiteral("String");
}

}  // namespace

void ApplyConfig(const QByteArray& documentText, ConfigTarget& target) {
  CheckShape(documentText);
  QDomDocument document;
  QString error;
  int line = 0;
  if (!document.setContent(documentText, &error, &line)) {
    throw EConfigError(QStringLiteral("line %1: %2").arg(line).arg(error).toStdString());
  }
  const QDomElement configuration = FindElement(document, QStringLiteral("Configuration"));

  const int state = ReadInteger(document, QStringLiteral("WindowState")) & 0xFF;
  if (state != kMinimized) target.SetWindowState(state);
  if (state == kNormal) {
    int left = ReadInteger(document, QStringLiteral("Left"));
    int top = ReadInteger(document, QStringLiteral("Top"));
    const QSize screen = target.ScreenSize();
    if (left > screen.width() - kScreenMargin || top > screen.height() - kScreenMargin) {
      left = 0;
      top = 0;
    }
    target.MoveWindow(left, top);
    if (target.Resizable()) {
      const int width = ReadInteger(document, QStringLiteral("Width"));
      const int height = ReadInteger(document, QStringLiteral("Height"));
      target.ResizeWindow(width, height);
    }
  }
  target.SetTag(ReadInteger(document, QStringLiteral("Tag")));

  for (QDomNode node = configuration.firstChild(); !node.isNull(); node = node.nextSibling()) {
    if (!node.isElement() || !node.nodeName().startsWith(QLatin1Char('_'))) continue;
    ApplyValue(node.toElement(), target);
  }
}

QByteArray BuildConfig(const WindowPlacement& placement, const std::vector<StoredValue>& values) {
  QDomDocument document;
  document.appendChild(
      document.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\"")));
  QDomElement configuration = document.createElement(QStringLiteral("Configuration"));
  document.appendChild(configuration);
  const auto append = [&](const QString& name, ValueKind kind, const QString& text) {
    QDomElement element = document.createElement(name);
    element.setAttribute(QStringLiteral("type"), TypeName(kind));
    element.appendChild(document.createTextNode(XmlText(text)));
    configuration.appendChild(element);
  };
  const std::pair<const char*, int> window[] = {{"Left", placement.left},
                                                {"Top", placement.top},
                                                {"Width", placement.width},
                                                {"Height", placement.height},
                                                {"WindowState", placement.windowState},
                                                {"Tag", placement.tag}};
  for (const auto& [name, value] : window) {
    append(QString::fromLatin1(name), ValueKind::Integer, QString::number(value));
  }
  for (const StoredValue& value : values) append(value.name, value.kind, value.text);
  return document.toByteArray(2);
}

LoadOutcome LoadConfigFile(const QString& fileName, ConfigTarget& target) {
  QFile file(fileName);
  if (!file.exists()) return LoadOutcome::NoFile;
  try {
    if (!file.open(QIODevice::ReadOnly)) {
      throw EConfigError(file.errorString().toStdString());
    }
    const QByteArray text = file.readAll();
    file.close();
    ApplyConfig(text, target);
    return LoadOutcome::Applied;
  } catch (const std::exception& error) {
    SetAside(fileName, error.what());
    return LoadOutcome::MovedAside;
  }
}

void SetAside(const QString& fileName, const char* reason) {
  const QString aside = fileName + kBadFileSuffix;
  qWarning().noquote() << "Settings file" << fileName << "could not be read (" << reason << "); it is kept as"
                       << aside;
  QFile::remove(aside);
  // Should even the move fail, the file stays where it is: deleting it would
  // lose what the move is there to keep.
  QFile::rename(fileName, aside);
}

bool SaveConfigFile(const QString& fileName, const QByteArray& document) {
  if (!QFileInfo(fileName).absoluteDir().exists()) return false;
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() || !file.commit()) {
    qWarning().noquote() << "Settings file" << fileName << "could not be written:" << file.errorString();
    return false;
  }
  return true;
}

}  // namespace virn::settings
