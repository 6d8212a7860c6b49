// The window base class that keeps a window's placement and its published "_"
// settings. The settings file is read at the end of the derived window's
// creation and written when the window closes.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "settings/config_file.h"

namespace virn::settings {

class TSrzForm : public QWidget {
  Q_OBJECT
  Q_PROPERTY(quint8 _BlendValue READ blendValue WRITE setBlendValue)

 public:
  explicit TSrzForm(QWidget* parent = nullptr);

  // The configuration directory while the derived window is created, the
  // settings-file name afterwards; empty means no settings are read or written.
  QString ConfigPath;
  // The component tag, kept in the settings file.
  int Tag = 0;

  // Kept and stored, but blending stays off: the window is always opaque.
  quint8 blendValue() const { return blendValue_; }
  void setBlendValue(quint8 value) { blendValue_ = value; }

  // "<dir>/<executable file name, lower case>.<object name, lower case>.config.xml".
  QString SettingsFileName(const QString& directory) const;
  // The published properties whose names begin with "_": ancestors first, each
  // class in declaration order.
  std::vector<QByteArray> PublishedSettings() const;

  // Reads the settings file named by ConfigPath, if there is one; a file that
  // cannot be read is moved aside. Never throws.
  LoadOutcome LoadConfig();
  // What reading the settings file at the window's creation came to.
  LoadOutcome CreationLoadOutcome() const { return creationLoad_; }
  // Writes the placement and the published settings to ConfigPath; false when
  // nothing was written (the previous file then stays as it was).
  bool SaveConfig();

 protected:
  // The derived window calls this last in its constructor: ConfigPath becomes
  // the settings-file name and the settings are read.
  void FinishCreation();
  // Writes the settings after the derived window's own close handling.
  void closeEvent(QCloseEvent* event) override;

 private:
  class Target;
  quint8 blendValue_ = 255;
  LoadOutcome creationLoad_ = LoadOutcome::NoFile;
};

}  // namespace virn::settings
