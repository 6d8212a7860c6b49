#include "sim/sim_instrument.h"

#include <algorithm>
#include <utility>

namespace virn::sim {

std::vector<std::uint8_t> MakeVersionReply(std::string_view text, std::uint8_t trailer) {
  std::vector<std::uint8_t> reply(kVersionReplySize, 0);
  std::copy_n(text.begin(), std::min(text.size(), kVersionTextSize), reply.begin());
  reply[kVersionTextSize] = trailer;
  return reply;
}

SimInstrument::SimInstrument(std::string serial, std::vector<std::uint8_t> versionReply)
    : SimDevice(std::move(serial)), versionReply_(std::move(versionReply)) {}

std::vector<WireEntry> SimInstrument::WireLog() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

std::uint64_t SimInstrument::FramesReceived() const {
  std::lock_guard lock(mutex_);
  return framesReceived_;
}

InstrumentState SimInstrument::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void SimInstrument::ClearWireLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

void SimInstrument::SetWireLogLimit(std::size_t limit) {
  std::lock_guard lock(mutex_);
  logLimit_ = limit;
  trimLogLocked();
}

void SimInstrument::trimLogLocked() {
  while (log_.size() > logLimit_) log_.pop_front();
}

void SimInstrument::SetNetwork(NetworkModel network) {
  std::lock_guard lock(mutex_);
  model_.network = std::move(network);
}

void SimInstrument::SetOutputResponse(OutputModel output) {
  std::lock_guard lock(mutex_);
  model_.output = std::move(output);
}

void SimInstrument::SetClockFactor(double factor) {
  std::lock_guard lock(mutex_);
  model_.clockFactor = factor;
}

void SimInstrument::SetDetector(const DetectorModel& detector) {
  std::lock_guard lock(mutex_);
  model_.detector = detector;
}

void SimInstrument::SetNoiseRms(double samples) {
  std::lock_guard lock(mutex_);
  model_.noiseRms = samples;
}

void SimInstrument::SetFloorNoiseRms(double samples) {
  std::lock_guard lock(mutex_);
  model_.floorNoiseRms = samples;
}

void SimInstrument::SetExternalInput(std::optional<CarrierSignal> carrier) {
  std::lock_guard lock(mutex_);
  model_.externalInput = carrier;
}

std::optional<double> SimInstrument::OutputFrequencyHz() const {
  std::lock_guard lock(mutex_);
  if (!carrierWord_) return std::nullopt;
  return static_cast<double>(*carrierWord_) * model_.clockFactor;
}

void SimInstrument::PowerUp() {
  std::lock_guard lock(mutex_);
  carrierWord_.reset();
}

SweepLevels SimInstrument::LastSweepLevels() const {
  std::lock_guard lock(mutex_);
  return lastSweep_;
}

std::uint64_t SimInstrument::SweepsComputed() const {
  std::lock_guard lock(mutex_);
  return sweepsComputed_;
}

void SimInstrument::SetNoiseSeed(std::uint32_t seed) {
  std::lock_guard lock(mutex_);
  rng_.seed(seed);
}

void SimInstrument::SetMuted(bool muted) {
  std::lock_guard lock(mutex_);
  muted_ = muted;
}

bool SimInstrument::Muted() const {
  std::lock_guard lock(mutex_);
  return muted_;
}

void SimInstrument::SetFrameSink(FrameSink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

void SimInstrument::SetVersionReply(std::vector<std::uint8_t> reply) {
  std::lock_guard lock(mutex_);
  versionReply_ = std::move(reply);
}

void SimInstrument::OnOpen() {
  // The port starts a new session with an empty queue: no sweep is streaming.
  assembler_.Reset();
  streamEnd_ = {};
}

void SimInstrument::OnReset() {
  // A reset drops the queued output, the rest of any sweep with it.
  assembler_.Reset();
  streamEnd_ = {};
}

void SimInstrument::OnBytes(std::span<const std::uint8_t> bytes) {
  assembler_.Feed(bytes, [this](const link::Frame& frame) { handleFrame(frame); });
}

void SimInstrument::handleFrame(const link::Frame& frame) {
  const WireEntry entry{ElapsedMs(), frame};
  FrameSink sink;
  {
    std::lock_guard lock(mutex_);
    ++framesReceived_;
    log_.push_back(entry);
    trimLogLocked();
    sink = sink_;
  }
  if (sink) sink(entry);
  OnCommand(link::DecodeFrame(frame));
}

void SimInstrument::OnCommand(const link::Command& command) {
  std::vector<std::uint8_t> reply;
  InstrumentState snapshot;
  bool sweep = false;
  bool stop = false;
  {
    std::lock_guard lock(mutex_);
    InstrumentState& s = state_;
    switch (command.opcode) {
      case link::opcode::kDdsCoefficient:
        s.ddsCoefficient = command.argument;
        break;
      case link::opcode::kSweepSteps:
        s.sweepSteps = command.argument;
        break;
      case link::opcode::kStartWord:
        s.startWord = command.argument;
        break;
      case link::opcode::kStep:
        s.stepHz = command.argument;
        break;
      case link::opcode::kPeriod:
        s.periodIndex = command.argument;
        break;
      case link::opcode::kStop:
        ++s.stops;
        stop = true;
        break;
      case link::opcode::kTakeSweep:
        // Counted whatever the argument; only "take one sweep" (1) starts one.
        ++s.sweepRequests;
        sweep = command.argument == 1;
        carrierWord_.reset();
        break;
      case link::opcode::kGeneratorWord:
        s.generatorWord = command.argument;
        carrierWord_ = static_cast<std::uint32_t>(command.argument);
        break;
      case link::opcode::kVersionQuery:
        if (command.argument == 0) {
          ++s.versionQueries;
          reply = versionReply_;
        }
        break;
      case link::opcode::kDetector:
        s.linearDetector = command.argument != 0;
        break;
      case link::opcode::kDelay:
        s.delay = command.argument != 0;
        break;
      case link::opcode::kAveraging:
        s.averaging = command.argument != 0;
        break;
      default:
        ++s.unknownFrames;
        break;
    }
    snapshot = s;
  }
  if (!reply.empty()) QueueOutput(reply);
  if (stop) OnStop();
  if (sweep) OnSweep(snapshot);
}

void SimInstrument::OnSweep(const InstrumentState& state) {
  SweepLevels levels;
  {
    std::lock_guard lock(mutex_);
    if (muted_) return;
    const SweepSettings settings{static_cast<std::uint32_t>(state.startWord), state.stepHz,
                                 state.linearDetector, state.averaging};
    levels = ComputeSweep(model_, settings, rng_);
    lastSweep_ = levels;
    ++sweepsComputed_;
  }
  // The instrument measures one point per spacing and sends each level as soon
  // as it has it; a sweep requested during another one waits for it to end.
  const auto spacing = PointSpacing(state.periodIndex);
  const auto begin = std::max(Clock::now(), streamEnd_);
  QueueOutputPaced(levels, begin + spacing, spacing);
  streamEnd_ = begin + spacing * kSweepPoints;
}

void SimInstrument::OnStop() {
  CancelPendingOutput();
  streamEnd_ = {};
}

}  // namespace virn::sim
