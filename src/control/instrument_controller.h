// The instrument as every front end drives it: the window, virn-sweep and a
// remote server call these operations and listen to the events, and none of
// them knows the frames, the waits or the order they go in. The controller
// owns the link, the acquisition thread and the published settings; it finds
// the instrument (discovery every 100 ms), watches it (a status poll every
// 5 s) and sends what each operation needs. Everything runs on the thread
// that created it, which needs a Qt event loop; no widgets.
#pragma once

#include <QString>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>

#include "control/controller_events.h"
#include "link/d2xx_unit.h"
#include "link/instrument_link.h"
#include "measure/draw_thread.h"
#include "measure/instrument_sequences.h"
#include "measure/settings_model.h"

namespace virn::control {

inline constexpr std::chrono::milliseconds kDiscoveryInterval{100};
inline constexpr std::chrono::milliseconds kWatchdogInterval{5000};
// A sweep asked for by TakeSweeps may take this long beyond its own wait
// (421 reads that each time out after 20 ms take 8.4 s) before the instrument
// counts as lost.
inline constexpr std::chrono::milliseconds kSweepReadAllowance{10000};

// A frequency triple as entered: the MHz, kHz and Hz field texts, read when
// the frequency is needed, and the places they stand for in the settings.
struct TripleEntry {
  std::array<QString, 3> texts;
  measure::TriplePlaces places{};
};
// The entry of stored places: each place's number as its text.
TripleEntry EntryOf(const measure::TriplePlaces& places);

enum class StartResult { Started, NotConnected };

// One sweep taken by TakeSweeps.
struct Sweep {
  measure::SampleArray samples{};
  Range range;               // the range it was taken over
  std::uint64_t number = 0;  // its sweep command's number since the controller began
};

enum class SweepOutcome {
  Done,          // every sweep asked for was delivered
  NotConnected,  // no instrument when asked
  Lost,          // a sweep did not come whole, in time, or from a device that still answers
  Aborted,       // AbortSweeps, Stop, a mode switch, the options, or the shutdown
  Refused,       // the sink did not take a sweep
};

class InstrumentController {
 public:
  struct Options {
    // The acquisition thread's hand-off; empty: a queued call to this thread.
    measure::TDrawThread::Poster poster;
    // The fixed waits between frames (50 ms, 10 ms); empty: a plain sleep.
    measure::Wait wait;
    // Errors of the discovery and watchdog ticks and of listeners in the
    // hand-off, which have no caller to go to; empty: a warning on stderr.
    std::function<void(const std::exception&)> onError;
  };

  // Gets each sweep; false when it cannot take it, which ends the request.
  using SweepSink = std::function<bool(const Sweep&)>;
  // How a request ended and how many sweeps the sink took.
  using SweepsDone = std::function<void(SweepOutcome, int taken)>;

  InstrumentController(link::D2XXUnit& unit, const measure::Settings& settings, Options options);
  explicit InstrumentController(link::D2XXUnit& unit, const measure::Settings& settings = {});
  // Shuts down.
  ~InstrumentController();
  InstrumentController(const InstrumentController&) = delete;
  InstrumentController& operator=(const InstrumentController&) = delete;

  [[nodiscard]] Subscription Subscribe(Listener listener) { return listeners_.Add(std::move(listener)); }

  // Lifecycle. Begin starts the acquisition thread (idle) and the discovery.
  // Shutdown, once, whoever calls it: sweeps stopped, the device closed, the
  // hand-off detached, the thread ended and joined; the timers stop, a
  // request ends as Aborted. No frame is sent: a front end that wants the
  // instrument stopped calls Stop first.
  void Begin();
  void Shutdown();

  // Supervision; the timers call these, tests may too.
  void DiscoveryTick();
  void WatchdogTick();
  bool Connected() const { return link_.Connected(); }
  bool Discovering() const { return discovery_.isActive(); }
  bool Watching() const { return watchdog_.isActive(); }

  // The published settings, as stored.
  const measure::Settings& Settings() const { return settings_; }
  // Grows with every change of what the controller holds (the settings, the
  // range, the entries, the run state), so that a front end can tell an idle
  // pass that changed nothing at the cost of one comparison.
  std::uint64_t Revision() const { return revision_; }
  // Settings that change what is shown or computed later, and send nothing.
  // The calibration value is one of the four, e.g. &LevelCalibration::CorrLog_0Db.
  void SetCalibrationValue(std::int16_t measure::LevelCalibration::*value, std::int16_t constant);
  void SetZeroDbAnaliser(std::int32_t value);
  void SetMarker(bool shown, std::int32_t row);
  void SetRealFreq(std::int32_t value);
  void SetCorrFreq(std::int32_t value);
  void SetDds(std::int32_t value);
  void SetVfoDiv(bool value);
  // The mode stored as selected, without switching to it; SwitchMode makes
  // it take effect. Clearing the selected mode changes nothing.
  void SelectMode(measure::Mode mode, bool selected);
  // The period entry as stored (an entry outside the list is ignored); nothing is sent.
  void StoreDelayIndex(std::int32_t index);
  // The setting written: when it changes, as SetDelay / SetAveraging.
  void StoreDelay(bool on);
  void StoreAveraging(bool on);

