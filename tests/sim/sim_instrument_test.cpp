// The simulated instrument and the other FTDI devices as the program's discovery
// meets them: version replies right and wrong, frames in pieces, the wire log and
// the state the commands leave behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bus_helpers.h"
#include "sim/other_devices.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"

namespace virn::sim::test {
namespace {

using namespace link;

class Instrument : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Plug(instrument);
    handle = OpenOrFail(bus, "INSTR");
    ASSERT_EQ(bus.FT_SetTimeouts(handle, 20, 20), FT_OK);
  }
  std::vector<std::uint8_t> AskVersion() {
    EXPECT_EQ(SendFrame(bus, handle, 9, 0), FT_OK);
    return ReadUpTo(bus, handle, 11);
  }
  static Frame F(std::uint8_t opcode, std::int32_t argument) { return EncodeFrame(opcode, argument); }

  SimBus bus;
  std::shared_ptr<SimInstrument> instrument = std::make_shared<SimInstrument>("INSTR");
  FT_HANDLE handle = 0;
};

TEST_F(Instrument, AnswersTheVersionQueryWithElevenBytesHoldingTheMarker) {
  const auto reply = AskVersion();
  ASSERT_EQ(reply.size(), 11u);
  const std::string text(reply.begin(), reply.begin() + 10);
  EXPECT_EQ(text, "{AFT};2.07");
  EXPECT_EQ(reply[10], '\r');
  EXPECT_EQ(instrument->State().versionQueries, 1u);
  EXPECT_EQ(RxBytes(bus, handle), 0u);
}

TEST_F(Instrument, ReplyIsConfigurable) {
  instrument->SetVersionReply(MakeVersionReply("{AFT};3.1", 0x7F));
  const auto reply = AskVersion();
  ASSERT_EQ(reply.size(), 11u);
  EXPECT_EQ(std::string(reply.begin(), reply.begin() + 9), "{AFT};3.1");
  EXPECT_EQ(reply[9], 0);  // short texts are padded with zero bytes
  EXPECT_EQ(reply[10], 0x7F);
}

TEST_F(Instrument, OnlyTheVersionQueryWithArgumentZeroIsAnswered) {
  for (const std::uint8_t op : {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13})
    ASSERT_EQ(SendFrame(bus, handle, op, 0), FT_OK);
  ASSERT_EQ(SendFrame(bus, handle, 9, 1), FT_OK);
  EXPECT_EQ(RxBytes(bus, handle), 0u);
  EXPECT_EQ(instrument->WireLog().size(), 12u);
}

TEST_F(Instrument, ReassemblesFramesSplitAcrossWrites) {
  const Frame steps = F(2, 420);
  const Frame query = F(9, 0);
  // 2 + 3 bytes, then one write carrying the whole query plus half a frame,
  // then the other half.
  ASSERT_EQ(WriteBytes(bus, handle, {steps[0], steps[1]}), FT_OK);
  EXPECT_TRUE(instrument->WireLog().empty());
  ASSERT_EQ(WriteBytes(bus, handle, {steps[2], steps[3], steps[4]}), FT_OK);
  const Frame stop = F(6, 0);
  ASSERT_EQ(WriteBytes(bus, handle, {query[0], query[1], query[2], query[3], query[4], stop[0], stop[1]}),
            FT_OK);
  ASSERT_EQ(WriteBytes(bus, handle, {stop[2], stop[3], stop[4]}), FT_OK);

  const auto log = instrument->WireLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].frame, steps);
  EXPECT_EQ(log[1].frame, query);
  EXPECT_EQ(log[2].frame, stop);
  EXPECT_EQ(ReadUpTo(bus, handle, 11).size(), 11u);
  EXPECT_EQ(instrument->State().sweepSteps, 420);
  EXPECT_EQ(instrument->State().stops, 1u);
}

TEST_F(Instrument, ResetDropsAHalfReceivedFrame) {
  ASSERT_EQ(WriteBytes(bus, handle, {9, 0, 0}), FT_OK);
  ASSERT_EQ(bus.FT_ResetDevice(handle), FT_OK);
  EXPECT_EQ(AskVersion().size(), 11u);  // aligned again: the query is understood
  ASSERT_EQ(instrument->WireLog().size(), 1u);
  EXPECT_EQ(instrument->WireLog()[0].frame, F(9, 0));
}

