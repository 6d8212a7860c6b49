// The session's end as the program sees it: each of the signals closes the
// window once, however many come, and the handlers the program found are put
// back afterwards.
#include "app/session_end.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "support/poll_until.h"

namespace virn::app {
namespace {

// A handler for one signal for the test's scope, the one found before put back
// even when an assertion ends the test early.
class ScopedHandler {
 public:
  ScopedHandler(int signalNumber, void (*handler)(int)) : signal_(signalNumber) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    EXPECT_EQ(sigaction(signal_, &action, &before_), 0);
  }
  ~ScopedHandler() { sigaction(signal_, &before_, nullptr); }
  ScopedHandler(const ScopedHandler&) = delete;
  ScopedHandler& operator=(const ScopedHandler&) = delete;

 private:
  int signal_;
  struct sigaction before_ {};
};

TEST(SessionEnd, EachSessionSignalClosesOnceHoweverManyCome) {
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    int closes = 0;
    const SessionEnd sessionEnd([&closes] { ++closes; });
    ASSERT_EQ(std::raise(signalNumber), 0);
    EXPECT_TRUE(test::PollUntil([&] { return closes > 0; })) << "signal " << signalNumber;
    EXPECT_EQ(closes, 1) << "signal " << signalNumber;
    // More signals while the window closes: the process lives on, nothing closes twice.
    for (int again = 0; again < 3; ++again) ASSERT_EQ(std::raise(SIGTERM), 0);
    test::RunEventsFor(std::chrono::milliseconds(50));
    EXPECT_EQ(closes, 1) << "signal " << signalNumber;
  }
}

TEST(SessionEnd, ASignalBeforeListeningIsKeptForTheLoopEvenWhenTheShellIgnoredIt) {
  // A program started in the background by a shell inherits SIGINT ignored.
  const ScopedHandler ignored(SIGINT, SIG_IGN);
  int closes = 0;
  SessionEnd sessionEnd([&closes] { ++closes; }, false);
  ASSERT_EQ(std::raise(SIGINT), 0);
  test::RunEventsFor(std::chrono::milliseconds(50));
  EXPECT_EQ(closes, 0) << "nothing while the program starts";
  sessionEnd.Listen();
  EXPECT_TRUE(test::PollUntil([&] { return closes > 0; }));
}

// The kernel gives a signal sent to the process to any thread that does not
// block it, and a runtime may hold a handler back until that thread's next
// library call, which an idle worker may never make: only the loop takes them.
TEST(SessionEnd, ThreadsStartedAfterItNeverTakeTheSignals) {
  const SessionEnd sessionEnd([] {});
  sigset_t mask;
  std::thread([&mask] { pthread_sigmask(SIG_SETMASK, nullptr, &mask); }).join();
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    EXPECT_EQ(sigismember(&mask, signalNumber), 1) << "signal " << signalNumber;
  }
}

TEST(SessionEnd, ASignalTakenByAThreadStartedBeforeReachesTheLoop) {
  std::atomic<bool> go{false};
  std::thread before([&go] {
    while (!go.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::raise(SIGHUP);
  });
  int closes = 0;
  {
    const SessionEnd sessionEnd([&closes] { ++closes; });
    go.store(true);
    before.join();
    EXPECT_TRUE(test::PollUntil([&] { return closes > 0; }));
  }
  EXPECT_EQ(closes, 1);
}

int handled = 0;
extern "C" void CountSignal(int) {
  ++handled;
}

TEST(SessionEnd, TheHandlersFoundBeforeAreBackAfterwards) {
  const ScopedHandler own(SIGHUP, CountSignal);
  {
    int closes = 0;
    const SessionEnd sessionEnd([&closes] { ++closes; });
    ASSERT_EQ(std::raise(SIGHUP), 0);
    EXPECT_TRUE(test::PollUntil([&] { return closes > 0; }));
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(closes, 1);
  }
  ASSERT_EQ(std::raise(SIGHUP), 0);
  EXPECT_EQ(handled, 1);
}

}  // namespace
}  // namespace virn::app
