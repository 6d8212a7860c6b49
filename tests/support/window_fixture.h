// The main window as the tests build it, and what it needs around it. Every
// test of the window goes through here, whatever bus stands behind it.
#pragma once

#include <gtest/gtest.h>

#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>

#include "support/scoped_env.h"

class QToolButton;
class QWidget;

namespace virn::link {
class D2XXUnit;
}
namespace virn::app {
class TMainForm;
}

namespace virn::test {

// A configuration folder of the test's own, the host libraries of this build,
// and the program and display names the programs set at start-up; all of them
// put back as they were after the test.
class WindowFixture : public ::testing::Test {
 public:
  // A main window over `unit`, not yet shown.
  static std::unique_ptr<app::TMainForm> Window(link::D2XXUnit& unit);
  // Shown, and one discovery tick run: connected when the instrument is on the bus.
  static std::unique_ptr<app::TMainForm> ConnectedWindow(link::D2XXUnit& unit);
  // The tool button of that name in `window` (the main window, a dialog), and a click on any button.
  static QToolButton* Button(const QWidget& window, const char* name);
  static void Click(const QWidget& window, const char* name);

 protected:
  explicit WindowFixture(const QString& programName = QStringLiteral("virn-"));
  ~WindowFixture() override;

  QTemporaryDir config;

 private:
  ScopedEnv configHome_;
  std::string klmLibraryDir_;
  QString programName_;
  QString displayName_;
};

// Where each tool button's centre lies in a main window's client area, for
// tests that click the real program on an X server. The window is built and
// gone, its pool threads ended, before the caller starts a program: the fork of
// a process with several threads is one ThreadSanitizer cannot follow.
std::map<QString, QPoint> ToolButtonCentres();

}  // namespace virn::test
