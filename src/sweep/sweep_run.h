// One run of virn-sweep over any D2XX backend: the instrument controller finds
// the instrument as the main window does, takes the plan's sweeps one by one
// and is shut down as the window shuts it down; before that, Stop goes out
// while the instrument is connected. Runs an event loop of its own on the
// calling thread, which must have a QCoreApplication; no widgets.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <string>

#include "control/instrument_controller.h"
#include "export/sweep_csv.h"
#include "link/d2xx_unit.h"
#include "sweep/sweep_plan.h"

namespace virn::sweep {

enum class RunOutcome {
  Done,            // all sweeps taken
  NoInstrument,    // none found in time
  InstrumentLost,  // it stopped answering before all sweeps were in
  OutputFailed,    // the sink could not take a sweep
  Interrupted,     // Interrupt was called
};

class SweepRun {
 public:
  // Gets each sweep, numbered from 1, with the plan's range and scale; false
  // when it could not take it (the output is gone), which ends the run.
  using SweepSink = std::function<bool(int number, const exports::SweepTable& sweep)>;

  SweepRun(link::D2XXUnit& unit, SweepPlan plan, SweepSink sink);
  SweepRun(const SweepRun&) = delete;
  SweepRun& operator=(const SweepRun&) = delete;

  // Looks for the instrument for at most `discoveryTimeout`, then sweeps until
  // the plan's count is reached or the instrument is lost. Whatever the
  // outcome, the instrument is sent Stop while connected and the controller
  // is shut down (the device closed) before this returns. Once only.
  RunOutcome Run(std::chrono::milliseconds discoveryTimeout);

  // Ends a run in progress as Interrupted, from the run's own thread (a signal,
  // the sink); the end goes as any other. Nothing happens outside Run.
  void Interrupt();

  int SweepsTaken() const { return taken_; }
  // The instrument's ten characters of version text; empty until found.
  const std::string& VersionText() const { return version_; }
  control::InstrumentController& Controller() { return controller_; }

 private:
  void OnEvent(const control::Event& event);
  void Finish(RunOutcome outcome);

  SweepPlan plan_;
  SweepSink sink_;
  control::InstrumentController controller_;
  control::Subscription subscription_;
  std::function<void()> quit_;
  bool finished_ = false;
  RunOutcome outcome_ = RunOutcome::NoInstrument;
  int taken_ = 0;
  std::string version_;
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
