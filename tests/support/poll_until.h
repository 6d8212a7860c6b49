// Waiting in a test for something to happen: the condition is checked until it
// holds, and the deadline is there only to turn a hang into a failure. It is
// far beyond what any run needs, sanitizers and a busy machine included, so a
// slow machine never fails a test; how fast things are is for bench/.
#pragma once

#include <chrono>
#include <functional>

namespace virn::test {

inline constexpr std::chrono::milliseconds kHangDeadline{60000};
// The same for Qt's waits that take milliseconds (QProcess::waitForFinished).
inline constexpr int kHangMs = static_cast<int>(kHangDeadline.count());

// What the waiting thread does between two checks.
enum class WhileWaiting {
  RunEvents,  // the thread's Qt events: timers, queued calls, process output
  Sleep,      // nothing: for conditions other threads make true on their own
};

// Checks `done` until it holds (true) or the deadline has passed (false).
bool PollUntil(const std::function<bool()>& done, WhileWaiting meanwhile = WhileWaiting::RunEvents,
               std::chrono::milliseconds deadline = kHangDeadline);

// Runs the thread's events for a while: for the few checks that something
// does NOT happen, where there is no condition to wait for.
void RunEventsFor(std::chrono::milliseconds period);

}  // namespace virn::test
