#include "measure/draw_thread.h"

#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>

#include <algorithm>
#include <array>

#include "link/instrument_link.h"

namespace virn::measure {

namespace {
constexpr std::chrono::milliseconds kIdleSleep{5};
// How long past the idle sleep the acquisition thread may sleep on so that one
// wake-up ends both the hand-off and the next idle pass's sleep: the main
// thread's usual time to run an idle receiver, with room.
constexpr std::chrono::microseconds kReceiverAllowance{250};
constexpr std::chrono::milliseconds kShortWait{100};
// Niceness of the acquisition thread: the lowest ordinary priority short of idle,
// so the window stays responsive while it reads.
constexpr int kLowPriorityNice = 10;
}  // namespace

TDrawThread::TDrawThread(link::D2XXUnit& link, Poster poster) : link_(link), poster_(std::move(poster)) {
  if (poster_) return;
  if (QAbstractEventDispatcher::instance() != nullptr) handOffFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (handOffFd_ >= 0) {
    handOffNotifier_ = std::make_unique<QSocketNotifier>(handOffFd_, QSocketNotifier::Read);
    QObject::connect(handOffNotifier_.get(), &QSocketNotifier::activated, &handOffContext_,
                     [this] { RunPostedReceiver(); });
    return;
  }
  // No event loop in this thread (or no eventfd): queued calls, which a loop
  // started later still delivers.
  poster_ = [this](std::function<void()> call) {
    QMetaObject::invokeMethod(&handOffContext_, std::move(call), Qt::QueuedConnection);
  };
}

TDrawThread::~TDrawThread() {
  Terminate();
  WaitFor();
  handOffNotifier_.reset();
  if (handOffFd_ >= 0) close(handOffFd_);
}

void TDrawThread::Resume() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { Execute(); });
}

void TDrawThread::Terminate() {
  {
    std::lock_guard lock(mutex_);
    terminated_ = true;
  }
  wake_.notify_all();
}

void TDrawThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TDrawThread::SetOnSweepDone(Receiver receiver) {
  std::lock_guard lock(mutex_);
  onSweepDone_ = std::move(receiver);
}

void TDrawThread::ClearOnSweepDone() {
  std::lock_guard lock(mutex_);
  onSweepDone_ = nullptr;
}

void TDrawThread::SetSleeper(Sleeper sleeper) {
  sleeper_ = std::move(sleeper);
}

std::int32_t TDrawThread::MaxSample() const {
  std::int32_t largest = Samples.front().load(std::memory_order_relaxed);
  for (const auto& sample : Samples) largest = std::max(largest, sample.load(std::memory_order_relaxed));
  return largest;
}

SampleArray TDrawThread::Snapshot() const {
  SampleArray samples;
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = Samples[i].load(std::memory_order_relaxed);
  return samples;
}

std::chrono::milliseconds TDrawThread::SweepWait() const {
  if (!DelayOn.load()) return kShortWait;
  return std::chrono::milliseconds(PeriodIndex.load() * 400 + 2);
}

void TDrawThread::Wait(std::chrono::milliseconds duration) {
  if (sleeper_) {
    sleeper_(duration);
    return;
  }
  WaitUntil(Clock::now() + duration);
}

void TDrawThread::WaitUntil(Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  if (Clock::now() < deadline) wake_.wait_until(lock, deadline, [this] { return terminated_.load(); });
}

void TDrawThread::Execute() {
  if (lowestPriority_) setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kLowPriorityNice);
  while (!ShouldEnd()) {
    DoSweep();
    HandOff();
  }
}

void TDrawThread::DoSweep() {
  if (continued_ && continued_->idle) {
    // An idle pass that began when the receiver returned (the main thread
    // looked then): its sleep has mostly gone by in the hand-off's wait.
    const Clock::time_point begun = continued_->begun;
    continued_.reset();
    WaitUntil(begun + kIdleSleep);
    return;
  }
  // A pass that sweeps looks again itself: a Stop may have come since.
  continued_.reset();
  // Taken before Running is looked at, so that no Stop can fall in between unseen.
  const std::uint64_t run = stops_.load();
  if (!Running.load() || Paused.load()) {
    Wait(kIdleSleep);
    return;
  }
  const std::uint64_t request = ++requested_;
  link::SendCommand(link_, link::opcode::kTakeSweep, 1);
  Wait(SweepWait());
  std::array<std::uint8_t, 1> level{};
  std::uint32_t missed = 0;
  for (std::size_t i = 0; i < Samples.size(); ++i) {
    // A Stop and Start during the wait leave Running set, but the request was
    // lost with the reset: reading on would only wait out 421 time-outs.
    if (!Running.load() || stops_.load() != run || ShouldEnd()) return;
    // A byte that does not come leaves the buffer as it was: the sample repeats
    // the last byte received.
    if (link_.ReadBytes(level) == 0) ++missed;
    Samples[i].store(level[0], std::memory_order_relaxed);
  }
  missed_ = missed;
  completedRequest_ = request;
  ++completed_;
}

void TDrawThread::HandOff() {
  // With the real waits, this thread sleeps through the hand-off and the next
  // idle pass's 5 ms at once, unless the receiver is slow or the next pass sweeps.
  const bool combined = !sleeper_;
  std::uint64_t generation = 0;
  {
    std::lock_guard lock(mutex_);
    // After the window has detached itself nothing more is handed over.
    if (!onSweepDone_ || terminated_) return;
    generation = ++posted_;
    wakeWhenFinished_ = !combined;
  }
  if (poster_) {
    poster_([this, generation] { RunReceiver(generation); });
  } else {
    const std::uint64_t one = 1;
    // Fails only with the counter full, which the main thread still sees readable.
    [[maybe_unused]] const ssize_t written = write(handOffFd_, &one, sizeof one);
  }
  std::unique_lock lock(mutex_);
  const auto finished = [&] { return finished_ >= generation || terminated_.load(); };
  if (combined) {
    const auto until = finished_ >= generation ? nextPass_.begun + kIdleSleep
                                               : Clock::now() + kIdleSleep + kReceiverAllowance;
    wake_.wait_until(lock, until,
                     [&] { return terminated_.load() || (finished_ >= generation && !nextPass_.idle); });
    // Late: from now on the receiver's return wakes this thread.
    wakeWhenFinished_ = true;
  }
  // Ending the thread releases this wait too: the main thread may be waiting for
  // this thread to finish and then never runs the queued call.
  wake_.wait(lock, finished);
  if (combined && finished_ >= generation) continued_ = nextPass_;
}

void TDrawThread::RunPostedReceiver() {
  std::uint64_t count = 0;
  if (read(handOffFd_, &count, sizeof count) < 0) return;  // nothing posted
  std::uint64_t generation = 0;
  {
    std::lock_guard lock(mutex_);
    generation = posted_;
  }
  RunReceiver(generation);
}

void TDrawThread::RunReceiver(std::uint64_t generation) {
  Receiver receiver;
  {
    std::lock_guard lock(mutex_);
    if (!terminated_) receiver = onSweepDone_;
  }
  if (receiver) receiver(*this);
  bool wake = true;
  {
    std::lock_guard lock(mutex_);
    finished_ = generation;
    // The acquisition thread's next look, taken now, when it would have taken it.
    nextPass_.begun = Clock::now();
    nextPass_.idle = !Running.load() || Paused.load();
    wake = wakeWhenFinished_ || !nextPass_.idle;
  }
  if (wake) wake_.notify_all();
}

}  // namespace virn::measure
