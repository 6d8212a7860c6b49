// The acquisition thread: for the main window's whole life it either idles or
// takes one sweep of 421 level bytes per pass, and after every pass hands the
// main thread its receiver and waits until the receiver has returned.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "link/d2xx_unit.h"

namespace virn::measure {

inline constexpr int kFirstSample = 35;
inline constexpr int kLastSample = 455;
inline constexpr int kSampleCount = kLastSample - kFirstSample + 1;

// The 421 levels of one sweep; element i belongs to plot column 35 + i.
using SampleArray = std::array<std::int32_t, kSampleCount>;

class TDrawThread {
 public:
  using Receiver = std::function<void(TDrawThread&)>;
  // Runs a call in the main thread some time later.
  using Poster = std::function<void(std::function<void()>)>;
  // Waits the given time unless the thread is asked to end first.
  using Sleeper = std::function<void(std::chrono::milliseconds)>;

  // Created suspended: nothing runs until Resume. Must be created and destroyed
  // in the main thread. Without a poster the hand-off wakes that thread's
  // loop through an event counter, which allocates nothing per pass.
  explicit TDrawThread(link::D2XXUnit& link, Poster poster = {});
  // Asks the loop to end and waits for it.
  ~TDrawThread();
  TDrawThread(const TDrawThread&) = delete;
  TDrawThread& operator=(const TDrawThread&) = delete;

  void Resume();
  void Terminate();  // asks the loop to end; a pass in progress ends at its next look
  void WaitFor();    // joins the loop

  void SetOnSweepDone(Receiver receiver);
  void ClearOnSweepDone();
  void SetLowestPriority(bool lowest) { lowestPriority_ = lowest; }
  // Replaces the waits of a pass (tests).
  void SetSleeper(Sleeper sleeper);

  void StartSweeps() { Running = true; }
  // Also abandons a pass in flight for good, even if Start follows before the
  // pass looks again: that pass's levels were dropped with the device's queue.
  void StopSweeps() {
    ++stops_;
    Running = false;
  }

  // Level i (35..455) of the latest sweep, 0..255. Safe from any thread; a
  // reader outside the hand-off may see levels of two consecutive sweeps.
  std::int32_t Sample(int i) const {
    return Samples[static_cast<std::size_t>(i - kFirstSample)].load(std::memory_order_relaxed);
  }

  // The 421 levels as they stand now (inside the hand-off: the latest sweep's).
  SampleArray Snapshot() const;

  // Sweep commands sent so far; each sweep is numbered by its command.
  std::uint64_t SweepsRequested() const { return requested_.load(); }
  // The number of the latest sweep read out whole; 0 before the first.
  std::uint64_t LatestCompletedRequest() const { return completedRequest_.load(); }

  // Passes that read all 421 levels of a sweep so far. A hand-off after which
  // it has grown brings a new whole sweep; idle, held and abandoned passes
  // leave it as it was.
  std::uint64_t CompletedSweeps() const { return completed_.load(); }
  // Levels of the latest completed sweep that did not arrive in time and
  // repeat the byte before them; 0 for a whole sweep.
  std::uint32_t MissedLevels() const { return missed_.load(); }

  // The largest of the 421 levels as they stand now: the level calibration's
  // reading. Each level is read whole; levels of two sweeps may mix.
  std::int32_t MaxSample() const;

  // The wait after the sweep command for the current DelayOn and PeriodIndex.
  std::chrono::milliseconds SweepWait() const;

  std::atomic<bool> Running{false};
  std::atomic<std::int32_t> PeriodIndex{0};
  std::atomic<bool> Paused{false};
  std::atomic<bool> DelayOn{false};

 private:
  using Clock = std::chrono::steady_clock;
  // How the pass after a hand-off began, as the main thread saw it when the
  // receiver returned: that is when the acquisition thread would have looked.
  struct NextPass {
    Clock::time_point begun;
    bool idle = true;
  };

  void Execute();
  void DoSweep();
  void HandOff();
  void RunReceiver(std::uint64_t generation);
  void RunPostedReceiver();
  void Wait(std::chrono::milliseconds duration);
  void WaitUntil(Clock::time_point deadline);
  bool ShouldEnd() const { return terminated_.load(); }

  link::D2XXUnit& link_;
  std::atomic<std::uint64_t> stops_{0};
  std::atomic<std::uint64_t> completed_{0};
  std::atomic<std::uint64_t> requested_{0};
  std::atomic<std::uint64_t> completedRequest_{0};
  std::atomic<std::uint32_t> missed_{0};
  std::array<std::atomic<std::int32_t>, kSampleCount> Samples{};

  // Queued hand-off calls go to this object: destroying it with the thread drops
  // any that are still pending, so none can reach a destroyed thread object.
  QObject handOffContext_;
  // The default hand-off: the acquisition thread counts up an eventfd, the
  // main thread's loop sees it readable.
  int handOffFd_ = -1;
  std::unique_ptr<QSocketNotifier> handOffNotifier_;
  Poster poster_;
  Sleeper sleeper_;
  bool lowestPriority_ = true;

  std::mutex mutex_;
  std::condition_variable wake_;
  Receiver onSweepDone_;
  std::uint64_t posted_ = 0;    // hand-offs asked for
  std::uint64_t finished_ = 0;  // hand-offs the main thread has completed
  // The acquisition thread waits for the hand-off's end and the next idle
  // pass's sleep in one: the main thread wakes it only when it asks to be
  // woken or the next pass sweeps.
  bool wakeWhenFinished_ = true;
  NextPass nextPass_;
  std::optional<NextPass> continued_;  // the acquisition thread's own
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

}  // namespace virn::measure