  // The sweep range. EditRange takes the fields as they stand: the places are
  // stored at once; while paused nothing else happens; otherwise the range is
  // read from the texts (a text that does not read raises EConvertError, the
  // start read before it staying), stated, and a running sweep retuned behind
  // the pause fence (step, 10 ms, start word, 10 ms).
  void EditRange(const TripleEntry& start, const TripleEntry& end);
  // The same in hertz, 0..999 999 999 each.
  void SetRange(std::int32_t startHz, std::int32_t endHz);
  const Range& RangeInEffect() const { return range_; }
  std::int32_t FreqToWord(std::uint32_t f) const;

  // The generator frequency: stored, and sent at once while connected, in any
  // mode. The texts are read here (EConvertError when they do not read).
  void EditGenerator(const TripleEntry& generator);
  void SetGeneratorFrequency(std::int32_t hz);
  const std::array<QString, 3>& GeneratorTexts() const { return generator_.texts; }
  std::int32_t GeneratorWord() const;
  // Opcode 8 with a word as it is, while connected.
  void SendGeneratorWord(std::int32_t word);

  // Run control. Start needs the connection; it reads the range again from
  // the entries, sends the set-up and the thread sweeps from then on; while
  // running it does nothing. Stop sends the stop command while connected and
  // ends any hold. Pause holds the thread between sweeps; it needs a sweep running.
  StartResult Start();
  void Stop();
  void Pause(bool paused);
  bool SweepRunning() const { return sweepRunning_; }
  bool PauseDown() const { return pauseDown_; }

  // The sweep options, each sent at once while connected (during a sweep too).
  void SetDetector(bool linear);
  void SetDelay(bool on);
  void SetAveraging(bool on);
  // The period list's entry 0..3.
  void SetPeriod(std::int32_t index);

  // The mode handler: stop, the generator word, the range stated, in
  // generator mode the DDS coefficient with the generator frequency, then
  // ModeApplied.
  void SwitchMode(measure::Mode mode);
  measure::Mode Mode() const { return settings_.mode; }

  // The options dialog accepted: both stored, the range stated, stop, and a
  // connected instrument given the coefficient and the generator frequency.
  void ApplyOptions(std::int32_t dds, bool vfoDiv);

  // The levels as they stand: the latest sweep's, or two sweeps' mixed while
  // one is being read.
  measure::SampleArray Samples() const { return thread_.Snapshot(); }
  // The largest of them: the level calibration's reading.
  std::int32_t LevelReading() const { return thread_.MaxSample(); }

  // Takes the next `count` sweeps whose commands go out after this call and
  // hands each to `sink`, inside the hand-off. Starts the acquisition when it
  // was stopped, and stops it again at the end. A sweep with a level that did
  // not come, from a device whose status poll fails, or that is not in within
  // its wait plus kSweepReadAllowance ends the request as Lost. `done` is
  // called once, after the stop. One request at a time: a second ends the
  // first as Aborted.
  void TakeSweeps(int count, SweepSink sink, SweepsDone done);
  // Ends a request in progress as Aborted; nothing happens without one.
  void AbortSweeps();
  bool TakingSweeps() const { return request_.has_value(); }

  // The acquisition thread, for tests and benchmarks.
  measure::TDrawThread& Thread() { return thread_; }

 private:
  struct Request {
    std::uint64_t id = 0;
    int count = 0;
    int taken = 0;
    bool started = false;  // the request started the acquisition
    SweepSink sink;
    SweepsDone done;
  };

  void Emit(const Event& event);
  void Changed() { ++revision_; }
  void Guard(const std::function<void()>& tick);
  void RecomputeRange();
  measure::StartSetup SetupToSend() const;
  void SendGeneratorSetup();
  void OnPass();
  void DeliverSweep();
  // The Stop action; a request in progress ends with the given outcome.
  void StopWith(SweepOutcome requestOutcome);
  // The request's own end: stopped again when it started the acquisition.
  void FinishRequest(SweepOutcome outcome);
  void EndRequest(SweepOutcome outcome);
  void ArmStall();
  // Sweeps asked for before this point do not count for a request.
  void Fence() { fence_ = thread_.SweepsRequested(); }

  link::InstrumentLink link_;
  measure::Settings settings_;
  Options options_;
  measure::TDrawThread thread_;
  Listeners listeners_;

  TripleEntry start_;
  TripleEntry end_;
  TripleEntry generator_;
  Range range_;
  bool sweepRunning_ = false;
  bool pauseDown_ = false;

  QTimer discovery_;
  QTimer watchdog_;
  QTimer stall_;
  std::optional<Request> request_;
  std::uint64_t requests_ = 0;
  std::uint64_t fence_ = 0;
  std::uint64_t completedSeen_ = 0;
  std::uint64_t requestedSeen_ = 0;
  std::uint64_t revision_ = 0;
  bool shutDown_ = false;
};

}  // namespace virn::control
