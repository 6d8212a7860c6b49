#include "link/command_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace virn::link {
namespace {

TEST(CommandFrameTest, ArgumentIsLittleEndianTwosComplement) {
  EXPECT_EQ(EncodeFrame(2, 420), (Frame{0x02, 0xA4, 0x01, 0x00, 0x00}));
  EXPECT_EQ(EncodeFrame(3, 100000), (Frame{0x03, 0xA0, 0x86, 0x01, 0x00}));
  EXPECT_EQ(EncodeFrame(4, -1), (Frame{0x04, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(EncodeFrame(4, INT32_MIN), (Frame{0x04, 0x00, 0x00, 0x00, 0x80}));
}

TEST(CommandFrameTest, DecodeInvertsEncode) {
  for (std::int32_t arg : {0, 1, -1, 420, 45000000, INT32_MIN, INT32_MAX, -123456}) {
    const Command c = DecodeFrame(EncodeFrame(13, arg));
    EXPECT_EQ(c.opcode, 13);
    EXPECT_EQ(c.argument, arg);
  }
}

TEST(CommandFrameTest, AssemblerJoinsPiecesAndSplitsRuns) {
  FrameAssembler assembler;
  std::vector<Command> seen;
  const auto sink = [&](const Frame& f) { seen.push_back(DecodeFrame(f)); };
  const Frame a = EncodeFrame(9, 0);
  const Frame b = EncodeFrame(5, 3);
  assembler.Feed(std::span(a).first(2), sink);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(assembler.Pending(), 2u);
  std::vector<std::uint8_t> rest(a.begin() + 2, a.end());
  rest.insert(rest.end(), b.begin(), b.end());
  rest.push_back(0x07);
  assembler.Feed(rest, sink);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (Command{9, 0}));
  EXPECT_EQ(seen[1], (Command{5, 3}));
  EXPECT_EQ(assembler.Pending(), 1u);
  assembler.Reset();
  EXPECT_EQ(assembler.Pending(), 0u);
}

}  // namespace
}  // namespace virn::link
