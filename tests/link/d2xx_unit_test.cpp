#include "link/d2xx_unit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <thread>

#include "link/command_frame.h"
#include "support/fake_d2xx.h"

namespace virn::link {
namespace {

using test::FakeD2xx;

struct UnitFixture : ::testing::Test {
  FakeD2xx api;
  D2XXUnit unit{api};
  std::vector<std::string> shown;
  UnitFixture() {
    unit.SetErrorSink([this](const std::string& m) { shown.push_back(m); });
  }
};

TEST(FTErrorTextTest, EveryTableEntryIsAppendedToTheOperationName) {
  const std::array<const char*, 18> expected = {
      "",
      "FT_Read - Invalid handle...",
      "FT_Read - Device not found...",
      "FT_Read - Device not opened...",
      "FT_Read - General IO error...",
      "FT_Read - Insufficient resources...",
      "FT_Read - Invalid parameter...",
      "FT_Read - Invalid baud rate...",
      "FT_Read Device not opened for erase...",
      "FT_Read Device not opened for write...",
      "FT_Read - Failed to write...",
      "FT_Read - EEPROM read failed...",
      "FT_Read - EEPROM write failed...",
      "FT_Read - EEPROM erase failed...",
      "FT_Read - EEPROM not present...",
      "FT_Read - EEPROM not programmed...",
      "FT_Read - Invalid arguments...",
      "FT_Read - Other error ...",
  };
  for (FT_STATUS status = 0; status < expected.size(); ++status) {
    EXPECT_EQ(FTErrorText("FT_Read", status), expected[status]) << "status " << status;
  }
}

TEST(FTErrorTextTest, StatusBeyondTheTableStillNamesOperationAndCode) {
  const std::string text = FTErrorText("FT_Write", 42);
  EXPECT_EQ(text.rfind("FT_Write", 0), 0u);
  EXPECT_NE(text.find("42"), std::string::npos);
}

TEST_F(UnitFixture, ReporterIsSilentWhenSwitchedOffOrOnSuccess) {
  unit.ReportFTError("FT_Read", FT_OK);
  EXPECT_TRUE(shown.empty());
  unit.ShowFTErrors = false;
  unit.ReportFTError("FT_Read", FT_IO_ERROR);
  EXPECT_TRUE(shown.empty());
  unit.ShowFTErrors = true;
  unit.ReportFTError("FT_Read", FT_IO_ERROR);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "FT_Read - General IO error...");
}

TEST_F(UnitFixture, ClosingANeverOpenedHandleReportsInvalidHandle) {
  api.status = FT_INVALID_HANDLE;
  EXPECT_EQ(unit.CloseFTDevice(), FT_INVALID_HANDLE);
  EXPECT_EQ(api.lastHandle, 0u);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "FT_Close - Invalid handle...");
}

TEST_F(UnitFixture, EachOperationReportsUnderItsOwnName) {
  api.status = FT_DEVICE_NOT_FOUND;
  unit.GetFTDeviceCount();
  unit.GetFTDeviceSerialNo(0);
  unit.Open_USB_Device_By_Serial_Number("A");
  unit.ReadFTDevice(1);
  unit.WriteFTDevice(5);
  unit.ResetFTDevice();
  unit.SetFTDeviceTimeouts(20, 20);
  unit.GetFTDeviceStatus();
  const std::vector<std::string> expected = {
      "GetFTDeviceCount - Device not found...",
      "GetFTDeviceSerialNo - Device not found...",
      "Open_USB_Device_By_Serial_Number - Device not found...",
      "FT_Read - Device not found...",
      "FT_Write - Device not found...",
      "FT_ResetDevice - Device not found...",
      "FT_SetTimeouts - Device not found...",
      "FT_GetStatus - Device not found...",
  };
  EXPECT_EQ(shown, expected);
}

TEST_F(UnitFixture, CountIsKeptOnlyFromASuccessfulQuery) {
  api.count = 3;
  EXPECT_EQ(unit.GetFTDeviceCount(), FT_OK);
  EXPECT_EQ(unit.DeviceCount.load(), 3u);
  EXPECT_EQ(api.lastListFlags, 0x80000000u);
  api.count = 9;
  api.status = FT_IO_ERROR;
  unit.GetFTDeviceCount();
  EXPECT_EQ(unit.DeviceCount.load(), 3u);
}

TEST_F(UnitFixture, SerialListingRules) {
  api.listingBytes = std::string("FT12AB\0zzzz", 11);
  EXPECT_EQ(unit.GetFTDeviceSerialNo(2), FT_OK);
  EXPECT_EQ(unit.SerialNumber, "FT12AB");
  EXPECT_EQ(api.lastListIndex, 2u);
  EXPECT_EQ(api.lastListFlags, 0x40000001u);

  // Sixteen characters fill the buffer with no terminator and are taken whole.
  api.listingBytes = "0123456789ABCDEF";
  unit.GetFTDeviceSerialNo(0);
  EXPECT_EQ(unit.SerialNumber, "0123456789ABCDEF");

  // A failed listing leaves the previous serial.
  api.status = FT_DEVICE_NOT_FOUND;
  api.listingBytes = "XYZ";
  unit.GetFTDeviceSerialNo(5);
  EXPECT_EQ(unit.SerialNumber, "0123456789ABCDEF");
}

