// What the instrument controller tells its front ends, as it happens: one
// value per kind of event, delivered synchronously, in order, on the thread
// that owns the controller. Events name no control and carry no text to show;
// each front end decides what they mean on its screen or its wire.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <variant>

#include "measure/settings_model.h"

namespace virn::control {

// The sweep range in effect: what the instrument was or will be told.
struct Range {
  std::int32_t StartFreq = 0;
  std::int32_t EndFreq = 0;
  std::int32_t SweepStep = 0;
  bool operator==(const Range&) const = default;
};

namespace event {
// The instrument was found and is connected; its ten characters of version
// text, zero bytes included.
struct Connected {
  std::string version;
};
// The instrument stopped answering; discovery runs again.
struct Lost {};
// An acquisition pass ended (idle, held or sweeping); sent from the hand-off,
// the acquisition thread waiting until every listener has returned.
// `newSweep`: the pass read out a whole sweep. `levelsRead`: it sent a sweep
// command, so the levels may have changed, whole or in part.
struct Pass {
  bool newSweep = false;
  bool levelsRead = false;
};
// The range was worked out again (or restated, with the same values).
struct RangeChanged {
  Range range;
};
struct Started {};
struct Stopped {};
struct PauseChanged {
  bool paused = false;
};
// A mode switch has been sent; the mode is the one now in effect.
struct ModeApplied {
  measure::Mode mode = measure::Mode::Sweep;
};
struct DetectorChanged {
  bool linear = false;
};
struct DelayChanged {
  bool on = false;
};
struct AveragingChanged {
  bool on = false;
};
// The period list's entry, 0..3.
struct PeriodChanged {
  std::int32_t index = 0;
};
}  // namespace event

using Event = std::variant<event::Connected, event::Lost, event::Pass, event::RangeChanged, event::Started,
                           event::Stopped, event::PauseChanged, event::ModeApplied, event::DetectorChanged,
                           event::DelayChanged, event::AveragingChanged, event::PeriodChanged>;
using Listener = std::function<void(const Event&)>;

// The listeners of one controller. Listeners may subscribe and unsubscribe
// while an event is being delivered; one subscribed then gets the next event.
// Delivering allocates nothing.
class Listeners {
 public:
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Listeners* owner, std::uint64_t id) : owner_(owner), id_(id) {}
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    // Unsubscribes.
    ~Subscription();
    void Reset();
    bool Active() const { return owner_ != nullptr; }

   private:
    Listeners* owner_ = nullptr;
    std::uint64_t id_ = 0;
  };

  Listeners() = default;
  Listeners(const Listeners&) = delete;
  Listeners& operator=(const Listeners&) = delete;

  // The subscription must go before the controller does.
  [[nodiscard]] Subscription Add(Listener listener);
  void Emit(const Event& event);

 private:
  void Remove(std::uint64_t id);

  struct Entry {
    std::uint64_t id = 0;
    Listener listener;
    // Cleared on unsubscribing; the listener itself goes once no delivery
    // runs, since it may be the one unsubscribing.
    bool active = true;
  };
  // A deque: an entry keeps its place while listeners are added during delivery.
  std::deque<Entry> entries_;
  std::uint64_t nextId_ = 1;
  int delivering_ = 0;
  bool removed_ = false;
};

using Subscription = Listeners::Subscription;

}  // namespace virn::control
