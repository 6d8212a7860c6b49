// The controller's operations: the range and the generator frequency, Start,
// Stop and Pause, the sweep options, the mode switch and the options.
#include <stdexcept>

#include "control/instrument_controller.h"
#include "measure/frequency.h"

namespace virn::control {

namespace {

void CheckTripleHz(std::int32_t hz) {
  if (hz < 0 || hz > measure::kTripleMaxHz) {
    throw std::out_of_range("frequency outside 0..999 999 999 Hz: " + std::to_string(hz));
  }
}

}  // namespace

std::int32_t InstrumentController::FreqToWord(std::uint32_t f) const {
  return measure::FreqToWord(f, settings_.realFreq, settings_.corrFreq);
}

void InstrumentController::RecomputeRange() {
  // Each assignment stands even when a later read fails.
  range_.StartFreq = measure::ReadTriple(start_.texts);
  range_.EndFreq = measure::ReadTriple(end_.texts);
  range_.SweepStep = measure::SweepStepFor(range_.StartFreq, range_.EndFreq);
}

measure::StartSetup InstrumentController::SetupToSend() const {
  measure::StartSetup setup;
  setup.linearDetector = settings_.linear;
  setup.dds = settings_.dds;
  setup.delay = settings_.delay;
  setup.averaging = settings_.averaging;
  setup.periodIndex = settings_.delayIndex + 1;
  // The analyser with its local oscillator at half frequency takes start and
  // step halved, truncated toward zero.
  const bool halved = settings_.mode == measure::Mode::Analyser && settings_.vfoDiv;
  const std::int32_t start = halved ? range_.StartFreq / 2 : range_.StartFreq;
  setup.startWord = FreqToWord(static_cast<std::uint32_t>(start));
  setup.step = halved ? range_.SweepStep / 2 : range_.SweepStep;
  return setup;
}

void InstrumentController::EditRange(const TripleEntry& start, const TripleEntry& end) {
  Changed();
  start_ = start;
  end_ = end;
  settings_.startFreq = start.places;
  settings_.endFreq = end.places;
  // While paused the fields change alone; the range follows at the next edit
  // after the pause or at the next Start.
  if (pauseDown_) return;
  RecomputeRange();
  Emit(event::RangeChanged{range_});
  if (!Connected() || !sweepRunning_) return;
  const measure::StartSetup setup = SetupToSend();
  measure::Retune(link_, thread_, setup.step, setup.startWord, options_.wait);
  // A sweep begun before the new range is no sweep of it.
  Fence();
}

void InstrumentController::SetRange(std::int32_t startHz, std::int32_t endHz) {
  CheckTripleHz(startHz);
  CheckTripleHz(endHz);
  EditRange(EntryOf(measure::PlacesOf(startHz)), EntryOf(measure::PlacesOf(endHz)));
}

std::int32_t InstrumentController::GeneratorWord() const {
  return FreqToWord(static_cast<std::uint32_t>(measure::ReadTriple(generator_.texts)));
}

void InstrumentController::EditGenerator(const TripleEntry& generator) {
  Changed();
  generator_ = generator;
  settings_.genFreq = generator.places;
  if (Connected()) measure::SendGeneratorWord(link_, GeneratorWord());
}

void InstrumentController::SetGeneratorFrequency(std::int32_t hz) {
  CheckTripleHz(hz);
  EditGenerator(EntryOf(measure::PlacesOf(hz)));
}

void InstrumentController::SendGeneratorWord(std::int32_t word) {
  measure::SendGeneratorWord(link_, word);
}

void InstrumentController::SendGeneratorSetup() {
  measure::SendGeneratorSetup(link_, settings_.dds, GeneratorWord(), options_.wait);
}

StartResult InstrumentController::Start() {
  if (!Connected()) return StartResult::NotConnected;
  if (sweepRunning_) return StartResult::Started;
  RecomputeRange();
  measure::StartAcquisition(link_, thread_, SetupToSend());
  sweepRunning_ = true;
  Emit(event::DetectorChanged{settings_.linear});
  Emit(event::RangeChanged{range_});
  Emit(event::Started{});
  return StartResult::Started;
}

void InstrumentController::Stop() {
  StopWith(SweepOutcome::Aborted);
}

void InstrumentController::StopWith(SweepOutcome requestOutcome) {
  measure::StopAcquisition(link_, thread_);
  pauseDown_ = false;
  sweepRunning_ = false;
  Emit(event::Stopped{});
  if (request_) EndRequest(requestOutcome);
}

void InstrumentController::Pause(bool paused) {
  if (!sweepRunning_) return;
  pauseDown_ = paused;
  thread_.Paused = paused;
  Emit(event::PauseChanged{paused});
}

void InstrumentController::SetDetector(bool linear) {
  settings_.linear = linear;
  link_.Send(link::opcode::kDetector, linear ? 1 : 0);
  Emit(event::DetectorChanged{linear});
}

void InstrumentController::SetDelay(bool on) {
  settings_.delay = on;
  link_.Send(link::opcode::kDelay, on ? 1 : 0);
  thread_.DelayOn = on;
  Emit(event::DelayChanged{on});
}

void InstrumentController::SetAveraging(bool on) {
  settings_.averaging = on;
  link_.Send(link::opcode::kAveraging, on ? 1 : 0);
  Emit(event::AveragingChanged{on});
}

void InstrumentController::SetPeriod(std::int32_t index) {
  if (!measure::ValidDelayIndex(index)) throw std::out_of_range("no period entry " + std::to_string(index));
  settings_.delayIndex = index;
  thread_.PeriodIndex = index + 1;
  link_.Send(link::opcode::kPeriod, index + 1);
  Emit(event::PeriodChanged{index});
}

void InstrumentController::SwitchMode(measure::Mode mode) {
  settings_.mode = mode;
  Stop();
  // The generator word goes out on every mode change, whatever the new mode.
  if (Connected()) measure::SendGeneratorWord(link_, GeneratorWord());
  Emit(event::RangeChanged{range_});
  if (mode == measure::Mode::Generator && Connected()) SendGeneratorSetup();
  Emit(event::ModeApplied{mode});
}

void InstrumentController::ApplyOptions(std::int32_t dds, bool vfoDiv) {
  settings_.dds = dds;
  settings_.vfoDiv = vfoDiv;
  Emit(event::RangeChanged{range_});
  Stop();
  if (Connected()) SendGeneratorSetup();
}

}  // namespace virn::control
