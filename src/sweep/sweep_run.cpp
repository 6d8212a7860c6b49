#include "sweep/sweep_run.h"

#include <QEventLoop>
#include <QTimer>
#include <utility>
#include <variant>

namespace virn::sweep {

namespace {

constexpr int kSignalExitBase = 128;

RunOutcome OutcomeOf(control::SweepOutcome outcome) {
  switch (outcome) {
    case control::SweepOutcome::Done:
      return RunOutcome::Done;
    case control::SweepOutcome::NotConnected:
      return RunOutcome::NoInstrument;
    case control::SweepOutcome::Aborted:
      return RunOutcome::Interrupted;
    case control::SweepOutcome::Refused:
      return RunOutcome::OutputFailed;
    case control::SweepOutcome::Lost:
      break;
  }
  return RunOutcome::InstrumentLost;
}

}  // namespace

SweepRun::SweepRun(link::D2XXUnit& unit, SweepPlan plan, SweepSink sink)
    : plan_(std::move(plan)),
      sink_(std::move(sink)),
      controller_(unit, plan_.settings),
      subscription_(controller_.Subscribe([this](const control::Event& event) { OnEvent(event); })) {}

RunOutcome SweepRun::Run(std::chrono::milliseconds discoveryTimeout) {
  QEventLoop loop;
  quit_ = [&loop] { loop.quit(); };
  QTimer giveUp;
  giveUp.setSingleShot(true);
  // A coarse timer may fire up to 5 % early; the time given is the least.
  giveUp.setTimerType(Qt::PreciseTimer);
  QObject::connect(&giveUp, &QTimer::timeout, &loop, [this] {
    if (!controller_.Connected()) Finish(RunOutcome::NoInstrument);
  });
  controller_.Begin();
  giveUp.start(discoveryTimeout);
  if (!finished_) loop.exec();
  giveUp.stop();
  quit_ = nullptr;
  controller_.Shutdown();
  return outcome_;
}

void SweepRun::OnEvent(const control::Event& event) {
  if (const auto* connected = std::get_if<control::event::Connected>(&event)) {
    version_ = connected->version;
    if (finished_) return;
    controller_.TakeSweeps(
        plan_.count,
        [this](const control::Sweep& sweep) {
          exports::SweepTable table = plan_.table;
          table.Samples = sweep.samples;
          if (plan_.flatness) {
            table.Corrected =
                flatness::Correct(*plan_.flatness, sweep.samples, table.StartFreq, table.EndFreq).levels;
          }
          ++taken_;
          if (sink_(taken_, table)) return true;
          --taken_;
          return false;
        },
        [this](control::SweepOutcome outcome, int /*taken*/) { Finish(OutcomeOf(outcome)); });
  } else if (std::holds_alternative<control::event::Lost>(event)) {
    Finish(RunOutcome::InstrumentLost);
  }
}

void SweepRun::Interrupt() {
  if (quit_) Finish(RunOutcome::Interrupted);
}

void SweepRun::Finish(RunOutcome outcome) {
  if (finished_) return;
  finished_ = true;
  outcome_ = outcome;
  // Sweeps still being taken end with Stop, as the window's Stop button.
  controller_.AbortSweeps();
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