TEST_F(UnitFixture, OpenCopiesTheSerialWithinFortyNineCharacters) {
  const std::string longSerial(60, 'S');
  EXPECT_EQ(unit.Open_USB_Device_By_Serial_Number(longSerial), FT_OK);
  EXPECT_EQ(api.lastOpenArg, std::string(49, 'S'));
  EXPECT_EQ(api.lastOpenFlags, 1u);
  EXPECT_EQ(unit.DeviceHandle.load(), 7u);

  unit.Open_USB_Device_By_Serial_Number("");
  EXPECT_EQ(api.lastOpenArg, "");

  unit.Open_USB_Device_By_Serial_Number("AB");
  EXPECT_EQ(api.lastOpenArg, "AB");
  EXPECT_EQ(unit.OpenBufferText(), "AB");
}

TEST_F(UnitFixture, AFailedOpenKeepsTheOldHandleAndACloseDoesNotClearIt) {
  unit.Open_USB_Device_By_Serial_Number("A");
  api.nextHandle = 99;
  api.status = FT_DEVICE_NOT_OPENED;
  unit.Open_USB_Device_By_Serial_Number("B");
  EXPECT_EQ(unit.DeviceHandle.load(), 7u);
  api.status = FT_OK;
  unit.CloseFTDevice();
  EXPECT_EQ(unit.DeviceHandle.load(), 7u);
  EXPECT_EQ(api.lastHandle, 7u);
}

TEST_F(UnitFixture, ATimedOutReadLeavesTheBufferAsItWas) {
  api.incoming = {0x42};
  EXPECT_EQ(unit.ReadFTDevice(1), 1u);
  EXPECT_EQ(unit.InBufferByte(0), 0x42);
  EXPECT_EQ(unit.ReadFTDevice(1), 0u);
  EXPECT_EQ(unit.InBufferByte(0), 0x42);

  // A short reply keeps the bytes after it: the caller cleared them beforehand.
  unit.FillInBuffer(0, 10);
  api.incoming = {'{', 'A', 'F'};
  std::array<std::uint8_t, 11> reply{};
  reply.fill(0xEE);
  EXPECT_EQ(unit.ReadBytes(reply), 3u);
  EXPECT_EQ(reply[0], '{');
  EXPECT_EQ(reply[2], 'F');
  EXPECT_EQ(reply[3], 0);
  EXPECT_EQ(reply[9], 0);
}

TEST_F(UnitFixture, WriteBytesPlacesTheFrameInOutBufferAndSendsIt) {
  const Frame frame = EncodeFrame(2, 420);
  EXPECT_EQ(unit.WriteBytes(frame), 5u);
  EXPECT_EQ(api.written, std::vector<std::uint8_t>({0x02, 0xA4, 0x01, 0x00, 0x00}));
  EXPECT_EQ(unit.OutBufferByte(0), 0x02);
  EXPECT_EQ(unit.OutBufferByte(1), 0xA4);
  // WriteFTDevice sends what OutBuffer holds.
  EXPECT_EQ(unit.WriteFTDevice(2), 2u);
  EXPECT_EQ(api.written.size(), 7u);
  EXPECT_EQ(api.written[5], 0x02);
  EXPECT_EQ(api.written[6], 0xA4);
}

// A backend that records whole write calls, to see frames from two threads.
class RecordingWrites : public FakeD2xx {
 public:
  std::mutex m;
  std::vector<std::vector<std::uint8_t>> writes;
  FT_STATUS FT_Write(FT_HANDLE, const void* buffer, std::uint32_t n, std::uint32_t* done) override {
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    std::vector<std::uint8_t> copy(b, b + n);
    std::this_thread::yield();  // widen the window a torn frame would need
    std::lock_guard lock(m);
    writes.push_back(std::move(copy));
    *done = n;
    return FT_OK;
  }
};

TEST(D2XXUnitThreads, FramesFromTwoThreadsNeverMix) {
  RecordingWrites api;
  D2XXUnit unit(api);
  constexpr int kFrames = 2000;
  std::thread other([&] {
    for (int i = 0; i < kFrames; ++i) unit.WriteBytes(EncodeFrame(7, 1));
  });
  for (int i = 0; i < kFrames; ++i) unit.WriteBytes(EncodeFrame(3, -1));
  other.join();
  ASSERT_EQ(api.writes.size(), 2u * kFrames);
  const Frame sweep = EncodeFrame(7, 1);
  const Frame start = EncodeFrame(3, -1);
  for (const auto& w : api.writes) {
    ASSERT_EQ(w.size(), 5u);
    const bool isSweep = std::equal(w.begin(), w.end(), sweep.begin());
    const bool isStart = std::equal(w.begin(), w.end(), start.begin());
    ASSERT_TRUE(isSweep || isStart);
  }
}

}  // namespace
}  // namespace virn::link
