#include "support/poll_until.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <thread>

namespace virn::test {

namespace {

// Often enough for timers of a few milliseconds, seldom enough that a waiting
// test leaves the CPU to the threads and programs it waits for.
constexpr std::chrono::milliseconds kStep{2};

bool OnEventThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

// One step of waiting: Qt's events as they come, or a plain sleep.
class Waiter {
 public:
  explicit Waiter(WhileWaiting meanwhile) : events_(meanwhile == WhileWaiting::RunEvents && OnEventThread()) {
    if (!events_) return;
    // The ticks wake the blocked event loop, so that the condition is checked
    // even when nothing else happens.
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.start(kStep);
  }
  void Step() {
    if (events_) {
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    } else {
      std::this_thread::sleep_for(kStep / 2);
    }
  }

 private:
  bool events_;
  QTimer tick_;
};

}  // namespace

bool PollUntil(const std::function<bool()>& done, WhileWaiting meanwhile,
               std::chrono::milliseconds deadline) {
  if (done()) return true;
  const QDeadlineTimer expiry(deadline);
  Waiter waiter(meanwhile);
  while (!done()) {
    if (expiry.hasExpired()) return done();
    waiter.Step();
  }
  return true;
}

void RunEventsFor(std::chrono::milliseconds period) {
  const QDeadlineTimer expiry(period);
  PollUntil([&] { return expiry.hasExpired(); }, WhileWaiting::RunEvents, period * 2);
}

}  // namespace virn::test
