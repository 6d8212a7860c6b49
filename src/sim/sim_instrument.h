// The simulated instrument: receives 5-byte command frames, keeps the values the
// commands set, logs every frame with its arrival time, and answers the version
// query. Sweep data is not produced yet; OnSweep is where it will be.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/command_frame.h"
#include "sim/sim_device.h"
#include "sim/wire_log.h"

namespace virn::sim {

// Opcodes the instrument understands.
enum class Opcode : std::uint8_t {
  kDdsCoefficient = 1,
  kSweepSteps = 2,
  kSweepStart = 3,
  kSweepStep = 4,
  kSweepPeriod = 5,
  kStop = 6,
  kTakeSweep = 7,
  kGeneratorFrequency = 8,
  kVersionQuery = 9,
  kDetector = 11,
  kDelay = 12,
  kAveraging = 13,
};

inline constexpr std::size_t kVersionReplySize = 11;
inline constexpr std::size_t kVersionTextSize = 10;
inline constexpr std::string_view kDefaultVersionText = "{AFT};2.07";

// An 11-byte version reply: the text in bytes 0..9 (cut or padded with zero
// bytes), then the trailing byte.
std::vector<std::uint8_t> MakeVersionReply(std::string_view text, std::uint8_t trailer = '\r');

// What the host has told the instrument so far. Values are kept as sent; a
// field no command has set yet keeps its initial value.
struct InstrumentState {
  std::int32_t ddsCoefficient = 0;   // opcode 1
  std::int32_t sweepSteps = 0;       // opcode 2
  std::int32_t startWord = 0;        // opcode 3
  std::int32_t stepHz = 0;           // opcode 4
  std::int32_t periodIndex = 0;      // opcode 5
  std::int32_t generatorWord = 0;    // opcode 8
  bool linearDetector = false;       // opcode 11
  bool delay = false;                // opcode 12
  bool averaging = false;            // opcode 13
  std::uint32_t stops = 0;           // opcode 6 frames received
  std::uint32_t sweepRequests = 0;   // opcode 7 frames received
  std::uint32_t versionQueries = 0;  // opcode 9 frames with argument 0
  std::uint32_t unknownFrames = 0;   // opcodes outside the command set
  friend bool operator==(const InstrumentState&, const InstrumentState&) = default;
};

class SimInstrument : public SimDevice {
 public:
  explicit SimInstrument(std::string serial,
                         std::vector<std::uint8_t> versionReply = MakeVersionReply(kDefaultVersionText));

  // Copies, safe from any thread.
  std::vector<WireEntry> WireLog() const;
  InstrumentState State() const;
  void ClearWireLog();

  // Called for every received frame after it is logged, outside the
  // instrument's locks but in arrival order. It must not write to this device
  // through the bus (the write would wait for the sink to return).
  void SetFrameSink(FrameSink sink);
  void SetVersionReply(std::vector<std::uint8_t> reply);

 protected:
  void OnOpen() override;
  void OnBytes(std::span<const std::uint8_t> bytes) override;
  void OnReset() override;

  // Reacts to one decoded command: updates the state and answers the queries.
  // Runs with deliveries serialised, so overrides need no lock of their own for
  // data only the hooks touch.
  virtual void OnCommand(const link::Command& command);
  // Opcode 7 arrived. The level bytes of a sweep (421 of them, paced over the
  // sweep period with QueueOutputPaced) are produced here; `state` holds the
  // range and settings the host sent before.
  virtual void OnSweep(const InstrumentState& state);

 private:
  void handleFrame(const link::Frame& frame);

  link::FrameAssembler assembler_;  // only touched by the hooks

  mutable std::mutex mutex_;
  std::vector<WireEntry> log_;
  InstrumentState state_;
  std::vector<std::uint8_t> versionReply_;
  FrameSink sink_;
};

}  // namespace virn::sim
