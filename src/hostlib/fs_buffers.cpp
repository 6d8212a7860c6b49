#include "hostlib/fs_buffers.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace virn::hostlib {

namespace {

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Drops trailing slashes but keeps a lone "/".
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  // A service started without HOME still has an entry in the password database.
  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

}  // namespace

bool CopyWhole(std::string_view text, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return false;
  if (text.size() >= size || text.find('\0') != std::string_view::npos) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return true;
}

void CopyTruncated(std::string_view text, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return;
  std::size_t length = text.size();
  if (length >= size) {
    length = size - 1;
    // Back up to the first byte of the sequence that would be cut.
    while (length > 0 && IsContinuationByte(text[length])) --length;
  }
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

std::string SystemReason(int errnum) {
  char buffer[256];
  // The GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(errnum, buffer, sizeof buffer);
  return text != nullptr ? std::string(text) : std::string();
}

std::string ConfigHome() {
  // The XDG rule: a relative XDG_CONFIG_HOME is invalid and must be ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    return WithoutTrailingSlash(xdg);
  }
  std::string home = HomeDirectory();
  if (home.empty()) return {};
  home = WithoutTrailingSlash(std::move(home));
  return home == "/" ? std::string("/.config") : home + "/.config";
}

}  // namespace virn::hostlib
