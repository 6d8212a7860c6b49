// The settings file of a window: reading it into a window (its placement and
// its published "_" values, through the owner's accessors) and writing it,
// without widgets, so that reading can be tested and fuzzed on its own.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <stdexcept>
#include <vector>

namespace virn::settings {

// Any failure while reading the settings; the values applied before it stay.
class EConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the settings file is applied to.
class ConfigTarget {
 public:
  virtual ~ConfigTarget() = default;
  // 0 normal, 2 maximized (1, minimized, is never restored).
  virtual void SetWindowState(int state) = 0;
  virtual QSize ScreenSize() const = 0;
  virtual void MoveWindow(int left, int top) = 0;
  virtual bool Resizable() const = 0;
  virtual void ResizeWindow(int width, int height) = 0;
  virtual void SetTag(int tag) = 0;
  // Published properties, set through their own write accessors.
  virtual bool HasProperty(const QString& name) const = 0;
  virtual void SetOrdinal(const QString& name, qint32 value) = 0;
  virtual void SetFloat(const QString& name, double value) = 0;
  virtual void SetString(const QString& name, const QString& value) = 0;
};

// Applies a settings document in the file's order. Throws EConfigError at the
// first fault: text that is not XML, a missing window value or "type"
// attribute, an "Integer" text that is not a 32-bit integer.
void ApplyConfig(const QByteArray& document, ConfigTarget& target);

enum class ValueKind { Integer, Float, String };

struct StoredValue {
  QString name;
  ValueKind kind = ValueKind::Integer;
  QString text;
};

struct WindowPlacement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int windowState = 0;
  int tag = 0;
};

// The settings document: the six window values, then the given values in order.
QByteArray BuildConfig(const WindowPlacement& placement, const std::vector<StoredValue>& values);

// A file that fails to read is kept beside the settings as "<file>.bad" (replacing an
// older one), so that the user's calibration can still be recovered from it.
inline const QString kBadFileSuffix = QStringLiteral(".bad");

// Moves a file that could not be read to "<file>.bad", replacing an older one,
// and says so on the log with the reason.
void SetAside(const QString& fileName, const char* reason);

enum class LoadOutcome { NoFile, Applied, MovedAside };
// Reads and applies the file; a faulty file is moved aside and the next run starts
// from defaults. Never throws.
LoadOutcome LoadConfigFile(const QString& fileName, ConfigTarget& target);

// Writes the document through a temporary file in the same folder that replaces
// the old file only once complete: a failed write leaves the previous file as
// it was. Returns false, writing nothing, when the folder does not exist or the
// write fails.
bool SaveConfigFile(const QString& fileName, const QByteArray& document);

}  // namespace virn::settings
