// The bench over a real simulated bus: plugging and unplugging as the D2XX
// listing sees it, the device under test as the next sweep measures it, the
// clock error as a frequency counter reads the generator, and the script lines
// with their two output formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bus_helpers.h"
#include "link/d2xx_unit.h"
#include "link/instrument_link.h"
#include "sim/bench.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"

namespace virn::sim::test {
namespace {

using namespace link;

class BenchOnBus : public ::testing::Test {
 protected:
  BenchOnBus() {
    typical = PopulateTypicalBus(bus, {.plugInstrument = true, .otherDevices = 1, .sink = {}, .network = {}});
    bench = std::make_unique<Bench>(bus, typical.instrument);
    bench->SetOnChange([this] { ++changes; });
    unit.SetErrorSink([this](const std::string& message) { linkErrors.push_back(message); });
  }
  std::uint32_t ListedDevices() {
    EXPECT_EQ(unit.GetFTDeviceCount(), FT_OK);
    return unit.DeviceCount.load();
  }
  // The program's side: open the instrument with the link module.
  void Connect() { ASSERT_EQ(unit.Open_USB_Device_By_Serial_Number(kInstrumentSerial), FT_OK); }
  // A sweep over the default range, read to its end.
  std::vector<std::uint8_t> Sweep() {
    SendCommand(unit, opcode::kPeriod, 1);
    SendCommand(unit, opcode::kStartWord, 100000);
    SendCommand(unit, opcode::kStep, 118810);
    const std::uint64_t before = typical.instrument->SweepsComputed();
    SendCommand(unit, opcode::kTakeSweep, 1);
    EXPECT_EQ(typical.instrument->SweepsComputed(), before + 1);
    const SweepLevels levels = bench->LastSweepLevels();
    return {levels.begin(), levels.end()};
  }
  std::string Run(const std::string& line) {
    std::ostringstream out;
    EXPECT_EQ(bench->Apply(line, out), "") << line;
    return out.str();
  }

