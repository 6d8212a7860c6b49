// A program that uses the libftdi backend from outside the test process, for
// the test that drives the USB emulation across processes. It prints the
// number of devices and their serial numbers, one a line. Given a serial
// number it opens that device and prints the version reply as "reply TEXT";
// with "--hold" after the serial it then prints "holding" and reads until the
// device fails or the program is killed.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "link/command_frame.h"
#include "link/ftdi_backend.h"

namespace {

using virn::link::FT_HANDLE;
using virn::link::FT_OK;

int ListAll(virn::link::FtdiBackend& backend) {
  std::uint32_t count = 0;
  if (backend.FT_ListDevices(&count, nullptr, virn::link::FT_LIST_NUMBER_ONLY) != FT_OK) return 1;
  std::printf("%u\n", count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::array<char, virn::link::kSerialListingSize + 1> serial{};
    const std::uint32_t flags = virn::link::FT_LIST_BY_INDEX | virn::link::FT_OPEN_BY_SERIAL_NUMBER;
    if (backend.FT_ListDevices(reinterpret_cast<void*>(std::uintptr_t{i}), serial.data(), flags) != FT_OK)
      return 1;
    std::printf("%s\n", serial.data());
  }
  return 0;
}

int AskVersion(virn::link::FtdiBackend& backend, FT_HANDLE handle) {
  const virn::link::Frame query = virn::link::EncodeFrame(virn::link::opcode::kVersionQuery, 0);
  std::uint32_t written = 0;
  if (backend.FT_SetTimeouts(handle, 500, 100) != FT_OK) return 1;
  if (backend.FT_Write(handle, query.data(), query.size(), &written) != FT_OK) return 1;
  std::array<char, virn::link::kVersionReplySize + 1> reply{};
  std::uint32_t got = 0;
  if (backend.FT_Read(handle, reply.data(), virn::link::kVersionReplySize, &got) != FT_OK) return 1;
  // The ten characters of version text; the byte after them is not text.
  std::printf("reply %.*s\n", static_cast<int>(strnlen(reply.data(), virn::link::kVersionTextSize)),
              reply.data());
  return got == virn::link::kVersionReplySize ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  virn::link::FtdiBackend backend;
  if (ListAll(backend) != 0) return 1;
  if (argc < 2) return 0;
  FT_HANDLE handle = 0;
  if (backend.FT_OpenEx(argv[1], virn::link::FT_OPEN_BY_SERIAL_NUMBER, &handle) != FT_OK) return 2;
  if (AskVersion(backend, handle) != 0) return 3;
  if (argc > 2 && std::string(argv[2]) == "--hold") {
    std::printf("holding\n");
    std::fflush(stdout);
    backend.FT_SetTimeouts(handle, 0, 100);
    std::uint8_t byte = 0;
    std::uint32_t got = 0;
    while (backend.FT_Read(handle, &byte, 1, &got) == FT_OK) {
    }
  }
  std::fflush(stdout);
  return backend.FT_Close(handle) == FT_OK ? 0 : 4;
}
