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
  return log_;
}

InstrumentState SimInstrument::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void SimInstrument::ClearWireLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
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
  assembler_.Reset();
}

void SimInstrument::OnReset() {
  assembler_.Reset();
}

void SimInstrument::OnBytes(std::span<const std::uint8_t> bytes) {
  assembler_.Feed(bytes, [this](const link::Frame& frame) { handleFrame(frame); });
}

void SimInstrument::handleFrame(const link::Frame& frame) {
  const WireEntry entry{ElapsedMs(), frame};
  FrameSink sink;
  {
    std::lock_guard lock(mutex_);
    log_.push_back(entry);
    sink = sink_;
  }
  if (sink) sink(entry);
  OnCommand(link::DecodeFrame(frame));
}

void SimInstrument::OnCommand(const link::Command& command) {
  std::vector<std::uint8_t> reply;
  InstrumentState snapshot;
  bool sweep = false;
  {
    std::lock_guard lock(mutex_);
    InstrumentState& s = state_;
    switch (static_cast<Opcode>(command.opcode)) {
      case Opcode::kDdsCoefficient:
        s.ddsCoefficient = command.argument;
        break;
      case Opcode::kSweepSteps:
        s.sweepSteps = command.argument;
        break;
      case Opcode::kSweepStart:
        s.startWord = command.argument;
        break;
      case Opcode::kSweepStep:
        s.stepHz = command.argument;
        break;
      case Opcode::kSweepPeriod:
        s.periodIndex = command.argument;
        break;
      case Opcode::kStop:
        ++s.stops;
        break;
      case Opcode::kTakeSweep:
        ++s.sweepRequests;
        sweep = true;
        break;
      case Opcode::kGeneratorFrequency:
        s.generatorWord = command.argument;
        break;
      case Opcode::kVersionQuery:
        if (command.argument == 0) {
          ++s.versionQueries;
          reply = versionReply_;
        }
        break;
      case Opcode::kDetector:
        s.linearDetector = command.argument != 0;
        break;
      case Opcode::kDelay:
        s.delay = command.argument != 0;
        break;
      case Opcode::kAveraging:
        s.averaging = command.argument != 0;
        break;
      default:
        ++s.unknownFrames;
        break;
    }
    snapshot = s;
  }
  if (!reply.empty()) QueueOutput(reply);
  if (sweep) OnSweep(snapshot);
}

void SimInstrument::OnSweep(const InstrumentState& /*state*/) {}

}  // namespace virn::sim
