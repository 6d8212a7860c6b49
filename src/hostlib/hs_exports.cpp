// The exports of libklmhelpsys.so. The program loads this library for each
// call and unloads it straight after, while the help window it made stays
// open; so the first call pins the library in memory for the rest of the
// process, or the window's code would be unmapped under it.
#include <QApplication>
#include <QString>

#include "hostlib/hs_help_window.h"
#include "hostlib/klm_exports.h"
#include "hostlib/pin_library.h"

namespace virn::hostlib {
namespace {

QString FromUtf8(const char* text) {
  return text != nullptr ? QString::fromUtf8(text) : QString();
}

// The help id of the window shown last; hsSetTitle names that one.
QString& LastHelpId() {
  static QString id;
  return id;
}

bool HaveWidgets() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace
}  // namespace virn::hostlib

using namespace virn::hostlib;

extern "C" void hsShowHelp(const char* helpId, const char* helpDir, const char* topic) {
  // Windows need the caller's QApplication; a console caller gets nothing.
  if (!HaveWidgets()) return;
  try {
    PinLibraryContaining(reinterpret_cast<const void*>(&hsShowHelp));
    const QString id = FromUtf8(helpId);
    HelpWindow* window = HelpWindow::Find(id);
    if (window == nullptr) window = new HelpWindow(id);
    window->ShowTopic(FromUtf8(helpDir), FromUtf8(topic));
    LastHelpId() = id;
  } catch (...) {
    // No exception may cross the C boundary; the help simply does not appear.
  }
}

extern "C" void hsSetTitle(const char* title) {
  if (!HaveWidgets()) return;
  try {
    if (HelpWindow* window = HelpWindow::Find(LastHelpId())) window->SetApplicationTitle(FromUtf8(title));
  } catch (...) {
  }
}
