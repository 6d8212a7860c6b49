// The controller's life, the link supervision, the hand-off and the stored
// settings. The operations are in controller_run.cpp, the sweeps taken on
// request in controller_sweeps.cpp.
#include "control/instrument_controller.h"

#include <QtDebug>
#include <variant>

namespace virn::control {

TripleEntry EntryOf(const measure::TriplePlaces& places) {
  TripleEntry entry;
  entry.places = places;
  for (std::size_t i = 0; i < places.size(); ++i) entry.texts[i] = QString::number(places[i]);
  return entry;
}

InstrumentController::InstrumentController(link::D2XXUnit& unit, const measure::Settings& settings)
    : InstrumentController(unit, settings, Options{}) {}

InstrumentController::InstrumentController(link::D2XXUnit& unit, const measure::Settings& settings,
                                           Options options)
    : link_(unit),
      settings_(settings),
      options_(std::move(options)),
      thread_(unit, options_.poster),
      start_(EntryOf(settings.startFreq)),
      end_(EntryOf(settings.endFreq)),
      generator_(EntryOf(settings.genFreq)) {
  // Link failures are the watchdog's and the discovery's to handle, never a message.
  unit.ShowFTErrors = false;
  RecomputeRange();
  thread_.SetOnSweepDone([this](measure::TDrawThread& /*thread*/) { OnPass(); });
  thread_.SetLowestPriority(true);

  discovery_.setInterval(kDiscoveryInterval);
  QObject::connect(&discovery_, &QTimer::timeout, &discovery_,
                   [this] { Guard([this] { DiscoveryTick(); }); });
  watchdog_.setInterval(kWatchdogInterval);
  QObject::connect(&watchdog_, &QTimer::timeout, &watchdog_, [this] { Guard([this] { WatchdogTick(); }); });
  stall_.setSingleShot(true);
  QObject::connect(&stall_, &QTimer::timeout, &stall_, [this] {
    Guard([this] {
      if (request_) FinishRequest(SweepOutcome::Lost);
    });
  });
}

InstrumentController::~InstrumentController() {
  Shutdown();
}

void InstrumentController::Begin() {
  if (shutDown_) return;
  thread_.Resume();
  discovery_.start();
}

void InstrumentController::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  discovery_.stop();
  watchdog_.stop();
  // Sweeps stop before the device goes, so that the thread reads no closed
  // handle; the hand-off is detached before the thread is ended, so that no
  // pass reaches a front end that is going.
  thread_.StopSweeps();
  link_.Drop();
  thread_.ClearOnSweepDone();
  thread_.Terminate();
  thread_.WaitFor();
  if (request_) EndRequest(SweepOutcome::Aborted);
}

void InstrumentController::Emit(const Event& event) {
  if (!std::holds_alternative<event::Pass>(event)) Changed();
  listeners_.Emit(event);
}

void InstrumentController::Guard(const std::function<void()>& tick) {
  try {
    tick();
  } catch (const std::exception& error) {
    if (options_.onError) {
      options_.onError(error);
    } else {
      qWarning().noquote() << "Instrument controller:" << error.what();
    }
  }
}

void InstrumentController::DiscoveryTick() {
  const std::optional<std::string> version = link_.Discover();
  if (!version) return;
  discovery_.stop();
  watchdog_.start();
  Emit(event::Connected{*version});
  if (settings_.mode == measure::Mode::Generator) SendGeneratorSetup();
}

void InstrumentController::WatchdogTick() {
  if (link_.DeviceAnswers()) return;
  watchdog_.stop();
  Emit(event::Lost{});
  // Still marked connected here, so the stop command goes to the lost device and fails quietly.
  if (sweepRunning_) StopWith(SweepOutcome::Lost);
  link_.Drop();
  discovery_.start();
}

void InstrumentController::OnPass() {
  // Inside the hand-off: the thread waits, its levels hold still. Nothing here
  // allocates, so that an idle pass costs no more than the hand-off itself.
  const std::uint64_t completed = thread_.CompletedSweeps();
  const bool newSweep = completed != completedSeen_;
  completedSeen_ = completed;
  const std::uint64_t requested = thread_.SweepsRequested();
  const bool levelsRead = requested != requestedSeen_;
  requestedSeen_ = requested;
  try {
    if (newSweep && request_) DeliverSweep();
    Emit(event::Pass{newSweep, levelsRead});
  } catch (const std::exception& error) {
    if (options_.onError) {
      options_.onError(error);
    } else {
      qWarning().noquote() << "Instrument controller:" << error.what();
    }
  }
}

void InstrumentController::SetCalibrationValue(std::int16_t measure::LevelCalibration::*value,
                                               std::int16_t constant) {
  Changed();
  settings_.calibration.*value = constant;
}

void InstrumentController::SetZeroDbAnaliser(std::int32_t value) {
  Changed();
  settings_.zeroDbAnaliser = measure::AnaliserOffset(value);
}

void InstrumentController::SetMarker(bool shown, std::int32_t row) {
  Changed();
  settings_.visir = shown;
  settings_.visirValue = row;
}

void InstrumentController::SetRealFreq(std::int32_t value) {
  Changed();
  settings_.realFreq = measure::MeasuredFrequency(value);
}

void InstrumentController::SetCorrFreq(std::int32_t value) {
  Changed();
  settings_.corrFreq = value;
}

void InstrumentController::SetDds(std::int32_t value) {
  Changed();
  settings_.dds = value;
}

void InstrumentController::SetVfoDiv(bool value) {
  Changed();
  settings_.vfoDiv = value;
}

void InstrumentController::SelectMode(measure::Mode mode, bool selected) {
  Changed();
  measure::SelectMode(settings_, mode, selected);
}

void InstrumentController::StoreDelayIndex(std::int32_t index) {
  if (!measure::ValidDelayIndex(index)) return;
  settings_.delayIndex = index;
  Emit(event::PeriodChanged{index});
}

void InstrumentController::StoreDelay(bool on) {
  if (settings_.delay != on) SetDelay(on);
}

void InstrumentController::StoreAveraging(bool on) {
  if (settings_.averaging != on) SetAveraging(on);
}

}  // namespace virn::control
