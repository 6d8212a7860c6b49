// Sweeps taken on request: a number of whole sweeps handed over one by one,
// each checked, the acquisition started and stopped around them when it was
// not running.
#include "control/instrument_controller.h"

namespace virn::control {

void InstrumentController::TakeSweeps(int count, SweepSink sink, SweepsDone done) {
  if (request_) FinishRequest(SweepOutcome::Aborted);
  if (!Connected()) {
    if (done) done(SweepOutcome::NotConnected, 0);
    return;
  }
  if (count <= 0) {
    if (done) done(SweepOutcome::Done, 0);
    return;
  }
  // The sweep in flight, if any, was asked for before this request.
  Fence();
  request_ = Request{++requests_, count, 0, false, std::move(sink), std::move(done)};
  if (!sweepRunning_) {
    request_->started = true;
    try {
      Start();
    } catch (...) {
      request_.reset();
      throw;
    }
  }
  ArmStall();
}

void InstrumentController::AbortSweeps() {
  if (request_) FinishRequest(SweepOutcome::Aborted);
}

void InstrumentController::ArmStall() {
  stall_.start(thread_.SweepWait() + kSweepReadAllowance);
}

void InstrumentController::DeliverSweep() {
  // Asked for before the request or before the latest retune.
  if (thread_.LatestCompletedRequest() <= fence_) return;
  // Levels that did not come, or came from a lost device, are whatever the
  // buffer held: such a sweep is no measurement.
  if (thread_.MissedLevels() != 0 || !link_.DeviceAnswers()) {
    FinishRequest(SweepOutcome::Lost);
    return;
  }
  const Sweep sweep{thread_.Snapshot(), range_, thread_.LatestCompletedRequest()};
  const std::uint64_t id = request_->id;
  ++request_->taken;
  const bool taken = request_->sink(sweep);
  if (!request_ || request_->id != id) return;  // the sink ended the request
  if (!taken) {
    --request_->taken;
    FinishRequest(SweepOutcome::Refused);
  } else if (request_->taken >= request_->count) {
    FinishRequest(SweepOutcome::Done);
  } else {
    ArmStall();
  }
}

void InstrumentController::FinishRequest(SweepOutcome outcome) {
  // A request that started the acquisition leaves it as it found it.
  if (request_->started && sweepRunning_) {
    StopWith(outcome);
  } else {
    EndRequest(outcome);
  }
}

void InstrumentController::EndRequest(SweepOutcome outcome) {
  stall_.stop();
  Request request = std::move(*request_);
  request_.reset();
  if (request.done) request.done(outcome, request.taken);
}

}  // namespace virn::control
