// The program's own discovery, handshake and watchdog over the libftdi backend
// and the emulated bus: the instrument is found behind the chip that is not
// it, and its loss and return are noticed.
#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <vector>

#include "link/d2xx_unit.h"
#include "link/ftdi_backend.h"
#include "link/instrument_link.h"
#include "sim/sim_factory.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

class Host : public link::LinkHost {
 public:
  QString panels[2];
  bool discovery = true;
  bool watchdog = false;

  void SetStatusPanel(int panel, const QString& text) override { panels[panel] = text; }
  void SetDiscoveryEnabled(bool enabled) override { discovery = enabled; }
  void SetWatchdogEnabled(bool enabled) override { watchdog = enabled; }
  bool GeneratorModeDown() const override { return false; }
  void SendGeneratorSetup() override {}
  bool SweepRunning() const override { return false; }
  void StopSweep() override {}
};

TEST(InstrumentLinkOnUsb, DiscoveryFindsTheInstrumentAndTheWatchdogSeesItGoAndComeBack) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  link::D2XXUnit unit(backend);
  std::vector<std::string> errors;
  unit.SetErrorSink([&](const std::string& message) { errors.push_back(message); });
  link::InstrumentLink instrumentLink(unit);
  Host host;

  instrumentLink.DiscoveryTick(host);
  ASSERT_TRUE(instrumentLink.Connected());
  EXPECT_EQ(unit.SerialNumber, sim::kInstrumentSerial);
  EXPECT_EQ(host.panels[0], QStringLiteral("OK"));
  EXPECT_EQ(host.panels[1], QStringLiteral("Вер. МК: 2.07"));
  EXPECT_FALSE(host.discovery);
  EXPECT_TRUE(host.watchdog);
  // The chip listed first was asked too, and let go of when it did not answer.
  EXPECT_EQ(plugged.others[0]->BytesReceived(), link::kFrameSize);
  EXPECT_FALSE(plugged.others[0]->Port().IsOpen());
  EXPECT_EQ(plugged.instrument->State().versionQueries, 1u);
  EXPECT_EQ(plugged.instrumentChip->Settings().resets, 2u);  // the open's and the handshake's

  instrumentLink.WatchdogTick(host);
  EXPECT_TRUE(instrumentLink.Connected());
  bus.Unplug(*plugged.instrumentChip);
  instrumentLink.WatchdogTick(host);
  EXPECT_FALSE(instrumentLink.Connected());
  EXPECT_EQ(host.panels[0], QStringLiteral("Нет связи"));
  EXPECT_TRUE(host.discovery);
  EXPECT_FALSE(host.watchdog);

  instrumentLink.DiscoveryTick(host);
  EXPECT_FALSE(instrumentLink.Connected());
  bus.Replug(*plugged.instrumentChip);
  instrumentLink.DiscoveryTick(host);
  EXPECT_TRUE(instrumentLink.Connected());
  EXPECT_EQ(plugged.instrument->State().versionQueries, 2u);
  EXPECT_EQ(unit.CloseFTDevice(), link::FT_OK);
}

}  // namespace
}  // namespace virn::usbemu
