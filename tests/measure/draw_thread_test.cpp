#include "measure/draw_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "link/command_frame.h"
#include "support/poll_until.h"

namespace virn::measure {
namespace {

using namespace std::chrono_literals;

// A thread-safe scripted device: frames written are recorded, reads take bytes
// from a queue and otherwise time out after a short while.
class ScriptedDevice : public link::D2xx {
 public:
  std::function<void(int readNumber)> onRead;  // runs before each read, on the reading thread

  void Queue(std::vector<std::uint8_t> bytes) {
    std::lock_guard lock(m_);
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  }
  std::vector<link::Command> Frames() const {
    std::lock_guard lock(m_);
    return frames_;
  }
  int Reads() const { return reads_.load(); }

  link::FT_STATUS FT_ListDevices(void*, void*, std::uint32_t) override { return link::FT_OK; }
  link::FT_STATUS FT_OpenEx(const void*, std::uint32_t, link::FT_HANDLE* h) override {
    *h = 1;
    return link::FT_OK;
  }
  link::FT_STATUS FT_Close(link::FT_HANDLE) override { return link::FT_OK; }
  link::FT_STATUS FT_Read(link::FT_HANDLE, void* buffer, std::uint32_t n, std::uint32_t* got) override {
    const int number = ++reads_;
    if (onRead) onRead(number);
    *got = 0;
    {
      std::lock_guard lock(m_);
      auto* out = static_cast<std::uint8_t*>(buffer);
      while (*got < n && !queue_.empty()) {
        out[(*got)++] = queue_.front();
        queue_.pop_front();
      }
    }
    if (*got < n) std::this_thread::sleep_for(1ms);  // the read time-out
    return link::FT_OK;
  }
  link::FT_STATUS FT_Write(link::FT_HANDLE, const void* buffer, std::uint32_t n,
                           std::uint32_t* done) override {
    std::lock_guard lock(m_);
    link::Frame frame{};
    std::copy_n(static_cast<const std::uint8_t*>(buffer), std::min<std::uint32_t>(n, 5), frame.begin());
    frames_.push_back(link::DecodeFrame(frame));
    *done = n;
    return link::FT_OK;
  }
  link::FT_STATUS FT_ResetDevice(link::FT_HANDLE) override { return link::FT_OK; }
  link::FT_STATUS FT_SetTimeouts(link::FT_HANDLE, std::uint32_t, std::uint32_t) override {
    return link::FT_OK;
  }
  link::FT_STATUS FT_GetStatus(link::FT_HANDLE, std::uint32_t* a, std::uint32_t* b,
                               std::uint32_t* c) override {
    *a = *b = *c = 0;
    return link::FT_OK;
  }

 private:
  mutable std::mutex m_;
  std::deque<std::uint8_t> queue_;
  std::vector<link::Command> frames_;
  std::atomic<int> reads_{0};
};

// Runs the hand-off call right away on the acquisition thread, so a test can
// follow passes without an event loop.
TDrawThread::Poster Immediate() {
  return [](std::function<void()> call) { call(); };
}

struct ThreadFixture : ::testing::Test {
  ScriptedDevice device;
  link::D2XXUnit unit{device};
  std::mutex m;
  std::vector<std::chrono::milliseconds> waits;
  std::atomic<int> passes{0};

  ThreadFixture() {
    unit.ShowFTErrors = false;
    unit.Open_USB_Device_By_Serial_Number("X");
  }
  void Observe(TDrawThread& thread) {
    thread.SetSleeper([this](std::chrono::milliseconds d) {
      {
        std::lock_guard lock(m);
        waits.push_back(d);
      }
      std::this_thread::sleep_for(1ms);
    });
    thread.SetOnSweepDone([this](TDrawThread&) { ++passes; });
  }
  std::vector<std::chrono::milliseconds> Waits() {
    std::lock_guard lock(m);
    return waits;
  }
  // Sweeps until 421 reads have been made, then ends the thread.
  void RunOneSweep(TDrawThread& thread) {
    std::atomic<bool> swept{false};
    thread.SetOnSweepDone([&](TDrawThread& t) {
      if (device.Reads() >= 421) {
        swept = true;
        t.StopSweeps();
      }
    });
    thread.StartSweeps();
    thread.Resume();
    EXPECT_TRUE(test::PollUntil([&] { return swept.load(); }, test::WhileWaiting::Sleep));
    thread.Terminate();
    thread.WaitFor();
  }
};

std::vector<std::uint8_t> Ramp(int count, int from = 0) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>((from + i) % 256));
  return bytes;
}

