// The application object: an exception that escapes an event handler is shown
// by the default error display instead of ending the program. It speaks the
// user's language in Qt's own dialogs and gives every window the program's icon.
// It is made after the scale the user chose is applied.
#pragma once

#include <QApplication>

namespace virn::app {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);
  // Gives every window the program's icon. Decoding its pictures takes a
  // while, so the start does it once the main window is on the screen.
  static void SetProgramIcon();
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace virn::app
