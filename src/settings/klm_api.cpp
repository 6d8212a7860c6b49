#include "settings/klm_api.h"

#include <array>

#include "hostlib/klm_exports.h"
#include "settings/klm_library.h"

namespace virn::settings {

namespace {

// The library asks for the application window; ours has no native handle to give.
void* NoAppWindow() {
  return nullptr;
}

// Text of a NUL-terminated buffer that the library filled, even if it forgot the NUL.
template <std::size_t N>
std::string BufferText(const std::array<char, N>& buffer) {
  std::size_t length = 0;
  while (length < N && buffer[length] != '\0') ++length;
  return std::string(buffer.data(), length);
}

}  // namespace

std::string fsGetAppDataPath() {
  const KlmLibrary library(kKlmFsLibrary);
  const auto call = library.Require<decltype(&::fsGetAppDataPath)>("fsGetAppDataPath");
  std::array<char, KLM_PATH_BUFFER_SIZE> path{};
  if (call(nullptr, path.data()) == 0) return {};
  return BufferText(path);
}

void fsCreateConfigDir(const std::string& programName) {
  const KlmLibrary library(kKlmFsLibrary);
  const auto call = library.Require<decltype(&::fsCreateConfigDir)>("fsCreateConfigDir");
  if (call(nullptr, programName.c_str()) == 0) throw EklmAPI("Ошибка конфигурации.");
}

std::string fsCreateTempDir() {
  const KlmLibrary library(kKlmFsLibrary);
  const auto call = library.Require<decltype(&::fsCreateTempDir)>("fsCreateTempDir");
  std::array<char, KLM_PATH_BUFFER_SIZE> path{};
  if (call(&NoAppWindow, path.data()) == 0) return {};
  return BufferText(path);
}

bool fsMoveFrom(const std::string& src, const std::string& dst, std::string* error) {
  const KlmLibrary library(kKlmFsLibrary);
  const auto call = library.Require<decltype(&::fsMoveFrom)>("fsMoveFrom");
  std::array<char, KLM_ERROR_BUFFER_SIZE> reason{};
  const bool moved = call(src.c_str(), dst.c_str(), reason.data()) != 0;
  if (error != nullptr) *error = moved ? std::string() : BufferText(reason);
  return moved;
}

void fsClearDir(const std::string& dir) {
  const KlmLibrary library(kKlmFsLibrary);
  const auto call = library.Require<decltype(&::fsClearDir)>("fsClearDir");
  call(dir.c_str(), -1);
}

char32_t ReplaceIntegerChar(char32_t typed) {
  if (typed > 0xFF) return 0;
  uint32_t slot = 0;
  lbReplaceIntegerChar(static_cast<uint32_t>(typed), &slot);
  return static_cast<char32_t>(slot & 0xFFu);
}

}  // namespace virn::settings