TEST_F(Instrument, ReopenDropsAHalfReceivedFrame) {
  ASSERT_EQ(WriteBytes(bus, handle, {2, 0xA4}), FT_OK);
  ASSERT_EQ(bus.FT_Close(handle), FT_OK);
  handle = OpenOrFail(bus, "INSTR");
  ASSERT_EQ(SendFrame(bus, handle, 12, 1), FT_OK);
  ASSERT_EQ(instrument->WireLog().size(), 1u);
  EXPECT_EQ(instrument->WireLog()[0].frame, F(12, 1));
}

TEST_F(Instrument, WireLogTimesAreMonotonicAndWithinTheDevicesLifetime) {
  const std::int64_t before = instrument->ElapsedMs();
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(SendFrame(bus, handle, 5, i % 4 + 1), FT_OK);
    if (i % 5 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const std::int64_t after = instrument->ElapsedMs();
  const auto log = instrument->WireLog();
  ASSERT_EQ(log.size(), 20u);
  EXPECT_GE(log.front().timeMs, before);
  EXPECT_LE(log.back().timeMs, after);
  EXPECT_TRUE(std::is_sorted(log.begin(), log.end(),
                             [](const WireEntry& a, const WireEntry& b) { return a.timeMs < b.timeMs; }));
  for (int i = 0; i < 20; ++i) EXPECT_EQ(log[i].frame, F(5, i % 4 + 1));
  instrument->ClearWireLog();
  EXPECT_TRUE(instrument->WireLog().empty());
}

TEST_F(Instrument, CommandsLeaveTheirValuesInTheState) {
  const std::vector<Frame> frames = {F(1, 43),      F(2, 420), F(3, 100000), F(4, -1), F(5, 3),
                                     F(8, 1000000), F(11, 1),  F(12, 1),     F(13, 1), F(7, 1),
                                     F(7, 1),       F(0, 5),   F(10, 0),     F(200, 0)};
  for (const Frame& f : frames) ASSERT_EQ(WriteBytes(bus, handle, {f.begin(), f.end()}), FT_OK);
  const InstrumentState s = instrument->State();
  EXPECT_EQ(s.ddsCoefficient, 43);
  EXPECT_EQ(s.sweepSteps, 420);
  EXPECT_EQ(s.startWord, 100000);
  EXPECT_EQ(s.stepHz, -1);
  EXPECT_EQ(s.periodIndex, 3);
  EXPECT_EQ(s.generatorWord, 1000000);
  EXPECT_TRUE(s.linearDetector);
  EXPECT_TRUE(s.delay);
  EXPECT_TRUE(s.averaging);
  EXPECT_EQ(s.sweepRequests, 2u);
  EXPECT_EQ(s.unknownFrames, 3u);
  ASSERT_EQ(SendFrame(bus, handle, 11, 0), FT_OK);
  EXPECT_FALSE(instrument->State().linearDetector);
}

TEST_F(Instrument, SinkSeesEveryFrameInOrderAndMayReadTheLog) {
  std::vector<WireEntry> seen;
  std::vector<std::size_t> logSizes;
  instrument->SetFrameSink([&](const WireEntry& e) {
    seen.push_back(e);
    logSizes.push_back(instrument->WireLog().size());  // would deadlock if called under the lock
  });
  ASSERT_EQ(SendFrame(bus, handle, 2, 420), FT_OK);
  ASSERT_EQ(SendFrame(bus, handle, 9, 0), FT_OK);
  EXPECT_EQ(seen, instrument->WireLog());
  EXPECT_EQ(logSizes, (std::vector<std::size_t>{1, 2}));
  instrument->SetFrameSink(nullptr);
  ASSERT_EQ(SendFrame(bus, handle, 6, 0), FT_OK);
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(Instrument, WireLogKeepsTheLatestFramesWhileTheSinkSeesEveryOne) {
  std::size_t sunk = 0;
  instrument->SetFrameSink([&](const WireEntry&) { ++sunk; });
  instrument->SetWireLogLimit(5);
  for (int i = 0; i < 12; ++i) ASSERT_EQ(SendFrame(bus, handle, 12, i), FT_OK);
  auto log = instrument->WireLog();
  ASSERT_EQ(log.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(log[static_cast<std::size_t>(i)].frame, F(12, 7 + i));
  EXPECT_EQ(sunk, 12u);
  EXPECT_EQ(instrument->FramesReceived(), 12u);

  instrument->SetWireLogLimit(2);  // a smaller limit trims at once, oldest first
  log = instrument->WireLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].frame, F(12, 10));
  EXPECT_EQ(log[1].frame, F(12, 11));

  instrument->SetWireLogLimit(0);
  ASSERT_EQ(SendFrame(bus, handle, 12, 0), FT_OK);
  EXPECT_TRUE(instrument->WireLog().empty());
  EXPECT_EQ(instrument->FramesReceived(), 13u);
  EXPECT_EQ(sunk, 13u);
}

TEST_F(Instrument, WireLogIsCappedByDefaultForLongRuns) {
  const std::size_t total = kDefaultWireLogLimit + 25;
  for (std::size_t i = 0; i < total; ++i) {
    ASSERT_EQ(SendFrame(bus, handle, 13, static_cast<std::int32_t>(i)), FT_OK);
  }
  const auto log = instrument->WireLog();
  ASSERT_EQ(log.size(), kDefaultWireLogLimit);
  EXPECT_EQ(log.front().frame, F(13, 25));
  EXPECT_EQ(log.back().frame, F(13, static_cast<std::int32_t>(total - 1)));
  EXPECT_EQ(instrument->FramesReceived(), total);
}

TEST_F(Instrument, GeneratorWordAndCoefficientAreKeptAndMuteCountsRequests) {
  ASSERT_EQ(SendFrame(bus, handle, 8, 7000000), FT_OK);
  ASSERT_EQ(SendFrame(bus, handle, 1, 44), FT_OK);
  instrument->SetMuted(true);
  ASSERT_EQ(SendFrame(bus, handle, 7, 1), FT_OK);
  ASSERT_EQ(SendFrame(bus, handle, 6, 0), FT_OK);
  const InstrumentState s = instrument->State();
  EXPECT_EQ(s.generatorWord, 7000000);
  EXPECT_EQ(s.ddsCoefficient, 44);
  EXPECT_EQ(s.sweepRequests, 1u);
  EXPECT_EQ(s.stops, 1u);
  EXPECT_TRUE(instrument->Muted());
}

class OtherDevices : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> QueryVersion(const std::string& serial) {
    const FT_HANDLE h = OpenOrFail(bus, serial);
    EXPECT_EQ(bus.FT_SetTimeouts(h, 20, 20), FT_OK);
    EXPECT_EQ(SendFrame(bus, h, 9, 0), FT_OK);
    auto reply = ReadUpTo(bus, h, 11);
    EXPECT_EQ(bus.FT_Close(h), FT_OK);
    return reply;
  }
  static bool HasMarker(const std::vector<std::uint8_t>& reply) {
    const std::string text(reply.begin(), reply.begin() + std::min<std::ptrdiff_t>(std::ssize(reply), 10));
    return text.find("{AFT};") != std::string::npos;
  }
  SimBus bus;
};

