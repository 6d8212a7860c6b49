// The about box: product name, one-line description, version and licence on a
// gradient.
#pragma once

#include <QDialog>
#include <QString>

namespace virn::app {

// "Версия: 1.2.3 (бета)" for a pre-release, "Версия: 1.2.3 " otherwise.
QString VersionLine(int major, int minor, int patch, bool preRelease);

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace virn::app
