#include "link/d2xx_unit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace virn::link {

namespace {

constexpr std::array<const char*, 18> kStatusTexts = {
    "",
    " - Invalid handle...",
    " - Device not found...",
    " - Device not opened...",
    " - General IO error...",
    " - Insufficient resources...",
    " - Invalid parameter...",
    " - Invalid baud rate...",
    " Device not opened for erase...",
    " Device not opened for write...",
    " - Failed to write...",
    " - EEPROM read failed...",
    " - EEPROM write failed...",
    " - EEPROM erase failed...",
    " - EEPROM not present...",
    " - EEPROM not programmed...",
    " - Invalid arguments...",
    " - Other error ...",
};

void DefaultSink(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace

std::string FTErrorText(std::string_view operation, FT_STATUS status) {
  if (status == FT_OK) return {};
  std::string text(operation);
  if (status < kStatusTexts.size()) {
    text += kStatusTexts[status];
  } else {
    text += " - Unknown error " + std::to_string(status) + "...";
  }
  return text;
}

D2XXUnit::D2XXUnit(D2xx& api) : api_(api), sink_(DefaultSink) {}

void D2XXUnit::SetErrorSink(ErrorSink sink) {
  std::lock_guard lock(sinkMutex_);
  sink_ = sink ? std::move(sink) : ErrorSink(DefaultSink);
}

void D2XXUnit::ReportFTError(std::string_view operation, FT_STATUS status) {
  if (!ShowFTErrors.load()) return;
  if (status == FT_OK) return;
  ErrorSink sink;
  {
    std::lock_guard lock(sinkMutex_);
    sink = sink_;
  }
  sink(FTErrorText(operation, status));
}

FT_STATUS D2XXUnit::GetFTDeviceCount() {
  std::uint32_t count = 0;
  const FT_STATUS status = api_.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
  if (status == FT_OK) DeviceCount = count;
  ReportFTError("GetFTDeviceCount", status);
  return status;
}

FT_STATUS D2XXUnit::GetFTDeviceSerialNo(std::uint32_t index) {
  // The index travels in the pointer argument, as the vendor's call expects.
  void* indexArg =
      reinterpret_cast<void*>(static_cast<std::uintptr_t>(index));  // NOLINT(performance-no-int-to-ptr)
  const FT_STATUS status =
      api_.FT_ListDevices(indexArg, listingBuffer_.data(), FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER);
  if (status == FT_OK) {
    // A 16-character serial fills the buffer with no terminator: take all 16.
    const auto end = std::find(listingBuffer_.begin(), listingBuffer_.end(), '\0');
    SerialNumber.assign(listingBuffer_.begin(), end);
  }
  ReportFTError("GetFTDeviceSerialNo", status);
  return status;
}

FT_STATUS D2XXUnit::Open_USB_Device_By_Serial_Number(std::string_view serial) {
  openBuffer_[0] = '\0';
  const std::size_t length = std::min<std::size_t>(serial.size(), kOpenBufferSize - 1);
  if (length > 0) {
    std::memcpy(openBuffer_.data(), serial.data(), length);
    openBuffer_[length] = '\0';
  }
  FT_HANDLE handle = DeviceHandle.load();
  const FT_STATUS status = api_.FT_OpenEx(openBuffer_.data(), FT_OPEN_BY_SERIAL_NUMBER, &handle);
  if (status == FT_OK) DeviceHandle = handle;
  ReportFTError("Open_USB_Device_By_Serial_Number", status);
  return status;
}

FT_STATUS D2XXUnit::CloseFTDevice() {
  const FT_STATUS status = api_.FT_Close(DeviceHandle.load());
  ReportFTError("FT_Close", status);
  return status;
}

// The buffer locks cover only the transfer: the error report may show a modal box,
// which must not hold up the other thread.
D2XXUnit::Transfer D2XXUnit::readLocked(std::uint32_t n) {
  Transfer t;
  t.status = api_.FT_Read(DeviceHandle.load(), InBuffer.data(), std::min<std::uint32_t>(n, kLinkBufferSize),
                          &t.count);
  return t;
}

D2XXUnit::Transfer D2XXUnit::writeLocked(std::uint32_t n) {
  Transfer t;
  t.status = api_.FT_Write(DeviceHandle.load(), OutBuffer.data(), std::min<std::uint32_t>(n, kLinkBufferSize),
                           &t.count);
  return t;
}

std::uint32_t D2XXUnit::ReadFTDevice(std::uint32_t n) {
  Transfer t;
  {
    std::lock_guard lock(inMutex_);
    t = readLocked(n);
  }
  ReportFTError("FT_Read", t.status);
  return t.count;
}

std::uint32_t D2XXUnit::WriteFTDevice(std::uint32_t n) {
  Transfer t;
  {
    std::lock_guard lock(outMutex_);
    t = writeLocked(n);
  }
  ReportFTError("FT_Write", t.status);
  return t.count;
}

std::uint32_t D2XXUnit::WriteBytes(std::span<const std::uint8_t> bytes) {
  Transfer t;
  {
    std::lock_guard lock(outMutex_);
    const std::size_t n = std::min(bytes.size(), kLinkBufferSize);
    std::copy_n(bytes.begin(), n, OutBuffer.begin());
    t = writeLocked(static_cast<std::uint32_t>(n));
  }
  ReportFTError("FT_Write", t.status);
  return t.count;
}

std::uint32_t D2XXUnit::ReadBytes(std::span<std::uint8_t> out) {
  Transfer t;
  {
    std::lock_guard lock(inMutex_);
    const std::size_t n = std::min(out.size(), kLinkBufferSize);
    t = readLocked(static_cast<std::uint32_t>(n));
    std::copy_n(InBuffer.begin(), n, out.begin());
  }
  ReportFTError("FT_Read", t.status);
  return t.count;
}

void D2XXUnit::FillInBuffer(std::uint8_t value, std::size_t n) {
  std::lock_guard lock(inMutex_);
  std::fill_n(InBuffer.begin(), std::min(n, kLinkBufferSize), value);
}

std::uint8_t D2XXUnit::InBufferByte(std::size_t index) const {
  std::lock_guard lock(inMutex_);
  return InBuffer.at(index);
}

std::uint8_t D2XXUnit::OutBufferByte(std::size_t index) const {
  std::lock_guard lock(outMutex_);
  return OutBuffer.at(index);
}

FT_STATUS D2XXUnit::ResetFTDevice() {
  const FT_STATUS status = api_.FT_ResetDevice(DeviceHandle.load());
  ReportFTError("FT_ResetDevice", status);
  return status;
}

FT_STATUS D2XXUnit::SetFTDeviceTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
  const FT_STATUS status = api_.FT_SetTimeouts(DeviceHandle.load(), readMs, writeMs);
  ReportFTError("FT_SetTimeouts", status);
  return status;
}

FT_STATUS D2XXUnit::GetFTDeviceStatus() {
  const FT_STATUS status = api_.FT_GetStatus(DeviceHandle.load(), &queueStatus_.rxBytes,
                                             &queueStatus_.txBytes, &queueStatus_.eventStatus);
  ReportFTError("FT_GetStatus", status);
  return status;
}

}  // namespace virn::link
