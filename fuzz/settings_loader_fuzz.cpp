// Fuzzes the settings loader: any file content must either apply or fail with
// the loader's own error, never crash or hang; and whatever it applied, written
// back as a settings file, must read again to the same values.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "settings/config_file.h"

namespace {

using virn::settings::ConfigTarget;
using virn::settings::StoredValue;
using virn::settings::ValueKind;

// The main window's published settings, each kept as what it was last set to.
class FakeWindow : public ConfigTarget {
 public:
  FakeWindow() {
    for (const char* name :
         {"_BlendValue", "_CorrLog_0Db", "_CorrLog_40Db", "_CorrLin_0Db",  "_CorrLin_12Db", "_StartFreqA",
          "_StartFreqB", "_StartFreqC",  "_EndFreqA",     "_EndFreqB",     "_EndFreqC",     "_FreqGenA",
          "_FreqGenB",   "_FreqGenC",    "_0DbAnaliser",  "_Linear",       "_Visir",        "_VisirValue",
          "_Delay",      "_GenMode",     "_SwipMode",     "_AnaliserMode", "_DelayIndex",   "_RealFreq",
          "_CorrFreq",   "_DDS",         "_Averaging",    "_VFOdiv",       "_Real",         "_Text"}) {
      values[QString::fromLatin1(name)] = {};
    }
  }
  std::map<QString, StoredValue> values;
  void SetWindowState(int) override {}
  QSize ScreenSize() const override { return {1024, 768}; }
  void MoveWindow(int, int) override {}
  bool Resizable() const override { return true; }
  void ResizeWindow(int, int) override {}
  void SetTag(int) override {}
  bool HasProperty(const QString& name) const override { return values.count(name) != 0; }
  void SetOrdinal(const QString& name, qint32 value) override {
    values[name] = {name, ValueKind::Integer, QString::number(value)};
  }
  void SetFloat(const QString& name, double value) override {
    values[name] = {name, ValueKind::Float, QString::number(value, 'g', 17)};
  }
  void SetString(const QString& name, const QString& value) override {
    values[name] = {name, ValueKind::String, value};
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static int argc = 1;
  static char name[] = "settings_loader_fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);

  FakeWindow window;
  try {
    virn::settings::ApplyConfig(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                                window);
  } catch (const virn::settings::EConfigError&) {
    return 0;
  }
  std::vector<StoredValue> applied;
  for (const auto& [key, value] : window.values) {
    if (!value.name.isEmpty()) applied.push_back(value);
  }
  const QByteArray written = virn::settings::BuildConfig({}, applied);
  FakeWindow again;
  virn::settings::ApplyConfig(written, again);  // an error here escapes and is reported as a crash
  for (const StoredValue& value : applied) {
    if (again.values[value.name].text != value.text) __builtin_trap();
  }
  return 0;
}
