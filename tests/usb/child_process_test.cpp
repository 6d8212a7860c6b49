// The emulation serving a program the test starts: the child runs under the
// preload with the bus's environment, and its transfers reach the simulated
// instrument in the test process.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <chrono>
#include <thread>

#include "link/ftdi_backend.h"
#include "sim/sim_factory.h"
#include "support/build_paths.h"
#include "support/poll_until.h"
#include "usb/backend_helpers.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

QProcessEnvironment ChildEnvironment(const EmulatedBus& bus) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : bus.ChildEnvironment()) {
    env.insert(QString::fromStdString(name), QString::fromStdString(value));
  }
  return env;
}

TEST(UsbChildProcess, AChildListsTheBusAndTalksToTheInstrument) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  QProcess child;
  child.setProcessEnvironment(ChildEnvironment(bus));
  child.start(virn::test::InTestBin(QStringLiteral("usb_list_devices")),
              {QString::fromLatin1(sim::kInstrumentSerial.data())});
  ASSERT_TRUE(child.waitForFinished(test::kHangMs)) << child.errorString().toStdString();
  const std::string output = child.readAllStandardOutput().toStdString();
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
  EXPECT_EQ(output, "2\nUSBDEV01\nVIRN0001\nreply {AFT};2.07\n");
  // The child's frame reached the instrument in this process.
  const auto log = plugged.instrument->WireLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].frame, link::EncodeFrame(link::opcode::kVersionQuery, 0));
  EXPECT_TRUE(
      test::PollUntil([&] { return !plugged.instrument->Port().IsOpen(); }, test::WhileWaiting::Sleep));
}

TEST(UsbChildProcess, AKilledChildLeavesTheChipFreeForTheNextProgram) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  QProcess child;
  child.setProcessEnvironment(ChildEnvironment(bus));
  child.start(virn::test::InTestBin(QStringLiteral("usb_list_devices")),
              {QString::fromLatin1(sim::kInstrumentSerial.data()), QStringLiteral("--hold")});
  ASSERT_TRUE(child.waitForStarted(test::kHangMs));
  QByteArray output;
  while (!output.contains("holding") && child.waitForReadyRead(test::kHangMs))
    output += child.readAllStandardOutput();
  ASSERT_TRUE(output.contains("holding")) << output.toStdString();
  EXPECT_TRUE(plugged.instrument->Port().IsOpen());

  // Killed in the middle of a read, as a crashing program would be: the
  // kernel releases what it held, and so does the emulation.
  child.kill();
  ASSERT_TRUE(child.waitForFinished(test::kHangMs));
  EXPECT_TRUE(
      test::PollUntil([&] { return !plugged.instrument->Port().IsOpen(); }, test::WhileWaiting::Sleep));
  link::FtdiBackend backend;
  link::FT_HANDLE handle = 0;
  ASSERT_EQ(Open(backend, std::string(sim::kInstrumentSerial), &handle), link::FT_OK);
  EXPECT_EQ(PollStatus(backend, handle), link::FT_OK);
  EXPECT_EQ(backend.FT_Close(handle), link::FT_OK);
}

}  // namespace
}  // namespace virn::usbemu
