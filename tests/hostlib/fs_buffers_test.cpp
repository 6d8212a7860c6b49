// The helpers behind the C buffers of libklmfsys.so.
#include "hostlib/fs_buffers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/scoped_env.h"

namespace virn::hostlib {
namespace {

TEST(CopyWhole, CopiesWithTheNulOrLeavesAnEmptyString) {
  std::array<char, 8> out;
  out.fill('#');
  EXPECT_TRUE(CopyWhole("1234567", out.data(), out.size()));
  EXPECT_STREQ(out.data(), "1234567");
  out.fill('#');
  EXPECT_FALSE(CopyWhole("12345678", out.data(), out.size()));
  EXPECT_STREQ(out.data(), "");
  // A NUL inside would silently shorten a path.
  out.fill('#');
  EXPECT_FALSE(CopyWhole(std::string_view("ab\0cd", 5), out.data(), out.size()));
  EXPECT_STREQ(out.data(), "");
}

TEST(CopyTruncated, CutsAtTheBufferSizeButNeverInsideAUtf8Sequence) {
  std::array<char, 6> out;
  CopyTruncated("abc", out.data(), out.size());
  EXPECT_STREQ(out.data(), "abc");
  CopyTruncated("abcdefgh", out.data(), out.size());
  EXPECT_STREQ(out.data(), "abcde");
  // "aНет": 1 + 2 + 2 + 2 bytes; five fit, and the fifth would be half of "т".
  CopyTruncated("a\xD0\x9D\xD0\xB5\xD1\x82", out.data(), out.size());
  EXPECT_STREQ(out.data(), "a\xD0\x9D\xD0\xB5");
  // Three-byte sequence cut after its first byte.
  CopyTruncated("abcd\xE2\x80\x94", out.data(), out.size());
  EXPECT_STREQ(out.data(), "abcd");
  CopyTruncated("anything", out.data(), 1);
  EXPECT_STREQ(out.data(), "");
}

TEST(ConfigHome, KeepsALoneSlashHome) {
  const test::ScopedEnv xdg("XDG_CONFIG_HOME", "/");
  EXPECT_EQ(ConfigHome(), "/");
  const test::ScopedEnv xdgUnset("XDG_CONFIG_HOME", nullptr);
  const test::ScopedEnv home("HOME", "/");
  EXPECT_EQ(ConfigHome(), "/.config");
}

}  // namespace
}  // namespace virn::hostlib
