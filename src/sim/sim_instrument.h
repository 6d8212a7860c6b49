// The simulated instrument: receives 5-byte command frames, keeps the values the
// commands set, logs every frame with its arrival time, answers the version
// query, and answers a sweep request with 421 level bytes measured on a model
// network and streamed point by point over the sweep period.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/command_frame.h"
#include "sim/carrier_signal.h"
#include "sim/detector_model.h"
#include "sim/network_model.h"
#include "sim/sim_device.h"
#include "sim/sweep_model.h"
#include "sim/wire_log.h"

namespace virn::sim {

using link::kVersionReplySize;
using link::kVersionTextSize;
inline constexpr std::string_view kDefaultVersionText = "{AFT};2.07";
// The in-memory wire log keeps this many of the latest frames; a long demo run
// must not grow it without bound. The frame sink still sees every frame.
inline constexpr std::size_t kDefaultWireLogLimit = 100000;
// The noise generator's seed unless a test sets another: every instrument makes
// the same noise, so a run can be repeated.
inline constexpr std::uint32_t kDefaultNoiseSeed = 20240521;

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
  std::int32_t periodIndex = 0;      // opcode 5; 1..4, 0 until set (sweeps then take index 1's time)
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

  // Copies, safe from any thread. The log holds the latest frames only (see
  // SetWireLogLimit); FramesReceived counts every frame since creation.
  std::vector<WireEntry> WireLog() const;
  std::uint64_t FramesReceived() const;
  InstrumentState State() const;
  void ClearWireLog();
  // Keeps at most `limit` entries, dropping the oldest first; 0 keeps none.
  void SetWireLogLimit(std::size_t limit);

  // What a frequency counter on the output reads: the real frequency while the
  // output is a steady carrier, i.e. while the last frequency command was
  // opcode 8 (the word as unsigned hertz, times the clock factor). Empty after
  // an opcode 7, which sweeps the output, and from power-up until the first 8.
  std::optional<double> OutputFrequencyHz() const;
  // The instrument was connected again: it starts with its output off, as after
  // any power-up. The frame counters and the wire log carry on.
  void PowerUp();
  // The 421 bytes of the latest sweep it measured (all zero before the first),
  // and how many sweeps it has measured; a muted instrument measures none.
  SweepLevels LastSweepLevels() const;
  std::uint64_t SweepsComputed() const;

  // The measurement set-up, changeable at any moment from any thread; a change
  // applies from the next sweep request on.
  // The network under test; an empty model restores the default band-pass.
  void SetNetwork(NetworkModel network);
  // The instrument's own output response (sim/output_response.h); FlatOutput()
  // for an ideal generator, as tests that check other things use.
  void SetOutputResponse(OutputModel output);
  // Real output frequency = nominal * factor, for sweeps and the generator alike.
  void SetClockFactor(double factor);
  // The detectors' scales and floors.
  void SetDetector(const DetectorModel& detector);
  // RMS of the Gaussian noise on each reading, in samples: the part that is
  // always there, and the part that grows near the detector's floor (both 0:
  // none). Averaging (opcode 13) multiplies the noise by a quarter.
  void SetNoiseRms(double samples);
  void SetFloorNoiseRms(double samples);
  // A signal from outside at the input (the analyser mode's carrier); empty:
  // the instrument measures its own output through the network again.
  void SetExternalInput(std::optional<CarrierSignal> carrier);
  // Restarts the noise sequence.
  void SetNoiseSeed(std::uint32_t seed);
  // A muted instrument counts sweep requests but sends no level bytes, as one
  // whose detector output never comes.
  void SetMuted(bool muted);
  bool Muted() const;

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
  // Opcode 7 with argument 1 arrived: measures the 421 points and queues their
  // bytes paced over the sweep period, the first one point spacing after the
  // request. A request while a sweep is still streaming starts when that one
  // ends. `state` holds the range and settings the host sent before.
  virtual void OnSweep(const InstrumentState& state);
  // Opcode 6 arrived: the sweep in progress stops, so its remaining bytes never
  // come; the ones already readable stay with the host.
  virtual void OnStop();

 private:
  void handleFrame(const link::Frame& frame);
  void trimLogLocked();

  // Only touched by the hooks, which the base serialises.
  link::FrameAssembler assembler_;
  Clock::time_point streamEnd_{};  // when the last queued sweep byte becomes readable

  mutable std::mutex mutex_;
  std::deque<WireEntry> log_;
  std::size_t logLimit_ = kDefaultWireLogLimit;
  std::uint64_t framesReceived_ = 0;
  InstrumentState state_;
  std::vector<std::uint8_t> versionReply_;
  FrameSink sink_;
  MeasurementModel model_;
  std::mt19937 rng_{kDefaultNoiseSeed};
  bool muted_ = false;
  std::optional<std::uint32_t> carrierWord_;  // opcode 8's word while the output is a steady carrier
  SweepLevels lastSweep_{};
  std::uint64_t sweepsComputed_ = 0;
};

}  // namespace virn::sim
