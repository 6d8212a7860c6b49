#include "app/session_end.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace virn::app {

namespace {

constexpr std::array kSessionSignals = {SIGTERM, SIGINT, SIGHUP};

sigset_t SessionSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signalNumber : kSessionSignals) sigaddset(&set, signalNumber);
  return set;
}

// The thread that reads the signals; 0 while no SessionEnd exists.
std::atomic<pid_t> readerThread{0};
std::array<struct sigaction, kSessionSignals.size()> previousActions{};

// Only a thread that was running before the signals were held takes one here:
// it is passed on to the reading thread, where it waits for the descriptor.
// Async-signal-safe, errno kept. Installed rather than the default, so such a
// thread never ends the process, nor drops a signal a shell had ignored.
extern "C" void OnSessionSignal(int signalNumber) {
  const int savedErrno = errno;
  const pid_t reader = readerThread.load();
  if (reader != 0) tgkill(getpid(), reader, signalNumber);
  errno = savedErrno;
}

}  // namespace

SessionEnd::SessionEnd(std::function<void()> close, bool listening, QObject* parent)
    : QObject(parent), close_(std::move(close)) {
  const sigset_t set = SessionSet();
  if (pthread_sigmask(SIG_BLOCK, &set, &previousMask_) != 0)
    throw std::runtime_error("cannot hold the session signals");
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) {
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    throw std::runtime_error("cannot read the session signals");
  }
  readerThread.store(gettid());
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  notifier_->setEnabled(listening);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    if (drain()) Request();
  });

  struct sigaction action {};
  action.sa_handler = OnSessionSignal;
  sigemptyset(&action.sa_mask);
  // Calls the signal interrupts in that thread are restarted, so its work goes on.
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kSessionSignals.size(); ++i) {
    sigaction(kSessionSignals[i], &action, &previousActions[i]);
  }

  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(gui, &QGuiApplication::commitDataRequest, this, [this] { Request(); });
  }
}

SessionEnd::~SessionEnd() {
  for (std::size_t i = 0; i < kSessionSignals.size(); ++i) {
    sigaction(kSessionSignals[i], &previousActions[i], nullptr);
  }
  readerThread.store(0);
  // Read before the mask goes back, so that none of them reaches the handlers
  // found before (the default would end the process).
  drain();
  notifier_->setEnabled(false);
  ::close(fd_);
  for (const int signalNumber : kSessionSignals) {
    if (sigismember(&previousMask_, signalNumber) == 0) {
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, signalNumber);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    }
  }
}

void SessionEnd::Listen() {
  notifier_->setEnabled(true);
}

void SessionEnd::Request() {
  if (requested_) return;
  requested_ = true;
  close_();
}

bool SessionEnd::drain() {
  bool any = false;
  std::array<signalfd_siginfo, 4> infos{};
  while (read(fd_, infos.data(), sizeof(infos)) > 0) any = true;
  return any;
}

}  // namespace virn::app