TEST_F(OtherDevices, SilentDeviceAnswersNothingButTakesTheBytes) {
  auto silent = std::make_shared<SilentDevice>("QUIET");
  bus.Plug(silent);
  EXPECT_TRUE(QueryVersion("QUIET").empty());
  EXPECT_EQ(silent->BytesReceived(), 5u);
}

TEST_F(OtherDevices, WrongRepliesLackTheExactMarker) {
  bus.Plug(std::make_shared<ReplyDevice>("LOWER", LowerCaseMarkerReply()));
  bus.Plug(std::make_shared<ReplyDevice>("NONE", NoMarkerReply()));
  const auto lower = QueryVersion("LOWER");
  ASSERT_EQ(lower.size(), 11u);
  EXPECT_EQ(std::string(lower.begin(), lower.begin() + 10), "{aft};2.07");
  EXPECT_FALSE(HasMarker(lower));
  const auto none = QueryVersion("NONE");
  ASSERT_EQ(none.size(), 11u);
  EXPECT_FALSE(HasMarker(none));
}

TEST_F(OtherDevices, ShortReplyDeliversOnlyItsBytesAndTheReadTimesOut) {
  auto device = std::make_shared<ReplyDevice>("SHORT", ShortReply(7));
  bus.Plug(device);
  const FT_HANDLE h = OpenOrFail(bus, "SHORT");
  ASSERT_EQ(bus.FT_SetTimeouts(h, 20, 20), FT_OK);
  ASSERT_EQ(SendFrame(bus, h, 9, 0), FT_OK);
  std::vector<std::uint8_t> buffer(11, 0);
  std::uint32_t got = 0;
  ASSERT_EQ(bus.FT_Read(h, buffer.data(), 11, &got), FT_OK);
  EXPECT_EQ(got, 7u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 7), "{AFT};2");
  EXPECT_TRUE(std::all_of(buffer.begin() + 7, buffer.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(device->VersionQueries(), 1u);
}

TEST_F(OtherDevices, MarkerAfterOtherCharactersIsStillInTheText) {
  bus.Plug(std::make_shared<ReplyDevice>("LATE", LateMarkerReply()));
  const auto reply = QueryVersion("LATE");
  ASSERT_EQ(reply.size(), 11u);
  EXPECT_EQ(std::string(reply.begin(), reply.begin() + 10), "v1{AFT};20");
  EXPECT_TRUE(HasMarker(reply));
}

TEST_F(OtherDevices, ReplyDeviceIgnoresOtherCommands) {
  auto device = std::make_shared<ReplyDevice>("R", NoMarkerReply());
  bus.Plug(device);
  const FT_HANDLE h = OpenOrFail(bus, "R");
  ASSERT_EQ(SendFrame(bus, h, 7, 1), FT_OK);
  ASSERT_EQ(SendFrame(bus, h, 9, 5), FT_OK);
  EXPECT_EQ(RxBytes(bus, h), 0u);
  EXPECT_EQ(device->VersionQueries(), 0u);
}

TEST(TypicalBusFactory, ListsTheOtherDevicesAheadOfTheInstrument) {
  SimBus bus;
  std::vector<WireEntry> seen;
  const TypicalBus typical = PopulateTypicalBus(bus, {.plugInstrument = true,
                                                      .otherDevices = 2,
                                                      .sink = [&](const WireEntry& e) { seen.push_back(e); },
                                                      .network = {}});
  EXPECT_EQ(bus.PluggedSerials(), (std::vector<std::string>{OtherDeviceSerial(0), OtherDeviceSerial(1),
                                                            std::string(kInstrumentSerial)}));
  ASSERT_EQ(typical.others.size(), 2u);
  const FT_HANDLE h = OpenOrFail(bus, std::string(kInstrumentSerial));
  ASSERT_EQ(SendFrame(bus, h, 9, 0), FT_OK);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(ReadUpTo(bus, h, 11), MakeVersionReply(kDefaultVersionText));
}

TEST(TypicalBusFactory, ScanningInListingOrderFindsTheInstrumentSecond) {
  // Discovery's walk: open each device in turn, ask its version, keep the one
  // with the exact marker, close the others.
  SimBus bus;
  auto lower = std::make_shared<ReplyDevice>("LOWER", LowerCaseMarkerReply());
  bus.Plug(lower);
  auto instrument = std::make_shared<SimInstrument>("INSTR");
  bus.Plug(instrument);
  std::uint32_t count = 0;
  ASSERT_EQ(bus.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  ASSERT_EQ(count, 2u);
  int found = -1;
  for (std::uint32_t index = 0; index < count && found < 0; ++index) {
    char serial[64] = {};
    ASSERT_EQ(bus.FT_ListDevices(reinterpret_cast<void*>(std::uintptr_t{index}), serial,
                                 FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
              FT_OK);
    const FT_HANDLE h = OpenOrFail(bus, serial);
    ASSERT_EQ(bus.FT_SetTimeouts(h, 20, 20), FT_OK);
    ASSERT_EQ(SendFrame(bus, h, 9, 0), FT_OK);
    const auto reply = ReadUpTo(bus, h, 11);
    const std::string text(reply.begin(), reply.begin() + std::min<std::ptrdiff_t>(std::ssize(reply), 10));
    if (text.find("{AFT};") != std::string::npos) {
      found = static_cast<int>(index);
    } else {
      EXPECT_EQ(bus.FT_Close(h), FT_OK);
    }
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(lower->VersionQueries(), 1u);
  EXPECT_EQ(instrument->State().versionQueries, 1u);
  EXPECT_EQ(bus.OpenHandleCount(), 1u);
}

TEST(TypicalBusFactory, OtherDeviceSerialsAreNumberedFromOne) {
  EXPECT_EQ(OtherDeviceSerial(0), "USBDEV01");
  EXPECT_EQ(OtherDeviceSerial(9), "USBDEV10");
  EXPECT_EQ(OtherDeviceSerial(99), "USBDEV100");
}

TEST(TypicalBusFactory, InstrumentCanStartUnplugged) {
  SimBus bus;
  const TypicalBus typical =
      PopulateTypicalBus(bus, {.plugInstrument = false, .otherDevices = 1, .sink = {}, .network = {}});
  EXPECT_EQ(bus.PluggedSerials(), std::vector<std::string>{OtherDeviceSerial(0)});
  ASSERT_NE(typical.instrument, nullptr);
  EXPECT_TRUE(bus.Plug(typical.instrument));
  EXPECT_EQ(bus.PluggedSerials().back(), kInstrumentSerial);
}

}  // namespace
}  // namespace virn::sim::test
