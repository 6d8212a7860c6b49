// What the print manager has been told since the last pmClearQSL: the cards
// to print (copies of their records' texts) and the settings of this print.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "hostlib/klm_exports.h"

namespace virn::hostlib {

using CardTexts = std::array<QString, KLM_QSL_DATA_SLOTS>;

struct PrintOptions {
  bool helpVisible = true;
  bool countVisible = true;
  // How many slots fill data fields; 0 for all.
  int fields = 0;
  bool publisherVisible = true;
};

struct PrintJob {
  std::vector<CardTexts> cards;
  PrintOptions options;
};

// The texts of a record, copied: the caller frees the record when it likes.
// A null record gives empty texts.
CardTexts CopyRecord(const TQSLDataPrint* record);

// The job of the calls so far. The exports change it under a lock; a print
// works on a copy.
PrintJob CurrentJob();
void ResetJob();
void AddCard(CardTexts texts);
void ChangeOptions(void (*change)(PrintOptions&, int), int value);

}  // namespace virn::hostlib