  SimBus bus;
  TypicalBus typical;
  std::unique_ptr<Bench> bench;
  D2XXUnit unit{bus};
  int changes = 0;
  std::vector<std::string> linkErrors;
};

TEST_F(BenchOnBus, StartsWithTheFilterAndTenPpmAndTheBusesPlugState) {
  EXPECT_TRUE(bench->Plugged());
  EXPECT_EQ(bench->Dut(), DeviceUnderTest::BandPass);
  EXPECT_EQ(bench->ClockPpm(), 10);
  EXPECT_FALSE(bench->CounterHz());
  EXPECT_EQ(bench->Carrier().fundamentalHz, CarrierSignal{}.fundamentalHz);

  SimBus empty;
  const TypicalBus absent =
      PopulateTypicalBus(empty, {.plugInstrument = false, .otherDevices = 0, .sink = {}, .network = {}});
  const Bench unplugged(empty, absent.instrument);
  EXPECT_FALSE(unplugged.Plugged());
}

TEST_F(BenchOnBus, UnplugAndPlugShowInTheListing) {
  EXPECT_EQ(ListedDevices(), 2u);
  EXPECT_EQ(Run("unplug"), "");
  EXPECT_FALSE(bench->Plugged());
  EXPECT_EQ(ListedDevices(), 1u);
  EXPECT_EQ(bus.PluggedSerials(), std::vector<std::string>{OtherDeviceSerial(0)});
  EXPECT_EQ(changes, 1);
  Run("unplug");  // already so: nothing happens
  EXPECT_EQ(changes, 1);

  Run("plug");
  EXPECT_TRUE(bench->Plugged());
  EXPECT_EQ(ListedDevices(), 2u);
  EXPECT_EQ(bus.PluggedSerials().back(), std::string(kInstrumentSerial));
  EXPECT_EQ(changes, 2);
  bench->SetPlugged(true);
  EXPECT_EQ(changes, 2);
}

TEST_F(BenchOnBus, DeviceUnderTestChangesTheNextSweep) {
  Connect();
  const auto filter = Sweep();
  EXPECT_NEAR(filter[167], 232, 1);  // 236 - 2.8 * 1.5 dB in the passband
  EXPECT_LT(filter[10], 25);         // the stop band on the floor

  const auto flatAt = [](const std::vector<std::uint8_t>& levels, int level) {
    return std::all_of(levels.begin(), levels.end(),
                       [level](std::uint8_t b) { return std::abs(b - level) <= 1; });
  };
  Run("dut through");
  EXPECT_EQ(bench->Dut(), DeviceUnderTest::Through);
  EXPECT_FALSE(flatAt(Sweep(), 236));  // the output rolls off towards 50 MHz
  Run("output flat");
  EXPECT_TRUE(bench->FlatOutput());
  EXPECT_TRUE(flatAt(Sweep(), 236));
  Run("dut attenuator 12");
  EXPECT_TRUE(flatAt(Sweep(), 202));  // 236 - 2.8 * 12
  Run("dut attenuator 40");
  EXPECT_TRUE(flatAt(Sweep(), 124));
  Run("dut open");
  const auto open = Sweep();
  EXPECT_LT(*std::max_element(open.begin(), open.end()), 25);
  EXPECT_NE(*std::max_element(open.begin(), open.end()), *std::min_element(open.begin(), open.end()));

  Run("carrier 20e6 -20");
  EXPECT_EQ(bench->Carrier().fundamentalHz, 20e6);
  EXPECT_EQ(bench->Carrier().levelDb, -20);
  EXPECT_EQ(bench->Dut(), DeviceUnderTest::Open);  // the carrier is set up, not yet connected
  Run("dut carrier");
  const auto carrier = Sweep();
  EXPECT_NEAR(*std::max_element(carrier.begin() + 150, carrier.begin() + 185), 180, 3);  // 236 - 2.8 * 20
  EXPECT_NEAR(*std::max_element(carrier.begin() + 320, carrier.begin() + 350), 152, 3);  // 40 MHz, -30 dB
  EXPECT_LT(carrier[80], 25);  // 9.6 MHz, no harmonic

  Run("dut bandpass");
  EXPECT_NEAR(Sweep()[167], 232, 1);
  EXPECT_EQ(changes, 8);
}

TEST_F(BenchOnBus, CounterReadsTheGeneratorWithTheClockError) {
  Connect();
  Run("clock-ppm 10");
  SendCommand(unit, opcode::kGeneratorWord, 45000000);
  EXPECT_EQ(bench->CounterHz(), 45000450);
  EXPECT_EQ(Run("counter"), "counter: 45000450 Hz\n");
  Run("clock-ppm -20");
  EXPECT_EQ(bench->ClockPpm(), -20);
  EXPECT_EQ(bench->CounterHz(), 44999100);
  Run("clock-ppm 0.35");
  EXPECT_EQ(bench->CounterHz(), 45000016);  // 45 000 015.75 to the nearest hertz

  // A sweep is no steady carrier; the next generator word is.
  SendCommand(unit, opcode::kTakeSweep, 1);
  EXPECT_FALSE(bench->CounterHz());
  EXPECT_EQ(Run("counter"), "counter: no signal\n");
  SendCommand(unit, opcode::kGeneratorWord, 1000000);
  EXPECT_EQ(bench->CounterHz(), 1000000);  // 1 000 000.35

  // Unplugged there is nothing to count; plugged back, the output starts off.
  Run("unplug");
  EXPECT_FALSE(bench->CounterHz());
  Run("plug");
  EXPECT_FALSE(bench->CounterHz());
  EXPECT_EQ(Run("counter"), "counter: no signal\n");
  ASSERT_EQ(unit.CloseFTDevice(), FT_OK);
  Connect();
  SendCommand(unit, opcode::kGeneratorWord, 2000000);
  EXPECT_EQ(bench->CounterHz(), 2000001);  // 2 000 000.7
  EXPECT_TRUE(linkErrors.empty());
}

TEST_F(BenchOnBus, LevelsLineHoldsTheLastSweepsBytes) {
  std::string zeros = "levels:";
  for (int i = 0; i < kSweepPoints; ++i) zeros += " 0";
  EXPECT_EQ(Run("levels"), zeros + "\n");  // nothing measured yet
  Connect();
  Run("dut attenuator 40");
  const auto levels = Sweep();
  std::istringstream line(Run("levels"));
  std::string word;
  line >> word;
  EXPECT_EQ(word, "levels:");
  std::vector<std::uint8_t> read;
  int value = 0;
  while (line >> value) read.push_back(static_cast<std::uint8_t>(value));
  EXPECT_EQ(read, levels);
  EXPECT_EQ(changes, 1);  // reading changes nothing
}

TEST_F(BenchOnBus, MalformedLinesChangeNothingAndSayWhy) {
  std::ostringstream out;
  EXPECT_EQ(bench->Apply("foo", out), "unknown command 'foo'");
  EXPECT_EQ(bench->Apply("dut attenuator 20", out), "'dut attenuator' takes 12 or 40");
  EXPECT_EQ(bench->Apply("clock-ppm 5000", out), "'clock-ppm' needs a number from -1000 to 1000");
  EXPECT_EQ(bench->Apply("# unplug", out), "");
  EXPECT_EQ(bench->Apply("", out), "");
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(bench->Plugged());
  EXPECT_EQ(bench->ClockPpm(), 10);
  EXPECT_EQ(bench->Dut(), DeviceUnderTest::BandPass);
}

TEST(BenchLines, CounterAndLevelsFormats) {
  EXPECT_EQ(CounterLine(45000450), "counter: 45000450 Hz");
  EXPECT_EQ(CounterLine(0), "counter: 0 Hz");
  EXPECT_EQ(CounterLine(std::nullopt), "counter: no signal");
  SweepLevels levels{};
  levels[0] = 236;
  levels[1] = 7;
  levels[420] = 255;
  const std::string line = LevelsLine(levels);
  EXPECT_EQ(line.substr(0, 18), "levels: 236 7 0 0 ");
  EXPECT_EQ(line.substr(line.size() - 6), " 0 255");
  EXPECT_EQ(std::count(line.begin(), line.end(), ' '), kSweepPoints);
}

}  // namespace
}  // namespace virn::sim::test
