// The stop signals read on the event loop instead of ending the process, and
// their usual action back once the reader is gone.
#include "sweep/stop_signals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <csignal>
#include <vector>

#include "support/poll_until.h"

namespace virn::sweep {
namespace {

std::vector<int> Deliver(const std::vector<int>& signalNumbers) {
  std::vector<int> got;
  const StopSignals stopSignals([&](int number) { got.push_back(number); });
  for (const int number : signalNumbers) std::raise(number);
  test::PollUntil([&] { return got.size() >= signalNumbers.size(); });
  return got;
}

TEST(StopSignals, EachSignalReachesTheCallbackOnTheLoop) {
  EXPECT_EQ(Deliver({SIGTERM}), std::vector<int>{SIGTERM});
  EXPECT_EQ(Deliver({SIGINT}), std::vector<int>{SIGINT});
  EXPECT_EQ(Deliver({SIGHUP}), std::vector<int>{SIGHUP});
}

TEST(StopSignals, TheSignalsAreUnblockedAgainAfterwards) {
  {
    const StopSignals stopSignals([](int) {});
  }
  sigset_t blocked;
  sigemptyset(&blocked);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, nullptr, &blocked), 0);
  EXPECT_FALSE(sigismember(&blocked, SIGINT));
  EXPECT_FALSE(sigismember(&blocked, SIGTERM));
  EXPECT_FALSE(sigismember(&blocked, SIGHUP));
}

}  // namespace
}  // namespace virn::sweep
