// What an idle pass costs beyond the hand-off itself: nothing is allocated on
// either thread. Every allocation of this test program is counted.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>

#include "measure/draw_thread.h"
#include "sim/sim_bus.h"
#include "support/poll_until.h"

namespace {
std::atomic<std::uint64_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t /*size*/) noexcept {
  std::free(block);
}

namespace virn::measure {
namespace {

// Runs the main thread's loop until `passes` reaches `count`; the loop itself
// allocates nothing, unlike a waiting helper taking a std::function.
bool RunUntil(const std::atomic<int>& passes, int count) {
  const auto deadline = std::chrono::steady_clock::now() + test::kHangDeadline;
  while (passes.load() < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

TEST(IdlePass, AllocatesNothingOnEitherThread) {
  sim::SimBus bus;
  link::D2XXUnit unit(bus);
  TDrawThread thread(unit);
  std::atomic<int> passes{0};
  thread.SetOnSweepDone([&](TDrawThread&) { ++passes; });
  thread.Resume();
  // The first passes may set up the loop's own structures.
  ASSERT_TRUE(RunUntil(passes, 5));
  const std::uint64_t before = allocations.load();
  ASSERT_TRUE(RunUntil(passes, passes.load() + 50));
  EXPECT_EQ(allocations.load() - before, 0u);
}

}  // namespace
}  // namespace virn::measure
