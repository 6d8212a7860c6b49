// The error queue and the status registers every IEEE 488.2 instrument keeps:
// errors wait in the queue until SYSTem:ERRor? reads them, each one also sets
// its class's bit in the standard event status register (*ESR?), and the
// status byte (*STB?) sums up both. Plain values, no I/O.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace virn::scpi {

// The standard error numbers used here.
namespace error {
inline constexpr int kNone = 0;
inline constexpr int kCommand = -100;
inline constexpr int kInvalidCharacter = -101;
inline constexpr int kSyntax = -102;
inline constexpr int kDataType = -104;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kHeaderError = -110;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kNumericData = -120;
inline constexpr int kInvalidSuffix = -131;
inline constexpr int kExecution = -200;
inline constexpr int kInitIgnored = -213;
inline constexpr int kSettingsConflict = -221;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kDataStale = -230;
inline constexpr int kHardwareError = -240;
inline constexpr int kHardwareMissing = -241;
inline constexpr int kQueueOverflow = -350;
inline constexpr int kInputBufferOverrun = -363;
inline constexpr int kQueryInterrupted = -410;
}  // namespace error

// The standard text of an error number ("Undefined header"); "Error" for a
// number without one.
std::string_view ErrorText(int code);

// Bits of the standard event status register.
namespace esr {
inline constexpr std::uint8_t kOperationComplete = 0x01;
inline constexpr std::uint8_t kQueryError = 0x04;
inline constexpr std::uint8_t kDeviceError = 0x08;
inline constexpr std::uint8_t kExecutionError = 0x10;
inline constexpr std::uint8_t kCommandError = 0x20;
inline constexpr std::uint8_t kPowerOn = 0x80;
}  // namespace esr

// Bits of the status byte.
namespace stb {
inline constexpr std::uint8_t kErrorQueue = 0x04;
inline constexpr std::uint8_t kMessageAvailable = 0x10;
inline constexpr std::uint8_t kEventStatus = 0x20;
inline constexpr std::uint8_t kServiceRequest = 0x40;
}  // namespace stb

inline constexpr std::size_t kErrorQueueSize = 20;

class Status {
 public:
  // Queues an error and sets its class's event bit. A full queue keeps its
  // oldest entries and turns the newest into -350, "Queue overflow".
  void Push(int code, std::string_view detail = {});
  // The oldest error as SYSTem:ERRor? answers it: `-113,"Undefined header"`,
  // `0,"No error"` when there is none.
  std::string Pop();
  std::size_t Queued() const { return queue_.size(); }

  // *ESR? reads and clears the event register.
  std::uint8_t ReadEvents();
  std::uint8_t Events() const { return events_; }
  void SetEvent(std::uint8_t bits) { events_ |= bits; }
  std::uint8_t EventEnable() const { return eventEnable_; }
  void SetEventEnable(std::uint8_t mask) { eventEnable_ = mask; }
  std::uint8_t ServiceEnable() const { return serviceEnable_; }
  void SetServiceEnable(std::uint8_t mask) { serviceEnable_ = mask; }
  // *STB?: the summary bits; `messageAvailable` is the output queue's state.
  std::uint8_t StatusByte(bool messageAvailable) const;

  // *CLS: the queue and the event register emptied; the enable masks stay.
  void Clear();

 private:
  struct Entry {
    int code = 0;
    std::string detail;
  };
  std::deque<Entry> queue_;
  std::uint8_t events_ = esr::kPowerOn;
  std::uint8_t eventEnable_ = 0;
  std::uint8_t serviceEnable_ = 0;
};

}  // namespace virn::scpi
