#include "control/settings_file.h"

#include <QFile>
#include <QSize>

#include "settings/config_file.h"

namespace virn::control {

namespace {

// The settings document applied to the settings alone: no window to place.
class SettingsTarget : public settings::ConfigTarget {
 public:
  explicit SettingsTarget(measure::Settings& settings) : settings_(settings) {}

  void SetWindowState(int /*state*/) override {}
  QSize ScreenSize() const override { return {}; }
  void MoveWindow(int /*left*/, int /*top*/) override {}
  bool Resizable() const override { return false; }
  void ResizeWindow(int /*width*/, int /*height*/) override {}
  void SetTag(int /*tag*/) override {}

  bool HasProperty(const QString& name) const override { return Find(name) != nullptr; }
  void SetOrdinal(const QString& name, qint32 value) override { Find(name)->write(settings_, value); }
  // The integer settings take such a value only when it converts.
  void SetFloat(const QString& name, double value) override {
    Find(name)->write(settings_, static_cast<qint32>(value));
  }
  void SetString(const QString& name, const QString& value) override {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok) Find(name)->write(settings_, number);
  }

 private:
  static const measure::PublishedSetting* Find(const QString& name) {
    return measure::FindPublishedSetting(name.toStdString());
  }

  measure::Settings& settings_;
};

}  // namespace

measure::Settings ReadSettings(const QByteArray& document, const measure::Settings& base) {
  measure::Settings read = base;
  SettingsTarget target(read);
  settings::ApplyConfig(document, target);
  return read;
}

LoadedSettings LoadSettings(const QString& fileName) {
  LoadedSettings loaded;
  QFile file(fileName);
  if (!file.exists()) return loaded;
  loaded.found = true;
  if (!file.open(QIODevice::ReadOnly)) {
    loaded.problem = file.errorString();
    return loaded;
  }
  try {
    loaded.settings = ReadSettings(file.readAll());
  } catch (const std::exception& error) {
    loaded.problem = QString::fromUtf8(error.what());
  }
  return loaded;
}

}  // namespace virn::control
