#include "control/controller_events.h"

#include <algorithm>
#include <utility>

namespace virn::control {

Listeners::Subscription::Subscription(Subscription&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)), id_(other.id_) {}

Listeners::Subscription& Listeners::Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    Reset();
    owner_ = std::exchange(other.owner_, nullptr);
    id_ = other.id_;
  }
  return *this;
}

Listeners::Subscription::~Subscription() {
  Reset();
}

void Listeners::Subscription::Reset() {
  if (owner_ != nullptr) owner_->Remove(id_);
  owner_ = nullptr;
}

Listeners::Subscription Listeners::Add(Listener listener) {
  const std::uint64_t id = nextId_++;
  entries_.push_back({id, std::move(listener), true});
  return {this, id};
}

void Listeners::Remove(std::uint64_t id) {
  for (Entry& entry : entries_) {
    if (entry.id == id) entry.active = false;
  }
  removed_ = true;
  if (delivering_ == 0) {
    std::erase_if(entries_, [](const Entry& entry) { return !entry.active; });
    removed_ = false;
  }
}

void Listeners::Emit(const Event& event) {
  struct Delivery {
    Listeners& owner;
    explicit Delivery(Listeners& o) : owner(o) { ++owner.delivering_; }
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;
    ~Delivery() {
      if (--owner.delivering_ == 0 && owner.removed_) {
        std::erase_if(owner.entries_, [](const Entry& entry) { return !entry.active; });
        owner.removed_ = false;
      }
    }
  } delivery(*this);
  // Those who subscribe during this delivery start with the next event.
  const std::size_t count = entries_.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (entries_[i].active) entries_[i].listener(event);
  }
}

}  // namespace virn::control
