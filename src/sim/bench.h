// The bench around the simulated instrument: whether it is plugged into the
// bus, what sits between its output and its input, how far its reference clock
// is off, the external carrier, and a frequency counter on its output. The
// demo's bench window and its script both work through this, so a change from
// either shows in the other.
//
// Not thread-safe: use it from one thread only (the demo's GUI thread). The
// instrument and the bus it drives are thread-safe on their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "sim/bench_command.h"
#include "sim/carrier_signal.h"
#include "sim/sim_bus.h"
#include "sim/sim_instrument.h"
#include "sim/sweep_model.h"

namespace virn::sim {

// The clock error a bench starts with: the instrument's default, 10 ppm fast.
inline constexpr double kDefaultClockPpm = 10;

class Bench {
 public:
  using ChangeCallback = std::function<void()>;

  // Puts its defaults on the instrument: the band-pass filter, 10 ppm, no
  // external input. Plugged or not is the bus's to say. Both must outlive it.
  Bench(SimBus& bus, std::shared_ptr<SimInstrument> instrument);
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  bool Plugged() const;
  // Unplugging pulls the instrument off the bus; plugging powers it up again
  // (its output off) and puts it back. Doing what is already so does nothing.
  void SetPlugged(bool plugged);

  DeviceUnderTest Dut() const { return dut_; }
  void SetDut(DeviceUnderTest dut);

  // The reference clock's error in parts per million: real = nominal * (1 + ppm / 1e6).
  double ClockPpm() const { return clockPpm_; }
  void SetClockPpm(double ppm);

  // The instrument's own output: its roll-off (as it comes) or ideally flat.
  bool FlatOutput() const { return flatOutput_; }
  void SetFlatOutput(bool flat);

  // The external carrier's fundamental and level; reaches the input only while
  // the device under test is DeviceUnderTest::Carrier.
  const CarrierSignal& Carrier() const { return carrier_; }
  void SetCarrier(double fundamentalHz, double levelDb);

  // A frequency counter on the output, in whole hertz: empty while unplugged or
  // while the output is not a steady carrier.
  std::optional<std::int64_t> CounterHz() const;
  SweepLevels LastSweepLevels() const;

  // Called after every change of plug, device, clock or carrier, whoever made it.
  void SetOnChange(ChangeCallback callback);

  // Parses and carries out one script line; `counter` and `levels` write their
  // line to `out`. Returns the error text for a line that is not a command
  // (nothing is done then), empty otherwise.
  std::string Apply(std::string_view line, std::ostream& out);
  void Execute(const BenchCommand& command, std::ostream& out);

 private:
  void applyInput();
  void changed();

  SimBus& bus_;
  const std::shared_ptr<SimInstrument> instrument_;
  DeviceUnderTest dut_ = DeviceUnderTest::BandPass;
  double clockPpm_ = kDefaultClockPpm;
  bool flatOutput_ = false;
  CarrierSignal carrier_;
  ChangeCallback onChange_;
};

// The two output lines, without their line break. The demo's end-to-end tests
// parse them: "counter: 45000450 Hz" or "counter: no signal", and "levels: "
// followed by the 421 bytes as decimal numbers, single spaces between them.
std::string CounterLine(std::optional<std::int64_t> hz);
std::string LevelsLine(const SweepLevels& levels);

}  // namespace virn::sim
