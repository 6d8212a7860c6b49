#include "sweep/window_settings.h"

#include <QFile>
#include <QSize>
#include <algorithm>
#include <functional>
#include <map>

#include "settings/config_file.h"
#include "settings/settings_folder.h"

namespace virn::sweep {

namespace {

constexpr std::int32_t kTripleFieldMax = 999;  // the up-downs' range
constexpr int kPeriodEntries = 4;
// The window is named "MainForm"; its file name uses the name in lower case.
const QString kWindowFileSuffix = QStringLiteral(".mainform.config.xml");

// A stored 32-bit value as the window's property takes it: a narrower field
// keeps the low bits, a boolean the low byte.
std::int16_t Short(qint32 value) {
  return static_cast<std::int16_t>(value);
}
bool Boolean(qint32 value) {
  return (value & 0xFF) != 0;
}
std::int32_t TriplePlace(qint32 value) {
  return std::clamp<std::int32_t>(Short(value), 0, kTripleFieldMax);
}

// The window's published settings this program uses, each as the window's
// own setter stores it; everything else in the file is passed over.
class Target : public settings::ConfigTarget {
 public:
  explicit Target(WindowSettings& s) {
    LevelCalibration& c = s.calibration;
    setters_ = {
        {QStringLiteral("_CorrLog_0Db"), [&c](qint32 v) { c.CorrLog_0Db = Short(v); }},
        {QStringLiteral("_CorrLog_40Db"), [&c](qint32 v) { c.CorrLog_40Db = Short(v); }},
        {QStringLiteral("_CorrLin_0Db"), [&c](qint32 v) { c.CorrLin_0Db = Short(v); }},
        {QStringLiteral("_CorrLin_12Db"), [&c](qint32 v) { c.CorrLin_12Db = Short(v); }},
        {QStringLiteral("_StartFreqA"), [&s](qint32 v) { s.start[0] = TriplePlace(v); }},
        {QStringLiteral("_StartFreqB"), [&s](qint32 v) { s.start[1] = TriplePlace(v); }},
        {QStringLiteral("_StartFreqC"), [&s](qint32 v) { s.start[2] = TriplePlace(v); }},
        {QStringLiteral("_EndFreqA"), [&s](qint32 v) { s.end[0] = TriplePlace(v); }},
        {QStringLiteral("_EndFreqB"), [&s](qint32 v) { s.end[1] = TriplePlace(v); }},
        {QStringLiteral("_EndFreqC"), [&s](qint32 v) { s.end[2] = TriplePlace(v); }},
        {QStringLiteral("_Linear"), [&s](qint32 v) { s.linear = Boolean(v); }},
        {QStringLiteral("_Delay"), [&s](qint32 v) { s.delay = Boolean(v); }},
        {QStringLiteral("_Averaging"), [&s](qint32 v) { s.averaging = Boolean(v); }},
        // An index outside the list leaves the entry the list had.
        {QStringLiteral("_DelayIndex"),
         [&s](qint32 v) {
           if (v >= 0 && v < kPeriodEntries) s.delayIndex = v;
         }},
        // A measured frequency of 0 cannot be right: the window keeps the default.
        {QStringLiteral("_RealFreq"),
         [&s](qint32 v) { s.realFreq = v == 0 ? measure::kDefaultCalibrationFreq : v; }},
        {QStringLiteral("_CorrFreq"), [&s](qint32 v) { s.corrFreq = v; }},
        {QStringLiteral("_DDS"), [&s](qint32 v) { s.dds = v; }},
    };
  }

  // No window here to place.
  void SetWindowState(int /*state*/) override {}
  QSize ScreenSize() const override { return {}; }
  void MoveWindow(int /*left*/, int /*top*/) override {}
  bool Resizable() const override { return false; }
  void ResizeWindow(int /*width*/, int /*height*/) override {}
  void SetTag(int /*tag*/) override {}

  bool HasProperty(const QString& name) const override { return setters_.count(name) != 0; }
  void SetOrdinal(const QString& name, qint32 value) override { setters_.at(name)(value); }
  // The window's integer properties take such a value only when it converts.
  void SetFloat(const QString& name, double value) override { setters_.at(name)(static_cast<qint32>(value)); }
  void SetString(const QString& name, const QString& value) override {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok) setters_.at(name)(number);
  }

 private:
  using LevelCalibration = display::LevelCalibration;
  std::map<QString, std::function<void(qint32)>> setters_;
};

std::int32_t TripleHz(const std::array<std::int32_t, 3>& places) {
  return measure::ReadTriple(
      {QString::number(places[0]), QString::number(places[1]), QString::number(places[2])});
}

}  // namespace

std::int32_t WindowSettings::StartFreq() const {
  return TripleHz(start);
}

std::int32_t WindowSettings::EndFreq() const {
  return TripleHz(end);
}

WindowSettings ReadWindowSettings(const QByteArray& document) {
  WindowSettings read;
  Target target(read);
  settings::ApplyConfig(document, target);
  return read;
}

LoadedSettings LoadWindowSettings(const QString& fileName) {
  LoadedSettings loaded;
  QFile file(fileName);
  if (!file.exists()) return loaded;
  loaded.found = true;
  if (!file.open(QIODevice::ReadOnly)) {
    loaded.problem = file.errorString();
    return loaded;
  }
  try {
    loaded.settings = ReadWindowSettings(file.readAll());
  } catch (const std::exception& error) {
    loaded.problem = QString::fromUtf8(error.what());
  }
  return loaded;
}

QString WindowSettingsFile(const QString& appDataDir, const QString& executableName) {
  return appDataDir + QStringLiteral("/Kelmar/") + settings::ProgramFolderName(executableName) +
         QLatin1Char('/') + executableName.toLower() + kWindowFileSuffix;
}

}  // namespace virn::sweep
