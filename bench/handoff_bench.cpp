// How long a finished sweep waits before the main window's receiver has it: the
// time from the return of the read that delivered the 421st level byte to the
// start of the receiver in the main thread, through the real hand-off and the
// main thread's event loop, at the shortest sweep period.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>

#include "link/d2xx_unit.h"
#include "measure/draw_thread.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"

namespace {

using Clock = std::chrono::steady_clock;
using virn::link::FT_HANDLE;
using virn::link::FT_STATUS;

// Passes every call through and notes when the latest read that delivered a
// byte returned.
class ReadClock : public virn::link::D2xx {
 public:
  explicit ReadClock(virn::link::D2xx& inner) : inner_(inner) {}
  std::atomic<Clock::rep> lastByteAt{0};

  FT_STATUS FT_ListDevices(void* a, void* b, std::uint32_t f) override {
    return inner_.FT_ListDevices(a, b, f);
  }
  FT_STATUS FT_OpenEx(const void* a, std::uint32_t f, FT_HANDLE* h) override {
    return inner_.FT_OpenEx(a, f, h);
  }
  FT_STATUS FT_Close(FT_HANDLE h) override { return inner_.FT_Close(h); }
  FT_STATUS FT_Read(FT_HANDLE h, void* buffer, std::uint32_t n, std::uint32_t* got) override {
    const auto status = inner_.FT_Read(h, buffer, n, got);
    if (*got > 0) lastByteAt = Clock::now().time_since_epoch().count();
    return status;
  }
  FT_STATUS FT_Write(FT_HANDLE h, const void* b, std::uint32_t n, std::uint32_t* w) override {
    return inner_.FT_Write(h, b, n, w);
  }
  FT_STATUS FT_ResetDevice(FT_HANDLE h) override { return inner_.FT_ResetDevice(h); }
  FT_STATUS FT_SetTimeouts(FT_HANDLE h, std::uint32_t r, std::uint32_t w) override {
    return inner_.FT_SetTimeouts(h, r, w);
  }
  FT_STATUS FT_GetStatus(FT_HANDLE h, std::uint32_t* rx, std::uint32_t* tx, std::uint32_t* ev) override {
    return inner_.FT_GetStatus(h, rx, tx, ev);
  }

 private:
  virn::link::D2xx& inner_;
};

void BM_SweepHandOffLatency(benchmark::State& state) {
  virn::sim::SimBus bus;
  auto devices = virn::sim::PopulateTypicalBus(bus, {});
  ReadClock clock(bus);
  virn::link::D2XXUnit unit(clock);
  unit.ShowFTErrors = false;
  unit.Open_USB_Device_By_Serial_Number(std::string(virn::sim::kInstrumentSerial));
  unit.SetFTDeviceTimeouts(20, 20);

  virn::measure::TDrawThread thread(unit);
  std::atomic<Clock::rep> receivedAt{0};
  std::atomic<int> sweeps{0};
  thread.SetOnSweepDone([&](virn::measure::TDrawThread&) {
    const auto now = Clock::now().time_since_epoch().count();
    // Idle passes also come here; only a pass that read bytes since the last
    // one counts as a sweep.
    if (clock.lastByteAt.load() > receivedAt.load()) {
      receivedAt = now;
      ++sweeps;
    }
  });
  thread.PeriodIndex = 1;
  thread.Resume();
  thread.StartSweeps();
  for (auto _ : state) {
    const int before = sweeps.load();
    while (sweeps.load() == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const auto latency = Clock::duration(receivedAt.load() - clock.lastByteAt.load());
    state.SetIterationTime(std::chrono::duration<double>(latency).count());
  }
  thread.StopSweeps();
  thread.ClearOnSweepDone();
  thread.Terminate();
  thread.WaitFor();
  unit.CloseFTDevice();
}
BENCHMARK(BM_SweepHandOffLatency)->UseManualTime()->Iterations(30)->Unit(benchmark::kMicrosecond);

// CPU time of the whole process, all threads.
double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The process's CPU from its making to Report, per pass and as the share of one core.
struct CpuPerPass {
  double cpuBefore = ProcessCpuSeconds();
  Clock::time_point wallBefore = Clock::now();

  void Report(benchmark::State& state) const {
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    state.counters["cpu_us_per_pass"] = 1e6 * cpu / static_cast<double>(state.iterations());
    state.counters["cpu_percent"] = 100 * cpu / wall;
  }
};

// The least an idle pass can cost: a thread that sleeps 5 ms and wakes a
// waiting main thread through a mutex and a condition variable.
void BM_IdlePassFloor(benchmark::State& state) {
  std::mutex mutex;
  std::condition_variable woken;
  int passes = 0;
  bool stop = false;
  std::thread sleeper([&] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const std::lock_guard lock(mutex);
      if (stop) return;
      ++passes;
      woken.notify_one();
    }
  });
  const CpuPerPass meter;
  for (auto _ : state) {
    std::unique_lock lock(mutex);
    const int seen = passes;
    woken.wait(lock, [&] { return passes != seen; });
  }
  meter.Report(state);
  {
    const std::lock_guard lock(mutex);
    stop = true;
  }
  sleeper.join();
}
BENCHMARK(BM_IdlePassFloor)->Iterations(2000)->Unit(benchmark::kMillisecond);

// The same for the acquisition thread's idle passes through the real hand-off
// into the main thread's Qt event loop, with a receiver that does nothing.
void BM_IdlePassThroughTheHandOff(benchmark::State& state) {
  virn::sim::SimBus bus;
  auto devices = virn::sim::PopulateTypicalBus(bus, {});
  virn::link::D2XXUnit unit(bus);
  unit.ShowFTErrors = false;
  unit.Open_USB_Device_By_Serial_Number(std::string(virn::sim::kInstrumentSerial));
  virn::measure::TDrawThread thread(unit);
  std::atomic<int> passes{0};
  thread.SetOnSweepDone([&](virn::measure::TDrawThread&) { ++passes; });
  thread.Resume();
  const CpuPerPass meter;
  for (auto _ : state) {
    const int before = passes.load();
    // Blocks in the loop as the program's main thread does (the overload with
    // a time limit would spin).
    while (passes.load() == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  meter.Report(state);
  thread.ClearOnSweepDone();
  thread.Terminate();
  thread.WaitFor();
  unit.CloseFTDevice();
}
BENCHMARK(BM_IdlePassThroughTheHandOff)->Iterations(2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
