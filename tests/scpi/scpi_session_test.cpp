// One client's conversation over the simulated bus: replies, the error queue,
// the waits of *OPC? and *WAI for a sweep, *RST, the mode buttons, and the
// marker's bandwidth against the window's own marker. A lost instrument and
// the simulated filter's band are the PyVISA test's (pyvisa_test.py).
#include "scpi/scpi_session.h"

#include <gtest/gtest.h>

#include "display/plot_renderer.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "support/poll_until.h"

namespace virn::scpi {
namespace {

using Strings = std::vector<std::string>;

measure::Settings Quick() {
  measure::Settings s;
  s.delay = false;  // read 100 ms after the sweep command: quicker tests
  return s;
}

struct SessionFixture : ::testing::Test {
  sim::SimBus bus;
  link::D2XXUnit unit{bus};
  std::shared_ptr<sim::SimInstrument> instrument = sim::PopulateTypicalBus(bus, {}).instrument;
  std::unique_ptr<control::InstrumentController> controller;
  std::unique_ptr<Session> session;
  Strings replies;
  Strings frames;  // all but the sweep command: "opcode argument"

  void Make(const measure::Settings& settings = Quick()) {
    controller = std::make_unique<control::InstrumentController>(unit, settings);
    session = std::make_unique<Session>(*controller, unit, "1.2.3");
    session->SetOutput([this](std::string_view reply) { replies.emplace_back(reply); });
    instrument->SetFrameSink([this](const sim::WireEntry& entry) {
      const link::Command command = link::DecodeFrame(entry.frame);
      if (command.opcode != link::opcode::kTakeSweep) {
        frames.push_back(std::to_string(command.opcode) + " " + std::to_string(command.argument));
      }
    });
    controller->Begin();
  }
  void Connect(const measure::Settings& settings = Quick()) {
    Make(settings);
    controller->DiscoveryTick();
    ASSERT_TRUE(controller->Connected());
    frames.clear();
  }
  // The reply line to `line`, without its "\n"; empty when none came.
  std::string Ask(std::string_view line) {
    replies.clear();
    session->Receive(line);
    if (!test::PollUntil([this] { return !replies.empty(); })) return {};
    std::string reply = replies.front();
    EXPECT_EQ(reply.back(), '\n');
    reply.pop_back();
    return reply;
  }
  void TearDown() override {
    session.reset();
    if (controller) controller->Shutdown();
    instrument->SetFrameSink({});
  }
};

TEST_F(SessionFixture, ErrorsReachTheQueueInOrderWithTheirStandardTexts) {
  Make();  // never connected
  session->Receive("FOO:BAR;FREQ:STAR 2GHZ;INIT;DET SIDEWAYS");
  EXPECT_EQ(Ask("SYST:ERR?;SYST:ERR?"),
            "-113,\"Undefined header;FOO:BAR\";-222,\"Data out of range;FREQ:STAR 2GHZ\"");
  EXPECT_EQ(Ask("SYST:ERR?"), "-241,\"Hardware missing;INIT no instrument\"");
  EXPECT_EQ(Ask("SYST:ERR?"), "-224,\"Illegal parameter value;DET SIDEWAYS\"");
  EXPECT_EQ(Ask("SYST:ERR?"), "0,\"No error\"");
  EXPECT_EQ(Ask("*ESR?"), std::to_string(esr::kPowerOn | esr::kCommandError | esr::kExecutionError));
  EXPECT_EQ(Ask("FREQ:STAR?;SYST:CONN?"), "100000;0") << "the refused range changed nothing";
  EXPECT_TRUE(frames.empty());
}

TEST_F(SessionFixture, IdentifiesWithTheInstrumentsSerialOnceFound) {
  Make();
  EXPECT_EQ(Ask("*IDN?"), "VIRN-PROJECT,VIRN,0,1.2.3");
  controller->DiscoveryTick();
  EXPECT_EQ(Ask("*IDN?"), "VIRN-PROJECT,VIRN,VIRN0001,1.2.3");
}

TEST_F(SessionFixture, OpcQueryAnswersOnceTheSweepIsInAndLaterLinesWaitBehindIt) {
  Connect();
  session->Receive("INIT;*OPC?;TRAC:RAW?");
  session->Receive("*IDN?");
  EXPECT_TRUE(replies.empty()) << "no sweep comes back at once";
  ASSERT_TRUE(test::PollUntil([this] { return replies.size() == 2; }));
  const sim::SweepLevels levels = instrument->LastSweepLevels();
  EXPECT_EQ(replies[0], "1;#3421" + std::string(levels.begin(), levels.end()) + "\n");
  EXPECT_EQ(replies[1], "VIRN-PROJECT,VIRN,VIRN0001,1.2.3\n");
  // The window's Start, then its Stop once the sweep is in.
  EXPECT_EQ(frames, (Strings{"11 0", "2 420", "1 43", "12 0", "13 0", "5 1", "3 100000", "4 118810", "6 0"}));
  EXPECT_EQ(Ask("SYST:ERR?"), "0,\"No error\"");
}

TEST_F(SessionFixture, InitWhileSweepingIsIgnoredAndLaterLinesWaitForTheSweep) {
  Connect();
  session->Receive("INIT:CONT ON");
  EXPECT_EQ(Ask("INIT;*OPC?;INIT:CONT?"), "1;1") << "continuous sweeps leave nothing to wait for";
  EXPECT_EQ(Ask("SYST:ERR?"), "-213,\"Init ignored;INIT\"");
  replies.clear();
  session->Receive("ABOR;INIT;*OPC?");
  EXPECT_TRUE(replies.empty());
  session->Receive("*CLS");  // waits behind *OPC? as well
  ASSERT_TRUE(test::PollUntil([this] { return !replies.empty(); }));
  EXPECT_EQ(Ask("INIT:CONT?;*ESR?"), "0;0");
}

TEST_F(SessionFixture, RangeByCentreAndSpanAndResetToTheDefaults) {
  Connect();
  EXPECT_EQ(Ask("FREQ:SPAN 10 MHZ;CENT 20MHZ;STAR?;STOP?;CENT?;SPAN?"),
            "15000000;25000000;20000000;10000000");
  EXPECT_EQ(Ask("FREQ:SPAN 3GHZ;STAR?;:SYST:ERR?"), "15000000;-222,\"Data out of range;FREQ:SPAN 3GHZ\"");
  session->Receive("DET LIN;SWE:TIME 1600 MS;SWE:DEL ON;AVER ON;SOUR:FREQ 7.5MHZ");
  EXPECT_EQ(Ask("DET?;SWE:TIME?;SWE:DEL?;AVER?;SOUR:FREQ?"), "LIN;1.6;1;1;7500000");
  EXPECT_EQ(Ask("SWE:TIME 1;SYST:ERR?"), "-222,\"Data out of range;SWE:TIME 1\"");
  EXPECT_EQ(Ask("*RST;FREQ:STAR?;STOP?;:DET?;SWE:TIME?;SWE:DEL?;AVER?;SOUR:FREQ?;OUTP?"),
            "100000;50000000;LOG;0.4;1;0;1000000;0");
}

TEST_F(SessionFixture, OutputSwitchesToGeneratorModeAndBackAsTheModeButtons) {
  Connect();
  EXPECT_EQ(Ask("SOUR:FREQ 10MHZ;OUTP ON;OUTP?"), "1");
  EXPECT_EQ(frames, (Strings{"8 10000000", "6 0", "8 10000000", "1 43", "8 10000000"}));
  EXPECT_EQ(Ask("INIT;SYST:ERR?").substr(0, 4), "-221") << "no sweep in generator mode";
  frames.clear();
  EXPECT_EQ(Ask("OUTP OFF;OUTP?"), "0");
  EXPECT_EQ(frames, (Strings{"6 0", "8 10000000"}));
}

// The same crossings the window's marker finds on its own picture.
TEST(MarkerBandwidth, IsTheWindowsMarkerReadingOnTheSameSweep) {
  Trace trace;
  trace.range = {1000000, 43000000, 100000};
  trace.scale.Calibration.CorrLog_0Db = 15;
  trace.scale.Calibration.CorrLog_40Db = 127;
  for (std::size_t i = 0; i < trace.samples.size(); ++i) {
    const double x = (static_cast<double>(i) - 200) / 40;
    trace.samples[i] = static_cast<std::int32_t>(232 - 20 * x * x);  // a peak at point 200
  }
  for (const double db : {1.0, 3.0, 6.0, 20.0}) {
    display::PlotInputs in;
    in.SweepRunning = true;
    in.StartFreq = trace.range.StartFreq;
    in.EndFreq = trace.range.EndFreq;
    in.SweepStep = trace.range.SweepStep;
    in.Scale = trace.scale;
    in.Samples = trace.samples;
    in.Visir = true;
    in.VisirValue = display::RowBelowMaximum(in, db).value();
    display::TPlotRenderer renderer;
    renderer.Render(in);
    const display::MarkerReadout& shown = renderer.Readout();
    const std::optional<Bandwidth> band = MarkerBandwidth(trace, db);
    ASSERT_TRUE(band.has_value()) << db;
    EXPECT_EQ(band->lower, shown.L - in.SweepStep / 2) << db;
    EXPECT_EQ(band->upper, shown.R - in.SweepStep / 2) << db;
  }
  trace.samples.fill(100);  // flat: one row, no band
  EXPECT_FALSE(MarkerBandwidth(trace, 3).has_value());
}

}  // namespace
}  // namespace virn::scpi
