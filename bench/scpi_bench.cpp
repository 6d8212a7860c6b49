// virn-scpi's speed on loopback against the simulated instrument: a TRAC?
// round trip (query out, 421 levels back), and sweeps a second of a
// client's INIT;*OPC?;TRAC? loop against the instrument's own rate in
// continuous sweeps. The server runs on a thread with its own event loop, as
// it runs on the main thread of virn-scpi; the client is a blocking socket.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "scpi/scpi_server.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"

namespace {

using Clock = std::chrono::steady_clock;

// The server and everything below it, on a thread of their own.
class ServerThread {
 public:
  ServerThread() {
    std::promise<quint16> started;
    auto port = started.get_future();
    // A QThread: Qt's timers (discovery, watchdog) run only on threads it started.
    thread_.reset(QThread::create([this, &started] { Run(started); }));
    thread_->start();
    port_ = port.get();
  }
  ~ServerThread() {
    stop_ = true;
    thread_->wait();
  }
  quint16 Port() const { return port_; }
  std::uint64_t SweepsComputed() const { return instrument_.load()->SweepsComputed(); }

 private:
  void Run(std::promise<quint16>& started) {
    virn::sim::SimBus bus;
    auto devices = virn::sim::PopulateTypicalBus(bus, {});
    instrument_ = devices.instrument.get();
    virn::link::D2XXUnit unit(bus);
    virn::measure::Settings settings;
    settings.delay = false;  // the sweep is read 100 ms after its command, at the shortest period
    virn::control::InstrumentController controller(unit, settings);
    virn::scpi::Session session(controller, unit, "bench");
    virn::scpi::Server server(session);
    server.Listen(QHostAddress::LocalHost, 0);
    controller.Begin();
    controller.DiscoveryTick();
    started.set_value(server.Port());
    // A real wait for events: a loop of processEvents with a time limit spins,
    // and the spinning thread starves the acquisition thread it measures.
    QEventLoop loop;
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&] {
      if (stop_) loop.quit();
    });
    stopCheck.start(20);
    loop.exec();
    server.Close();
    controller.Shutdown();
  }

  std::unique_ptr<QThread> thread_;
  std::atomic<bool> stop_{false};
  std::atomic<virn::sim::SimInstrument*> instrument_{nullptr};
  quint16 port_ = 0;
};

class Client {
 public:
  explicit Client(quint16 port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  ~Client() { ::close(fd_); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  std::string Query(const std::string& line) {
    const std::string out = line + "\n";
    if (::send(fd_, out.data(), out.size(), MSG_NOSIGNAL) < 0) return {};
    for (;;) {
      const std::size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string reply = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return reply;
      }
      char chunk[16384];
      const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
      if (got <= 0) return {};
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }

 private:
  int fd_;
  std::string buffer_;
};

void BM_TraceRoundTrip(benchmark::State& state) {
  ServerThread server;
  Client client(server.Port());
  while (client.Query("SYST:CONN?") != "1") std::this_thread::sleep_for(std::chrono::milliseconds(10));
  client.Query("INIT;*OPC?");
  std::size_t bytes = 0;
  for (auto _ : state) bytes += client.Query("TRAC?").size();
  state.counters["reply_bytes"] = static_cast<double>(bytes) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TraceRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Sweeps a second of the client's loop against those of continuous sweeps.
void BM_SweepLoopAgainstContinuous(benchmark::State& state) {
  ServerThread server;
  Client client(server.Port());
  while (client.Query("SYST:CONN?") != "1") std::this_thread::sleep_for(std::chrono::milliseconds(10));
  constexpr int kSweeps = 20;
  client.Query("INIT:CONT ON;*OPC?");
  // Timed from one sweep command to the one kSweeps later.
  std::uint64_t first = server.SweepsComputed();
  while (server.SweepsComputed() == first) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  first = server.SweepsComputed();
  auto begin = Clock::now();
  while (server.SweepsComputed() < first + kSweeps) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const double own = kSweeps / std::chrono::duration<double>(Clock::now() - begin).count();
  client.Query("ABOR;*OPC?");

  double loop = 0;
  for (auto _ : state) {
    first = server.SweepsComputed();
    begin = Clock::now();
    for (int i = 0; i < kSweeps; ++i) client.Query("INIT;*OPC?;TRAC?");
    loop = static_cast<double>(server.SweepsComputed() - first) /
           std::chrono::duration<double>(Clock::now() - begin).count();
  }
  state.counters["own_sweeps_per_s"] = own;
  state.counters["loop_sweeps_per_s"] = loop;
  state.counters["loop_share_pct"] = 100 * loop / own;
}
BENCHMARK(BM_SweepLoopAgainstContinuous)->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
