// The wire-log line format and the log file the demo program writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "sim/wire_log.h"
#include "sim/wire_log_writer.h"

namespace virn::sim::test {
namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(WireLogLine, TimeThenFiveUpperCaseHexBytes) {
  EXPECT_EQ(FormatWireLogLine({1234, link::EncodeFrame(2, 420)}), "1234 02 A4 01 00 00");
  EXPECT_EQ(FormatWireLogLine({0, link::EncodeFrame(3, 100000)}), "0 03 A0 86 01 00");
  EXPECT_EQ(FormatWireLogLine({98765432100, link::EncodeFrame(4, -1)}), "98765432100 04 FF FF FF FF");
  EXPECT_EQ(FormatWireLogLine({7, link::Frame{0xAB, 0xCD, 0xEF, 0x10, 0x0A}}), "7 AB CD EF 10 0A");
}

class WireLogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path = std::filesystem::temp_directory_path() /
           ("virn_wire_log_" + std::string(info->name()) + "_" + std::to_string(::getpid()) + ".txt");
  }
  void TearDown() override { std::filesystem::remove(path); }
  std::filesystem::path path;
};

TEST_F(WireLogFile, EachLineIsInTheFileAsSoonAsItIsWritten) {
  WireLogWriter writer(path.string());
  writer.Write({10, link::EncodeFrame(9, 0)});
  EXPECT_EQ(ReadLines(path), std::vector<std::string>{"10 09 00 00 00 00"});
  const FrameSink sink = writer.Sink();
  sink({25, link::EncodeFrame(7, 1)});
  EXPECT_EQ(ReadLines(path), (std::vector<std::string>{"10 09 00 00 00 00", "25 07 01 00 00 00"}));
}

TEST_F(WireLogFile, SinkOutlivesTheWriter) {
  FrameSink sink;
  {
    WireLogWriter writer(path.string());
    sink = writer.Sink();
  }
  sink({1, link::EncodeFrame(6, 0)});
  EXPECT_EQ(ReadLines(path), std::vector<std::string>{"1 06 00 00 00 00"});
}

TEST_F(WireLogFile, OpeningTruncatesAnEarlierLog) {
  { std::ofstream(path) << "old line\n"; }
  WireLogWriter writer(path.string());
  EXPECT_TRUE(ReadLines(path).empty());
}

TEST_F(WireLogFile, UnwritablePathThrowsNamingTheFile) {
  const std::string bad = (path / "no" / "such" / "dir.txt").string();
  try {
    WireLogWriter writer(bad);
    FAIL() << "expected an exception";
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
    EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
  }
}

}  // namespace
}  // namespace virn::sim::test
