// Listing, opening and closing on the simulated bus, as the vendor library does
// them: the discovery of the program depends on each of these rules.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>

#include "bus_helpers.h"
#include "sim/other_devices.h"
#include "sim/sim_bus.h"

namespace virn::sim::test {
namespace {

using namespace link;

// The listing call takes the index in its pointer argument.
void* IndexArg(std::uintptr_t index) {
  return reinterpret_cast<void*>(index);  // NOLINT(performance-no-int-to-ptr)
}

class BusListing : public ::testing::Test {
 protected:
  SimBus bus;
};

TEST_F(BusListing, CountsPluggedDevicesAndFollowsPlugAndUnplug) {
  std::uint32_t count = 99;
  ASSERT_EQ(bus.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 0u);

  ASSERT_TRUE(bus.Plug(std::make_shared<SilentDevice>("AAA")));
  ASSERT_TRUE(bus.Plug(std::make_shared<SilentDevice>("BBB")));
  ASSERT_EQ(bus.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 2u);

  ASSERT_TRUE(bus.Unplug("AAA"));
  ASSERT_EQ(bus.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_FALSE(bus.Unplug("AAA"));
}

TEST_F(BusListing, ListsSerialsByIndexInPlugOrder) {
  bus.Plug(std::make_shared<SilentDevice>("FIRST"));
  bus.Plug(std::make_shared<SilentDevice>("SECOND"));
  std::array<char, kSerialListingSize> listing{};
  ASSERT_EQ(bus.FT_ListDevices(IndexArg(1), listing.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_OK);
  EXPECT_STREQ(listing.data(), "SECOND");
  ASSERT_EQ(bus.FT_ListDevices(IndexArg(0), listing.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_OK);
  EXPECT_STREQ(listing.data(), "FIRST");
}

TEST_F(BusListing, SixteenCharacterSerialFillsTheBufferWithoutTerminator) {
  const std::string serial = "0123456789ABCDEF";
  bus.Plug(std::make_shared<SilentDevice>(serial));
  std::array<char, kSerialListingSize + 1> listing;
  listing.fill('#');
  ASSERT_EQ(bus.FT_ListDevices(IndexArg(0), listing.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_OK);
  EXPECT_EQ(std::string(listing.data(), kSerialListingSize), serial);
  EXPECT_EQ(listing[kSerialListingSize], '#');  // nothing written past the 16 bytes
}

TEST_F(BusListing, ShortSerialIsTerminatedAndTheRestLeftAlone) {
  bus.Plug(std::make_shared<SilentDevice>("AB1"));
  std::array<char, kSerialListingSize> listing;
  listing.fill('#');
  ASSERT_EQ(bus.FT_ListDevices(IndexArg(0), listing.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_OK);
  EXPECT_EQ(std::string(listing.data(), 5), std::string("AB1\0#", 5));
}

TEST_F(BusListing, IndexOutOfRangeIsNotFoundAndLeavesTheBuffer) {
  bus.Plug(std::make_shared<SilentDevice>("ONLY"));
  std::array<char, kSerialListingSize> listing;
  listing.fill('#');
  EXPECT_EQ(bus.FT_ListDevices(IndexArg(1), listing.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(bus.FT_ListDevices(IndexArg(1000), listing.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(listing[0], '#');
}

TEST_F(BusListing, RejectsUnsupportedFlagsAndMissingBuffers) {
  bus.Plug(std::make_shared<SilentDevice>("ONLY"));
  std::array<char, kSerialListingSize> listing{};
  std::uint32_t count = 0;
  EXPECT_EQ(bus.FT_ListDevices(nullptr, nullptr, FT_LIST_NUMBER_ONLY), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_ListDevices(IndexArg(0), nullptr, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_ListDevices(IndexArg(0), listing.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
            FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_ListDevices(IndexArg(0), listing.data(), FT_LIST_BY_INDEX), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_ListDevices(&count, nullptr, FT_LIST_ALL), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_ListDevices(&count, nullptr, 0), FT_INVALID_PARAMETER);
}

TEST_F(BusListing, RefusesASecondDeviceWithTheSameSerial) {
  auto first = std::make_shared<SilentDevice>("SAME");
  EXPECT_TRUE(bus.Plug(first));
  EXPECT_FALSE(bus.Plug(first));
  EXPECT_FALSE(bus.Plug(std::make_shared<SilentDevice>("SAME")));
  EXPECT_FALSE(bus.Plug(nullptr));
  EXPECT_EQ(bus.PluggedSerials(), std::vector<std::string>{"SAME"});
  EXPECT_EQ(bus.Find("SAME"), first);
  EXPECT_EQ(bus.Find("OTHER"), nullptr);
}

class BusHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Plug(std::make_shared<SilentDevice>("DEV-A"));
    bus.Plug(std::make_shared<SilentDevice>("DEV-B"));
  }
  SimBus bus;
};

TEST_F(BusHandles, OpensByExactSerialOnly) {
  FT_HANDLE handle = 12345;
  EXPECT_EQ(bus.FT_OpenEx("DEV", FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(bus.FT_OpenEx("DEV-A ", FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(bus.FT_OpenEx("dev-a", FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(bus.FT_OpenEx("", FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(handle, 12345u);  // a failed open leaves the handle variable alone
  EXPECT_EQ(bus.FT_OpenEx("DEV-A", FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
  EXPECT_NE(handle, 0u);
}

TEST_F(BusHandles, RejectsBadOpenArguments) {
  FT_HANDLE handle = 0;
  EXPECT_EQ(bus.FT_OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_OpenEx("DEV-A", FT_OPEN_BY_SERIAL_NUMBER, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_OpenEx("DEV-A", FT_OPEN_BY_DESCRIPTION, &handle), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

TEST_F(BusHandles, HandlesCountUpFromOneAndAreNeverReused) {
  const FT_HANDLE a = OpenOrFail(bus, "DEV-A");
  const FT_HANDLE b = OpenOrFail(bus, "DEV-B");
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 2u);
  ASSERT_EQ(bus.FT_Close(a), FT_OK);
  const FT_HANDLE again = OpenOrFail(bus, "DEV-A");
  EXPECT_EQ(again, 3u);
  EXPECT_EQ(bus.OpenHandleCount(), 2u);
}

TEST_F(BusHandles, SecondOpenOfAnOpenDeviceIsRefusedUntilItIsClosed) {
  const FT_HANDLE first = OpenOrFail(bus, "DEV-A");
  FT_HANDLE second = 0;
  EXPECT_EQ(bus.FT_OpenEx("DEV-A", FT_OPEN_BY_SERIAL_NUMBER, &second), FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(second, 0u);
  // The refused open must not disturb the first handle.
  EXPECT_EQ(RxBytes(bus, first), 0u);
  ASSERT_EQ(bus.FT_Close(first), FT_OK);
  EXPECT_EQ(bus.FT_OpenEx("DEV-A", FT_OPEN_BY_SERIAL_NUMBER, &second), FT_OK);
}

TEST_F(BusHandles, UnknownAndClosedHandlesAreInvalidForEveryCall) {
  const FT_HANDLE closed = OpenOrFail(bus, "DEV-A");
  ASSERT_EQ(bus.FT_Close(closed), FT_OK);
  for (const FT_HANDLE handle : {FT_HANDLE{0}, FT_HANDLE{77}, closed}) {
    SCOPED_TRACE(handle);
    std::uint8_t buffer[4] = {};
    std::uint32_t n = 0, tx = 0, events = 0;
    EXPECT_EQ(bus.FT_Close(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(bus.FT_Read(handle, buffer, 1, &n), FT_INVALID_HANDLE);
    EXPECT_EQ(bus.FT_Write(handle, buffer, 1, &n), FT_INVALID_HANDLE);
    EXPECT_EQ(bus.FT_ResetDevice(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(bus.FT_SetTimeouts(handle, 20, 20), FT_INVALID_HANDLE);
    EXPECT_EQ(bus.FT_GetStatus(handle, &n, &tx, &events), FT_INVALID_HANDLE);
  }
}

TEST_F(BusHandles, NullArgumentsOnAnOpenHandleAreInvalidParameters) {
  const FT_HANDLE handle = OpenOrFail(bus, "DEV-A");
  std::uint8_t byte = 0;
  std::uint32_t n = 0;
  EXPECT_EQ(bus.FT_Read(handle, nullptr, 1, &n), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_Read(handle, &byte, 1, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_Write(handle, nullptr, 1, &n), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_Write(handle, &byte, 1, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(bus.FT_GetStatus(handle, nullptr, &n, &n), FT_INVALID_PARAMETER);
}

TEST_F(BusHandles, FreshHandleReadsWithTheBoundedDefaultTimeOut) {
  const FT_HANDLE handle = OpenOrFail(bus, "DEV-A");
  const auto start = std::chrono::steady_clock::now();
  std::uint8_t byte = 0x3C;
  std::uint32_t got = 9;
  ASSERT_EQ(bus.FT_Read(handle, &byte, 1, &got), FT_OK);  // returns although nothing comes
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(byte, 0x3C);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kDefaultReadTimeoutMs));
}

TEST_F(BusHandles, DestroyingTheBusClosesWhatIsStillOpen) {
  auto device = std::make_shared<SilentDevice>("KEPT");
  {
    SimBus local;
    local.Plug(device);
    OpenOrFail(local, "KEPT");
    EXPECT_TRUE(device->Port().IsOpen());
  }
  EXPECT_FALSE(device->Port().IsOpen());
  EXPECT_FALSE(device->Port().Plugged());
  // The device can go on another bus afterwards.
  SimBus next;
  EXPECT_TRUE(next.Plug(device));
  OpenOrFail(next, "KEPT");
}

}  // namespace
}  // namespace virn::sim::test
