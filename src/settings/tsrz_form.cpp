#include "settings/tsrz_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMetaProperty>
#include <QScreen>
#include <QtDebug>
#include <optional>

namespace virn::settings {

namespace {
// Other windows of this family find windows built on this base class by this mark.
constexpr const char* kFormMark = "{C6CA4384-D3FB-4E41-BA2C-DFF64D0A0ED4}";
constexpr int kMaximized = 2;

bool IsPublishedSetting(const QMetaProperty& property) {
  return property.isReadable() && property.isWritable() && property.name()[0] == '_';
}

std::optional<ValueKind> KindOf(const QMetaProperty& property) {
  if (property.isEnumType()) return ValueKind::Integer;
  switch (property.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return ValueKind::Integer;
    case QMetaType::Float:
    case QMetaType::Double:
      return ValueKind::Float;
    case QMetaType::QString:
      return ValueKind::String;
    default:
      return std::nullopt;
  }
}

// The 32-bit value cut to the property's own width, as a store into a narrower
// field keeps the low bits.
QVariant OrdinalFor(const QMetaProperty& property, qint32 value) {
  switch (property.metaType().id()) {
    case QMetaType::Bool:
      return QVariant((value & 0xFF) != 0);
    case QMetaType::Char:
    case QMetaType::SChar:
      return QVariant::fromValue(static_cast<signed char>(value));
    case QMetaType::UChar:
      return QVariant::fromValue(static_cast<unsigned char>(value));
    case QMetaType::Short:
      return QVariant::fromValue(static_cast<short>(value));
    case QMetaType::UShort:
      return QVariant::fromValue(static_cast<unsigned short>(value));
    case QMetaType::UInt:
    case QMetaType::ULong:
      return QVariant::fromValue(static_cast<unsigned int>(value));
    default:
      return QVariant(value);
  }
}

QString OrdinalText(const QVariant& value) {
  if (value.metaType().id() == QMetaType::Bool)
    return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
  // The reader takes a signed 32-bit integer and keeps the low bits the property
  // holds, so the low 32 bits, signed, are what reads back to the same value: an
  // unsigned 32-bit value above 2^31 is written negative. A wider property keeps
  // only what 32 bits carry, rather than making the whole file unreadable.
  return QString::number(static_cast<qint32>(static_cast<quint32>(value.toLongLong())));
}

}  // namespace

// The settings file applied to this window.
class TSrzForm::Target : public ConfigTarget {
 public:
  explicit Target(TSrzForm& form) : form_(form) {}

  void SetWindowState(int state) override {
    form_.setWindowState(state == kMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
  }
  QSize ScreenSize() const override {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
  }
  void MoveWindow(int left, int top) override { form_.move(left, top); }
  bool Resizable() const override { return form_.minimumSize() != form_.maximumSize(); }
  void ResizeWindow(int width, int height) override { form_.resize(width, height); }
  void SetTag(int tag) override { form_.Tag = tag; }
  bool HasProperty(const QString& name) const override { return property(name).isValid(); }
  void SetOrdinal(const QString& name, qint32 value) override {
    const QMetaProperty p = property(name);
    // Enumerations take the number as it is; other integers go through their ordinal.
    if (!p.isEnumType() && KindOf(p) == ValueKind::Integer) {
      p.write(&form_, OrdinalFor(p, value));
    } else {
      p.write(&form_, QVariant(value));
    }
  }
  void SetFloat(const QString& name, double value) override { property(name).write(&form_, QVariant(value)); }
  void SetString(const QString& name, const QString& value) override {
    property(name).write(&form_, QVariant(value));
  }

 private:
  QMetaProperty property(const QString& name) const {
    const QMetaObject* meta = form_.metaObject();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    if (index < 0) return {};
    const QMetaProperty p = meta->property(index);
    return IsPublishedSetting(p) ? p : QMetaProperty();
  }

  TSrzForm& form_;
};

TSrzForm::TSrzForm(QWidget* parent) : QWidget(parent) {
  setProperty(kFormMark, 1);
}

QString TSrzForm::SettingsFileName(const QString& directory) const {
  const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower();
  return directory + QLatin1Char('/') + executable + QLatin1Char('.') + objectName().toLower() +
         QStringLiteral(".config.xml");
}

std::vector<QByteArray> TSrzForm::PublishedSettings() const {
  std::vector<QByteArray> names;
  const QMetaObject* meta = metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (IsPublishedSetting(property)) names.emplace_back(property.name());
  }
  return names;
}

void TSrzForm::FinishCreation() {
  if (ConfigPath.isEmpty()) return;
  ConfigPath = SettingsFileName(ConfigPath);
  creationLoad_ = LoadConfig();
}

LoadOutcome TSrzForm::LoadConfig() {
  if (ConfigPath.isEmpty()) return LoadOutcome::NoFile;
  Target target(*this);
  return LoadConfigFile(ConfigPath, target);
}

bool TSrzForm::SaveConfig() {
  if (ConfigPath.isEmpty()) return false;
  WindowPlacement placement;
  const QRect frame = frameGeometry();
  placement.left = frame.left();
  placement.top = frame.top();
  placement.width = frame.width();
  placement.height = frame.height();
  placement.windowState = (windowState() & Qt::WindowMinimized) != 0   ? 1
                          : (windowState() & Qt::WindowMaximized) != 0 ? kMaximized
                                                                       : 0;
  placement.tag = Tag;
  std::vector<StoredValue> values;
  const QMetaObject* meta = metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (!IsPublishedSetting(property)) continue;
    const std::optional<ValueKind> kind = KindOf(property);
    if (!kind) continue;
    const QVariant value = property.read(this);
    QString text;
    switch (*kind) {
      case ValueKind::Integer:
        text = OrdinalText(value);
        break;
      case ValueKind::Float:
        text = QString::number(value.toDouble(), 'g', 17);
        break;
      case ValueKind::String:
        text = value.toString();
        break;
    }
    values.push_back({QString::fromLatin1(property.name()), *kind, text});
  }
  return SaveConfigFile(ConfigPath, BuildConfig(placement, values));
}

void TSrzForm::closeEvent(QCloseEvent* event) {
  // Closing never fails: a setting that cannot be read is reported and the
  // window goes all the same, the previous file left as it was.
  try {
    SaveConfig();
  } catch (const std::exception& error) {
    qWarning().noquote() << "Settings not saved:" << error.what();
  }
  QWidget::closeEvent(event);
}

}  // namespace virn::settings
