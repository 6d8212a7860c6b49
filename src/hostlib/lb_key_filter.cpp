// lbReplaceIntegerChar: the key filter of the digit-only fields.
#include "hostlib/klm_exports.h"

namespace {
constexpr uint32_t kBackspace = 8;
}

extern "C" void lbReplaceIntegerChar(uint32_t typedChar, uint32_t* slot) {
  if (slot == nullptr) return;
  const uint32_t typed = typedChar & 0xFFu;
  const bool passes = (typed >= '0' && typed <= '9') || typed == kBackspace;
  *slot = (*slot & ~0xFFu) | (passes ? typed : 0u);
}
