// Timing on the emulated USB bus, through the real libftdi1 and libusb: how
// long a read on a silent chip takes and what it costs, when the last level of
// a sweep arrives, how soon a waiting read notices an unplug or a close, the
// main window's sweep period, watchdog and rediscovery, and what one
// discovery tick's listing costs while no instrument is connected. The tests check
// what happens; these print how fast. Needs umockdev's preload: the program
// starts itself again under umockdev-wrapper when it is missing.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QToolButton>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "app/main_form.h"
#include "app/status_bar.h"
#include "link/command_frame.h"
#include "link/d2xx_unit.h"
#include "link/ftdi_backend.h"
#include "sim/sim_factory.h"
#include "sim/sweep_model.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace {

using Clock = std::chrono::steady_clock;
using virn::link::FT_HANDLE;
using virn::link::FT_OK;
using virn::usbemu::EmulatedBus;
using virn::usbemu::InstrumentOnBus;
namespace opcode = virn::link::opcode;

constexpr std::uint32_t kLinkTimeoutMs = 20;  // what the program sets after the handshake

// One bus for the whole run: umockdev steers its preload through the process's environment.
EmulatedBus* bus = nullptr;
InstrumentOnBus plugged;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double CpuMs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

FT_HANDLE OpenInstrument(virn::link::FtdiBackend& backend) {
  FT_HANDLE handle = 0;
  const std::string serial(virn::sim::kInstrumentSerial);
  backend.FT_OpenEx(serial.c_str(), virn::link::FT_OPEN_BY_SERIAL_NUMBER, &handle);
  return handle;
}

void Send(virn::link::FtdiBackend& backend, FT_HANDLE handle, std::uint8_t code, std::int32_t argument) {
  const virn::link::Frame frame = virn::link::EncodeFrame(code, argument);
  std::uint32_t written = 0;
  backend.FT_Write(handle, frame.data(), frame.size(), &written);
}

std::uint32_t ReadSome(virn::link::FtdiBackend& backend, FT_HANDLE handle, std::uint32_t n,
                       virn::link::FT_STATUS* status = nullptr) {
  std::vector<std::uint8_t> bytes(n);
  std::uint32_t got = 0;
  const auto result = backend.FT_Read(handle, bytes.data(), n, &got);
  if (status != nullptr) *status = result;
  return got;
}

// A read of 8 bytes on a chip with nothing to say, at the program's 20 ms
// time-out: its length, the URBs it cycles, and the CPU it takes.
void BM_SilentChipRead(benchmark::State& state) {
  virn::link::FtdiBackend backend;
  FT_HANDLE handle = 0;
  const std::string serial = plugged.otherChips[0]->Serial();
  backend.FT_OpenEx(serial.c_str(), virn::link::FT_OPEN_BY_SERIAL_NUMBER, &handle);
  backend.FT_SetTimeouts(handle, kLinkTimeoutMs, kLinkTimeoutMs);
  const auto before = plugged.otherChips[0]->Traffic();
  const double threadStart = CpuMs(CLOCK_THREAD_CPUTIME_ID);
  const double processStart = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
  const auto wallStart = Clock::now();
  for (auto _ : state) {
    const auto start = Clock::now();
    ReadSome(backend, handle, 8);
    state.SetIterationTime(Seconds(Clock::now() - start));
  }
  const double wallMs = Seconds(Clock::now() - wallStart) * 1000.0;
  const auto after = plugged.otherChips[0]->Traffic();
  state.counters["urbs_per_read"] =
      static_cast<double>(after.reaped - before.reaped) / static_cast<double>(state.iterations());
  state.counters["reader_cpu_pct"] = 100.0 * (CpuMs(CLOCK_THREAD_CPUTIME_ID) - threadStart) / wallMs;
  state.counters["process_cpu_pct"] = 100.0 * (CpuMs(CLOCK_PROCESS_CPUTIME_ID) - processStart) / wallMs;
  backend.FT_Close(handle);
}
BENCHMARK(BM_SilentChipRead)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

