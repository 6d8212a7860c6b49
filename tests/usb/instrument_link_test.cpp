// The program's own discovery, handshake and status poll over the libftdi
// backend and the emulated bus: the instrument is found behind the chip that
// is not it, and its loss and return are noticed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/d2xx_unit.h"
#include "link/ftdi_backend.h"
#include "link/instrument_link.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

TEST(InstrumentLinkOnUsb, DiscoveryFindsTheInstrumentAndTheWatchdogSeesItGoAndComeBack) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  link::D2XXUnit unit(backend);
  std::vector<std::string> errors;
  unit.SetErrorSink([&](const std::string& message) { errors.push_back(message); });
  link::InstrumentLink instrumentLink(unit);

  EXPECT_EQ(instrumentLink.Discover(), std::string(sim::kDefaultVersionText));
  ASSERT_TRUE(instrumentLink.Connected());
  EXPECT_EQ(unit.SerialNumber, sim::kInstrumentSerial);
  // The chip listed first was asked too, and let go of when it did not answer.
  EXPECT_EQ(plugged.others[0]->BytesReceived(), link::kFrameSize);
  EXPECT_FALSE(plugged.others[0]->Port().IsOpen());
  EXPECT_EQ(plugged.instrument->State().versionQueries, 1u);
  EXPECT_EQ(plugged.instrumentChip->Settings().resets, 2u);  // the open's and the handshake's

  EXPECT_TRUE(instrumentLink.DeviceAnswers());
  bus.Unplug(*plugged.instrumentChip);
  EXPECT_FALSE(instrumentLink.DeviceAnswers());
  instrumentLink.Drop();
  EXPECT_FALSE(instrumentLink.Connected());

  EXPECT_FALSE(instrumentLink.Discover());
  bus.Replug(*plugged.instrumentChip);
  instrumentLink.Discover();
  EXPECT_TRUE(instrumentLink.Connected());
  EXPECT_EQ(plugged.instrument->State().versionQueries, 2u);
  EXPECT_EQ(unit.CloseFTDevice(), link::FT_OK);
}

}  // namespace
}  // namespace virn::usbemu