TEST(SweepWaitTest, DelayFollowsThePeriodIndexOtherwiseAHundredMilliseconds) {
  ScriptedDevice device;
  link::D2XXUnit unit(device);
  TDrawThread thread(unit, Immediate());
  const std::int64_t delayed[] = {402, 802, 1202, 1602};
  for (int index = 1; index <= 4; ++index) {
    thread.PeriodIndex = index;
    thread.DelayOn = true;
    EXPECT_EQ(thread.SweepWait().count(), delayed[index - 1]);
    thread.DelayOn = false;
    EXPECT_EQ(thread.SweepWait().count(), 100);
  }
}

TEST_F(ThreadFixture, IdleAndHeldPassesSendNothingAndStillHandOver) {
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  thread.Resume();
  ASSERT_TRUE(test::PollUntil([&] { return passes >= 5; }, test::WhileWaiting::Sleep));
  thread.StartSweeps();
  thread.Paused = true;
  const int before = passes;
  ASSERT_TRUE(test::PollUntil([&] { return passes >= before + 5; }, test::WhileWaiting::Sleep));
  thread.Terminate();
  thread.WaitFor();
  EXPECT_TRUE(device.Frames().empty());
  for (auto w : Waits()) EXPECT_EQ(w.count(), 5);
}

TEST_F(ThreadFixture, ASweepSendsTheCommandWaitsAndReads421Levels) {
  device.Queue(Ramp(421, 10));
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  thread.PeriodIndex = 3;
  thread.DelayOn = true;
  std::atomic<bool> swept{false};
  thread.SetOnSweepDone([&](TDrawThread& t) {
    if (t.Running && device.Reads() >= 421) {
      swept = true;
      t.StopSweeps();
    }
  });
  thread.StartSweeps();
  thread.Resume();
  ASSERT_TRUE(test::PollUntil([&] { return swept.load(); }, test::WhileWaiting::Sleep));
  thread.Terminate();
  thread.WaitFor();
  ASSERT_GE(device.Frames().size(), 1u);
  EXPECT_EQ(device.Frames()[0], (link::Command{7, 1}));
  ASSERT_FALSE(Waits().empty());
  EXPECT_EQ(Waits()[0].count(), 1202);
  for (int i = kFirstSample; i <= kLastSample; ++i)
    ASSERT_EQ(thread.Sample(i), (10 + i - kFirstSample) % 256) << i;
}

TEST_F(ThreadFixture, OnlyAWholeSweepCountsAsCompleted) {
  device.Queue(Ramp(421, 3));
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  thread.Resume();
  ASSERT_TRUE(test::PollUntil([&] { return passes >= 3; }, test::WhileWaiting::Sleep));
  EXPECT_EQ(thread.CompletedSweeps(), 0u) << "idle passes";
  std::vector<std::uint64_t> seen;
  std::atomic<bool> swept{false};
  thread.SetOnSweepDone([&](TDrawThread& t) {
    seen.push_back(t.CompletedSweeps());
    if (t.CompletedSweeps() == 1) {
      // The levels of the sweep that made the count grow are all there.
      EXPECT_EQ(t.Sample(kLastSample), (3 + 420) % 256);
      swept = true;
      t.StopSweeps();
    }
  });
  thread.StartSweeps();
  ASSERT_TRUE(test::PollUntil([&] { return swept.load(); }, test::WhileWaiting::Sleep));
  thread.Terminate();
  thread.WaitFor();
  EXPECT_EQ(thread.CompletedSweeps(), 1u);
  EXPECT_EQ(thread.MissedLevels(), 0u);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 1u);
}

TEST_F(ThreadFixture, AStoppedPassIsNotCompleted) {
  device.Queue(Ramp(421, 50));
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  device.onRead = [&](int number) {
    if (number == 10) thread.StopSweeps();
  };
  thread.StartSweeps();
  thread.Resume();
  ASSERT_TRUE(
      test::PollUntil([&] { return device.Reads() >= 10 && passes >= 2; }, test::WhileWaiting::Sleep));
  thread.Terminate();
  thread.WaitFor();
  EXPECT_EQ(thread.CompletedSweeps(), 0u);
}

