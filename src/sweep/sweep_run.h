// One run of virn-sweep over any D2XX backend: the instrument looked for as the
// main window does (a discovery tick every 100 ms), Start's frames, the
// acquisition thread's sweeps handed over one by one, then Stop and the device
// closed. Runs an event loop of its own on the calling thread, which must have
// a QCoreApplication; no widgets.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>

#include "export/sweep_csv.h"
#include "link/d2xx_unit.h"
#include "link/instrument_link.h"
#include "measure/draw_thread.h"
#include "sweep/sweep_plan.h"

namespace virn::sweep {

inline constexpr std::chrono::milliseconds kDiscoveryInterval{100};
// Beyond the sweep's own wait, a sweep may take this long (421 reads that each
// time out after 20 ms take 8.4 s) before the instrument counts as lost.
inline constexpr std::chrono::milliseconds kSweepReadAllowance{10000};

enum class RunOutcome {
  Done,            // all sweeps taken
  NoInstrument,    // none found in time
  InstrumentLost,  // it stopped answering before all sweeps were in
  OutputFailed,    // the sink could not take a sweep
  Interrupted,     // Interrupt was called
};

class SweepRun : private link::LinkHost {
 public:
  // Gets each sweep, numbered from 1, with the plan's range and scale; false
  // when it could not take it (the output is gone), which ends the run.
  using SweepSink = std::function<bool(int number, const exports::SweepTable& sweep)>;

  SweepRun(link::D2XXUnit& unit, SweepPlan plan, SweepSink sink);
  ~SweepRun() override;
  SweepRun(const SweepRun&) = delete;
  SweepRun& operator=(const SweepRun&) = delete;

  // Looks for the instrument for at most `discoveryTimeout`, then sweeps until
  // the plan's count is reached or the instrument is lost. Whatever the
  // outcome, the instrument is sent Stop while connected and the device is
  // closed before this returns. Once only.
  RunOutcome Run(std::chrono::milliseconds discoveryTimeout);

  // Ends a run in progress as Interrupted, from the run's own thread (a signal,
  // the sink); the end goes as any other. Nothing happens outside Run.
  void Interrupt();

  int SweepsTaken() const { return taken_; }
  // The firmware version text the status bar would show; empty until found.
  const QString& VersionText() const { return version_; }
  link::InstrumentLink& Instrument() { return instrument_; }

 private:
  // LinkHost: the discovery's handshake. There is no watchdog here: every
  // sweep is checked before it is taken (all levels came, the device status
  // poll succeeds).
  void SetStatusPanel(int panel, const QString& text) override;
  void SetDiscoveryEnabled(bool /*enabled*/) override {}
  void SetWatchdogEnabled(bool /*enabled*/) override {}
  bool GeneratorModeDown() const override { return false; }
  void SendGeneratorSetup() override {}
  bool SweepRunning() const override { return sweeping_; }
  void StopSweep() override { Finish(RunOutcome::InstrumentLost); }

  void DiscoveryTick();
  void OnPass(measure::TDrawThread& thread);
  void Finish(RunOutcome outcome);

  link::D2XXUnit& unit_;
  link::InstrumentLink instrument_;
  SweepPlan plan_;
  SweepSink sink_;
  measure::TDrawThread thread_;
  std::function<void()> quit_;
  std::function<void()> sweepArrived_;
  bool sweeping_ = false;
  bool finished_ = false;
  RunOutcome outcome_ = RunOutcome::NoInstrument;
  std::uint64_t completedSeen_ = 0;
  int taken_ = 0;
  QString version_;
};

}  // namespace virn::sweep

namespace virn::sweep {

// 0 done, 1 no instrument, 3 lost or output failed, 128 + the signal's number
// when interrupted by one (2 is for the arguments).
int ExitStatus(RunOutcome outcome, int signalNumber = 0);
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitFailed = 3;

// The one line stderr gets for an outcome other than Done (empty for Done).
// `taken` sweeps of `count` were taken.
QString OutcomeMessage(RunOutcome outcome, std::chrono::milliseconds timeout, int taken, int count);

}  // namespace virn::sweep
