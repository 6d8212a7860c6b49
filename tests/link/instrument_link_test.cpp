#include "link/instrument_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "link/command_frame.h"
#include "sim/other_devices.h"
#include "sim/sim_bus.h"
#include "sim/sim_instrument.h"
#include "support/call_log_d2xx.h"
#include "support/fake_d2xx.h"

namespace virn::link {
namespace {

std::vector<Command> Commands(const sim::SimInstrument& instrument) {
  std::vector<Command> commands;
  for (const auto& entry : instrument.WireLog()) commands.push_back(DecodeFrame(entry.frame));
  return commands;
}

struct LinkFixture : ::testing::Test {
  sim::SimBus bus;
  D2XXUnit unit{bus};
  InstrumentLink link{unit};
  LinkFixture() { unit.ShowFTErrors = false; }
  std::shared_ptr<sim::SimInstrument> PlugInstrument(const std::string& serial = "VIRN0001") {
    auto instrument = std::make_shared<sim::SimInstrument>(serial);
    bus.Plug(instrument);
    return instrument;
  }
};

TEST(VersionTextTest, MarkerMatchIsCaseSensitive) {
  EXPECT_TRUE(HasVersionMarker("{AFT};2.07"));
  EXPECT_TRUE(HasVersionMarker("v1{AFT};20"));
  EXPECT_FALSE(HasVersionMarker("{aft};2.07"));
  EXPECT_FALSE(HasVersionMarker("{AFT}2.07"));
  EXPECT_FALSE(HasVersionMarker(std::string(10, '\0')));
}

TEST(SendCommandTest, OneFivByteWriteLittleEndian) {
  test::FakeD2xx api;
  D2XXUnit unit(api);
  SendCommand(unit, 3, 100000);
  SendCommand(unit, 4, -1);
  EXPECT_EQ(api.written,
            std::vector<std::uint8_t>({0x03, 0xA0, 0x86, 0x01, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "FT_Write"), 2);
}

TEST(ReadFirmwareVersionTest, AppendsTenCharactersZerosIncluded) {
  test::FakeD2xx api;
  D2XXUnit unit(api);
  // Leftovers of an earlier read must not show through a short reply.
  api.incoming = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  unit.ReadFTDevice(11);
  api.incoming = {'{', 'A', 'F', 'T', '}', ';', '1'};
  std::string text = "pre";
  ReadFirmwareVersion(unit, text);
  EXPECT_EQ(text, std::string("pre{AFT};1\0\0\0", 13));
  EXPECT_EQ(api.written, std::vector<std::uint8_t>({9, 0, 0, 0, 0}));
}

TEST_F(LinkFixture, CommandsOtherThanSweepAndVersionNeedTheConnection) {
  auto instrument = PlugInstrument();
  unit.Open_USB_Device_By_Serial_Number("VIRN0001");
  EXPECT_FALSE(link.Send(opcode::kPeriod, 2));
  EXPECT_TRUE(link.Send(opcode::kTakeSweep, 1));
  EXPECT_TRUE(link.Send(opcode::kVersionQuery, 0));
  ASSERT_EQ(Commands(*instrument).size(), 2u);
  EXPECT_EQ(Commands(*instrument)[0], (Command{7, 1}));
}

TEST_F(LinkFixture, NoDeviceMeansOnlyTheCount) {
  test::FakeD2xx api;
  D2XXUnit fakeUnit(api);
  InstrumentLink fakeLink(fakeUnit);
  EXPECT_FALSE(fakeLink.Discover());
  EXPECT_EQ(api.calls, std::vector<std::string>({"FT_ListDevices"}));
}

TEST_F(LinkFixture, TheInstrumentFoundIsKeptOpenConnectedAndItsVersionReturned) {
  auto instrument = PlugInstrument();
  EXPECT_EQ(link.Discover(), std::string(sim::kDefaultVersionText));
  EXPECT_TRUE(link.Connected());
  ASSERT_EQ(Commands(*instrument).size(), 1u);
  EXPECT_EQ(Commands(*instrument)[0], (Command{9, 0}));
  EXPECT_EQ(bus.OpenHandleCount(), 1u);
}

TEST(DiscoverOnTheDevice, TheInstrumentFoundIsResetAndGivenTwentyMillisecondTimeOuts) {
  sim::SimBus bus;
  test::CallLogD2xx calls(bus);
  D2XXUnit unit(calls);
  unit.ShowFTErrors = false;
  bus.Plug(std::make_shared<sim::SimInstrument>("VIRN0001"));
  InstrumentLink link(unit);
  ASSERT_TRUE(link.Discover());
  EXPECT_EQ(calls.Calls(),
            (std::vector<std::string>{"open VIRN0001", "write 09 00 00 00 00", "reset", "timeouts 20 20"}));
}

TEST_F(LinkFixture, SecondDeviceIsTheInstrumentFoundInTheSameTick) {
  auto other = std::make_shared<sim::ReplyDevice>("OTHER001", sim::NoMarkerReply());
  bus.Plug(other);
  auto instrument = PlugInstrument();
  EXPECT_EQ(link.Discover(), std::string(sim::kDefaultVersionText));
  EXPECT_TRUE(link.Connected());
  EXPECT_EQ(other->VersionQueries(), 1u);
  EXPECT_FALSE(other->Port().IsOpen());  // queried and closed again
  EXPECT_EQ(bus.OpenHandleCount(), 1u);
}

TEST_F(LinkFixture, LaterDevicesAreNotOpenedOnceTheInstrumentIsFound) {
  auto first = PlugInstrument("VIRN0001");
  auto second = std::make_shared<sim::ReplyDevice>("LATER001", sim::NoMarkerReply());
  bus.Plug(second);
  link.Discover();
  EXPECT_EQ(second->VersionQueries(), 0u);
}

TEST_F(LinkFixture, LowerCaseMarkerShortReplyAndSilenceAreNotTheInstrument) {
  auto lower = std::make_shared<sim::ReplyDevice>("LOWER001", sim::LowerCaseMarkerReply());
  // Five bytes stop short of the marker's closing ";".
  auto shortReply = std::make_shared<sim::ReplyDevice>("SHORT001", sim::ShortReply(5));
  auto silent = std::make_shared<sim::SilentDevice>("QUIET001");
  bus.Plug(lower);
  bus.Plug(shortReply);
  bus.Plug(silent);
  EXPECT_FALSE(link.Discover());
  EXPECT_FALSE(link.Connected());
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
  EXPECT_EQ(lower->VersionQueries(), 1u);
  EXPECT_EQ(shortReply->VersionQueries(), 1u);
  // The next tick tries them all again.
  link.Discover();
  EXPECT_EQ(lower->VersionQueries(), 2u);
}

TEST_F(LinkFixture, AShortReplyWithTheMarkerShowsOnlyWhatArrived) {
  // Eight bytes: the marker and two version characters, the rest never comes.
  auto device = std::make_shared<sim::ReplyDevice>("SHORT002", sim::ShortReply(8));
  bus.Plug(device);
  EXPECT_EQ(link.Discover(), std::string("{AFT};2.\0\0", 10));
  ASSERT_TRUE(link.Connected());
}

TEST_F(LinkFixture, AnOpenDeviceThatFailsIsSkipped) {
  auto instrument = PlugInstrument("VIRN0001");
  // Another program holds the first instrument: it cannot be opened.
  FT_HANDLE held = 0;
  ASSERT_EQ(bus.FT_OpenEx("VIRN0001", FT_OPEN_BY_SERIAL_NUMBER, &held), FT_OK);
  auto second = PlugInstrument("VIRN0002");
  link.Discover();
  EXPECT_TRUE(link.Connected());
  EXPECT_EQ(Commands(*second).size(), 1u);
  EXPECT_TRUE(Commands(*instrument).empty());
  bus.FT_Close(held);
}

TEST_F(LinkFixture, TheStatusPollNoticesAnUnplugAndDropClosesTheDevice) {
  auto instrument = PlugInstrument();
  ASSERT_TRUE(link.Discover());
  EXPECT_TRUE(link.DeviceAnswers());
  bus.Unplug("VIRN0001");
  EXPECT_FALSE(link.DeviceAnswers());
  EXPECT_TRUE(link.Connected()) << "the poll alone changes nothing";
  link.Drop();
  EXPECT_FALSE(link.Connected());
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
  bus.Plug(instrument);
  EXPECT_TRUE(link.Discover());
}

}  // namespace
}  // namespace virn::link
