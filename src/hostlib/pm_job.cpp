#include "hostlib/pm_job.h"

#include <mutex>

namespace virn::hostlib {

namespace {

// More than any sheet of cards a user prints at once; beyond it cards are
// dropped rather than memory taken without bound.
constexpr std::size_t kMaxCards = 10000;

std::mutex& JobMutex() {
  static std::mutex mutex;
  return mutex;
}

PrintJob& Job() {
  static PrintJob job;
  return job;
}

}  // namespace

CardTexts CopyRecord(const TQSLDataPrint* record) {
  CardTexts texts;
  if (record == nullptr) return texts;
  for (std::size_t slot = 0; slot < texts.size(); ++slot) {
    if (record->Slots[slot] != nullptr) texts[slot] = QString::fromUtf8(record->Slots[slot]);
  }
  return texts;
}

PrintJob CurrentJob() {
  const std::lock_guard lock(JobMutex());
  return Job();
}

void ResetJob() {
  const std::lock_guard lock(JobMutex());
  Job() = PrintJob{};
}

void AddCard(CardTexts texts) {
  const std::lock_guard lock(JobMutex());
  if (Job().cards.size() < kMaxCards) Job().cards.push_back(std::move(texts));
}

void ChangeOptions(void (*change)(PrintOptions&, int), int value) {
  const std::lock_guard lock(JobMutex());
  change(Job().options, value);
}

}  // namespace virn::hostlib
