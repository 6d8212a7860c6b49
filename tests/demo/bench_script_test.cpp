// The bench script: a regular file read once to its end, a FIFO read while
// writers come and go, lines applied on the GUI thread in order with their
// numbers, wrong lines reported and skipped, and a prompt end with no writer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

#include "demo/bench_script.h"
#include "sim/bench.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "support/poll_until.h"

namespace virn::demo {
namespace {

struct BenchScriptFixture : ::testing::Test {
  QTemporaryDir dir;
  sim::SimBus bus;
  sim::TypicalBus devices = sim::PopulateTypicalBus(bus, {});
  sim::Bench bench{bus, devices.instrument};
  std::ostringstream out;
  std::ostringstream err;

  std::string PathOf(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
  std::string WriteFile(const char* name, const std::string& text) const {
    const std::string path = PathOf(name);
    FILE* file = std::fopen(path.c_str(), "w");
    EXPECT_NE(file, nullptr);
    std::fputs(text.c_str(), file);
    std::fclose(file);
    return path;
  }
  std::string MakeFifo(const char* name) const {
    const std::string path = PathOf(name);
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  }
};

// A writer of the FIFO, as a shell's `echo ... > fifo` or a test program.
struct FifoWriter {
  int fd = -1;
  explicit FifoWriter(const std::string& path) : fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC)) {}
  ~FifoWriter() {
    if (fd >= 0) ::close(fd);
  }
  bool Write(const std::string& text) const {
    return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }
};

TEST_F(BenchScriptFixture, RegularFileIsReadToItsEndOnce) {
  // The last line has no line break and still counts.
  const std::string path =
      WriteFile("bench.txt", "dut through\n# a comment\n\nclock-ppm -3\ncounter\nbogus line\r\nlevels");
  BenchScript script(path, bench, out, err);
  EXPECT_FALSE(script.ReadsAFifo());
  ASSERT_TRUE(test::PollUntil([&] { return script.LinesHandled() == 7; }));
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::Through);
  EXPECT_EQ(bench.ClockPpm(), -3);
  EXPECT_EQ(err.str(), "virn-demo: bench line 6: unknown command 'bogus'\n");
  std::istringstream printed(out.str());
  std::string counter, levels, more;
  std::getline(printed, counter);
  std::getline(printed, levels);
  EXPECT_EQ(counter, "counter: no signal");
  EXPECT_EQ(levels.substr(0, 12), "levels: 0 0 ");
  EXPECT_FALSE(std::getline(printed, more));
  QApplication::processEvents();
  EXPECT_EQ(script.LinesHandled(), 7);
}

TEST_F(BenchScriptFixture, FifoLinesArriveAsTheyAreWrittenByWritersThatComeAndGo) {
  const std::string path = MakeFifo("bench.fifo");
  BenchScript script(path, bench, out, err);
  EXPECT_TRUE(script.ReadsAFifo());
  {
    const FifoWriter writer(path);
    ASSERT_GE(writer.fd, 0);
    ASSERT_TRUE(writer.Write("dut open\n"));
    ASSERT_TRUE(test::PollUntil([&] { return bench.Dut() == sim::DeviceUnderTest::Open; }));
    // A wrong line is reported with its number; the lines after it still apply.
    ASSERT_TRUE(writer.Write("dut attenuator 20\ndut attenuator 40\n"));
    ASSERT_TRUE(test::PollUntil([&] { return bench.Dut() == sim::DeviceUnderTest::Attenuator40; }));
    EXPECT_EQ(err.str(), "virn-demo: bench line 2: 'dut attenuator' takes 12 or 40\n");
  }
  // The first writer has gone; the script still reads the next one, and a line
  // written in two pieces is one line.
  const FifoWriter next(path);
  ASSERT_GE(next.fd, 0);
  ASSERT_TRUE(next.Write("clock-"));
  QThread::msleep(50);  // lets the reader take the first piece on its own
  QApplication::processEvents();
  ASSERT_TRUE(next.Write("ppm 7.5\nunplug\n"));
  ASSERT_TRUE(test::PollUntil([&] { return !bench.Plugged(); }));
  EXPECT_EQ(bench.ClockPpm(), 7.5);
  EXPECT_EQ(script.LinesHandled(), 5);
  ASSERT_TRUE(next.Write("bogus\n"));
  ASSERT_TRUE(test::PollUntil([&] { return script.LinesHandled() == 6; }));
  EXPECT_NE(err.str().find("virn-demo: bench line 6: unknown command 'bogus'\n"), std::string::npos);
}

TEST_F(BenchScriptFixture, OverlongLineIsReportedAndTheNextOneApplies) {
  const std::string path = WriteFile("long.txt", std::string(3 * kMaxBenchLineLength, 'x') + "\ndut open\n");
  BenchScript script(path, bench, out, err);
  ASSERT_TRUE(test::PollUntil([&] { return script.LinesHandled() == 2; }));
  EXPECT_EQ(err.str(), "virn-demo: bench line 1: line too long\n");
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::Open);
}

TEST_F(BenchScriptFixture, EndsAtOnceWithNoWriterAndDropsWhatItHasNotApplied) {
  {
    const BenchScript idle(MakeFifo("never.fifo"), bench, out, err);
    EXPECT_EQ(idle.LinesHandled(), 0);
  }
  {
    // Lines read but not yet applied when the script goes are never applied.
    const BenchScript gone(WriteFile("late.txt", "dut through\nunplug\n"), bench, out, err);
  }
  QApplication::processEvents();
  EXPECT_EQ(bench.Dut(), sim::DeviceUnderTest::BandPass);
  EXPECT_TRUE(bench.Plugged());
  EXPECT_EQ(err.str(), "");
}

TEST_F(BenchScriptFixture, FileThatCannotBeOpenedThrowsWithItsNameAndReason) {
  const std::string missing = PathOf("missing.txt");
  try {
    BenchScript script(missing, bench, out, err);
    ADD_FAILURE() << "no exception";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    EXPECT_NE(std::string(error.what()).find(missing), std::string::npos) << error.what();
  }
  try {
    BenchScript script(dir.path().toStdString(), bench, out, err);
    ADD_FAILURE() << "no exception";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::errc::is_a_directory);
  }
}

}  // namespace
}  // namespace virn::demo