// From the sweep request to the last of its 421 levels, read one byte at a
// time as the acquisition thread reads them, at the shortest period.
void BM_SweepLastLevel(benchmark::State& state) {
  virn::link::FtdiBackend backend;
  const FT_HANDLE handle = OpenInstrument(backend);
  backend.FT_ResetDevice(handle);
  backend.FT_SetTimeouts(handle, kLinkTimeoutMs, kLinkTimeoutMs);
  Send(backend, handle, opcode::kSweepSteps, 420);
  Send(backend, handle, opcode::kPeriod, 1);
  for (auto _ : state) {
    const auto start = Clock::now();
    Send(backend, handle, opcode::kTakeSweep, 1);
    int levels = 0;
    while (levels < virn::sim::kSweepPoints && Clock::now() - start < std::chrono::seconds(10))
      levels += static_cast<int>(ReadSome(backend, handle, 1));
    state.SetIterationTime(Seconds(Clock::now() - start));
  }
  state.counters["period_ms"] = static_cast<double>(virn::sim::SweepPeriod(1).count());
  backend.FT_Close(handle);
}
BENCHMARK(BM_SweepLastLevel)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// From the chip's unplug to the end of a read that waits on it without a
// time-out: on an idle chip (0) or in the middle of a sweep (1).
void BM_UnplugNotice(benchmark::State& state) {
  virn::link::FtdiBackend backend;
  for (auto _ : state) {
    const FT_HANDLE handle = OpenInstrument(backend);
    if (state.range(0) == 1) Send(backend, handle, opcode::kTakeSweep, 1);
    backend.FT_SetTimeouts(handle, 0, 50);
    auto read = std::async(std::launch::async, [&] {
      virn::link::FT_STATUS status = FT_OK;
      while (status == FT_OK) ReadSome(backend, handle, 1, &status);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto unplugged = Clock::now();
    bus->Unplug(*plugged.instrumentChip);
    read.wait();
    state.SetIterationTime(Seconds(Clock::now() - unplugged));
    backend.FT_Close(handle);
    bus->Replug(*plugged.instrumentChip);
  }
}
BENCHMARK(BM_UnplugNotice)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// From FT_Close to the end of a read that waits without a time-out.
void BM_CloseEndsWaitingRead(benchmark::State& state) {
  virn::link::FtdiBackend backend;
  for (auto _ : state) {
    const FT_HANDLE handle = OpenInstrument(backend);
    backend.FT_SetTimeouts(handle, 0, kLinkTimeoutMs);
    auto read = std::async(std::launch::async, [&] { ReadSome(backend, handle, 1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto closing = Clock::now();
    backend.FT_Close(handle);
    read.wait();
    state.SetIterationTime(Seconds(Clock::now() - closing));
  }
}
BENCHMARK(BM_CloseEndsWaitingRead)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The main window of `virn` on the bus, its timers run by this thread.
struct UsbWindow {
  virn::link::FtdiBackend backend;
  virn::link::D2XXUnit unit{backend};
  virn::app::TMainForm form{unit};

  UsbWindow() {
    form.show();
    Until([&] { return form.controller().Connected(); });
  }
  ~UsbWindow() { form.close(); }
  QString Panel0() { return form.statusBar()->panelText(0); }
  void Click(const char* name) { form.findChild<QToolButton*>(QString::fromLatin1(name))->click(); }
  // Runs the events until `done`, at most `limit`; the time it took.
  static Clock::duration Until(const std::function<bool()>& done,
                               Clock::duration limit = std::chrono::seconds(60)) {
    const auto start = Clock::now();
    while (!done() && Clock::now() - start < limit) QApplication::processEvents(QEventLoop::AllEvents, 1);
    return Clock::now() - start;
  }
};

// The time between the window's sweep requests at the shortest period, as
// the instrument received them.
void BM_WindowSweepPeriod(benchmark::State& state) {
  UsbWindow window;
  window.Click("KlSpeedButton1");
  const auto requests = [] { return plugged.instrument->State().sweepRequests; };
  for (auto _ : state) {
    const auto before = requests();
    UsbWindow::Until([&] { return requests() > before; });
    state.SetIterationTime(Seconds(UsbWindow::Until([&] { return requests() > before + 1; })));
  }
  window.Click("KlSpeedButton2");
}
BENCHMARK(BM_WindowSweepPeriod)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// From the unplug in mid-sweep to "Нет связи" with the window's own watchdog
// (every 5 s), then from the replug to "OK" with its discovery (every 100 ms).
void BM_WindowUnplugNotice(benchmark::State& state) {
  UsbWindow window;
  Clock::duration replugTotal{};
  for (auto _ : state) {
    window.Click("KlSpeedButton1");
    UsbWindow::Until([] { return false; }, std::chrono::milliseconds(500));
    bus->Unplug(*plugged.instrumentChip);
    state.SetIterationTime(
        Seconds(UsbWindow::Until([&] { return window.Panel0() == QStringLiteral("Нет связи"); })));
    bus->Replug(*plugged.instrumentChip);
    replugTotal += UsbWindow::Until([&] { return window.Panel0() == QStringLiteral("OK"); });
  }
  state.counters["replug_to_ok_ms"] = Seconds(replugTotal) * 1000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WindowUnplugNotice)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// One discovery tick of `virn` while no instrument is connected, as far as
// the listing goes: the count, then the serial number of every device counted.
// Nothing is plugged in (0), or one chip that is not the instrument (1); the
// listing as the program keeps it (0), or with a fresh look at the bus on every
// call (1), which the program makes once a second. The CPU figure is the whole
// process's, the emulation's thread included.
void BM_DiscoveryTickListing(benchmark::State& state) {
  std::vector<virn::usbemu::EmulatedChip*> left{plugged.instrumentChip, plugged.otherChips[0]};
  if (state.range(0) == 1) left.pop_back();
  for (auto* chip : left) bus->Unplug(*chip);
  virn::link::FtdiBackend backend(state.range(1) == 1 ? std::chrono::milliseconds(0)
                                                      : virn::link::detail::DeviceListing::kLookAtLeastEvery);
  const auto tick = [&backend] {
    std::uint32_t count = 0;
    backend.FT_ListDevices(&count, nullptr, virn::link::FT_LIST_NUMBER_ONLY);
    std::array<char, virn::link::kSerialListingSize> serial{};
    for (std::uintptr_t i = 0; i < count; ++i) {
      backend.FT_ListDevices(reinterpret_cast<void*>(i), serial.data(),  // NOLINT(performance-no-int-to-ptr)
                             virn::link::FT_LIST_BY_INDEX | virn::link::FT_OPEN_BY_SERIAL_NUMBER);
    }
    return count;
  };
  // The program's first tick may set things up that later ticks reuse.
  std::uint32_t listed = tick();
  for (auto _ : state) listed = tick();
  state.counters["devices"] = listed;
  for (auto* chip : left) bus->Replug(*chip);
}
BENCHMARK(BM_DiscoveryTickListing)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!EmulatedBus::PreloadActive()) {
    std::vector<char*> args{const_cast<char*>("umockdev-wrapper")};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::perror("bench_usb: umockdev-wrapper (scripts/setup-debian.sh installs umockdev)");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  EmulatedBus emulated;
  bus = &emulated;
  plugged = virn::usbemu::PlugInstrumentBehind(emulated);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  plugged = {};
  return 0;
}
