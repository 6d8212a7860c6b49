// The window base class that keeps a window's placement and its published "_"
// settings. The settings file itself is read at the end of creation and written
// when the window closes.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

namespace virn::settings {

class TSrzForm : public QWidget {
  Q_OBJECT
  Q_PROPERTY(quint8 _BlendValue READ blendValue WRITE setBlendValue)

 public:
  explicit TSrzForm(QWidget* parent = nullptr);

  // The configuration directory while the derived window is created, the
  // settings-file name afterwards; empty means no settings are read or written.
  QString ConfigPath;

  // Kept and stored, but blending stays off: the window is always opaque.
  quint8 blendValue() const { return blendValue_; }
  void setBlendValue(quint8 value) { blendValue_ = value; }

 private:
  quint8 blendValue_ = 255;
};

}  // namespace virn::settings
