#include "app/session_end.h"

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace virn::app {

namespace {

constexpr std::array kSessionSignals = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe, for the handler; -1 while no SessionEnd exists.
std::atomic<int> signalPipe{-1};
std::array<struct sigaction, kSessionSignals.size()> previousActions{};

// Async-signal-safe: one write to a non-blocking pipe, errno kept. The handler
// stays installed, so a second signal while the window closes only writes
// another byte and never ends the process in the middle of saving.
extern "C" void OnSessionSignal(int signalNumber) {
  const int savedErrno = errno;
  const int fd = signalPipe.load();
  if (fd >= 0) {
    const auto byte = static_cast<char>(signalNumber);
    (void)!write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

SessionEnd::SessionEnd(std::function<void()> close, bool listening, QObject* parent)
    : QObject(parent), close_(std::move(close)) {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::runtime_error("cannot create the session-end pipe");
  signalPipe.store(pipe_[1]);
  notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  notifier_->setEnabled(listening);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });

  struct sigaction action {};
  action.sa_handler = OnSessionSignal;
  sigemptyset(&action.sa_mask);
  // Calls the signal interrupts are restarted, so a save in progress goes on.
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
  signalPipe.store(-1);
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void SessionEnd::Listen() {
  notifier_->setEnabled(true);
}

void SessionEnd::Request() {
  if (requested_) return;
  requested_ = true;
  close_();
}

void SessionEnd::drain() {
  std::array<char, 64> bytes{};
  while (read(pipe_[0], bytes.data(), bytes.size()) > 0) {
  }
  Request();
}

}  // namespace virn::app
