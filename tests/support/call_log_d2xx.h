// A D2XX backend in front of another that writes down the calls that shape
// the link (opens, closes, resets, time-outs, writes) in the order they come,
// from any thread, and passes every call on unchanged.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "link/d2xx.h"

namespace virn::test {

class CallLogD2xx : public link::D2xx {
 public:
  explicit CallLogD2xx(link::D2xx& next) : next_(next) {}

  std::vector<std::string> Calls() const {
    const std::lock_guard lock(mutex_);
    return calls_;
  }
  void Clear() {
    const std::lock_guard lock(mutex_);
    calls_.clear();
  }

  link::FT_STATUS FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) override {
    return next_.FT_ListDevices(arg1, arg2, flags);
  }
  link::FT_STATUS FT_OpenEx(const void* arg, std::uint32_t flags, link::FT_HANDLE* handle) override {
    const link::FT_STATUS status = next_.FT_OpenEx(arg, flags, handle);
    if (status == link::FT_OK) Log(std::string("open ") + static_cast<const char*>(arg));
    return status;
  }
  link::FT_STATUS FT_Close(link::FT_HANDLE handle) override {
    Log("close");
    return next_.FT_Close(handle);
  }
  link::FT_STATUS FT_Read(link::FT_HANDLE handle, void* buffer, std::uint32_t n,
                          std::uint32_t* got) override {
    return next_.FT_Read(handle, buffer, n, got);
  }
  link::FT_STATUS FT_Write(link::FT_HANDLE handle, const void* buffer, std::uint32_t n,
                           std::uint32_t* written) override {
    std::string text = "write";
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    for (std::uint32_t i = 0; i < n; ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
      text += hex;
    }
    Log(text);
    return next_.FT_Write(handle, buffer, n, written);
  }
  link::FT_STATUS FT_ResetDevice(link::FT_HANDLE handle) override {
    Log("reset");
    return next_.FT_ResetDevice(handle);
  }
  link::FT_STATUS FT_SetTimeouts(link::FT_HANDLE handle, std::uint32_t readMs,
                                 std::uint32_t writeMs) override {
    Log("timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
    return next_.FT_SetTimeouts(handle, readMs, writeMs);
  }
  link::FT_STATUS FT_GetStatus(link::FT_HANDLE handle, std::uint32_t* rx, std::uint32_t* tx,
                               std::uint32_t* events) override {
    return next_.FT_GetStatus(handle, rx, tx, events);
  }

 private:
  void Log(std::string call) {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }

  link::D2xx& next_;
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace virn::test
