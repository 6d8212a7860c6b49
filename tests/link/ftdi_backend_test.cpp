// What the libftdi backend does without a device to talk to: the machines the tests run
// on normally have no FTDI device, and the tests hold when one is attached all the same.
#include "link/ftdi_backend.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace virn::link {
namespace {

constexpr std::uint32_t kSerialListing = FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER;
constexpr char kMissingSerial[] = "VIRN-NO-SUCH-DEVICE-7f3a";
constexpr FT_HANDLE kNeverOpened = 0xFFFFFFF0u;

void* IndexArg(std::uintptr_t index) {
  return reinterpret_cast<void*>(index);
}

TEST(FtdiBackend, CountSucceedsAndEveryCountedDeviceLists) {
  FtdiBackend backend;
  std::uint32_t count = 0xDEADBEEF;
  ASSERT_EQ(backend.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  ASSERT_NE(count, 0xDEADBEEF);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::array<char, kSerialListingSize> listing{};
    EXPECT_EQ(backend.FT_ListDevices(IndexArg(i), listing.data(), kSerialListing), FT_OK) << i;
  }
}

TEST(FtdiBackend, ListingPastTheLastDeviceIsNotFoundAndLeavesTheBuffer) {
  FtdiBackend backend;
  std::uint32_t count = 0;
  ASSERT_EQ(backend.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  for (const std::uintptr_t index :
       {std::uintptr_t{count}, std::uintptr_t{count} + 1, std::uintptr_t{0xFFFFFFFF}}) {
    std::array<char, kSerialListingSize> listing;
    listing.fill('x');
    EXPECT_EQ(backend.FT_ListDevices(IndexArg(index), listing.data(), kSerialListing), FT_DEVICE_NOT_FOUND)
        << index;
    EXPECT_EQ(std::string(listing.data(), listing.size()), std::string(kSerialListingSize, 'x'));
  }
}

TEST(FtdiBackend, OpeningAMissingSerialFailsAndLeavesTheHandle) {
  FtdiBackend backend;
  FT_HANDLE handle = 12345;
  const FT_STATUS status = backend.FT_OpenEx(kMissingSerial, FT_OPEN_BY_SERIAL_NUMBER, &handle);
  EXPECT_TRUE(status == FT_DEVICE_NOT_FOUND || status == FT_DEVICE_NOT_OPENED) << status;
  EXPECT_EQ(handle, 12345u);
}

TEST(FtdiBackend, CloseOfAHandleNeverOpenedIsInvalid) {
  FtdiBackend backend;
  EXPECT_EQ(backend.FT_Close(0), FT_INVALID_HANDLE);
  EXPECT_EQ(backend.FT_Close(1), FT_INVALID_HANDLE);
  EXPECT_EQ(backend.FT_Close(kNeverOpened), FT_INVALID_HANDLE);
}

TEST(FtdiBackend, CallsOnAHandleNeverOpenedAreInvalidAndReportNoBytes) {
  FtdiBackend backend;
  for (const FT_HANDLE handle : {FT_HANDLE{0}, FT_HANDLE{1}, kNeverOpened}) {
    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t got = 99;
    EXPECT_EQ(backend.FT_Read(handle, buffer.data(), 1, &got), FT_INVALID_HANDLE);
    EXPECT_EQ(got, 0u);
    std::uint32_t written = 99;
    EXPECT_EQ(backend.FT_Write(handle, buffer.data(), 5, &written), FT_INVALID_HANDLE);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(backend.FT_ResetDevice(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(backend.FT_SetTimeouts(handle, 20, 50), FT_INVALID_HANDLE);
    std::uint32_t rx = 0, tx = 0, events = 0;
    EXPECT_EQ(backend.FT_GetStatus(handle, &rx, &tx, &events), FT_INVALID_HANDLE);
  }
}

TEST(FtdiBackend, UnsupportedListFlagsAreInvalidAndLeaveTheResult) {
  FtdiBackend backend;
  for (const std::uint32_t flags :
       {std::uint32_t{0}, FT_LIST_ALL, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER, FT_LIST_BY_INDEX,
        FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION, FT_LIST_NUMBER_ONLY | FT_OPEN_BY_SERIAL_NUMBER,
        FT_LIST_NUMBER_ONLY | FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER}) {
    std::uint32_t count = 77;
    EXPECT_EQ(backend.FT_ListDevices(&count, nullptr, flags), FT_INVALID_PARAMETER) << flags;
    EXPECT_EQ(count, 77u);
  }
}

TEST(FtdiBackend, OpeningByAnythingButSerialIsInvalid) {
  FtdiBackend backend;
  for (const std::uint32_t flags : {std::uint32_t{0}, FT_OPEN_BY_DESCRIPTION, std::uint32_t{4}}) {
    FT_HANDLE handle = 12345;
    EXPECT_EQ(backend.FT_OpenEx(kMissingSerial, flags, &handle), FT_INVALID_PARAMETER) << flags;
    EXPECT_EQ(handle, 12345u);
  }
}

TEST(FtdiBackend, NullPointersAreInvalidParameters) {
  FtdiBackend backend;
  EXPECT_EQ(backend.FT_ListDevices(nullptr, nullptr, FT_LIST_NUMBER_ONLY), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.FT_ListDevices(IndexArg(0), nullptr, kSerialListing), FT_INVALID_PARAMETER);

  FT_HANDLE handle = 12345;
  EXPECT_EQ(backend.FT_OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_INVALID_PARAMETER);
  EXPECT_EQ(handle, 12345u);
  EXPECT_EQ(backend.FT_OpenEx(kMissingSerial, FT_OPEN_BY_SERIAL_NUMBER, nullptr), FT_INVALID_PARAMETER);

  std::array<std::uint8_t, 8> buffer{};
  std::uint32_t count = 0;
  EXPECT_EQ(backend.FT_Read(1, buffer.data(), 1, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.FT_Read(1, nullptr, 1, &count), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.FT_Write(1, buffer.data(), 5, nullptr), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.FT_Write(1, nullptr, 5, &count), FT_INVALID_PARAMETER);
  std::uint32_t rx = 0, tx = 0, events = 0;
  EXPECT_EQ(backend.FT_GetStatus(1, nullptr, &tx, &events), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.FT_GetStatus(1, &rx, nullptr, &events), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.FT_GetStatus(1, &rx, &tx, nullptr), FT_INVALID_PARAMETER);
}

// The program lists and opens from the GUI thread while the acquisition thread reads;
// under ThreadSanitizer this catches shared state touched without its lock.
TEST(FtdiBackend, ConcurrentCallsWithoutADeviceStayConsistent) {
  FtdiBackend backend;
  std::vector<std::thread> threads;
  std::array<int, 4> failures{};
  for (std::size_t t = 0; t < failures.size(); ++t) {
    threads.emplace_back([&backend, &failures, t] {
      for (int i = 0; i < 10; ++i) {
        std::uint32_t count = 0;
        if (backend.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) ++failures[t];
        FT_HANDLE handle = 0;
        const FT_STATUS open = backend.FT_OpenEx(kMissingSerial, FT_OPEN_BY_SERIAL_NUMBER, &handle);
        if (open != FT_DEVICE_NOT_FOUND && open != FT_DEVICE_NOT_OPENED) ++failures[t];
        std::uint8_t byte = 0;
        std::uint32_t got = 0;
        if (backend.FT_Read(kNeverOpened, &byte, 1, &got) != FT_INVALID_HANDLE) ++failures[t];
        if (backend.FT_Close(kNeverOpened) != FT_INVALID_HANDLE) ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const int f : failures) EXPECT_EQ(f, 0);
}

TEST(TurnMutex, AWaitingThreadGoesBeforeTheHolderRelocks) {
  detail::TurnMutex mutex;
  std::string order;  // written only under mutex
  mutex.lock();
  std::thread waiter([&] {
    std::lock_guard lock(mutex);
    order += 'W';
  });
  while (mutex.Waiting() == 0) std::this_thread::yield();
  // What an idle read does between two libftdi calls: let go and take the lock again at
  // once. The thread that asked in between must get it first.
  mutex.unlock();
  mutex.lock();
  order += 'H';
  mutex.unlock();
  waiter.join();
  EXPECT_EQ(order, "WH");
}

TEST(TurnMutex, KeepsOutOtherThreads) {
  detail::TurnMutex mutex;
  long counter = 0;  // a plain variable: a lost update or a race report means a broken lock
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        std::lock_guard lock(mutex);
        ++counter;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 8000);
  EXPECT_EQ(mutex.Waiting(), 0u);
}

TEST(TurnMutex, CountsOnlyThreadsThatAreWaiting) {
  detail::TurnMutex mutex;
  EXPECT_EQ(mutex.Waiting(), 0u);
  mutex.lock();
  EXPECT_EQ(mutex.Waiting(), 0u);
  std::thread waiter([&] {
    mutex.lock();
    mutex.unlock();
  });
  while (mutex.Waiting() == 0) std::this_thread::yield();
  EXPECT_EQ(mutex.Waiting(), 1u);
  mutex.unlock();
  waiter.join();
  EXPECT_EQ(mutex.Waiting(), 0u);
}

}  // namespace
}  // namespace virn::link
