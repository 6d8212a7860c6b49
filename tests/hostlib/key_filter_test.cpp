// lbReplaceIntegerChar of libklmlibb.so, linked the way the program links it.
#include <gtest/gtest.h>

#include <cstdint>

#include "hostlib/klm_exports.h"

namespace {

uint32_t Filter(uint32_t typed, uint32_t slot = 0) {
  lbReplaceIntegerChar(typed, &slot);
  return slot;
}

TEST(ReplaceIntegerChar, DigitsAndBackspacePassEverythingElseIsDropped) {
  for (uint32_t c = 0; c <= 0xFF; ++c) {
    const bool passes = (c >= '0' && c <= '9') || c == 8;
    EXPECT_EQ(Filter(c, 0xFF), passes ? c : 0u) << "character " << c;
  }
}

TEST(ReplaceIntegerChar, KeepsTheUpperBitsOfTheSlot) {
  EXPECT_EQ(Filter('7', 0xAABBCCDDu), 0xAABBCC37u);
  EXPECT_EQ(Filter('x', 0xAABBCCDDu), 0xAABBCC00u);
  EXPECT_EQ(Filter(8, 0x12345600u), 0x12345608u);
  lbReplaceIntegerChar('5', nullptr);  // no slot: nothing to write, and no crash
}

TEST(ReplaceIntegerChar, LooksAtTheLowByteOfTheTypedValueOnly) {
  EXPECT_EQ(Filter(0x1234u), static_cast<uint32_t>('4'));
  EXPECT_EQ(Filter(0xFFFFFF41u), 0u);
}

}  // namespace
