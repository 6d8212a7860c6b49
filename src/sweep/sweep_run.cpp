#include "sweep/sweep_run.h"

#include <QEventLoop>
#include <QTimer>
#include <utility>

#include "display/plot_inputs.h"
#include "measure/instrument_sequences.h"

namespace virn::sweep {

namespace {
constexpr int kVersionPanel = 1;
constexpr int kSignalExitBase = 128;
}  // namespace

SweepRun::SweepRun(link::D2XXUnit& unit, SweepPlan plan, SweepSink sink)
    : unit_(unit), instrument_(unit), plan_(std::move(plan)), sink_(std::move(sink)), thread_(unit) {
  // As the window: a failed call is an outcome here, not a message.
  unit_.ShowFTErrors = false;
  thread_.SetOnSweepDone([this](measure::TDrawThread& thread) { OnPass(thread); });
  thread_.Resume();
}

SweepRun::~SweepRun() {
  thread_.Terminate();
  thread_.WaitFor();
}

void SweepRun::SetStatusPanel(int panel, const QString& text) {
  if (panel == kVersionPanel) version_ = text;
}

RunOutcome SweepRun::Run(std::chrono::milliseconds discoveryTimeout) {
  QEventLoop loop;
  quit_ = [&loop] { loop.quit(); };

  QTimer discovery;
  discovery.setInterval(kDiscoveryInterval);
  QObject::connect(&discovery, &QTimer::timeout, &loop, [this, &discovery] {
    DiscoveryTick();
    if (sweeping_ || finished_) discovery.stop();
  });
  QTimer giveUp;
  giveUp.setSingleShot(true);
  // A coarse timer may fire up to 5 % early; the time given is the least.
  giveUp.setTimerType(Qt::PreciseTimer);
  QObject::connect(&giveUp, &QTimer::timeout, &loop, [this] {
    if (!sweeping_) Finish(RunOutcome::NoInstrument);
  });
  // A sweep that does not come in its time means a device that no longer
  // answers, or answers nothing useful.
  QTimer stall;
  stall.setSingleShot(true);
  stall.setInterval(thread_.SweepWait() + kSweepReadAllowance);
  QObject::connect(&stall, &QTimer::timeout, &loop, [this] { Finish(RunOutcome::InstrumentLost); });
  sweepArrived_ = [this, &stall] {
    stall.setInterval(thread_.SweepWait() + kSweepReadAllowance);
    stall.start();
  };

  discovery.start();
  giveUp.start(discoveryTimeout);
  if (!finished_) loop.exec();

  discovery.stop();
  giveUp.stop();
  stall.stop();
  sweepArrived_ = nullptr;
  quit_ = nullptr;
  // Stop has gone out in Finish; the thread has left any read before the
  // device goes, as when the window closes.
  thread_.ClearOnSweepDone();
  unit_.CloseFTDevice();
  thread_.Terminate();
  thread_.WaitFor();
  return outcome_;
}

void SweepRun::DiscoveryTick() {
  if (finished_ || sweeping_) return;
  instrument_.DiscoveryTick(*this);
  // The handshake marks the link connected only at its end, so Start goes
  // after the tick, as the user's click would.
  if (!instrument_.Connected()) return;
  measure::StartAcquisition(instrument_, thread_, plan_.setup);
  sweeping_ = true;
  completedSeen_ = thread_.CompletedSweeps();
  if (sweepArrived_) sweepArrived_();
}

void SweepRun::OnPass(measure::TDrawThread& thread) {
  if (finished_ || !sweeping_) return;
  const std::uint64_t completed = thread.CompletedSweeps();
  if (completed == completedSeen_) return;  // an idle pass
  completedSeen_ = completed;
  // Levels that did not come, or came from a lost device, are whatever the
  // buffer held: such a sweep is no measurement.
  if (thread.MissedLevels() != 0 || unit_.GetFTDeviceStatus() != link::FT_OK) {
    Finish(RunOutcome::InstrumentLost);
    return;
  }
  exports::SweepTable sweep = plan_.table;
  sweep.Samples = display::SamplesOf(thread);
  ++taken_;
  if (!sink_(taken_, sweep)) {
    --taken_;
    Finish(RunOutcome::OutputFailed);
    return;
  }
  if (finished_) return;  // the sink interrupted the run
  if (taken_ >= plan_.count) {
    Finish(RunOutcome::Done);
  } else if (sweepArrived_) {
    sweepArrived_();
  }
}

void SweepRun::Interrupt() {
  if (quit_) Finish(RunOutcome::Interrupted);
}

void SweepRun::Finish(RunOutcome outcome) {
  if (finished_) return;
  finished_ = true;
  outcome_ = outcome;
  // The window's Stop: opcode 6 while connected, no more sweeps.
  measure::StopAcquisition(instrument_, thread_);
  sweeping_ = false;
  if (quit_) quit_();
}

}  // namespace virn::sweep

namespace virn::sweep {

int ExitStatus(RunOutcome outcome, int signalNumber) {
  switch (outcome) {
    case RunOutcome::Done:
      return 0;
    case RunOutcome::NoInstrument:
      return 1;
    case RunOutcome::Interrupted:
      // As a shell reports a program the signal ended.
      return kSignalExitBase + signalNumber;
    case RunOutcome::InstrumentLost:
    case RunOutcome::OutputFailed:
      break;
  }
  return kExitFailed;
}

QString OutcomeMessage(RunOutcome outcome, std::chrono::milliseconds timeout, int taken, int count) {
  switch (outcome) {
    case RunOutcome::Done:
      return {};
    case RunOutcome::NoInstrument:
      return QStringLiteral("no instrument found within %1 s")
          .arg(static_cast<double>(timeout.count()) / 1000);
    case RunOutcome::OutputFailed:
      return QStringLiteral("the output is gone after %1 of %2 sweeps").arg(taken).arg(count);
    case RunOutcome::Interrupted:
      return QStringLiteral("interrupted after %1 of %2 sweeps").arg(taken).arg(count);
    case RunOutcome::InstrumentLost:
      break;
  }
  return QStringLiteral("the instrument stopped answering after %1 of %2 sweeps").arg(taken).arg(count);
}

}  // namespace virn::sweep
