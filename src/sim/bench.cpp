#include "sim/bench.h"

#include <cmath>
#include <type_traits>
#include <utility>

namespace virn::sim {

namespace {

// "Nothing connected": what leaks across an open input is far below any floor.
constexpr double kOpenInputDb = -200;

NetworkModel NetworkFor(DeviceUnderTest dut) {
  switch (dut) {
    case DeviceUnderTest::Through:
      return ThroughLine();
    case DeviceUnderTest::Attenuator12:
      return Attenuator(-12);
    case DeviceUnderTest::Attenuator40:
      return Attenuator(-40);
    case DeviceUnderTest::Open:
      return Attenuator(kOpenInputDb);
    case DeviceUnderTest::BandPass:
    case DeviceUnderTest::Carrier:
      break;
  }
  return BandPassFilter();
}

}  // namespace

Bench::Bench(SimBus& bus, std::shared_ptr<SimInstrument> instrument)
    : bus_(bus), instrument_(std::move(instrument)) {
  instrument_->SetClockFactor(1.0 + clockPpm_ * 1e-6);
  applyInput();
}

bool Bench::Plugged() const {
  return bus_.Find(instrument_->Serial()) == instrument_;
}

void Bench::SetPlugged(bool plugged) {
  if (plugged == Plugged()) return;
  if (plugged) {
    instrument_->PowerUp();
    bus_.Plug(instrument_);
  } else {
    bus_.Unplug(instrument_->Serial());
  }
  changed();
}

void Bench::SetDut(DeviceUnderTest dut) {
  dut_ = dut;
  applyInput();
  changed();
}

void Bench::SetClockPpm(double ppm) {
  clockPpm_ = ppm;
  instrument_->SetClockFactor(1.0 + ppm * 1e-6);
  changed();
}

void Bench::SetFlatOutput(bool flat) {
  flatOutput_ = flat;
  instrument_->SetOutputResponse(flat ? sim::FlatOutput() : InstrumentOutput());
  changed();
}

void Bench::SetCarrier(double fundamentalHz, double levelDb) {
  carrier_.fundamentalHz = fundamentalHz;
  carrier_.levelDb = levelDb;
  applyInput();
  changed();
}

std::optional<std::int64_t> Bench::CounterHz() const {
  if (!Plugged()) return std::nullopt;
  const std::optional<double> hz = instrument_->OutputFrequencyHz();
  if (!hz) return std::nullopt;
  return std::llround(*hz);
}

SweepLevels Bench::LastSweepLevels() const {
  return instrument_->LastSweepLevels();
}

void Bench::SetOnChange(ChangeCallback callback) {
  onChange_ = std::move(callback);
}

std::string Bench::Apply(std::string_view line, std::ostream& out) {
  ParsedBenchLine parsed = ParseBenchLine(line);
  if (parsed.command) Execute(*parsed.command, out);
  return std::move(parsed.error);
}

void Bench::Execute(const BenchCommand& command, std::ostream& out) {
  std::visit(
      [&](const auto& c) {
        using Kind = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<Kind, bench::Unplug>) {
          SetPlugged(false);
        } else if constexpr (std::is_same_v<Kind, bench::Plug>) {
          SetPlugged(true);
        } else if constexpr (std::is_same_v<Kind, bench::SetDut>) {
          SetDut(c.dut);
        } else if constexpr (std::is_same_v<Kind, bench::SetOutput>) {
          SetFlatOutput(c.flat);
        } else if constexpr (std::is_same_v<Kind, bench::SetClockPpm>) {
          SetClockPpm(c.ppm);
        } else if constexpr (std::is_same_v<Kind, bench::SetCarrier>) {
          SetCarrier(c.frequencyHz, c.levelDb);
        } else if constexpr (std::is_same_v<Kind, bench::ReadCounter>) {
          out << CounterLine(CounterHz()) << '\n' << std::flush;
        } else {
          static_assert(std::is_same_v<Kind, bench::ReadLevels>);
          out << LevelsLine(LastSweepLevels()) << '\n' << std::flush;
        }
      },
      command);
}

void Bench::applyInput() {
  instrument_->SetNetwork(NetworkFor(dut_));
  instrument_->SetExternalInput(dut_ == DeviceUnderTest::Carrier ? std::optional(carrier_) : std::nullopt);
}

void Bench::changed() {
  if (onChange_) onChange_();
}

std::string CounterLine(std::optional<std::int64_t> hz) {
  return hz ? "counter: " + std::to_string(*hz) + " Hz" : std::string("counter: no signal");
}

std::string LevelsLine(const SweepLevels& levels) {
  std::string line = "levels:";
  for (const std::uint8_t level : levels) {
    line += ' ';
    line += std::to_string(level);
  }
  return line;
}

}  // namespace virn::sim
