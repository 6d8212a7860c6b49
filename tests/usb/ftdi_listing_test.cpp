// The libftdi backend finding and opening chips on the emulated bus, through
// the real libftdi1 and libusb.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sim/other_devices.h"
#include "sim/sim_factory.h"
#include "support/poll_until.h"
#include "usb/backend_helpers.h"
#include "usb/emulated_bus.h"
#include "usb/instrument_bus.h"

namespace virn::usbemu {
namespace {

using link::FT_HANDLE;
using link::FT_OK;

const std::string kInstrument(sim::kInstrumentSerial);

TEST(FtdiBackendOnUsb, ListsBothChipsWithTheInstrumentSecond) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  EXPECT_EQ(ListedSerials(backend), (std::vector<std::string>{sim::OtherDeviceSerial(0), kInstrument}));
  // Plugged in first, the other chip has the lower device number.
  EXPECT_LT(plugged.otherChips[0]->DeviceNumber(), plugged.instrumentChip->DeviceNumber());
}

TEST(FtdiBackendOnUsb, AnEmptyBusListsNothing) {
  EmulatedBus bus;
  link::FtdiBackend backend;
  EXPECT_EQ(ListedCount(backend), 0);
  FT_HANDLE handle = 77;
  EXPECT_EQ(Open(backend, kInstrument, &handle), link::FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(handle, 77u);
}

TEST(FtdiBackendOnUsb, OpensTheInstrumentBySerialBehindTheOtherChip) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  FT_HANDLE handle = 0;
  ASSERT_EQ(Open(backend, kInstrument, &handle), FT_OK);
  EXPECT_NE(handle, 0u);
  // Opened means claimed, reset and set to the backend's latency timer; the
  // other chip was only asked for its serial number.
  EXPECT_TRUE(plugged.instrument->Port().IsOpen());
  EXPECT_GE(plugged.instrumentChip->Settings().resets, 1u);
  EXPECT_EQ(plugged.instrumentChip->Settings().latencyMs, link::FtdiBackend::kLatencyTimerMs);
  EXPECT_FALSE(plugged.others[0]->Port().IsOpen());
  EXPECT_EQ(plugged.otherChips[0]->Settings().resets, 0u);
  EXPECT_EQ(backend.FT_Close(handle), FT_OK);
  EXPECT_FALSE(plugged.instrument->Port().IsOpen());
}

TEST(FtdiBackendOnUsb, AnUnknownSerialIsNotFound) {
  EmulatedBus bus;
  PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  FT_HANDLE handle = 77;
  EXPECT_EQ(Open(backend, "NOSUCHDEV", &handle), link::FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(handle, 77u);
}

TEST(FtdiBackendOnUsb, AClaimedChipCannotBeOpenedTwiceButStillLists) {
  EmulatedBus bus;
  PlugInstrumentBehind(bus);
  link::FtdiBackend backend;
  FT_HANDLE first = 0;
  ASSERT_EQ(Open(backend, kInstrument, &first), FT_OK);
  // The kernel refuses a second claim of the interface; reading the strings
  // needs none.
  FT_HANDLE second = 0;
  EXPECT_EQ(Open(backend, kInstrument, &second), link::FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(ListedSerials(backend), (std::vector<std::string>{sim::OtherDeviceSerial(0), kInstrument}));
  EXPECT_EQ(PollStatus(backend, first), FT_OK);
  EXPECT_EQ(backend.FT_Close(first), FT_OK);
  ASSERT_EQ(Open(backend, kInstrument, &second), FT_OK);
  EXPECT_EQ(backend.FT_Close(second), FT_OK);
}

TEST(FtdiBackendOnUsb, EveryChipOpensAndTheirDevicesStaySeparate) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus, 2);
  link::FtdiBackend backend;
  EXPECT_EQ(ListedSerials(backend),
            (std::vector<std::string>{sim::OtherDeviceSerial(0), sim::OtherDeviceSerial(1), kInstrument}));
  FT_HANDLE other = 0;
  FT_HANDLE instrument = 0;
  ASSERT_EQ(Open(backend, sim::OtherDeviceSerial(1), &other), FT_OK);
  ASSERT_EQ(Open(backend, kInstrument, &instrument), FT_OK);
  ASSERT_EQ(SendFrame(backend, other, link::opcode::kVersionQuery, 0), FT_OK);
  // The bytes reach the device behind the chip they were written to, and only that one.
  EXPECT_EQ(plugged.others[1]->BytesReceived(), link::kFrameSize);
  EXPECT_EQ(plugged.others[0]->BytesReceived(), 0u);
  EXPECT_EQ(plugged.instrument->FramesReceived(), 0u);
  EXPECT_EQ(backend.FT_Close(other), FT_OK);
  EXPECT_EQ(backend.FT_Close(instrument), FT_OK);
}

// The listing is kept between calls: each change of the bus shows at the next
// call, in the order a first look shows, and in between no chip is asked again.
TEST(FtdiBackendOnUsb, AKeptListingFollowsTheBusAndAsksNoChipInBetween) {
  EmulatedBus bus;
  link::FtdiBackend backend(std::chrono::hours(1));  // no look but for the bus's notices
  ASSERT_EQ(ListedCount(backend), 0);
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  EmulatedChip& other = *plugged.otherChips[0];
  EmulatedChip& instrument = *plugged.instrumentChip;
  const std::string first = sim::OtherDeviceSerial(0);
  const std::vector<std::pair<std::function<void()>, std::vector<std::string>>> steps{
      {[] {}, {first, kInstrument}},
      {[&] { bus.Unplug(instrument); }, {first}},
      {[&] { bus.Unplug(other); }, {}},
      {[&] { bus.Replug(instrument); }, {kInstrument}},
      {[&] { bus.Replug(other); }, {first, kInstrument}}};
  const auto asked = [&] { return other.Traffic().submitted + instrument.Traffic().submitted; };
  for (std::size_t step = 0; step < steps.size(); ++step) {
    steps[step].first();
    EXPECT_EQ(ListedSerials(backend), steps[step].second) << step;
    const auto before = asked();
    EXPECT_EQ(ListedSerials(backend), steps[step].second) << step;
    EXPECT_EQ(asked(), before) << step;
  }
}

TEST(FtdiBackendOnUsb, AListingWithAnUnreadableSerialIsNotKept) {
  EmulatedBus bus;
  const InstrumentOnBus plugged = PlugInstrumentBehind(bus);
  plugged.instrumentChip->SetStringsReadable(false);
  link::FtdiBackend backend;
  EXPECT_EQ(ListedSerials(backend), (std::vector<std::string>{sim::OtherDeviceSerial(0), ""}));
  // As when udev grants access a moment after the plug: nothing on the bus tells of it.
  plugged.instrumentChip->SetStringsReadable(true);
  EXPECT_EQ(ListedSerials(backend), (std::vector<std::string>{sim::OtherDeviceSerial(0), kInstrument}));
}

// As where no udev daemon passes the kernel's notices on to libusb.
TEST(FtdiBackendOnUsb, AChipPluggedInWithoutANoticeIsListedAllTheSame) {
  EmulatedBus bus;
  link::FtdiBackend backend;
  ASSERT_EQ(ListedCount(backend), 0);
  ChipOptions unannounced;
  unannounced.announced = false;
  bus.Plug(std::make_shared<sim::SilentDevice>(sim::OtherDeviceSerial(0)), unannounced);
  EXPECT_TRUE(test::PollUntil([&] { return ListedCount(backend) == 1; }, test::WhileWaiting::Sleep));
}

// Two threads list while another polls an open chip, each listing a fresh look
// at the bus; ThreadSanitizer checks the listing's state and libusb's contexts.
// The bus stays as it is: umockdev's preload formats paths in a buffer of its
// own without a lock, and a plug on one thread beside a look on another now and
// then garbles the emulation.
TEST(FtdiBackendOnUsb, ListingFromTwoThreadsBesideAPolledOpenChip) {
  EmulatedBus bus;
  PlugInstrumentBehind(bus);
  link::FtdiBackend backend(std::chrono::milliseconds(0));
  FT_HANDLE handle = 0;
  ASSERT_EQ(Open(backend, kInstrument, &handle), FT_OK);
  std::atomic<int> failedPolls{0};
  std::atomic<int> wrongListings{0};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    for (int i = 0; i < 200; ++i) failedPolls += PollStatus(backend, handle) != FT_OK;
  });
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 30; ++i)
        wrongListings +=
            ListedSerials(backend) != std::vector<std::string>{sim::OtherDeviceSerial(0), kInstrument};
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failedPolls, 0);
  EXPECT_EQ(wrongListings, 0);
  EXPECT_EQ(backend.FT_Close(handle), FT_OK);
}

}  // namespace
}  // namespace virn::usbemu
