// A scripted D2XX backend: each call returns what the test set and records its
// arguments, so the link module's own rules can be checked call by call.
#pragma once

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "link/d2xx.h"

namespace virn::test {

class FakeD2xx : public link::D2xx {
 public:
  link::FT_STATUS status = link::FT_OK;  // returned by every call
  std::uint32_t count = 0;
  std::string listingBytes;           // copied raw (up to 16 bytes) into the listing buffer
  std::deque<std::uint8_t> incoming;  // bytes the next reads deliver
  link::FT_HANDLE nextHandle = 7;

  std::vector<std::string> calls;
  std::string lastOpenArg;
  std::uint32_t lastOpenFlags = 0;
  std::uintptr_t lastListIndex = 0;
  std::uint32_t lastListFlags = 0;
  std::vector<std::uint8_t> written;
  link::FT_HANDLE lastHandle = 0;

  link::FT_STATUS FT_ListDevices(void* arg1, void* arg2, std::uint32_t flags) override {
    calls.push_back("FT_ListDevices");
    lastListFlags = flags;
    if (status != link::FT_OK) return status;
    if (flags == link::FT_LIST_NUMBER_ONLY) {
      *static_cast<std::uint32_t*>(arg1) = count;
    } else {
      lastListIndex = reinterpret_cast<std::uintptr_t>(arg1);
      std::memcpy(arg2, listingBytes.data(),
                  std::min<std::size_t>(listingBytes.size(), link::kSerialListingSize));
    }
    return status;
  }
  link::FT_STATUS FT_OpenEx(const void* arg, std::uint32_t flags, link::FT_HANDLE* handle) override {
    calls.push_back("FT_OpenEx");
    lastOpenArg = static_cast<const char*>(arg);
    lastOpenFlags = flags;
    if (status == link::FT_OK) *handle = nextHandle;
    return status;
  }
  link::FT_STATUS FT_Close(link::FT_HANDLE handle) override {
    calls.push_back("FT_Close");
    lastHandle = handle;
    return status;
  }
  link::FT_STATUS FT_Read(link::FT_HANDLE handle, void* buffer, std::uint32_t n,
                          std::uint32_t* got) override {
    calls.push_back("FT_Read");
    lastHandle = handle;
    *got = 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (*got < n && !incoming.empty()) {
      bytes[(*got)++] = incoming.front();
      incoming.pop_front();
    }
    return status;
  }
  link::FT_STATUS FT_Write(link::FT_HANDLE handle, const void* buffer, std::uint32_t n,
                           std::uint32_t* done) override {
    calls.push_back("FT_Write");
    lastHandle = handle;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    written.insert(written.end(), bytes, bytes + n);
    *done = status == link::FT_OK ? n : 0;
    return status;
  }
  link::FT_STATUS FT_ResetDevice(link::FT_HANDLE handle) override {
    calls.push_back("FT_ResetDevice");
    lastHandle = handle;
    return status;
  }
  link::FT_STATUS FT_SetTimeouts(link::FT_HANDLE handle, std::uint32_t, std::uint32_t) override {
    calls.push_back("FT_SetTimeouts");
    lastHandle = handle;
    return status;
  }
  link::FT_STATUS FT_GetStatus(link::FT_HANDLE handle, std::uint32_t* rx, std::uint32_t* tx,
                               std::uint32_t* events) override {
    calls.push_back("FT_GetStatus");
    lastHandle = handle;
    *rx = static_cast<std::uint32_t>(incoming.size());
    *tx = 0;
    *events = 0;
    return status;
  }
};

}  // namespace virn::test
