// The end of a desktop session treated as a close of the main window: SIGTERM,
// SIGINT and SIGHUP (logout, shutdown, a terminal that goes away, kill) and
// the session manager's end-of-session all close the window once, so the
// device is closed, the acquisition thread ends and the settings are written.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace virn::app {

class SessionEnd : public QObject {
 public:
  // Installs the signal handlers; `close` runs on this object's thread, the
  // first time the session ends, and never more than once. One instance at a time.
  // Without `listening`, a signal is kept until Listen(): a program installs
  // the handlers before it starts anything, so that no signal is lost while
  // it starts, and acts on them once its main loop is about to run.
  explicit SessionEnd(std::function<void()> close, bool listening = true, QObject* parent = nullptr);
  // Puts the signals' previous handlers back.
  ~SessionEnd() override;
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

  // Acts on the signals that came and come (in the event loop, not at once).
  void Listen();

  // Ends the session as a signal would: for the session manager's request, and tests.
  void Request();

 private:
  void drain();

  std::function<void()> close_;
  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
  bool requested_ = false;
};

}  // namespace virn::app
