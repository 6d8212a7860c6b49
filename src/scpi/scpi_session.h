// One client's conversation with the instrument: program messages in, the
// replies of their queries out (joined by ";" and ended by "\n", one line per
// program message that has any), the error queue and status registers, and
// the operations run through the instrument controller, which sends exactly
// what the window sends for them. INITiate is overlapped: it returns at once
// and *OPC?, *OPC and *WAI wait for its sweep; what follows a waiting
// command waits with it. Everything runs on the controller's thread.
#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/instrument_controller.h"
#include "display/plot_inputs.h"
#include "link/d2xx_unit.h"
#include "scpi/scpi_parser.h"
#include "scpi/scpi_status.h"

namespace virn::scpi {

// The maker field of *IDN?.
inline constexpr std::string_view kMaker = "VIRN-PROJECT";
inline constexpr std::string_view kModel = "VIRN";

// A sweep as TRACe? and CALCulate? read it: the levels with the range and the
// level scale in effect when it was taken.
struct Trace {
  measure::SampleArray samples{};
  control::Range range;
  measure::Mode mode = measure::Mode::Sweep;
  display::LevelScale scale;
  std::int16_t zeroDbAnaliser = 0;
};

// The trace's 421 levels in dB ("-3.25", two decimals), as the plot reads
// them; empty when the calibration gives the scale no height.
std::vector<std::optional<double>> TraceLevelsDb(const Trace& trace);
// The marker's reading at `db` below the trace's maximum, from the window's
// marker functions: the crossing frequencies as the marker's edge texts
// show them (half a step lower than their columns), the bandwidth, the centre
// and the quality factor; none when the curve does not cross that row twice.
struct Bandwidth {
  std::int64_t lower = 0;
  std::int64_t upper = 0;
  std::int64_t bandwidth = 0;
  std::int64_t centre = 0;
  double q = 0;
};
std::optional<Bandwidth> MarkerBandwidth(const Trace& trace, double db);

class Session {
 public:
  using Output = std::function<void(std::string_view reply)>;

  // `version`: the program's version for *IDN?. The unit is the controller's,
  // read for the serial number of the instrument it found.
  Session(control::InstrumentController& controller, const link::D2XXUnit& unit, std::string version);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Where the reply lines go (each ends with "\n").
  void SetOutput(Output output) { output_ = std::move(output); }
  // Called when a wait has ended and lines may be given again.
  void SetOnReady(std::function<void()> onReady) { onReady_ = std::move(onReady); }

  // One program message, its line end removed. Runs at once unless an
  // earlier command still waits; then it waits in turn.
  void Receive(std::string_view line);

  // The client is gone: lines not run yet are dropped, a sweep in progress is
  // ended and the instrument stopped; the error queue and registers start
  // afresh for the next client. The latest trace stays.
  void Disconnect();

  // A line could not be taken whole (too long): reported as -363.
  void Overrun() { status_.Push(error::kInputBufferOverrun); }

  bool Waiting() const { return waiting_ != Wait::None; }
  const Status& StatusRegisters() const { return status_; }
  const std::optional<Trace>& LatestTrace() const { return trace_; }

 private:
  enum class Wait { None, OpcQuery, Wai };

  void OnEvent(const control::Event& event);
  void Pump();
  void Execute(const Command& command);
  void Reply(std::string text) { replies_.push_back(std::move(text)); }
  void Fail(int code, const Command& command, std::string_view detail = {});
  bool OperationPending() const { return singlePending_; }
  void OperationDone();

  // The commands, by group.
  void Common(const Command& command);
  void Frequency(const Command& command);
  void Sweep(const Command& command);
  void Trigger(const Command& command);
  void TraceQuery(const Command& command);
  void Source(const Command& command);
  void Reset();

  // The range set with new ends, each 0..999 999 999 Hz, or -222.
  void SetRange(double start, double end, const Command& command);
  Trace CaptureTrace(const measure::SampleArray& samples, const control::Range& range) const;
  bool Continuous() const { return controller_.SweepRunning() && !singlePending_; }

  control::InstrumentController& controller_;
  const link::D2XXUnit& unit_;
  std::string version_;
  std::string serial_ = "0";
  control::Subscription subscription_;
  Output output_;
  std::function<void()> onReady_;
  Status status_;

  std::deque<std::string> inbox_;      // lines not begun
  std::deque<ParsedCommand> current_;  // the rest of the line being run
  std::vector<std::string> replies_;   // its replies so far
  bool lineOpen_ = false;
  Wait waiting_ = Wait::None;
  bool opcArmed_ = false;  // *OPC: the event bit when the operation ends
  bool singlePending_ = false;
  std::uint64_t singleId_ = 0;
  bool pumping_ = false;
  bool staleSweep_ = false;  // the next sweep of continuous sweeps began before a retune

  std::optional<Trace> trace_;
};

}  // namespace virn::scpi
