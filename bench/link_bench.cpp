// The link's per-call costs on the simulated bus: a command frame out, and the
// one-byte read the acquisition thread makes 421 times per sweep.
#include <benchmark/benchmark.h>

#include <memory>

#include "link/command_frame.h"
#include "link/d2xx_unit.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"

namespace {

struct OpenInstrument {
  virn::sim::SimBus bus;
  virn::link::D2XXUnit unit{bus};
  virn::sim::TypicalBus devices;
  OpenInstrument() {
    devices = virn::sim::PopulateTypicalBus(bus, {});
    unit.ShowFTErrors = false;
    unit.Open_USB_Device_By_Serial_Number(std::string(virn::sim::kInstrumentSerial));
    unit.SetFTDeviceTimeouts(20, 20);
  }
  ~OpenInstrument() { unit.CloseFTDevice(); }
};

void BM_EncodeFrame(benchmark::State& state) {
  std::int32_t arg = 0;
  for (auto _ : state) {
    auto frame = virn::link::EncodeFrame(3, ++arg);
    benchmark::DoNotOptimize(frame);
  }
}
BENCHMARK(BM_EncodeFrame);

void BM_SendFrame(benchmark::State& state) {
  OpenInstrument link;
  const auto frame = virn::link::EncodeFrame(5, 1);
  for (auto _ : state) benchmark::DoNotOptimize(link.unit.WriteBytes(frame));
}
BENCHMARK(BM_SendFrame);

// A version query and its 11-byte reply: what discovery pays per device.
void BM_VersionRoundTrip(benchmark::State& state) {
  OpenInstrument link;
  const auto query = virn::link::EncodeFrame(9, 0);
  for (auto _ : state) {
    link.unit.WriteBytes(query);
    benchmark::DoNotOptimize(link.unit.ReadFTDevice(11));
  }
}
BENCHMARK(BM_VersionRoundTrip);

}  // namespace
