// The end of a desktop session treated as a close of the main window: SIGTERM,
// SIGINT and SIGHUP (logout, shutdown, a terminal that goes away, kill) and
// the session manager's end-of-session all close the window once, so the
// device is closed, the acquisition thread ends and the settings are written.
#pragma once

#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace virn::app {

class SessionEnd : public QObject {
 public:
  // Blocks the signals in this thread, and so in every thread it starts from
  // then on, and reads them from a descriptor on its loop: no handler runs in
  // whichever thread the kernel picks (a runtime that defers handlers to a
  // thread's next library call can keep one there for good in a thread that
  // waits). A thread started before passes them on to this one. `close` runs
  // on this thread, the first time the session ends, and never more than
  // once. One instance at a time.
  // Without `listening`, a signal is kept until Listen(): a program makes this
  // before it starts anything, so that no signal is lost while it starts, and
  // acts on them once its main loop is about to run.
  explicit SessionEnd(std::function<void()> close, bool listening = true, QObject* parent = nullptr);
  // Puts the signals' previous handlers and this thread's mask back; a signal
  // that came and was not read yet is dropped with the session.
  ~SessionEnd() override;
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

  // Acts on the signals that came and come (in the event loop, not at once).
  void Listen();

  // Ends the session as a signal would: for the session manager's request, and tests.
  void Request();

 private:
  bool drain();

  std::function<void()> close_;
  int fd_ = -1;
  sigset_t previousMask_{};
  QSocketNotifier* notifier_ = nullptr;
  bool requested_ = false;
};

}  // namespace virn::app