TEST_F(ThreadFixture, AMissingLevelRepeatsTheLastByteReceived) {
  device.Queue(Ramp(200, 1));  // the other 221 never come
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  RunOneSweep(thread);
  EXPECT_EQ(thread.Sample(kFirstSample + 199), 200);
  EXPECT_EQ(thread.Sample(kFirstSample + 200), 200);
  EXPECT_EQ(thread.Sample(kLastSample), 200);
  EXPECT_EQ(thread.CompletedSweeps(), 1u);
  EXPECT_EQ(thread.MissedLevels(), 221u);
}

TEST_F(ThreadFixture, StopDuringTheReadsEndsThePassBeforeTheNextReadAndHandsOver) {
  device.Queue(Ramp(421, 50));
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  std::atomic<bool> stoppedPassHandedOver{false};
  device.onRead = [&](int number) {
    if (number == 100) thread.StopSweeps();
  };
  thread.SetOnSweepDone([&](TDrawThread& t) {
    if (!t.Running && device.Reads() >= 100) stoppedPassHandedOver = true;
  });
  thread.StartSweeps();
  thread.Resume();
  ASSERT_TRUE(test::PollUntil([&] { return stoppedPassHandedOver.load(); }, test::WhileWaiting::Sleep));
  thread.Terminate();
  thread.WaitFor();
  EXPECT_EQ(device.Reads(), 100);
  EXPECT_EQ(device.Frames().size(), 1u);
  EXPECT_EQ(thread.Sample(kFirstSample + 99), 50 + 99);
  EXPECT_EQ(thread.Sample(kFirstSample + 100), 0);  // not read: keeps its earlier value
}

// Stop and Start inside one sweep wait (a quick restart, or a lost instrument
// found again while the wait runs): the pass in flight must not read on for a
// sweep whose request went to a reset device; the next pass asks afresh.
TEST_F(ThreadFixture, StopAndStartDuringTheSweepWaitAbandonThePassInFlight) {
  TDrawThread thread(unit, Immediate());
  std::atomic<int> sweepWaits{0};
  thread.SetSleeper([&](std::chrono::milliseconds) {
    if (++sweepWaits == 1) {
      thread.StopSweeps();
      thread.StartSweeps();
    }
    std::this_thread::sleep_for(1ms);
  });
  std::atomic<int> readsAtFirstHandOff{-1};
  std::atomic<int> handOffs{0};
  thread.SetOnSweepDone([&](TDrawThread& t) {
    if (++handOffs == 1) readsAtFirstHandOff = device.Reads();
    if (device.Frames().size() >= 2) t.StopSweeps();
  });
  thread.StartSweeps();
  thread.Resume();
  ASSERT_TRUE(test::PollUntil([&] { return device.Frames().size() >= 2; }, test::WhileWaiting::Sleep));
  thread.Terminate();
  thread.WaitFor();
  EXPECT_EQ(readsAtFirstHandOff.load(), 0);
  EXPECT_EQ(device.Frames()[1].opcode, link::opcode::kTakeSweep);
}

TEST_F(ThreadFixture, DetachedReceiverIsNotCalledButPassesGoOn) {
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  thread.Resume();
  ASSERT_TRUE(test::PollUntil([&] { return passes >= 2; }, test::WhileWaiting::Sleep));
  thread.ClearOnSweepDone();
  const int after = passes;
  const auto waitsBefore = Waits().size();
  ASSERT_TRUE(test::PollUntil([&] { return Waits().size() >= waitsBefore + 5; }, test::WhileWaiting::Sleep));
  thread.Terminate();
  thread.WaitFor();
  EXPECT_LE(passes.load(), after + 1);  // at most the hand-off already under way
}

TEST_F(ThreadFixture, TheRealHandOffRunsTheReceiverInTheMainThread) {
  TDrawThread thread(unit);
  std::atomic<int> inMain{0};
  std::atomic<int> elsewhere{0};
  const auto mainThread = std::this_thread::get_id();
  thread.SetOnSweepDone(
      [&](TDrawThread&) { (std::this_thread::get_id() == mainThread ? inMain : elsewhere)++; });
  thread.Resume();
  EXPECT_TRUE(test::PollUntil([&] { return inMain >= 10; }));
  EXPECT_EQ(elsewhere.load(), 0);
}

