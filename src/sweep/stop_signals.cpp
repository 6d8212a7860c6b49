#include "sweep/stop_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <csignal>
#include <stdexcept>

namespace virn::sweep {

namespace {
sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signalNumber);
  return set;
}
}  // namespace

StopSignals::StopSignals(std::function<void(int signalNumber)> onSignal) : onSignal_(std::move(onSignal)) {
  const sigset_t set = StopSet();
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0)
    throw std::runtime_error("cannot block the stop signals");
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) {
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    throw std::runtime_error("cannot read the stop signals");
  }
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
}

StopSignals::~StopSignals() {
  notifier_->setEnabled(false);
  ::close(fd_);
  const sigset_t set = StopSet();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void StopSignals::drain() {
  std::array<signalfd_siginfo, 4> infos{};
  for (;;) {
    const ssize_t got = read(fd_, infos.data(), sizeof(infos));
    if (got <= 0) return;
    for (std::size_t i = 0; i < static_cast<std::size_t>(got) / sizeof(signalfd_siginfo); ++i) {
      onSignal_(static_cast<int>(infos[i].ssi_signo));
    }
  }
}

}  // namespace virn::sweep
