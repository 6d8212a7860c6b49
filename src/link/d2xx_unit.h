// The link module: one open device, one input and one output buffer, and the
// error reporter, over whichever D2XX backend the program was started with.
// It never raises; every operation returns the backend's status or byte count.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "link/d2xx.h"

namespace virn::link {

inline constexpr std::size_t kLinkBufferSize = 65536;
inline constexpr std::size_t kOpenBufferSize = 50;

// The text ReportFTError shows: the operation name followed by the status text.
// Empty for status 0.
std::string FTErrorText(std::string_view operation, FT_STATUS status);

class D2XXUnit {
 public:
  using ErrorSink = std::function<void(const std::string& message)>;

  explicit D2XXUnit(D2xx& api);
  D2XXUnit(const D2XXUnit&) = delete;
  D2XXUnit& operator=(const D2XXUnit&) = delete;

  FT_STATUS GetFTDeviceCount();
  FT_STATUS GetFTDeviceSerialNo(std::uint32_t index);
  FT_STATUS Open_USB_Device_By_Serial_Number(std::string_view serial);
  FT_STATUS CloseFTDevice();
  // Reads up to n bytes into the start of InBuffer; returns how many arrived.
  std::uint32_t ReadFTDevice(std::uint32_t n);
  // Sends the first n bytes of OutBuffer; returns how many were written.
  std::uint32_t WriteFTDevice(std::uint32_t n);
  FT_STATUS ResetFTDevice();
  FT_STATUS SetFTDeviceTimeouts(std::uint32_t readMs, std::uint32_t writeMs);
  FT_STATUS GetFTDeviceStatus();

  // Places bytes at the start of OutBuffer and sends them, under one lock, so
  // that frames from the GUI thread and the acquisition thread never mix.
  std::uint32_t WriteBytes(std::span<const std::uint8_t> bytes);
  // Reads out.size() bytes into InBuffer and copies InBuffer's first out.size()
  // bytes to out, under one lock. Bytes that did not arrive keep InBuffer's
  // previous contents, as ReadFTDevice leaves them.
  std::uint32_t ReadBytes(std::span<std::uint8_t> out);
  // Sets the first n bytes of InBuffer to value.
  void FillInBuffer(std::uint8_t value, std::size_t n);
  std::uint8_t InBufferByte(std::size_t index) const;
  std::uint8_t OutBufferByte(std::size_t index) const;

  void ReportFTError(std::string_view operation, FT_STATUS status);
  // Where ReportFTError's messages go; the program shows them in a message box.
  void SetErrorSink(ErrorSink sink);

  // The open buffer handed to the last open call (NUL-terminated).
  std::string OpenBufferText() const { return std::string(openBuffer_.data()); }

  std::atomic<FT_HANDLE> DeviceHandle{0};
  std::atomic<std::uint32_t> DeviceCount{0};
  std::string SerialNumber;  // GUI thread only
  std::atomic<bool> ShowFTErrors{true};

 private:
  D2xx& api_;
  std::array<char, kSerialListingSize> listingBuffer_{};
  std::array<char, kOpenBufferSize> openBuffer_{};

  mutable std::mutex inMutex_;
  std::array<std::uint8_t, kLinkBufferSize> InBuffer{};
  mutable std::mutex outMutex_;
  std::array<std::uint8_t, kLinkBufferSize> OutBuffer{};

  struct QueueStatus {
    std::uint32_t rxBytes = 0;
    std::uint32_t txBytes = 0;
    std::uint32_t eventStatus = 0;
  } queueStatus_;

  std::mutex sinkMutex_;
  ErrorSink sink_;

  struct Transfer {
    FT_STATUS status = FT_OK;
    std::uint32_t count = 0;
  };
  Transfer readLocked(std::uint32_t n);
  Transfer writeLocked(std::uint32_t n);
};

}  // namespace virn::link