// Runs `work` and ends the test program as a failure when it has not ended
// within `limit`: a deadlocked thread can be neither joined nor left behind
// (it uses the test's objects), and waiting on it would turn the failure into
// a hang. The work runs on a detached thread for that reason, not in
// std::async, whose future would wait for it on destruction.
void ExpectEnds(const std::function<void()>& work,
                std::chrono::milliseconds limit = std::chrono::minutes(1)) {
  auto finished = std::make_shared<std::promise<void>>();
  std::future<void> done = finished->get_future();
  std::thread([work, finished] {
    work();
    finished->set_value();
  }).detach();
  if (done.wait_for(limit) != std::future_status::ready) {
    std::fprintf(stderr, "deadlock: the work did not end within %lld ms\n",
                 static_cast<long long>(limit.count()));
    std::fflush(nullptr);
    std::_Exit(1);
  }
}

TEST(ExpectEndsDeathTest, AWorkThatNeverEndsFailsTheTestInsteadOfHangingIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ExpectEnds(
                  [] {
                    std::promise<void> never;
                    never.get_future().wait();
                  },
                  std::chrono::milliseconds(100)),
              ::testing::ExitedWithCode(1), "deadlock");
}

// The acquisition thread may be inside a sweep, inside its sleep or blocked in
// the hand-off (the main thread not running its loop) when the window goes:
// destroying the thread must end it every time.
TEST_F(ThreadFixture, DestructionNeverDeadlocks) {
  ExpectEnds([this] {
    for (int round = 0; round < 30; ++round) {
      {
        // Blocked in the hand-off: nobody processes the queued call.
        TDrawThread thread(unit);
        thread.SetOnSweepDone([](TDrawThread&) {});
        thread.Resume();
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (round % 5)));
      }
      {
        // Inside the long wait after the sweep command.
        TDrawThread thread(unit);
        thread.DelayOn = true;
        thread.PeriodIndex = 4;
        thread.StartSweeps();
        thread.Resume();
        std::this_thread::sleep_for(std::chrono::microseconds(300 * (round % 4)));
      }
      {
        // Inside the reads, each of which times out.
        TDrawThread thread(unit, Immediate());
        thread.SetSleeper([](std::chrono::milliseconds) {});
        thread.SetOnSweepDone([](TDrawThread&) {});
        thread.StartSweeps();
        thread.Resume();
        std::this_thread::sleep_for(std::chrono::microseconds(500 * (round % 3)));
      }
    }
  });
}

TEST_F(ThreadFixture, QueuedHandOffsOfADestroyedThreadAreDropped) {
  std::atomic<int> calls{0};
  {
    TDrawThread thread(unit);
    thread.SetOnSweepDone([&](TDrawThread&) { ++calls; });
    thread.Resume();
    std::this_thread::sleep_for(20ms);  // a hand-off is queued and waiting
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(calls.load(), 0);
}

TEST_F(ThreadFixture, MaxSampleIsTheLargestLevelOfTheLatestSweep) {
  std::vector<std::uint8_t> levels(421, 20);
  levels[300] = 201;
  device.Queue(levels);
  TDrawThread thread(unit, Immediate());
  Observe(thread);
  EXPECT_EQ(thread.MaxSample(), 0);  // nothing measured yet
  RunOneSweep(thread);
  EXPECT_EQ(thread.MaxSample(), 201);
}

TEST_F(ThreadFixture, MaxSampleReadWhileTheThreadWritesSeesOnlyLevelsThatWereSent) {
  // Sweeps of all 16 and all 240 in turn: whatever mix a reading catches, its
  // largest level is one of the two, never a value made of parts of both.
  for (int sweep = 0; sweep < 40; ++sweep) device.Queue(std::vector<std::uint8_t>(421, sweep % 2 ? 240 : 16));
  TDrawThread thread(unit, Immediate());
  std::atomic<int> readings{0};
  // Each sweep starts only once the reader has looked again, so that the two
  // run side by side even when the machine gives the reader little time.
  thread.SetSleeper([&](std::chrono::milliseconds) {
    const int seen = readings.load();
    test::PollUntil([&] { return readings.load() > seen; }, test::WhileWaiting::Sleep);
  });
  thread.SetOnSweepDone([](TDrawThread&) {});
  thread.StartSweeps();
  thread.Resume();
  while (device.Reads() < 40 * 421) {
    const std::int32_t level = thread.MaxSample();
    ASSERT_TRUE(level == 0 || level == 16 || level == 240) << level;
    ++readings;
  }
  thread.Terminate();
  thread.WaitFor();
  EXPECT_GE(readings.load(), 40);
}

}  // namespace
}  // namespace virn::measure
