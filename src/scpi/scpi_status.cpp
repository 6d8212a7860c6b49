#include "scpi/scpi_status.h"

#include <array>
#include <utility>

namespace virn::scpi {

std::string_view ErrorText(int code) {
  static constexpr std::array<std::pair<int, std::string_view>, 22> kTexts{{
      {error::kNone, "No error"},
      {error::kCommand, "Command error"},
      {error::kInvalidCharacter, "Invalid character"},
      {error::kSyntax, "Syntax error"},
      {error::kDataType, "Data type error"},
      {error::kParameterNotAllowed, "Parameter not allowed"},
      {error::kMissingParameter, "Missing parameter"},
      {error::kHeaderError, "Command header error"},
      {error::kUndefinedHeader, "Undefined header"},
      {error::kNumericData, "Numeric data error"},
      {error::kInvalidSuffix, "Invalid suffix"},
      {error::kExecution, "Execution error"},
      {error::kInitIgnored, "Init ignored"},
      {error::kSettingsConflict, "Settings conflict"},
      {error::kDataOutOfRange, "Data out of range"},
      {error::kIllegalParameterValue, "Illegal parameter value"},
      {error::kDataStale, "Data corrupt or stale"},
      {error::kHardwareError, "Hardware error"},
      {error::kHardwareMissing, "Hardware missing"},
      {error::kQueueOverflow, "Queue overflow"},
      {error::kInputBufferOverrun, "Input buffer overrun"},
      {error::kQueryInterrupted, "Query INTERRUPTED"},
  }};
  for (const auto& [number, text] : kTexts) {
    if (number == code && !text.empty()) return text;
  }
  return "Error";
}

namespace {

std::uint8_t EventBitOf(int code) {
  if (code <= -100 && code > -200) return esr::kCommandError;
  if (code <= -200 && code > -300) return esr::kExecutionError;
  if (code <= -300 && code > -400) return esr::kDeviceError;
  if (code <= -400 && code > -500) return esr::kQueryError;
  return esr::kDeviceError;
}

// What a client sent, fit to stand inside the quoted error text: printable
// ASCII only, quotes doubled as a string parameter doubles them, and short.
std::string Printable(std::string_view detail) {
  constexpr std::size_t kLongest = 60;
  std::string text;
  for (const char c : detail.substr(0, kLongest)) {
    if (c < ' ' || c > '~') {
      text += '?';
    } else {
      text += c;
      if (c == '"') text += '"';
    }
  }
  if (detail.size() > kLongest) text += "...";
  return text;
}

}  // namespace

void Status::Push(int code, std::string_view detail) {
  events_ |= EventBitOf(code);
  if (queue_.size() >= kErrorQueueSize) {
    queue_.back() = {error::kQueueOverflow, {}};
    return;
  }
  queue_.push_back({code, Printable(detail)});
}

std::string Status::Pop() {
  Entry entry;
  if (!queue_.empty()) {
    entry = std::move(queue_.front());
    queue_.pop_front();
  }
  std::string text = std::to_string(entry.code) + ",\"" + std::string(ErrorText(entry.code));
  if (!entry.detail.empty()) text += ";" + entry.detail;
  return text + "\"";
}

std::uint8_t Status::ReadEvents() {
  return std::exchange(events_, std::uint8_t{0});
}

std::uint8_t Status::StatusByte(bool messageAvailable) const {
  std::uint8_t byte = 0;
  if (!queue_.empty()) byte |= stb::kErrorQueue;
  if (messageAvailable) byte |= stb::kMessageAvailable;
  if ((events_ & eventEnable_) != 0) byte |= stb::kEventStatus;
  if ((byte & serviceEnable_) != 0) byte |= stb::kServiceRequest;
  return byte;
}

void Status::Clear() {
  queue_.clear();
  events_ = 0;
}

}  // namespace virn::scpi
